#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drivers/smart-screen/protocol.h"

namespace glancer {
class DeclaredSettings;
class Settings;
}

namespace smartscreen {

extern const char kName[];    // "Smart screen"
extern const char kSection[]; // "SmartScreen"

// Section SmartScreen. Refused values are logged and read as their default.
extern const glancer::DeclaredSettings kSettings;

struct SmartSettings {
    std::string port = "auto";        // Port: "COM5", "/dev/ttyACM0" or "auto"
    std::optional<Revision> revision; // Revision: A, B, D, WeAct; none for "auto"
    std::uint32_t orientation = 0;    // Orientation: 0, 90, 180, 270 (degrees clockwise)
    std::uint32_t scale = 0;          // Scale: 0 the largest that fits
    std::uint32_t litColour = 0xFFFFFF;
    std::uint32_t unlitColour = 0x000000;
    std::string background;        // Background: a PNG, or empty
    std::string colourMap;         // ColourMap: a PNG, or empty
    std::uint32_t brightness = 50; // Brightness: 0..100 %
    bool offAtExit = true;         // OffAtExit
};

SmartSettings ReadSmartSettings(const glancer::Settings& stored);

// Asks for every setting, the screens found offered for Port with their
// USB names: on the terminal (Linux), in a dialog (Windows).
bool ConfigureSmartScreen(const glancer::Settings& stored);

} // namespace smartscreen
