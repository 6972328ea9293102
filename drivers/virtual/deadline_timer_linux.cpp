#include "drivers/virtual/deadline_timer.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace vdisplay {

// steady_clock is CLOCK_MONOTONIC here, so its time points are the
// timerfd's absolute times.
static_assert(DeadlineTimer::Clock::is_steady);

DeadlineTimer::DeadlineTimer()
{
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    interrupt_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (timer_ < 0 || interrupt_ < 0) {
        const int error = errno;
        Close();
        throw std::system_error(error, std::generic_category(), "deadline timer");
    }
}

DeadlineTimer::~DeadlineTimer()
{
    Close();
}

void DeadlineTimer::Close() noexcept
{
    if (timer_ >= 0)
        ::close(timer_);
    if (interrupt_ >= 0)
        ::close(interrupt_);
    timer_ = interrupt_ = -1;
}

void DeadlineTimer::Set(Clock::time_point when) noexcept
{
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    itimerspec spec{};
    // A zero time would disarm the timer; a past one fires at once.
    const std::int64_t ns = since > 0 ? since : 1;
    spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
    spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
    ::timerfd_settime(timer_, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void DeadlineTimer::Clear() noexcept
{
    const itimerspec off{};
    ::timerfd_settime(timer_, 0, &off, nullptr);
}

void DeadlineTimer::Interrupt() noexcept
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(interrupt_, &one, sizeof one);
}

bool DeadlineTimer::Wait() noexcept
{
    for (;;) {
        pollfd fds[2] = {{interrupt_, POLLIN, 0}, {timer_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false; // cannot sleep: behave as interrupted rather than spin
        }
        if (fds[0].revents != 0)
            return false; // left unread, so every later Wait returns too
        if (fds[1].revents != 0) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t ignored = ::read(timer_, &expirations, sizeof expirations);
            return true;
        }
    }
}

} // namespace vdisplay
