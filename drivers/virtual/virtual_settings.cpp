#include "drivers/virtual/virtual_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "plugin/api/glancer_plugin.hpp"

namespace vdisplay {

const char kSettingsSection[] = "VirtualDisplay";

namespace {

void ReadRanged(const glancer::Settings& stored, const char* name, std::uint32_t low, std::uint32_t high,
                std::uint32_t& field)
{
    field = static_cast<std::uint32_t>(stored.Number(name, field, low, high));
}

void ReadPosition(const glancer::Settings& stored, const char* name, std::int32_t& field)
{
    // Stored as the registry's unsigned DWORD; the integer reads back signed.
    field = static_cast<std::int32_t>(stored.Number(name, field, std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max()));
}

void ReadColour(const glancer::Settings& stored, CoreServices* services, const char* name, std::uint32_t& field)
{
    const std::optional<std::string> text = stored.Text(name);
    if (text && !ParseColour(text->c_str(), field))
        services->vtbl->Log(
            services,
            ("Virtual display: " + std::string(name) + " \"" + *text + "\" is not a colour RRGGBB, using " +
             FormatColour(field))
                .c_str());
}

} // namespace

Settings ReadSettings(CoreServices* services)
{
    Settings settings;
    if (services == nullptr)
        return settings;
    const glancer::Settings stored(kSettingsSection, "Virtual display", services);
    ReadRanged(stored, "XPixels", 1, kMaxPixels, settings.geometry.xPixels);
    ReadRanged(stored, "YPixels", 1, kMaxPixels, settings.geometry.yPixels);
    ReadRanged(stored, "XChars", 1, kMaxChars, settings.geometry.xChars);
    ReadRanged(stored, "YChars", 1, kMaxChars, settings.geometry.yChars);
    ReadColour(stored, services, "LitColour", settings.litColour);
    ReadColour(stored, services, "UnlitColour", settings.unlitColour);
    ReadRanged(stored, "Scale", 1, kMaxScale, settings.scale);
    ReadPosition(stored, "WindowX", settings.windowX);
    ReadPosition(stored, "WindowY", settings.windowY);
    settings.snapshot = stored.Text("Snapshot", settings.snapshot);
    ReadRanged(stored, "SnapshotInterval", 0, kMaxSnapshotInterval, settings.snapshotInterval);
    settings.output = stored.Text("Output", settings.output);
    std::uint32_t border = settings.border ? 1 : 0;
    ReadRanged(stored, "Border", 0, 1, border);
    settings.border = border != 0;
    return settings;
}

void WriteSettings(CoreServices* services, const Settings& settings)
{
    if (services == nullptr)
        return;
    const glancer::Settings stored(kSettingsSection, "Virtual display", services);
    stored.WriteNumber("XPixels", settings.geometry.xPixels);
    stored.WriteNumber("YPixels", settings.geometry.yPixels);
    stored.WriteNumber("XChars", settings.geometry.xChars);
    stored.WriteNumber("YChars", settings.geometry.yChars);
    stored.WriteText("LitColour", FormatColour(settings.litColour));
    stored.WriteText("UnlitColour", FormatColour(settings.unlitColour));
    stored.WriteNumber("Scale", settings.scale);
    stored.WriteNumber("WindowX", static_cast<std::uint32_t>(settings.windowX));
    stored.WriteNumber("WindowY", static_cast<std::uint32_t>(settings.windowY));
    stored.WriteText("Snapshot", settings.snapshot);
    stored.WriteNumber("SnapshotInterval", settings.snapshotInterval);
    stored.WriteText("Output", settings.output);
    stored.WriteNumber("Border", settings.border ? 1 : 0);
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
