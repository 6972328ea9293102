#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drivers/common/linux_i2c.h"
#include "drivers/common/transport.h"

namespace panelcore {

// A device on /dev/i2c-<bus> at `address`; each Send is one bus write. A
// write the device does not acknowledge counts as lost. Opening writes
// `probe`, bytes harmless to the device, to check that one answers there.
class I2cTransport : public Transport {
public:
    I2cTransport(std::uint32_t bus, std::uint32_t address, std::vector<std::uint8_t> probe)
        : bus_(bus), address_(address), probe_(std::move(probe))
    {
    }

    bool Open(std::string& reason) override;
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    void Close() override { device_.Close(); }

private:
    std::uint32_t bus_;
    std::uint32_t address_;
    std::vector<std::uint8_t> probe_;
    glancer_i2c::LinuxI2c device_;
};

} // namespace panelcore
