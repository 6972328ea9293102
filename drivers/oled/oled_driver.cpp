// "I2C OLED": a small monochrome graphic OLED (SSD1306 or SH1106, 128 x 64
// or 128 x 32) on a Linux I2C bus, as wired to a Raspberry Pi. Text is drawn
// with the Virtual display's 5 x 7 font in 6 x 8 cells, over the pixels.
// Settings, section "OLED": see oled_settings.h.
#include <memory>

#include "drivers/oled/oled_panel.h"
#include "drivers/oled/oled_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "I2C OLED";

class OledDriver : public glancer::DisplayDriver {
public:
    ~OledDriver() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (panel != nullptr)
            return;
        const oled::Config& config = CurrentConfig();
        glancer::Log(std::string(kName) + ": " + oled::Describe(config));
        panel = std::make_unique<oled::OledPanel>(config, oled::MakeI2cDevice(config.bus, config.address),
                                                  glancer::Services());
        panel->Start();
    }

    void Shutdown() override
    {
        if (panel != nullptr)
            panel->Stop();
        panel.reset();
    }

    bool Configure() override
    {
        oled::AskConfig(glancer::Services());
        return true;
    }

    DisplayInfo GetDisplayInfo() override
    {
        const panelcore::Geometry geometry = oled::OledPanel::GeometryOf(CurrentConfig());
        return DisplayInfo{geometry.xPixels, geometry.yPixels, geometry.xChars, geometry.yChars};
    }

    void Clear() override
    {
        if (panel != nullptr)
            panel->Clear();
    }
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y) override
    {
        if (panel != nullptr)
            panel->WriteText(text, x, y);
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        if (panel != nullptr)
            panel->CopyRegion(frame, x, y, width, height);
    }

private:
    const oled::Config& CurrentConfig()
    {
        if (!config)
            config = oled::ReadConfig(glancer::Services());
        return *config;
    }

    std::optional<oled::Config> config;
    std::unique_ptr<oled::OledPanel> panel;
};

const glancer::About kAbout{kName,
                            {"Display driver: SSD1306 and SH1106 graphic OLEDs on Linux I2C",
                             "128 x 64 or 128 x 32 pixels through /dev/i2c-N",
                             "Text in the Virtual display's 5 x 7 font", "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, OledDriver)
