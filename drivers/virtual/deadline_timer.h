#pragma once

#include <chrono>

namespace vdisplay {

// A thread's sleep until a deadline that other threads may set, move or
// clear without waking it. A condition variable's timed wait would have to
// be woken to learn of a later deadline; this one sleeps on.
// Linux: a timerfd and an eventfd; Windows: a waitable timer and an event.
class DeadlineTimer {
public:
    using Clock = std::chrono::steady_clock;

    DeadlineTimer(); // throws std::system_error when the system has none to give
    ~DeadlineTimer();
    DeadlineTimer(const DeadlineTimer&) = delete;
    DeadlineTimer& operator=(const DeadlineTimer&) = delete;

    // From any thread. A deadline already past wakes the sleeper at once.
    void Set(Clock::time_point when) noexcept;
    void Clear() noexcept;
    // From any thread: Wait returns false now and ever after.
    void Interrupt() noexcept;

    // Sleeps until the deadline passes (true; the deadline is then spent)
    // or Interrupt (false). May return true early when a Clear raced with
    // the deadline, so the caller checks what it was waiting for.
    bool Wait() noexcept;

private:
    void Close() noexcept;

#ifdef _WIN32
    void* timer_ = nullptr;
    void* interrupt_ = nullptr;
#else
    int timer_ = -1;
    int interrupt_ = -1;
#endif
};

} // namespace vdisplay
