#include "drivers/smart-screen/watched_port.h"

namespace smartscreen {

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
    Close();
    if (!SerialPort::Open(reason))
        return false;
    StartWatch();
    return true;
}

WatchedPort::Sent WatchedPort::Send(const std::uint8_t* bytes, std::size_t count)
{
    if (!rest_.empty()) {
        std::size_t written = 0;
        const Sent sent = Write(rest_.data(), rest_.size(), written);
        rest_.erase(rest_.begin(), rest_.begin() + static_cast<std::ptrdiff_t>(written));
        if (sent != Sent::All) {
            if (sent == Sent::Lost)
                rest_.clear();
            return sent; // what is new waits: the round after a stall sends it all again
        }
    }
    if (count == 0)
        return HungUp() ? Sent::Lost : Sent::All;
    std::size_t written = 0;
    const Sent sent = Write(bytes, count, written);
    if (sent == Sent::Stalled)
        rest_.assign(bytes + written, bytes + count);
    return sent;
}

bool WatchedPort::SendNow(const std::uint8_t* bytes, std::size_t count)
{
    const std::size_t written = rest_.empty() ? WriteNow(bytes, count) : 0;
    if (written == count)
        return true;
    rest_.insert(rest_.end(), bytes + written, bytes + count);
    return false;
}

void WatchedPort::Close()
{
    StopWatch();
    SerialPort::Close();
    rest_.clear();
}

void WatchedPort::WakeUntilAsked(std::intptr_t stop)
{
    // The worker may hold its lock while it closes us: never wait on it.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!wake_ || wake_())
                return;
        }
        if (StopWaiting(stop, 10))
            return;
    }
}

} // namespace smartscreen
