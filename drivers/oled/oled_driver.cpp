// "I2C OLED": a small monochrome graphic OLED (SSD1306 or SH1106, 128 x 64,
// 128 x 32 and the smaller SSD1306 sizes) on a Linux I2C bus, as wired to a
// Raspberry Pi. Text is drawn with the Virtual display's 5 x 7 font in
// 6 x 8 cells, over the pixels. Settings, section "OLED": see
// oled_settings.h.
#include <memory>
#include <optional>

#include "drivers/common/i2c_transport.h"
#include "drivers/common/panel_driver.h"
#include "drivers/oled/oled_model.h"
#include "drivers/oled/oled_settings.h"
#include "plugin/api/glancer_settings.hpp"

namespace {

const char kName[] = "I2C OLED";

class OledDriver : public panelcore::PanelDriver {
public:
    const char* Name() const override { return kName; }

    void Init() override
    {
        if (Started())
            return;
        const oled::Config& config = CurrentConfig();
        glancer::Log(std::string(kName) + ": " + oled::Describe(config));
        // A no-operation command checks that the module answers.
        Start(std::make_unique<panelcore::I2cTransport>(config.bus, config.address,
                                                        std::vector<std::uint8_t>{oled::kCommandStream, 0xE3}),
              std::make_unique<oled::OledModel>(config),
              {kName, glancer_i2c::LinuxI2c::Path(config.bus), std::chrono::seconds(3)});
    }

    bool Configure() override { return oled::kSettings.Configure(kName); }

    DisplayInfo GetDisplayInfo() override
    {
        const panelcore::Geometry geometry = oled::OledModel::GeometryOf(CurrentConfig());
        return DisplayInfo{geometry.xPixels, geometry.yPixels, geometry.xChars, geometry.yChars};
    }

private:
    const oled::Config& CurrentConfig()
    {
        if (!config)
            config = oled::ReadConfig(glancer::Services());
        return *config;
    }

    std::optional<oled::Config> config;
};

const glancer::About kAbout{kName,
                            {"Display driver: SSD1306 and SH1106 graphic OLEDs on Linux I2C",
                             "128 x 64 down to 64 x 32 pixels through /dev/i2c-N",
                             "Text in the Virtual display's 5 x 7 font", "Version " GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, OledDriver)
