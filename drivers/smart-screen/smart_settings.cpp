#include "drivers/smart-screen/smart_settings.h"

#include <cstdio>

#include "drivers/charpanel/terminal_questions.h"
#include "drivers/smart-screen/usb_screens.h"
#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace smartscreen {

const char kName[] = "Smart screen";
const char kSection[] = "SmartScreen";

namespace {

void ReadColour(const glancer::Settings& stored, const char* name, std::uint32_t& field)
{
    const std::optional<std::string> text = stored.Text(name);
    if (text && !vdisplay::ParseColour(text->c_str(), field))
        glancer::Log(std::string(kName) + ": " + name + " \"" + *text + "\" is not a colour RRGGBB, using " +
                     vdisplay::FormatColour(field));
}

} // namespace

SmartSettings ReadSmartSettings(const glancer::Settings& stored)
{
    SmartSettings settings;
    settings.port = stored.Text("Port", settings.port);
    if (settings.port.empty())
        settings.port = "auto";
    const std::string revision = stored.Text("Revision", "auto");
    if (revision != "auto" && !revision.empty()) {
        settings.revision = ParseRevision(revision);
        if (!settings.revision)
            glancer::Log(std::string(kName) + ": Revision \"" + revision +
                         "\" is not one of A, B, D, WeAct, auto; using auto");
    }
    const std::int64_t orientation = stored.Number("Orientation", 0, 0, 270);
    if (orientation % 90 == 0)
        settings.orientation = static_cast<std::uint32_t>(orientation);
    else
        glancer::Log(std::string(kName) + ": Orientation " + std::to_string(orientation) +
                     " is not one of 0, 90, 180, 270; using 0");
    settings.scale = static_cast<std::uint32_t>(stored.Number("Scale", 0, 0, 64));
    ReadColour(stored, "LitColour", settings.litColour);
    ReadColour(stored, "UnlitColour", settings.unlitColour);
    settings.background = stored.Text("Background", "");
    settings.colourMap = stored.Text("ColourMap", "");
    settings.brightness = static_cast<std::uint32_t>(stored.Number("Brightness", settings.brightness, 0, 100));
    settings.offAtExit = stored.Number("OffAtExit", 1, 0, 1) != 0;
    return settings;
}

void AskSmartSettings(const glancer::Settings& stored)
{
    const std::vector<FoundScreen> screens = FindScreens();
    std::printf("Smart screens found:%s\n", screens.empty() ? " none" : "");
    for (const FoundScreen& screen : screens)
        std::printf("  %s  %s (revision %s)\n", screen.port.c_str(), screen.name.c_str(),
                    screen.revision ? RevisionName(*screen.revision) : "?");
    const bool answered = charpanel::AskText(stored, "Port", "Port (auto finds the screen)",
                                             screens.empty() ? "auto" : screens.front().port.c_str()) &&
                          charpanel::AskText(stored, "Revision", "Revision (A, B, D, WeAct, auto)", "auto") &&
                          charpanel::AskNumber(stored, "Orientation", "Orientation (0, 90, 180, 270)", 0, 0, 270) &&
                          charpanel::AskNumber(stored, "Scale", "Scale (0: the largest that fits)", 0, 0, 64) &&
                          charpanel::AskText(stored, "LitColour", "Lit colour (RRGGBB)", "FFFFFF") &&
                          charpanel::AskText(stored, "UnlitColour", "Unlit colour (RRGGBB)", "000000") &&
                          charpanel::AskText(stored, "Background", "Background picture (PNG, empty for none)", "") &&
                          charpanel::AskText(stored, "ColourMap", "Colour map picture (PNG, empty for none)", "") &&
                          charpanel::AskNumber(stored, "Brightness", "Brightness (0..100 %)", 50, 0, 100) &&
                          charpanel::AskNumber(stored, "OffAtExit", "Screen off at exit (1 yes, 0 no)", 1, 0, 1);
    (void)answered; // what was answered is stored; the rest stays as it was
}

} // namespace smartscreen
