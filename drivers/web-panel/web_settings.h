#pragma once

#include <cstdint>
#include <string>

#include "drivers/common/lcd_panel.h"
#include "plugin/api/glancer_plugin.h"

namespace glancer {
class DeclaredSettings;
}

namespace webpanel {

using panelcore::Geometry;

// The driver's settings, section "WebPanel". Read when the driver starts;
// a value that is missing or out of range reads as its default.
struct Settings {
    std::string address = "127.0.0.1";   // Address: where the server listens
    std::uint32_t port = 8086;           // Port; 0 lets the system choose (logged)
    Geometry geometry;                   // XPixels, YPixels, XChars, YChars
    std::uint32_t litColour = 0x1E2814;  // LitColour, text "RRGGBB"
    std::uint32_t unlitColour = 0x9CBC3C; // UnlitColour, text "RRGGBB"
    std::uint32_t scale = 0;             // Scale: CSS pixels per panel pixel; 0 fits the window
};

constexpr std::uint32_t kMaxPixels = 1024; // per side
constexpr std::uint32_t kMaxChars = 256;   // per side
constexpr std::uint32_t kMaxScale = 64;

extern const char kName[];            // "Web panel"
extern const char kSettingsSection[]; // "WebPanel"

// What ReadSettings reads and the driver's Configure asks for.
extern const glancer::DeclaredSettings kSettings;

// Safe with a null services pointer (defaults).
Settings ReadSettings(CoreServices* services);

} // namespace webpanel
