#pragma once

#include <cstdint>
#include <string>

#include "drivers/common/lcd_panel.h"
#include "plugin/api/glancer_plugin.h"

namespace glancer {
class DeclaredSettings;
}

namespace vdisplay {

using panelcore::Geometry;

// The driver's settings, kept through the program's services in the
// section "VirtualDisplay". Read when the driver starts; a value that is
// missing or out of range reads as its default.
struct Settings {
    Geometry geometry;                    // XPixels, YPixels, XChars, YChars
    std::uint32_t litColour = 0x1E2814;   // LitColour, text "RRGGBB"
    std::uint32_t unlitColour = 0x9CBC3C; // UnlitColour, text "RRGGBB"
    std::uint32_t scale = 4;              // Scale: window pixels per panel pixel (Windows)
    std::int32_t windowX = -1;            // WindowX, WindowY: last window position; -1 lets Windows choose
    std::int32_t windowY = -1;
    std::string snapshot;                  // Snapshot: a ".png" or ".pbm" file kept up to date; empty: none
    std::string output;                    // Output: where the terminal view draws (POSIX); empty: standard output
    bool border = true;                    // Border: 1 draws a thin box around the panel in the terminal, 0 none
    std::uint32_t snapshotInterval = 1000; // SnapshotInterval: ms at least between two writes of Snapshot
};

// Limits of each geometry value; values outside are refused.
constexpr std::uint32_t kMaxPixels = 1024; // per side
constexpr std::uint32_t kMaxChars = 256;   // per side
constexpr std::uint32_t kMaxScale = 16;
constexpr std::uint32_t kMaxSnapshotInterval = 3600000; // an hour

extern const char kSettingsSection[]; // "VirtualDisplay"

// What ReadSettings reads and the driver's Configure asks for.
extern const glancer::DeclaredSettings kSettings;

// Safe with a null services pointer (defaults).
Settings ReadSettings(CoreServices* services);

// "RRGGBB" <-> 0xRRGGBB; false for anything else.
bool ParseColour(const char* text, std::uint32_t& colour);
std::string FormatColour(std::uint32_t colour);
// A declared colour setting's check: null for "RRGGBB", else what is wanted.
const char* CheckColour(const std::string& text);

} // namespace vdisplay
