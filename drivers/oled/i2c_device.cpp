#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "drivers/oled/i2c_link.h"

namespace oled {

namespace {

class I2cDevice : public I2cLink {
public:
    I2cDevice(std::uint32_t bus, std::uint32_t address) : path_("/dev/i2c-" + std::to_string(bus)), address_(address) {}
    ~I2cDevice() override { Close(); }

    bool Open(std::string& error) override
    {
        Close();
        fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) {
            error = "cannot open " + path_ + " (" + std::strerror(errno) + ")";
            return false;
        }
        if (::ioctl(fd_, I2C_SLAVE, static_cast<unsigned long>(address_)) < 0) {
            error = "cannot select address " + Hex() + " on " + path_ + " (" + std::strerror(errno) + ")";
            Close();
            return false;
        }
        return true;
    }

    bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) override
    {
        if (fd_ < 0) {
            error = path_ + " is not open";
            return false;
        }
        ssize_t written;
        do
            written = ::write(fd_, bytes, size);
        while (written < 0 && errno == EINTR);
        if (written == static_cast<ssize_t>(size))
            return true;
        // No acknowledge (wrong address, device unplugged) reads as EREMOTEIO or ENXIO.
        error = "no answer from " + Hex() + " on " + path_ + " (" +
                (written < 0 ? std::strerror(errno) : "short write") + ")";
        return false;
    }

    void Close() override
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    std::string Hex() const
    {
        char text[8];
        std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(address_));
        return text;
    }

    std::string path_;
    std::uint32_t address_;
    int fd_ = -1;
};

} // namespace

std::unique_ptr<I2cLink> MakeI2cDevice(std::uint32_t bus, std::uint32_t address)
{
    return std::make_unique<I2cDevice>(bus, address);
}

} // namespace oled
