#pragma once

#include <cstdint>
#include <string>

#include "drivers/charpanel/char_panel.h"
#include "drivers/serial-lcd/matrix_orbital.h"

namespace glancer {
class DeclaredSettings;
class Settings;
}

namespace seriallcd {

extern const char kName[];    // "Serial LCD"
extern const char kSection[]; // "SerialLCD"

// Section SerialLCD: Port (text), Baud, Columns, Rows, Backlight (0/1),
// Contrast and Brightness (0..255; -1 or missing: the module's own),
// Charset (A00 or A02, the module's character ROM).
extern const glancer::DeclaredSettings kSettings;

struct SerialSettings {
    std::string port;
    std::uint32_t baud = 19200;
    charpanel::Geometry geometry;
    MatrixOrbital::Options options;
};

// Refused values are logged and read as their default.
SerialSettings ReadSerialSettings(const glancer::Settings& stored);

} // namespace seriallcd
