#include <windows.h>

#include <algorithm>

#include "drivers/smart-screen/watched_port.h"

namespace smartscreen {

namespace {

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// Waits for an overlapped operation up to `ms`; on time-out cancels it and
// waits for what it did until then. False when it failed or was cancelled.
bool Finish(HANDLE port, OVERLAPPED& pending, DWORD ms, DWORD& done)
{
    if (WaitForSingleObject(pending.hEvent, ms) == WAIT_TIMEOUT) {
        CancelIoEx(port, &pending);
        GetOverlappedResult(port, &pending, &done, TRUE);
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    return GetOverlappedResult(port, &pending, &done, FALSE) != FALSE;
}

} // namespace

WatchedPort::WatchedPort(std::string path, std::uint32_t baud, bool handshake)
    : SerialPort(std::move(path), baud, handshake)
{
    overlapped_ = true; // the watcher's read waits beside the worker's writes
}

std::size_t WatchedPort::Receive(std::uint8_t* bytes, std::size_t capacity)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t count = std::min(capacity, received_.size());
    std::copy_n(received_.begin(), count, bytes);
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

WatchedPort::Sent WatchedPort::Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written)
{
    // A little at a time, so that "nothing taken for kStallMs" can be told.
    constexpr std::size_t kChunk = 4096;
    const HANDLE port = AsHandle(Handle());
    if (Handle() == -1 || written_ == 0)
        return Sent::Lost;
    while (written < count) {
        OVERLAPPED pending{};
        pending.hEvent = AsHandle(written_);
        const DWORD chunk = static_cast<DWORD>(std::min(kChunk, count - written));
        DWORD done = 0;
        if (!WriteFile(port, bytes + written, chunk, &done, &pending)) {
            if (GetLastError() != ERROR_IO_PENDING)
                return Sent::Lost; // unplugged: access denied, bad command
            if (!Finish(port, pending, kStallMs, done)) {
                written += done;
                const DWORD error = GetLastError();
                return error == ERROR_TIMEOUT || error == ERROR_OPERATION_ABORTED ? Sent::Stalled : Sent::Lost;
            }
        }
        written += done;
        if (done == 0)
            return Sent::Stalled;
    }
    return Sent::All;
}

std::size_t WatchedPort::WriteNow(const std::uint8_t*, std::size_t)
{
    return 0; // an overlapped write must be waited for: the worker does it
}

bool WatchedPort::HungUp()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return Handle() == -1 || lost_;
}

void WatchedPort::StartWatch()
{
    // Reads wait for the first byte and return what has come; writes are
    // timed here, per chunk.
    COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, MAXDWORD - 1, 0, 0};
    const HANDLE port = AsHandle(Handle());
    SetCommTimeouts(port, &timeouts);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lost_ = false;
        received_.clear();
    }
    written_ = reinterpret_cast<std::intptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    stop_ = reinterpret_cast<std::intptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (stop_ == 0)
        return; // unwatched: an unplug shows at the next write
    const std::intptr_t stop = stop_;
    watcher_ = std::thread([this, handle = Handle(), stop] { Watch(handle, stop); });
}

void WatchedPort::StopWatch()
{
    if (watcher_.joinable()) {
        SetEvent(AsHandle(stop_));
        watcher_.join();
    }
    for (std::intptr_t* event : {&stop_, &written_}) {
        if (*event != 0)
            CloseHandle(AsHandle(*event));
        *event = 0;
    }
}

bool WatchedPort::StopWaiting(std::intptr_t stop, int ms)
{
    return WaitForSingleObject(AsHandle(stop), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

void WatchedPort::Watch(std::intptr_t handle, std::intptr_t stop)
{
    // A read stays pending while all is well (a screen says something only
    // when asked) and fails when the device goes.
    const HANDLE port = AsHandle(handle);
    OVERLAPPED pending{};
    pending.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (pending.hEvent == nullptr)
        return;
    std::uint8_t buffer[64];
    bool gone = false;
    for (;;) {
        DWORD got = 0;
        ResetEvent(pending.hEvent);
        if (!ReadFile(port, buffer, sizeof buffer, &got, &pending)) {
            if (GetLastError() != ERROR_IO_PENDING) {
                gone = true;
                break;
            }
            const HANDLE events[2] = {pending.hEvent, AsHandle(stop)};
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIoEx(port, &pending);
                GetOverlappedResult(port, &pending, &got, TRUE);
                break;
            }
            if (!GetOverlappedResult(port, &pending, &got, FALSE)) {
                gone = true;
                break;
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (received_.size() < 4096) // a chatty device that nobody asks keeps only its first words
            received_.insert(received_.end(), buffer, buffer + got);
    }
    CloseHandle(pending.hEvent);
    if (!gone)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lost_ = true;
    }
    WakeUntilAsked(stop);
}

} // namespace smartscreen
