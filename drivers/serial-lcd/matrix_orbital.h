#pragma once

#include <cstdint>

#include "drivers/charpanel/device.h"

namespace seriallcd {

// The command set of Matrix Orbital serial LCDs, which most USB and serial
// LCD backpacks understand: text bytes are shown, 0xFE starts a command.
class MatrixOrbital : public charpanel::Device {
public:
    struct Options {
        bool backlight = true;
        int contrast = -1;   // 0..255; -1 leaves the module's own
        int brightness = -1; // 0..255; -1 leaves the module's own
        charpanel::Charset charset = charpanel::Charset::A00;
    };

    MatrixOrbital(charpanel::ByteSink& sink, Options options) : sink_(sink), options_(options)
    {
        SetCharset(options.charset);
    }

    void Listening() override { listening_ = true; }
    void Init() override;
    void Clear() override;
    void MoveTo(std::uint32_t column, std::uint32_t row) override;
    void Write(const std::uint8_t* codes, std::size_t count) override;
    void DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern) override;
    std::uint32_t MoveCost() const override { return 4; }

private:
    void Command(std::uint8_t code);
    void Command(std::uint8_t code, std::uint8_t argument);

    charpanel::ByteSink& sink_;
    Options options_;
    // Contrast and brightness go once per run, with the first set-up the
    // module surely hears (a resetting backpack misses the one at the open),
    // never at reconnects: some backpacks store them in EEPROM, which a
    // flapping cable would wear out.
    bool listening_ = false;
    bool settingsSent_ = false;
};

} // namespace seriallcd
