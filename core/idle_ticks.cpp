// Ticks in which nothing is due only count time, so a refresh thread may
// sleep through them and count them all at once when it wakes.
#include <algorithm>
#include <limits>

#include "core/core.h"
#include "screendef/screen.h"

namespace {

constexpr std::uint32_t kTickMs = 50;

// Ticks before `elapsed` plus kTickMs per tick reaches `delay`.
std::uint64_t TicksBeforeDelay(const Action& action)
{
    return action.delay > action.elapsed ? (std::uint64_t{action.delay} - action.elapsed - 1) / kTickMs : 0;
}

} // namespace

std::uint32_t Core::IdleTicksAhead() const
{
    if (reloadRequested.load(std::memory_order_acquire))
        return 0;
    const Screen* screen = CurrentScreen();
    if (screen == nullptr)
        return kMaxIdleTicks; // Tick does nothing at all
    if (!drawQueue.empty() || !actionQueue.empty())
        return 0;
    std::uint32_t idle = screen->TicksBeforeUpdate(static_cast<std::int32_t>(kTickMs), kMaxIdleTicks);
    for (const Action& action : pendingActions)
        idle = static_cast<std::uint32_t>(std::min<std::uint64_t>(idle, TicksBeforeDelay(action)));
    return idle;
}

void Core::SkipIdleTicks(std::uint32_t ticks)
{
    ticks = std::min(ticks, IdleTicksAhead());
    Screen* screen = CurrentScreen();
    if (ticks == 0 || screen == nullptr)
        return;
    screen->AdvanceIdle(static_cast<std::int32_t>(kTickMs), ticks);
    // No delay runs out in these ticks, so elapsed stays below delay.
    for (Action& action : pendingActions)
        action.elapsed += ticks * kTickMs;
}
