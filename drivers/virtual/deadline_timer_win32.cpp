#include "drivers/virtual/deadline_timer.h"

#include <system_error>

#include <windows.h>

namespace vdisplay {

DeadlineTimer::DeadlineTimer()
{
    timer_ = ::CreateWaitableTimerW(nullptr, FALSE, nullptr); // releases one waiter, then resets
    interrupt_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); // stays set
    if (timer_ == nullptr || interrupt_ == nullptr) {
        const DWORD error = ::GetLastError();
        Close();
        throw std::system_error(static_cast<int>(error), std::system_category(), "deadline timer");
    }
}

DeadlineTimer::~DeadlineTimer()
{
    Close();
}

void DeadlineTimer::Close() noexcept
{
    if (timer_ != nullptr)
        ::CloseHandle(timer_);
    if (interrupt_ != nullptr)
        ::CloseHandle(interrupt_);
    timer_ = interrupt_ = nullptr;
}

void DeadlineTimer::Set(Clock::time_point when) noexcept
{
    // Relative, in 100 ns units and negative: a waitable timer's absolute
    // times follow the wall clock, which may jump.
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(when - Clock::now()).count();
    LARGE_INTEGER due;
    due.QuadPart = -(wait > 0 ? wait / 100 + 1 : 1);
    ::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
}

void DeadlineTimer::Clear() noexcept
{
    ::CancelWaitableTimer(timer_);
}

void DeadlineTimer::Interrupt() noexcept
{
    ::SetEvent(interrupt_);
}

bool DeadlineTimer::Wait() noexcept
{
    HANDLE handles[2] = {interrupt_, timer_};
    return ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

} // namespace vdisplay
