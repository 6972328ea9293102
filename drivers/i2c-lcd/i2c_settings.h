#pragma once

#include <cstdint>

#include "drivers/charpanel/char_panel.h"
#include "drivers/i2c-lcd/pcf8574.h"

namespace glancer {
class DeclaredSettings;
class Settings;
}

namespace i2clcd {

extern const char kName[];    // "I2C LCD"
extern const char kSection[]; // "I2CLCD"

// Section I2CLCD: Bus (the N of /dev/i2c-N), Address (7-bit; an integer,
// or text in decimal or "0x27"), Columns, Rows, Backlight (0/1), Wiring
// ("common" or "mjkdz", see kWirings), BacklightPolarity ("high" or "low":
// the pin level that lights it; "usual" or missing: the wiring's usual),
// Charset (A00 or A02).
extern const glancer::DeclaredSettings kSettings;

struct I2cSettings {
    std::uint32_t bus = 1;
    std::uint32_t address = 0x27;
    charpanel::Geometry geometry;
    bool backlight = true;
    const Wiring* wiring = &kWirings[0];
    bool backlightLow = false;
    charpanel::Charset charset = charpanel::Charset::A00;
};

// Refused values are logged and read as their default. One controller
// addresses 80 characters: larger panels (40 x 4) read as 20 x 4.
I2cSettings ReadI2cSettings(const glancer::Settings& stored);

} // namespace i2clcd
