#include "drivers/charpanel/terminal_questions.h"
#include "drivers/virtual/virtual_settings.h"
#include "drivers/web-panel/web_settings.h"
#include "plugin/api/glancer_plugin.hpp"

// `glancer configure-driver "Web panel"`: each value in turn, kept on an
// empty answer.
namespace webpanel {

bool Configure()
{
    const glancer::Settings stored(kSettingsSection, kName);
    using charpanel::AskNumber;
    using charpanel::AskText;
    const Settings defaults;
    (void)(AskText(stored, "Address", "Address to listen on (127.0.0.1: this computer only)",
                   defaults.address.c_str()) &&
           AskNumber(stored, "Port", "Port", defaults.port, 0, 65535) &&
           AskNumber(stored, "XPixels", "Width in pixels", defaults.geometry.xPixels, 1, kMaxPixels) &&
           AskNumber(stored, "YPixels", "Height in pixels", defaults.geometry.yPixels, 1, kMaxPixels) &&
           AskNumber(stored, "XChars", "Text columns", defaults.geometry.xChars, 1, kMaxChars) &&
           AskNumber(stored, "YChars", "Text rows", defaults.geometry.yChars, 1, kMaxChars) &&
           AskText(stored, "LitColour", "Lit colour (RRGGBB)", vdisplay::FormatColour(defaults.litColour).c_str()) &&
           AskText(stored, "UnlitColour", "Unlit colour (RRGGBB)",
                   vdisplay::FormatColour(defaults.unlitColour).c_str()) &&
           AskNumber(stored, "Scale", "Browser pixels per panel pixel (0 fits the window)", defaults.scale, 0,
                     kMaxScale));
    return true;
}

} // namespace webpanel
