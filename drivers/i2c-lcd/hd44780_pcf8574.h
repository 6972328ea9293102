#pragma once

#include <cstdint>

#include "drivers/charpanel/device.h"

namespace i2clcd {

// An HD44780 in 4-bit mode behind a PCF8574 port expander, wired as on the
// common backpack: P0 RS, P1 RW, P2 E, P3 backlight, P4..P7 D4..D7. Each
// nibble is two expander bytes (E high, then E low: the falling edge
// latches it), so each instruction or character is four.
class Hd44780Pcf8574 : public charpanel::Device {
public:
    Hd44780Pcf8574(charpanel::ByteSink& sink, std::uint32_t columns, bool backlight)
        : sink_(sink), columns_(columns), backlight_(backlight)
    {
    }

    void Init() override;
    void Clear() override;
    void MoveTo(std::uint32_t column, std::uint32_t row) override;
    void Write(const std::uint8_t* codes, std::size_t count) override;
    void DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern) override;

private:
    void Nibble(std::uint8_t nibble, bool data);
    void Byte(std::uint8_t value, bool data);

    charpanel::ByteSink& sink_;
    std::uint32_t columns_;
    bool backlight_;
};

} // namespace i2clcd
