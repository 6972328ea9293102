#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace oled {

// The bytes to one device on an I2C bus. The driver speaks through this
// seam only, so tests hand in a link that decodes instead of sending.
// `error` gets a sentence for the log ("cannot open /dev/i2c-1 (...)").
class I2cLink {
public:
    virtual ~I2cLink() = default;
    virtual bool Open(std::string& error) = 0;
    // One bus transaction; false when the device does not acknowledge.
    virtual bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) = 0;
    virtual void Close() = 0;
};

// The Linux i2c-dev device /dev/i2c-<bus>, talking to `address`.
std::unique_ptr<I2cLink> MakeI2cDevice(std::uint32_t bus, std::uint32_t address);

} // namespace oled
