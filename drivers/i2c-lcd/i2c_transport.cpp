#include "drivers/i2c-lcd/i2c_transport.h"

#include <cstdio>

namespace i2clcd {

bool I2cTransport::Open(std::string& reason)
{
    if (!device_.Open(bus_, address_, reason))
        return false;
    // Backlight on, E low: harmless to the panel, and it must be acknowledged.
    const std::uint8_t idle = 0x08;
    if (!device_.Write(&idle, 1)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", address_);
        reason = std::string("has no device answering at ") + hex + " (try 0x27 or 0x3F; check the wiring)";
        device_.Close();
        return false;
    }
    return true;
}

charpanel::Transport::Sent I2cTransport::Send(const std::uint8_t* bytes, std::size_t count)
{
    return device_.IsOpen() && device_.Write(bytes, count) ? Sent::All : Sent::Lost;
}

} // namespace i2clcd
