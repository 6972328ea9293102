#include <cerrno>
#include <cstdio>
#include <cstring>

#include "drivers/common/linux_i2c.h"
#include "drivers/oled/i2c_link.h"

namespace oled {

namespace {

class I2cDevice : public I2cLink {
public:
    I2cDevice(std::uint32_t bus, std::uint32_t address) : bus_(bus), address_(address) {}

    bool Open(std::string& error) override
    {
        if (device_.Open(bus_, address_, error))
            return true;
        error = glancer_i2c::LinuxI2c::Path(bus_) + " " + error;
        return false;
    }

    bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) override
    {
        if (device_.Write(bytes, size))
            return true;
        // No acknowledge (wrong address, module unplugged) reads as EREMOTEIO or ENXIO.
        char address[8];
        std::snprintf(address, sizeof address, "0x%02X", static_cast<unsigned>(address_));
        error = std::string("no answer from ") + address + " on " + glancer_i2c::LinuxI2c::Path(bus_) + " (" +
                std::strerror(errno) + ")";
        return false;
    }

    void Close() override { device_.Close(); }

private:
    glancer_i2c::LinuxI2c device_;
    std::uint32_t bus_;
    std::uint32_t address_;
};

} // namespace

std::unique_ptr<I2cLink> MakeI2cDevice(std::uint32_t bus, std::uint32_t address)
{
    return std::make_unique<I2cDevice>(bus, address);
}

} // namespace oled
