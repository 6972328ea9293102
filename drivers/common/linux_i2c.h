#pragma once

// One device on a Linux I2C bus through /dev/i2c-N (the i2c-dev module):
// for drivers of I2C panels. Plain writes only; each Write is one I2C
// transaction to the device's address.
#include <cstddef>
#include <cstdint>
#include <string>

namespace glancer {
struct Setting;
}

namespace glancer_i2c {

// The settings Bus (the N of /dev/i2c-N; the buses present are offered) and
// Address (7-bit, asked in hexadecimal as datasheets and i2cdetect write it)
// of an I2C panel, for a driver's declared list.
glancer::Setting BusSetting(std::uint32_t fallback);
glancer::Setting AddressSetting(const char* prompt, std::uint32_t fallback);

class LinuxI2c {
public:
    LinuxI2c() = default;
    ~LinuxI2c() { Close(); }
    LinuxI2c(const LinuxI2c&) = delete;
    LinuxI2c& operator=(const LinuxI2c&) = delete;

    // Opens /dev/i2c-<bus> for the 7-bit `address`. False with a reason for
    // the log ("does not exist", "address 0x27 is in use by a kernel driver").
    bool Open(std::uint32_t bus, std::uint32_t address, std::string& reason);
    // False on any error (errno kept): a device that does not answer, a bus
    // that went away.
    bool Write(const std::uint8_t* bytes, std::size_t count);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    static std::string Path(std::uint32_t bus) { return "/dev/i2c-" + std::to_string(bus); }

private:
    int fd_ = -1;
};

} // namespace glancer_i2c
