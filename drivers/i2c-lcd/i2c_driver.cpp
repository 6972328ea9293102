// "I2C LCD": a character LCD (HD44780) behind a PCF8574 I2C backpack, as
// wired to a Raspberry Pi's I2C pins; Linux only. Settings, section
// "I2CLCD": see i2c_settings.h.
#include <memory>
#include <optional>

#include "drivers/charpanel/char_model.h"
#include "drivers/common/i2c_transport.h"
#include "drivers/common/panel_driver.h"
#include "drivers/i2c-lcd/hd44780.h"
#include "drivers/i2c-lcd/i2c_settings.h"
#include "drivers/i2c-lcd/pcf8574.h"
#include "plugin/api/glancer_settings.hpp"

namespace i2clcd {
namespace {

class I2cLcdDriver : public panelcore::PanelDriver {
public:
    const char* Name() const override { return kName; }

    void Init() override
    {
        if (Started())
            return;
        const I2cSettings& s = Current();
        const std::uint8_t rest = RestByte(*s.wiring, s.backlight, s.backlightLow);
        // Opening writes the lines at rest, backlight as set: it never flashes.
        Start(std::make_unique<panelcore::I2cTransport>(s.bus, s.address, std::vector<std::uint8_t>{rest}),
              std::make_unique<charpanel::CharModel>(kName, s.geometry,
                                                     [&](charpanel::ByteSink& sink) {
                                                         return std::make_unique<Hd44780>(
                                                             std::make_unique<Pcf8574>(sink, *s.wiring, s.backlight,
                                                                                       s.backlightLow),
                                                             s.geometry, s.charset);
                                                     }),
              {kName, glancer_i2c::LinuxI2c::Path(s.bus)});
    }

    bool Configure() override { return kSettings.Configure(kName); }

    DisplayInfo GetDisplayInfo() override { return charpanel::InfoFor(Current().geometry); }

private:
    const I2cSettings& Current()
    {
        if (!settings)
            settings = ReadI2cSettings(glancer::Settings(kSection, kName));
        return *settings;
    }

    std::optional<I2cSettings> settings;
};

const glancer::About kAbout{kName,
                            {"Display driver: a character LCD (HD44780) on a PCF8574 I2C backpack",
                             "Linux, /dev/i2c-N (Raspberry Pi and others); 16 x 1 up to 20 x 4",
                             "Pictures and graphs through the eight user characters",
                             "Version " GLANCER_PLUGIN_VERSION}};

} // namespace
} // namespace i2clcd

GLANCER_PLUGIN(i2clcd::kAbout, i2clcd::I2cLcdDriver)
