#include "drivers/web-panel/web_settings.h"

#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_settings.hpp"

namespace webpanel {

const char kName[] = "Web panel";
const char kSettingsSection[] = "WebPanel";

const glancer::DeclaredSettings kSettings(kSettingsSection, kName, {
    glancer::setting::Text("Address", "Address to listen on; 127.0.0.1 this computer only", "127.0.0.1"),
    glancer::setting::Number("Port", "Port; 0 lets the system choose", 8086, 0, 65535),
    glancer::setting::Number("XPixels", "Width in pixels", Geometry{}.xPixels, 1, kMaxPixels),
    glancer::setting::Number("YPixels", "Height in pixels", Geometry{}.yPixels, 1, kMaxPixels),
    glancer::setting::Number("XChars", "Text columns", Geometry{}.xChars, 1, kMaxChars),
    glancer::setting::Number("YChars", "Text rows", Geometry{}.yChars, 1, kMaxChars),
    // The same texts as the Virtual display's, so both show one theme.
    glancer::setting::Text("LitColour", "Lit colour, RRGGBB", "1E2814").Checked(vdisplay::CheckColour),
    glancer::setting::Text("UnlitColour", "Unlit colour, RRGGBB", "9CBC3C").Checked(vdisplay::CheckColour),
    glancer::setting::Number("Scale", "Browser pixels per panel pixel; 0 fits the window", 0, 0, kMaxScale),
});

Settings ReadSettings(CoreServices* services)
{
    Settings settings;
    if (services == nullptr)
        return settings;
    const glancer::SettingValues values =
        kSettings.ReadFrom(glancer::Settings(kSettingsSection, kName, services));
    const auto number = [&](const char* name) { return static_cast<std::uint32_t>(values.Number(name)); };
    settings.address = values.Text("Address");
    settings.port = number("Port");
    settings.geometry = Geometry{number("XPixels"), number("YPixels"), number("XChars"), number("YChars")};
    vdisplay::ParseColour(values.Text("LitColour").c_str(), settings.litColour);
    vdisplay::ParseColour(values.Text("UnlitColour").c_str(), settings.unlitColour);
    settings.scale = number("Scale");
    return settings;
}

} // namespace webpanel
