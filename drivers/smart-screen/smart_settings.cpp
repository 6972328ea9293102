#include "drivers/smart-screen/smart_settings.h"

#include "drivers/smart-screen/usb_screens.h"
#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_settings.hpp"

namespace smartscreen {

const char kName[] = "Smart screen";
const char kSection[] = "SmartScreen";

namespace {

std::vector<glancer::Offer> FoundScreens()
{
    std::vector<glancer::Offer> offers;
    for (const FoundScreen& screen : FindScreens())
        offers.push_back({screen.port, screen.name + ", revision " +
                                           (screen.revision ? RevisionName(*screen.revision) : "?")});
    return offers;
}

} // namespace

const glancer::DeclaredSettings kSettings(kSection, kName, {
    glancer::setting::Text("Port", "Port; auto finds the screen", "auto").Offering(FoundScreens),
    glancer::setting::Choice("Revision", "Revision", "auto", "auto|A|B|D|WeAct"),
    glancer::setting::Number("Orientation", "Orientation, degrees clockwise", 0, 0, 270).Among("0|90|180|270"),
    glancer::setting::Number("Scale", "Scale; 0 the largest that fits", 0, 0, 64),
    glancer::setting::Text("LitColour", "Lit colour, RRGGBB", "FFFFFF").Checked(vdisplay::CheckColour),
    glancer::setting::Text("UnlitColour", "Unlit colour, RRGGBB", "000000").Checked(vdisplay::CheckColour),
    glancer::setting::Path("Background", "Background picture, PNG; empty for none", ""),
    glancer::setting::Path("ColourMap", "Colour map picture, PNG; empty for none", ""),
    glancer::setting::Number("Brightness", "Brightness, %", 50, 0, 100),
    glancer::setting::Number("OffAtExit", "Screen off at exit; 1 yes, 0 no", 1, 0, 1),
});

SmartSettings ReadSmartSettings(const glancer::Settings& stored)
{
    const glancer::SettingValues values = kSettings.ReadFrom(stored);
    SmartSettings settings;
    settings.port = values.Text("Port").empty() ? "auto" : values.Text("Port");
    if (values.Text("Revision") != "auto")
        settings.revision = ParseRevision(values.Text("Revision"));
    settings.orientation = static_cast<std::uint32_t>(values.Number("Orientation"));
    settings.scale = static_cast<std::uint32_t>(values.Number("Scale"));
    vdisplay::ParseColour(values.Text("LitColour").c_str(), settings.litColour);
    vdisplay::ParseColour(values.Text("UnlitColour").c_str(), settings.unlitColour);
    settings.background = values.Text("Background");
    settings.colourMap = values.Text("ColourMap");
    settings.brightness = static_cast<std::uint32_t>(values.Number("Brightness"));
    settings.offAtExit = values.Number("OffAtExit") != 0;
    return settings;
}

bool ConfigureSmartScreen(const glancer::Settings&)
{
    return kSettings.Configure(kName);
}

} // namespace smartscreen
