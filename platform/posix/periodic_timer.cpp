#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/platform.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// One run of the timer, shared by its thread and the owner, so a Stop
// from inside the tick can let the thread finish on its own.
struct Run {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::chrono::milliseconds period{0};
    PeriodicTimer::SleepyTick tick;

    // Sleeps on the condition variable, so Stop ends even a long sleep at once.
    void Loop()
    {
        Clock::time_point next = Clock::now() + period;
        std::uint32_t skipped = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                if (wake.wait_until(lock, next, [this] { return stopping; }))
                    return;
            }
            const std::uint32_t idle = tick(skipped);
            next += period;
            // Far behind after a long tick: start afresh rather than run
            // the missed ticks back to back.
            const Clock::time_point now = Clock::now();
            if (now - next > period)
                next = now;
            next += period * idle;
            skipped = idle;
        }
    }
};

} // namespace

struct PeriodicTimer::State {
    mutable std::mutex mutex;
    std::shared_ptr<Run> run;
    std::thread thread;
};

PeriodicTimer::PeriodicTimer() : state(std::make_unique<State>())
{
}

PeriodicTimer::~PeriodicTimer()
{
    Stop();
}

bool PeriodicTimer::Start(std::uint32_t periodMs, std::uint32_t /*resolutionMs*/, SleepyTick tick)
{
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->run || periodMs == 0 || !tick)
        return false;
    auto run = std::make_shared<Run>();
    run->period = std::chrono::milliseconds(periodMs);
    run->tick = std::move(tick);
    try {
        state->thread = std::thread([run] { run->Loop(); });
    } catch (const std::system_error&) {
        return false;
    }
    state->run = std::move(run);
    return true;
}

void PeriodicTimer::Stop()
{
    std::shared_ptr<Run> run;
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        run = std::move(state->run);
        thread = std::move(state->thread);
    }
    if (!run)
        return;
    {
        std::lock_guard<std::mutex> lock(run->mutex);
        run->stopping = true;
    }
    run->wake.notify_all();
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach(); // called from the tick: the loop ends when it returns
    else
        thread.join();
}

bool PeriodicTimer::Running() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->run != nullptr;
}

} // namespace platform
