#include "drivers/i2c-lcd/pcf8574.h"

namespace i2clcd {

const std::array<Wiring, 2> kWirings = {{
    {"common", 0x01, 0x02, 0x04, 0x08, {0x10, 0x20, 0x40, 0x80}, false},
    {"mjkdz", 0x40, 0x20, 0x10, 0x80, {0x01, 0x02, 0x04, 0x08}, true},
}};

void Pcf8574::Nibble(std::uint8_t nibble, bool data)
{
    std::uint8_t base = light_ | (data ? wiring_.rs : 0);
    for (std::uint32_t bit = 0; bit < 4; ++bit)
        if ((nibble >> bit & 1) != 0)
            base |= wiring_.data[bit];
    const auto enabled = static_cast<std::uint8_t>(base | wiring_.enable);
    // RS must settle before E rises; the data lines latch as E falls.
    if (lastRs_ != (data ? 1 : 0)) {
        sink_.Put(&base, 1);
        lastRs_ = data ? 1 : 0;
    }
    const std::uint8_t pulse[] = {enabled, base};
    sink_.Put(pulse, sizeof pulse);
}

void Pcf8574::Rest()
{
    sink_.Put(&light_, 1);
    lastRs_ = 0;
}

} // namespace i2clcd
