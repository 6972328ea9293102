#include "drivers/common/i2c_transport.h"

#include <cstdio>

namespace panelcore {

bool I2cTransport::Open(std::string& reason)
{
    if (!device_.Open(bus_, address_, reason))
        return false;
    if (!probe_.empty() && !device_.Write(probe_.data(), probe_.size())) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", address_);
        reason = std::string("has no device answering at ") + hex + " (check the Address and the wiring)";
        device_.Close();
        return false;
    }
    return true;
}

Transport::Sent I2cTransport::Send(const std::uint8_t* bytes, std::size_t count)
{
    return device_.IsOpen() && device_.Write(bytes, count) ? Sent::All : Sent::Lost;
}

} // namespace panelcore
