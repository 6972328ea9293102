#include "drivers/common/linux_i2c.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace glancer_i2c {

bool LinuxI2c::Open(std::uint32_t bus, std::uint32_t address, std::string& reason)
{
    Close();
    const int fd = open(Path(bus).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        reason = errno == ENOENT   ? "does not exist (is I2C enabled, and the module i2c-dev loaded?)"
                 : errno == EACCES ? "may not be opened (is the user in the group i2c?)"
                                   : std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", address);
    if (ioctl(fd, I2C_SLAVE, static_cast<unsigned long>(address)) != 0) {
        const int error = errno;
        reason = error == EBUSY    ? std::string("address ") + hex + " is in use by a kernel driver"
                 : error == ENOTTY ? "is not an I2C bus"
                                   : std::string("refuses address ") + hex + ": " + std::strerror(error);
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool LinuxI2c::Write(const std::uint8_t* bytes, std::size_t count)
{
    // i2c-dev takes at most 8192 bytes per transaction.
    constexpr std::size_t kChunk = 4096;
    while (count > 0) {
        const std::size_t part = count < kChunk ? count : kChunk;
        const ssize_t written = write(fd_, bytes, part);
        if (written != static_cast<ssize_t>(part))
            return false;
        bytes += part;
        count -= part;
    }
    return true;
}

void LinuxI2c::Close()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

} // namespace glancer_i2c
