#include "drivers/web-panel/web_settings.h"

#include <optional>

#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace webpanel {

const char kName[] = "Web panel";
const char kSettingsSection[] = "WebPanel";

namespace {

void ReadRanged(const glancer::Settings& stored, const char* name, std::uint32_t low, std::uint32_t high,
                std::uint32_t& field)
{
    field = static_cast<std::uint32_t>(stored.Number(name, field, low, high));
}

void ReadColour(const glancer::Settings& stored, const char* name, std::uint32_t& field)
{
    // The same "RRGGBB" texts as the Virtual display, so both show one theme.
    const std::optional<std::string> text = stored.Text(name);
    if (text && !vdisplay::ParseColour(text->c_str(), field))
        glancer::Log(std::string(kName) + ": " + name + " \"" + *text + "\" is not a colour RRGGBB, using " +
                     vdisplay::FormatColour(field));
}

} // namespace

Settings ReadSettings(CoreServices* services)
{
    Settings settings;
    if (services == nullptr)
        return settings;
    const glancer::Settings stored(kSettingsSection, kName, services);
    settings.address = stored.Text("Address", settings.address);
    ReadRanged(stored, "Port", 0, 65535, settings.port);
    ReadRanged(stored, "XPixels", 1, kMaxPixels, settings.geometry.xPixels);
    ReadRanged(stored, "YPixels", 1, kMaxPixels, settings.geometry.yPixels);
    ReadRanged(stored, "XChars", 1, kMaxChars, settings.geometry.xChars);
    ReadRanged(stored, "YChars", 1, kMaxChars, settings.geometry.yChars);
    ReadColour(stored, "LitColour", settings.litColour);
    ReadColour(stored, "UnlitColour", settings.unlitColour);
    ReadRanged(stored, "Scale", 0, kMaxScale, settings.scale);
    return settings;
}

} // namespace webpanel
