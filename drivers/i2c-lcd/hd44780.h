#pragma once

// The HD44780 instruction set in 4-bit mode, apart from how its pins are
// reached: a Bus sets RS and the data lines and pulses E.
#include <cstdint>
#include <memory>

#include "drivers/charpanel/char_panel.h"
#include "drivers/charpanel/device.h"

namespace i2clcd {

class Bus {
public:
    virtual ~Bus() = default;
    // Presents `nibble` on D4..D7 with RS (`data`) and latches it with E.
    virtual void Nibble(std::uint8_t nibble, bool data) = 0;
    // The lines at rest: E low.
    virtual void Rest() = 0;
    virtual void Wait(std::uint32_t microseconds) = 0;
};

class Hd44780 : public charpanel::Device {
public:
    Hd44780(std::unique_ptr<Bus> bus, charpanel::Geometry geometry, charpanel::Charset charset)
        : owned_(std::move(bus)), bus_(*owned_), geometry_(geometry)
    {
        SetCharset(charset);
    }

    void Init() override;
    void Clear() override;
    void MoveTo(std::uint32_t column, std::uint32_t row) override;
    void Write(const std::uint8_t* codes, std::size_t count) override;
    void DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern) override;

private:
    void Byte(std::uint8_t value, bool data);
    // A 16 x 1 module is wired as two 8-character halves, the right one at
    // the second line's addresses.
    bool SplitLine() const { return geometry_.columns == 16 && geometry_.rows == 1; }

    std::unique_ptr<Bus> owned_;
    Bus& bus_;
    charpanel::Geometry geometry_;
    std::uint32_t column_ = 0; // where the cursor is, after MoveTo
};

} // namespace i2clcd
