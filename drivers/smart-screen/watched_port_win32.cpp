#include "drivers/smart-screen/watched_port.h"

namespace smartscreen {

// On Windows an unplugged port shows at the next write; nothing watches it.
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
    return SerialPort::Open(reason);
}

WatchedPort::Sent WatchedPort::Send(const std::uint8_t* bytes, std::size_t count)
{
    if (count == 0)
        return Handle() == -1 ? Sent::Lost : Sent::All;
    return SerialPort::Send(bytes, count);
}

void WatchedPort::Close()
{
    SerialPort::Close();
}

void WatchedPort::StopWatch()
{
}

void WatchedPort::Watch(int, int)
{
}

} // namespace smartscreen
