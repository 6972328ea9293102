#include <exception>
#include <limits>
#include <utility>

#include "core/core.h"
#include "items/screen_item.h"
#include "screendef/screen.h"
#include "support/log_stream.h"

namespace {

constexpr std::uint32_t kTickMs = 50;

} // namespace

void Core::Tick()
{
    // Nothing may leave the tick: the timer thread has no one to catch it.
    try {
        if (reloadRequested.exchange(false, std::memory_order_acq_rel))
            ReloadScreens();
        Screen* screen = CurrentScreen();
        if (screen == nullptr)
            return;
        screen->Tick(static_cast<std::int32_t>(kTickMs));
        DrawQueued();
        AdvancePendingActions();
        RunDueActions();
    } catch (const std::exception& error) {
        TickFailed(error.what());
    } catch (...) {
        TickFailed("unknown error");
    }
}

void Core::TickFailed(const char* what) noexcept
{
    drawQueue.clear(); // a request that failed to draw would fail again next tick
    if (tickFailureReported)
        return;
    tickFailureReported = true;
    try {
        LogStream << "Refresh step failed: " << what << std::endl;
    } catch (...) {
    }
}

void Core::DrawQueued()
{
    // Indexing instead of iterators: Draw may queue more requests, which are
    // drawn in this same pass.
    for (std::size_t i = 0; i < drawQueue.size(); ++i) {
        const DrawRequest request = drawQueue[i];
        if (request.item != nullptr)
            request.item->Draw(frameBuffer, request.rect, request.send, request.mode);
    }
    drawQueue.clear();
}

void Core::AdvancePendingActions()
{
    for (std::size_t i = 0; i < pendingActions.size();) {
        Action& action = pendingActions[i];
        action.elapsed = action.elapsed > std::numeric_limits<std::uint32_t>::max() - kTickMs
                             ? std::numeric_limits<std::uint32_t>::max()
                             : action.elapsed + kTickMs;
        if (action.elapsed < action.delay) {
            ++i;
            continue;
        }
        actionQueue.push_back(std::move(action));
        pendingActions.erase(pendingActions.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void Core::RunDueActions()
{
    // Everything due when the step begins runs. Delay-0 actions of screens
    // started in this step queue behind it and run too; only they can loop
    // (screens switching to each other without delay), so they are counted
    // and, past the bound, dropped: the loop stops on the screen shown last.
    const std::size_t dueAtStart = actionQueue.size();
    std::size_t done = 0;
    for (; done < actionQueue.size(); ++done) {
        if (done >= dueAtStart + kMaxActionsPerTick) {
            if (!actionLoopReported)
                LogStream << "Action loop stopped: screens switch to each other without delay" << std::endl;
            actionLoopReported = true;
            break;
        }
        Action current = std::move(actionQueue[done]);
        ExecuteAction(current);
        spareActions.push_back(std::move(current));
    }
    for (std::size_t i = done; i < actionQueue.size(); ++i)
        spareActions.push_back(std::move(actionQueue[i]));
    actionQueue.clear();
}

void Core::QueueDraw(ScreenItem* item, std::uint32_t x1, std::uint32_t y1, std::uint32_t x2, std::uint32_t y2,
                     std::uint32_t send, std::uint32_t mode)
{
    drawQueue.push_back(DrawRequest{item, Rect{x1, y1, x2, y2}, send, mode});
}

Action Core::TakeSpareAction()
{
    if (spareActions.empty())
        return Action{};
    Action spare = std::move(spareActions.back());
    spareActions.pop_back();
    return spare;
}

void Core::ScheduleAction(const Action& action)
{
    Action copy = TakeSpareAction();
    copy.id = action.id; // assignment reuses the spare's string storage
    copy.parameter = action.parameter;
    copy.delay = action.delay;
    copy.elapsed = action.elapsed;
    if (copy.delay == 0)
        actionQueue.push_back(std::move(copy));
    else
        pendingActions.push_back(std::move(copy));
}

void Core::ExecuteAction(const Action& action)
{
    if (screens.empty())
        return;
    if (action.id == "Core.ChangeScreen") {
        for (std::size_t i = 0; i < screens.size(); ++i)
            if (screens[i]->name == action.parameter)
                currentScreen = i;
        if (!AllRequiredFlagsSet(*screens[currentScreen])) {
            NextScreen();
            return;
        }
        StartScreen();
    } else if (action.id == "Core.NextScreen") {
        NextScreen();
    }
}

void Core::NextScreen()
{
    int wraps = 0;
    for (;;) {
        if (++currentScreen >= screens.size()) {
            currentScreen = 0;
            ++wraps;
        }
        if (wraps >= 2 || AllRequiredFlagsSet(*screens[currentScreen]))
            break;
    }
    StartScreen();
}

void Core::StartScreen()
{
    Screen* screen = CurrentScreen();
    if (screen == nullptr)
        return;
    for (const Action& action : screen->actions)
        ScheduleAction(action);
    frameBuffer.Clear();
    screen->RedrawItems();
}
