#include <windows.h>

#include <atomic>
#include <mutex>

#include "platform/platform.h"

namespace platform {

namespace {

// One run of the timer, shared by the owner and the timer service's
// callbacks. Whoever uses it last frees it: the owner's Stop, or, when Stop
// was called from inside the tick, the callback that returns last.
struct Run {
    PeriodicTimer::SleepyTick tick;
    // The timer service calls every period; the steps the tick needs no
    // call for are only counted, under tickMutex.
    std::uint32_t idleLeft = 0;
    std::uint32_t skipped = 0;
    std::mutex tickMutex; // one tick at a time, even if callbacks overlap
    std::atomic<bool> stopping{false};
    std::atomic<bool> wake{false};
    std::atomic<bool> orphaned{false};
    std::atomic<int> active{0};
    std::atomic<DWORD> tickThread{0};
};

void CALLBACK TimerCallback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    Run* run = reinterpret_cast<Run*>(user);
    ++run->active;
    if (!run->stopping && run->tickMutex.try_lock()) {
        if (run->wake.exchange(false))
            run->idleLeft = 0;
        if (!run->stopping && run->idleLeft > 0) {
            --run->idleLeft;
            ++run->skipped;
        } else if (!run->stopping) {
            run->tickThread = GetCurrentThreadId();
            run->idleLeft = run->tick(run->skipped);
            run->skipped = 0;
            run->tickThread = 0;
        }
        run->tickMutex.unlock();
    }
    // Read before leaving: once active is 0, a waiting Stop may free the run.
    const bool orphaned = run->orphaned;
    if (--run->active == 0 && orphaned)
        delete run;
}

} // namespace

struct PeriodicTimer::State {
    mutable std::mutex mutex;
    Run* run = nullptr;
    UINT id = 0;
};

PeriodicTimer::PeriodicTimer() : state(std::make_unique<State>())
{
}

PeriodicTimer::~PeriodicTimer()
{
    Stop();
}

bool PeriodicTimer::Start(std::uint32_t periodMs, std::uint32_t resolutionMs, SleepyTick tick)
{
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->run != nullptr || periodMs == 0 || !tick)
        return false;
    Run* run = new Run;
    run->tick = std::move(tick);
    const UINT id = timeSetEvent(periodMs, resolutionMs, TimerCallback, reinterpret_cast<DWORD_PTR>(run),
                                 TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (id == 0) {
        delete run;
        return false;
    }
    state->run = run;
    state->id = id;
    return true;
}

void PeriodicTimer::Stop()
{
    Run* run = nullptr;
    UINT id = 0;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        run = state->run;
        id = state->id;
        state->run = nullptr;
        state->id = 0;
    }
    if (run == nullptr)
        return;
    run->stopping = true;
    timeKillEvent(id);
    if (run->tickThread == GetCurrentThreadId()) {
        // Inside the tick: it cannot be waited for; its callback frees the run.
        run->orphaned = true;
        return;
    }
    // No callback starts after the kill; wait for one that already has.
    while (run->active != 0)
        Sleep(1);
    delete run;
}

bool PeriodicTimer::Running() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->run != nullptr;
}

void PeriodicTimer::Wake()
{
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->run != nullptr)
        state->run->wake = true;
}

} // namespace platform
