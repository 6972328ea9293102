#include "drivers/common/linux_i2c.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "plugin/api/glancer_settings.hpp"

namespace glancer_i2c {

namespace {

std::vector<glancer::Offer> FoundBuses()
{
    std::vector<glancer::Offer> buses;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("i2c-", 0) == 0)
            buses.push_back({name.substr(4), entry.path().string()});
    }
    std::sort(buses.begin(), buses.end(), [](const glancer::Offer& a, const glancer::Offer& b) {
        return a.value.size() != b.value.size() ? a.value.size() < b.value.size() : a.value < b.value;
    });
    return buses;
}

} // namespace

glancer::Setting BusSetting(std::uint32_t fallback)
{
    return glancer::setting::Number("Bus", "Bus, the N of /dev/i2c-N", fallback, 0, 255).Offering(FoundBuses);
}

glancer::Setting AddressSetting(const char* prompt, std::uint32_t fallback)
{
    return glancer::setting::HexNumber("Address", prompt, fallback, 0x03, 0x77);
}

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
