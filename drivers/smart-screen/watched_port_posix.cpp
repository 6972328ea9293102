#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "drivers/smart-screen/watched_port.h"

namespace smartscreen {

namespace {

bool HungUp(int fd)
{
    pollfd port{fd, 0, 0};
    return poll(&port, 1, 0) > 0 && (port.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

WatchedPort::~WatchedPort()
{
    Close();
}

void WatchedPort::SetWake(std::function<bool()> wake)
{
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = std::move(wake);
}

bool WatchedPort::Open(std::string& reason)
{
    StopWatch();
    if (!SerialPort::Open(reason))
        return false;
    if (pipe2(stop_, O_CLOEXEC) == 0) {
        const int port = static_cast<int>(Handle());
        const int stop = stop_[0];
        watcher_ = std::thread([this, port, stop] { Watch(port, stop); });
    }
    return true;
}

WatchedPort::Sent WatchedPort::Send(const std::uint8_t* bytes, std::size_t count)
{
    if (count == 0)
        return Handle() < 0 || HungUp(static_cast<int>(Handle())) ? Sent::Lost : Sent::All;
    return SerialPort::Send(bytes, count);
}

void WatchedPort::Close()
{
    StopWatch();
    SerialPort::Close();
}

void WatchedPort::StopWatch()
{
    if (watcher_.joinable()) {
        const char byte = 0;
        if (write(stop_[1], &byte, 1) < 0) {
            // A pipe with room for a byte does not fail; the join would hang
            // if it did, so the watcher also looks at its stop end below.
        }
        watcher_.join();
    }
    for (int& end : stop_) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

void WatchedPort::Watch(int port, int stop)
{
    pollfd watched[2] = {{port, 0, 0}, {stop, POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0)
            continue; // EINTR
        if (watched[1].revents != 0)
            return;
        if ((watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            break;
    }
    // The worker may hold its lock while it closes us: never wait on it.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!wake_ || wake_())
                return;
        }
        pollfd stopping{stop, POLLIN, 0};
        if (poll(&stopping, 1, 10) > 0)
            return;
    }
}

} // namespace smartscreen
