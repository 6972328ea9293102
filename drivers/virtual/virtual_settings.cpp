#include "drivers/virtual/virtual_settings.h"

#include <cstdio>
#include <limits>

#include "plugin/api/glancer_settings.hpp"

namespace vdisplay {

const char kSettingsSection[] = "VirtualDisplay";

namespace {

std::int32_t ReadPosition(const glancer::Settings& stored, const char* name, std::int32_t fallback)
{
    // Stored as the registry's unsigned DWORD; the integer reads back signed.
    return static_cast<std::int32_t>(stored.Number(name, fallback, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()));
}

} // namespace

// The window's place (WindowX, WindowY) is kept by the window, not asked.
const glancer::DeclaredSettings kSettings(kSettingsSection, "Virtual display", {
    glancer::setting::Number("XPixels", "Pixel width", Geometry{}.xPixels, 1, kMaxPixels),
    glancer::setting::Number("YPixels", "Pixel height", Geometry{}.yPixels, 1, kMaxPixels),
    glancer::setting::Number("XChars", "Text columns", Geometry{}.xChars, 1, kMaxChars),
    glancer::setting::Number("YChars", "Text rows", Geometry{}.yChars, 1, kMaxChars),
    glancer::setting::Text("LitColour", "Lit colour, RRGGBB", "1E2814").Checked(CheckColour),
    glancer::setting::Text("UnlitColour", "Unlit colour, RRGGBB", "9CBC3C").Checked(CheckColour),
    glancer::setting::Number("Scale", "Window pixels per panel pixel (Windows)", 4, 1, kMaxScale),
    glancer::setting::Path("Snapshot", "Snapshot file kept up to date, .png or .pbm; empty for none", ""),
    glancer::setting::Number("SnapshotInterval", "Milliseconds at least between two snapshots", 1000, 0,
                             kMaxSnapshotInterval),
    glancer::setting::Path("Output", "Terminal the view draws on (Linux); empty for this one", ""),
    glancer::setting::Number("Border", "Box around the panel on the terminal; 1 yes, 0 no", 1, 0, 1),
});

Settings ReadSettings(CoreServices* services)
{
    Settings settings;
    if (services == nullptr)
        return settings;
    const glancer::Settings stored(kSettingsSection, "Virtual display", services);
    const glancer::SettingValues values = kSettings.ReadFrom(stored);
    const auto number = [&](const char* name) { return static_cast<std::uint32_t>(values.Number(name)); };
    settings.geometry = Geometry{number("XPixels"), number("YPixels"), number("XChars"), number("YChars")};
    ParseColour(values.Text("LitColour").c_str(), settings.litColour);
    ParseColour(values.Text("UnlitColour").c_str(), settings.unlitColour);
    settings.scale = number("Scale");
    settings.windowX = ReadPosition(stored, "WindowX", settings.windowX);
    settings.windowY = ReadPosition(stored, "WindowY", settings.windowY);
    settings.snapshot = values.Text("Snapshot");
    settings.snapshotInterval = number("SnapshotInterval");
    settings.output = values.Text("Output");
    settings.border = values.Number("Border") != 0;
    return settings;
}

const char* CheckColour(const std::string& text)
{
    std::uint32_t colour = 0;
    return ParseColour(text.c_str(), colour) ? nullptr : "a colour RRGGBB";
}

bool ParseColour(const char* text, std::uint32_t& colour)
{
    if (text == nullptr)
        return false;
    std::uint32_t value = 0;
    for (int i = 0; i < 6; ++i) {
        const char c = text[i];
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return false; // also stops at the terminator of a short text
        value = value << 4 | digit;
    }
    if (text[6] != '\0')
        return false;
    colour = value;
    return true;
}

std::string FormatColour(std::uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour & 0xFFFFFFu));
    return text;
}

} // namespace vdisplay
