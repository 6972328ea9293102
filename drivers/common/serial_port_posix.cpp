#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "drivers/common/serial_port.h"

namespace panelcore {
namespace {

speed_t Speed(std::uint32_t baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B19200;
    }
}

std::string OpenError(int error)
{
    switch (error) {
    case ENOENT:
        return "does not exist";
    case EBUSY:
        return "is busy (another program has it open)";
    case EACCES:
        return "may not be opened (is the user in the group dialout?)";
    default:
        return std::string("cannot be opened: ") + std::strerror(error);
    }
}

} // namespace

bool SerialPort::Open(std::string& reason)
{
    Close();
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = OpenError(errno);
        return false;
    }
    termios mode{};
    if (!isatty(fd) || tcgetattr(fd, &mode) != 0) {
        reason = "is not a serial port";
        close(fd);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        reason = "is busy (another program has it open)";
        close(fd);
        return false;
    }
    cfmakeraw(&mode);
    mode.c_cflag |= CLOCAL | CREAD;
    mode.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
    if (handshake_)
        mode.c_cflag |= CRTSCTS;
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
    cfsetispeed(&mode, Speed(baud_));
    cfsetospeed(&mode, Speed(baud_));
    if (tcsetattr(fd, TCSANOW, &mode) != 0) {
        reason = std::string("cannot be set up: ") + std::strerror(errno);
        close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

Transport::Sent SerialPort::Send(const std::uint8_t* bytes, std::size_t count)
{
    if (handle_ < 0)
        return Sent::Lost;
    const int fd = static_cast<int>(handle_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WriteTimeoutMs(baud_, count));
    while (count > 0) {
        const ssize_t written = write(fd, bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Sent::Lost; // EIO, ENXIO, ENODEV: unplugged
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Sent::Stalled;
        pollfd ready{fd, POLLOUT, 0};
        const int polled = poll(&ready, 1, static_cast<int>(left.count()));
        if (polled == 0)
            return Sent::Stalled;
        if (polled > 0 && (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return Sent::Lost;
    }
    return Sent::All;
}

std::size_t SerialPort::Receive(std::uint8_t* bytes, std::size_t capacity)
{
    if (handle_ < 0)
        return 0;
    const ssize_t got = read(static_cast<int>(handle_), bytes, capacity);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void SerialPort::Drain()
{
    if (handle_ < 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
    int queued = 0;
    while (ioctl(static_cast<int>(handle_), TIOCOUTQ, &queued) == 0 && queued > 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::uint32_t SerialPort::WriteTimeoutFor(std::size_t count) const
{
    return handle_ < 0 ? 0 : WriteTimeoutMs(baud_, count);
}

void SerialPort::Close()
{
    if (handle_ >= 0)
        close(static_cast<int>(handle_));
    handle_ = -1;
}

std::vector<std::string> ListSerialPorts()
{
    namespace fs = std::filesystem;
    std::vector<std::string> byId;
    std::vector<std::string> devices;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev/serial/by-id", error))
        byId.push_back(entry.path().string());
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        for (const char* prefix : {"ttyUSB", "ttyACM", "ttyAMA", "serial"})
            if (name.rfind(prefix, 0) == 0 && name.size() > std::strlen(prefix))
                devices.push_back(entry.path().string());
    }
    std::sort(byId.begin(), byId.end());
    std::sort(devices.begin(), devices.end());
    byId.insert(byId.end(), devices.begin(), devices.end());
    return byId;
}

} // namespace panelcore
