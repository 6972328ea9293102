#pragma once

#include <cstdint>
#include <string>

#include "drivers/charpanel/panel_link.h"
#include "drivers/common/linux_i2c.h"

namespace i2clcd {

// The backpack on /dev/i2c-<bus> at `address`. Opening checks that a device
// answers there; a write it does not acknowledge counts as lost.
class I2cTransport : public charpanel::Transport {
public:
    I2cTransport(std::uint32_t bus, std::uint32_t address) : bus_(bus), address_(address) {}

    bool Open(std::string& reason) override;
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    void Close() override { device_.Close(); }

private:
    std::uint32_t bus_;
    std::uint32_t address_;
    glancer_i2c::LinuxI2c device_;
};

} // namespace i2clcd
