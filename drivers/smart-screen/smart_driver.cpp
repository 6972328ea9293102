// "Smart screen": a colour USB IPS screen that shows up as a serial port.
// Settings, section "SmartScreen": see smart_settings.h.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drivers/common/panel_driver.h"
#include "drivers/common/serial_port.h"
#include "drivers/smart-screen/picture_file.h"
#include "drivers/smart-screen/smart_model.h"
#include "drivers/smart-screen/smart_settings.h"
#include "drivers/smart-screen/usb_screens.h"
#include "drivers/smart-screen/watched_port.h"
#include "plugin/api/glancer_plugin.hpp"

namespace smartscreen {

bool ConfigureSmartScreen(const glancer::Settings& stored); // per platform

namespace {

constexpr std::uint32_t kBaud = 115200;
constexpr std::uint32_t kHelloWaitMs = 500;

void Log(const std::string& line)
{
    glancer::Log(std::string(kName) + ": " + line);
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

// Asks the screen what it is, where the revision allows: a UsbPCMonitor
// (revision A) answers with its size, the original Turing 3.5" not at all;
// revision B answers with its sub-revision. False, logged, when the port
// answers what no such screen says: another device, which must not be sent
// pictures.
bool Probe(ScreenSetup& setup, bool revisionKnown)
{
    panelcore::SerialPort port(setup.where, kBaud, true);
    std::string reason;
    if (!port.Open(reason))
        return true; // the back end logs it and keeps trying
    bool screen = true;
    const auto ask = [&](Revision revision) {
        Bytes hello;
        AppendHello(revision, hello);
        if (port.Send(hello.data(), hello.size()) != panelcore::Transport::Sent::All)
            return HelloAnswer();
        const std::vector<std::uint8_t> answer = ReadAnswer(port, HelloAnswerSize(revision), kHelloWaitMs);
        const HelloAnswer read = ReadHelloAnswer(revision, answer.data(), answer.size());
        if (!read.recognised && !answer.empty()) {
            Log(setup.where + " answers HELLO with " + Hex(answer) + ", which no revision " + RevisionName(revision) +
                " screen says; leaving it alone (is Port another device?)");
            screen = false;
        }
        return read;
    };
    if (setup.revision == Revision::A || !revisionKnown) {
        const HelloAnswer answer = ask(Revision::A);
        if (answer.recognised) {
            setup.revision = Revision::A;
            setup.width = answer.width;
            setup.height = answer.height;
            Log(setup.where + " is a " + answer.model);
        } else if (!revisionKnown && screen) {
            const HelloAnswer b = ask(Revision::B);
            setup.revision = b.recognised ? Revision::B : Revision::A;
            setup.fullBrightness = b.model != "A01" && b.model != "A02";
        }
    } else if (setup.revision == Revision::B) {
        const HelloAnswer b = ask(Revision::B);
        setup.fullBrightness = !b.recognised || (b.model != "A01" && b.model != "A02");
    }
    port.Close();
    return screen;
}

std::optional<Picture> Load(const char* setting, const std::string& path, const Layout& layout)
{
    if (path.empty())
        return std::nullopt;
    std::string note;
    std::optional<Picture> picture = LoadPicture(path, layout.screenWidth, layout.screenHeight, note);
    if (!note.empty())
        Log(std::string(setting) + " " + note + (picture ? "" : "; not used"));
    return picture;
}

class SmartScreenDriver : public panelcore::PanelDriver {
public:
    const char* Name() const override { return kName; }

    void Init() override
    {
        if (Started())
            return;
        const SmartSettings settings = ReadSmartSettings(glancer::Settings(kSection, kName));
        setup_.quarters = settings.orientation / 90;
        setup_.brightness = settings.brightness;
        setup_.offAtExit = settings.offAtExit;
        std::optional<Revision> revision = settings.revision;
        setup_.where = settings.port;
        if (settings.port == "auto") {
            const std::vector<FoundScreen> found = FindScreens();
            if (found.empty()) {
                Log("no screen found by its USB ids; plug one in, or set Port with Configure (Windows) or "
                    "glancer configure-driver \"Smart screen\"");
                Fit(settings.scale);
                return;
            }
            setup_.where = found.front().port;
            if (!revision)
                revision = found.front().revision;
        }
        if (revision)
            setup_.revision = *revision;
        const bool screen = Probe(setup_, revision.has_value());
        Fit(settings.scale);
        if (!screen)
            return; // the drawing calls go nowhere
        const Layout layout = setup_.ScreenLayout();
        Theme theme;
        theme.lit = settings.litColour;
        theme.unlit = settings.unlitColour;
        if (std::optional<Picture> picture = Load("Background", settings.background, layout))
            theme.background = std::move(*picture);
        if (std::optional<Picture> picture = Load("ColourMap", settings.colourMap, layout))
            theme.colourMap = std::move(*picture);
        const panelcore::Geometry geometry = setup_.PanelGeometry();
        Log(setup_.where + ": revision " + RevisionName(setup_.revision) + ", " + std::to_string(layout.screenWidth) +
            " x " + std::to_string(layout.screenHeight) + " at scale " + std::to_string(setup_.scale) + ", a " +
            std::to_string(geometry.xPixels) + " x " + std::to_string(geometry.yPixels) + " panel");
        auto port = std::make_unique<WatchedPort>(setup_.where, kBaud, true);
        WatchedPort& watched = *port;
        Start(std::move(port), std::make_unique<SmartModel>(setup_, theme, &watched), {kName, setup_.where});
        watched.SetWake([this] { return TryWake(); });
    }

    bool Configure() override { return ConfigureSmartScreen(glancer::Settings(kSection, kName)); }

    DisplayInfo GetDisplayInfo() override
    {
        const panelcore::Geometry geometry = setup_.PanelGeometry();
        return {geometry.xPixels, geometry.yPixels, geometry.xChars, geometry.yChars};
    }

private:
    // Scale 0, or one that leaves less than a text cell, is the largest
    // that fits the shipped screens.
    void Fit(std::uint32_t scale)
    {
        setup_.scale = 1;
        const Layout layout = setup_.ScreenLayout();
        const std::uint32_t largest = LargestScale(layout.screenWidth, layout.screenHeight);
        if (scale != 0 && (layout.screenWidth / scale < panelcore::kCellWidth ||
                           layout.screenHeight / scale < panelcore::kCellHeight)) {
            Log("Scale " + std::to_string(scale) + " is too large for a " + std::to_string(layout.screenWidth) + " x " +
                std::to_string(layout.screenHeight) + " screen; using " + std::to_string(largest));
            scale = 0;
        }
        setup_.scale = scale == 0 ? largest : scale;
    }

    ScreenSetup setup_;
};

const glancer::About kAbout{kName,
                            {"Display driver: a colour USB IPS smart screen (Turing, XuanFang, Kipye, WeAct)",
                             "Revisions A, B, D and WeAct; 3.5\" 320 x 480 and larger",
                             "Themes: lit and unlit colours, a background and a colour map",
                             "Version " GLANCER_PLUGIN_VERSION}};

} // namespace
} // namespace smartscreen

GLANCER_PLUGIN(smartscreen::kAbout, smartscreen::SmartScreenDriver)
