#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "drivers/smart-screen/watched_port.h"

namespace smartscreen {

namespace {

constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;

} // namespace

WatchedPort::WatchedPort(std::string path, std::uint32_t baud, bool handshake)
    : SerialPort(std::move(path), baud, handshake)
{
}

std::size_t WatchedPort::Receive(std::uint8_t* bytes, std::size_t capacity)
{
    return SerialPort::Receive(bytes, capacity);
}

WatchedPort::Sent WatchedPort::Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written)
{
    const int fd = static_cast<int>(Handle());
    if (fd < 0)
        return Sent::Lost;
    while (written < count) {
        const ssize_t taken = write(fd, bytes + written, count - written);
        if (taken > 0) {
            written += static_cast<std::size_t>(taken);
            continue;
        }
        if (taken < 0 && errno == EINTR)
            continue;
        if (taken < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Sent::Lost; // EIO, ENXIO, ENODEV: unplugged
        pollfd ready{fd, POLLOUT, 0};
        const int polled = poll(&ready, 1, kStallMs);
        if (polled == 0)
            return Sent::Stalled;
        if (polled > 0 && (ready.revents & kGone) != 0)
            return Sent::Lost;
    }
    return Sent::All;
}

std::size_t WatchedPort::WriteNow(const std::uint8_t* bytes, std::size_t count)
{
    std::size_t written = 0;
    while (written < count && Handle() >= 0) {
        const ssize_t taken = write(static_cast<int>(Handle()), bytes + written, count - written);
        if (taken > 0)
            written += static_cast<std::size_t>(taken);
        else if (taken == 0 || errno != EINTR)
            break; // full, or gone: the worker's Send tells which
    }
    return written;
}

bool WatchedPort::HungUp()
{
    if (Handle() < 0)
        return true;
    pollfd port{static_cast<int>(Handle()), 0, 0};
    return poll(&port, 1, 0) > 0 && (port.revents & kGone) != 0;
}

void WatchedPort::StartWatch()
{
    if (pipe2(stop_, O_CLOEXEC) != 0)
        return; // unwatched: an unplug shows at the next write
    const std::intptr_t port = Handle();
    const std::intptr_t stop = stop_[0];
    watcher_ = std::thread([this, port, stop] { Watch(port, stop); });
}

void WatchedPort::StopWatch()
{
    if (watcher_.joinable()) {
        const char byte = 0;
        if (write(stop_[1], &byte, 1) < 0) {
            // A pipe with room for a byte does not fail.
        }
        watcher_.join();
    }
    for (int& end : stop_) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

bool WatchedPort::StopWaiting(std::intptr_t stop, int ms)
{
    pollfd stopping{static_cast<int>(stop), POLLIN, 0};
    return poll(&stopping, 1, ms) > 0;
}

void WatchedPort::Watch(std::intptr_t port, std::intptr_t stop)
{
    pollfd watched[2] = {{static_cast<int>(port), 0, 0}, {static_cast<int>(stop), POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0)
            continue; // EINTR
        if (watched[1].revents != 0)
            return;
        if ((watched[0].revents & kGone) != 0)
            break;
    }
    WakeUntilAsked(stop);
}

} // namespace smartscreen
