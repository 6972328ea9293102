#pragma once

// What an HD44780 module behind a PCF8574 shows, rebuilt from the expander
// bytes as the datasheets describe it: a nibble latches on E's falling
// edge, RS must already be set when E rises, the backlight follows its pin.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Which expander bit drives which line.
struct Pins {
    std::uint8_t rs, rw, enable, backlight;
    std::uint8_t data[4]; // D4..D7
    bool backlightLow;
};

constexpr Pins kCommonPins{0x01, 0x02, 0x04, 0x08, {0x10, 0x20, 0x40, 0x80}, false};
constexpr Pins kMjkdzPins{0x40, 0x20, 0x10, 0x80, {0x01, 0x02, 0x04, 0x08}, true};

class Hd44780Emulator {
public:
    explicit Hd44780Emulator(Pins pins = kCommonPins) : pins_(pins)
    {
        std::fill(std::begin(ddram), std::end(ddram), ' ');
    }

    void Write(const std::uint8_t* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t byte = bytes[i];
            const bool e = (byte & pins_.enable) != 0, wasE = (last_ & pins_.enable) != 0;
            if (e && !wasE && (byte & pins_.rs) != (last_ & pins_.rs))
                errors.push_back("RS changed as E rose");
            if ((byte & pins_.rw) != 0)
                errors.push_back("RW high");
            if (wasE && !e)
                Latch(Nibble(last_), (last_ & pins_.rs) != 0);
            last_ = byte;
            backlight = ((byte & pins_.backlight) != 0) != pins_.backlightLow;
            litEver |= backlight;
        }
    }
    // The characters at display addresses from `start`.
    std::string At(std::uint32_t start, std::uint32_t count) const
    {
        return std::string(ddram + start, ddram + start + count);
    }
    std::string Row(std::uint32_t row, std::uint32_t columns) const
    {
        return At((row & 1) * 0x40 + (row >> 1) * columns, columns);
    }
    std::uint64_t Glyph(std::uint32_t slot) const
    {
        std::uint64_t pattern = 0;
        for (std::uint32_t row = 0; row < 8; ++row)
            pattern |= std::uint64_t{cgram[slot * 8 + row]} << (5 * row);
        return pattern;
    }

    bool eightBit = true, twoLines = false, displayOn = false, cursorOrBlink = true;
    bool backlight = false, litEver = false;
    std::vector<std::string> errors;
    char ddram[128] = {};
    std::uint8_t cgram[64] = {};

private:
    std::uint8_t Nibble(std::uint8_t byte) const
    {
        std::uint8_t nibble = 0;
        for (int bit = 0; bit < 4; ++bit)
            if ((byte & pins_.data[bit]) != 0)
                nibble |= static_cast<std::uint8_t>(1 << bit);
        return nibble;
    }
    void Latch(std::uint8_t nibble, bool data)
    {
        if (eightBit)
            return Execute(static_cast<std::uint8_t>(nibble << 4), false);
        if (!haveHigh_) {
            high_ = nibble;
            haveHigh_ = true;
            return;
        }
        haveHigh_ = false;
        Execute(static_cast<std::uint8_t>(high_ << 4 | nibble), data);
    }
    void Execute(std::uint8_t value, bool data)
    {
        if (data) {
            if (inCgram_)
                cgram[address_++ & 63] = value & 0x1F;
            else
                ddram[address_++ & 0x7F] = static_cast<char>(value);
        } else if (value & 0x80) {
            inCgram_ = false, address_ = value & 0x7F;
        } else if (value & 0x40) {
            inCgram_ = true, address_ = value & 0x3F;
        } else if (value & 0x20) {
            eightBit = (value & 0x10) != 0, twoLines = (value & 0x08) != 0, haveHigh_ = false;
        } else if (value & 0x08) {
            displayOn = (value & 0x04) != 0, cursorOrBlink = (value & 0x03) != 0;
        } else if (value == 0x01) {
            std::fill(std::begin(ddram), std::end(ddram), ' ');
            address_ = 0, inCgram_ = false;
        }
    }

    Pins pins_;
    std::uint8_t last_ = 0, high_ = 0, address_ = 0;
    bool haveHigh_ = false, inCgram_ = false;
};
