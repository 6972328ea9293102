#pragma once

// An HD44780 behind a PCF8574 port expander: every expander byte sets its
// eight pins at once. Which pin drives which line differs between
// backpacks, so the pin map is data.
#include <array>
#include <cstdint>

#include "drivers/charpanel/device.h"
#include "drivers/i2c-lcd/hd44780.h"

namespace i2clcd {

struct Wiring {
    const char* name; // the Wiring setting
    std::uint8_t rs, rw, enable, backlight;
    std::array<std::uint8_t, 4> data; // D4..D7
    bool backlightLow;                // the backpack's usual polarity: lit by a low pin
};

// "common": P0 RS, P1 RW, P2 E, P3 backlight, P4..P7 D4..D7, the usual
// blue backpack. "mjkdz": P0..P3 D4..D7, P4 E, P5 RW, P6 RS, P7 backlight
// lit when low.
extern const std::array<Wiring, 2> kWirings;

// The byte of the lines at rest (E low), the backlight as set.
constexpr std::uint8_t RestByte(const Wiring& wiring, bool backlight, bool backlightLow)
{
    return backlight != backlightLow ? wiring.backlight : 0;
}

class Pcf8574 : public Bus {
public:
    Pcf8574(charpanel::ByteSink& sink, const Wiring& wiring, bool backlight, bool backlightLow)
        : sink_(sink), wiring_(wiring), light_(RestByte(wiring, backlight, backlightLow))
    {
    }

    void Nibble(std::uint8_t nibble, bool data) override;
    void Rest() override;
    void Wait(std::uint32_t microseconds) override { sink_.Wait(microseconds); }

private:
    charpanel::ByteSink& sink_;
    const Wiring& wiring_;
    const std::uint8_t light_;
    int lastRs_ = -1; // RS as the last byte left it; -1 unknown
};

} // namespace i2clcd
