#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// One run of the timer, shared by its thread and the owner, so a Stop
// from inside the tick can let the thread finish on its own. The thread
// sleeps in poll on a pipe that Stop and Wake write to: one system call a
// wake-up, where a condition variable's timed wait costs two (it takes its
// mutex back as if contended, and so wakes nobody on release).
struct Run {
    int stopRead = -1;
    int stopWrite = -1;
    std::atomic<bool> stopping{false};
    std::chrono::milliseconds period{0};
    PeriodicTimer::SleepyTick tick;

    Run()
    {
        int ends[2];
        if (::pipe(ends) != 0)
            throw std::system_error(errno, std::generic_category(), "timer pipe");
        stopRead = ends[0];
        stopWrite = ends[1];
        for (const int fd : ends) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, O_NONBLOCK); // a full pipe already wakes; the loop drains it
        }
    }
    ~Run()
    {
        ::close(stopRead);
        ::close(stopWrite);
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    void RequestStop()
    {
        stopping = true;
        Poke();
    }

    void Poke() const
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(stopWrite, &byte, 1);
    }

    enum class Sleep { Done, Woken, Stopped };

    // Sleeps until `until` on the steady clock, or until Stop or Wake.
    Sleep SleepUntil(Clock::time_point until) const
    {
        for (;;) {
            if (stopping)
                return Sleep::Stopped;
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now()).count();
            if (left <= 0)
                return Sleep::Done;
            timespec timeout{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
            pollfd stop{stopRead, POLLIN, 0};
            if (::ppoll(&stop, 1, &timeout, nullptr) > 0) {
                if (stopping)
                    return Sleep::Stopped;
                char bytes[64];
                while (::read(stopRead, bytes, sizeof bytes) > 0) {
                }
                return Sleep::Woken;
            }
        }
    }

    void Loop()
    {
        // `last` is the grid step of the previous tick (or of the start).
        Clock::time_point last = Clock::now();
        std::uint32_t idle = 0;
        std::uint32_t skipped = 0;
        for (;;) {
            const Sleep slept = SleepUntil(last + period * (idle + 1));
            if (slept == Sleep::Stopped)
                return;
            if (slept == Sleep::Woken) {
                // Tick at the first grid step from now instead.
                const auto passed = (Clock::now() - last) / period;
                const auto steps = std::min<std::int64_t>(static_cast<std::int64_t>(passed), idle);
                idle = static_cast<std::uint32_t>(steps);
                Sleep again = Sleep::Woken;
                while (again == Sleep::Woken)
                    again = SleepUntil(last + period * (idle + 1));
                if (again == Sleep::Stopped)
                    return;
            }
            skipped = idle;
            last += period * (idle + 1);
            idle = tick(skipped);
            // Far behind after a long tick: start afresh rather than run
            // the missed ticks back to back.
            const Clock::time_point now = Clock::now();
            if (now - last > period * 2)
                last = now - period;
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
    std::shared_ptr<Run> run;
    try {
        run = std::make_shared<Run>();
    } catch (const std::system_error&) {
        return false;
    }
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
    run->RequestStop();
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach(); // called from the tick: the loop ends when it returns
    else
        thread.join();
}

void PeriodicTimer::Wake()
{
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->run)
        state->run->Poke();
}

bool PeriodicTimer::Running() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->run != nullptr;
}

} // namespace platform
