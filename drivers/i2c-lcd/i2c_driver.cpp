// "I2C LCD": a character LCD (HD44780) behind a PCF8574 I2C backpack, as
// wired to a Raspberry Pi's I2C pins; Linux only. Settings, section
// "I2CLCD": see i2c_settings.h.
#include <memory>
#include <optional>

#include "drivers/charpanel/panel_link.h"
#include "drivers/i2c-lcd/hd44780_pcf8574.h"
#include "drivers/i2c-lcd/i2c_settings.h"
#include "drivers/i2c-lcd/i2c_transport.h"
#include "plugin/api/glancer_plugin.hpp"

namespace i2clcd {
namespace {

class I2cLcdDriver : public glancer::DisplayDriver {
public:
    ~I2cLcdDriver() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (link != nullptr)
            return;
        const I2cSettings& settings = Current();
        transport = std::make_unique<I2cTransport>(settings.bus, settings.address);
        link = std::make_unique<charpanel::PanelLink>(*transport, kName, glancer_i2c::LinuxI2c::Path(settings.bus));
        device = std::make_unique<Hd44780Pcf8574>(*link, settings.geometry.columns, settings.backlight);
        link->Start(settings.geometry, *device);
    }

    void Shutdown() override
    {
        if (link != nullptr)
            link->Stop();
    }

    bool Configure() override
    {
        AskI2cSettings(glancer::Settings(kSection, kName));
        return true;
    }

    DisplayInfo GetDisplayInfo() override { return charpanel::InfoFor(Current().geometry); }

    void Clear() override
    {
        if (link != nullptr)
            link->Clear();
    }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override
    {
        if (link != nullptr)
            link->WriteText(text, column, row);
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        if (link != nullptr)
            link->UpdateRegion(frame, x, y, width, height);
    }

private:
    const I2cSettings& Current()
    {
        if (!settings)
            settings = ReadI2cSettings(glancer::Settings(kSection, kName));
        return *settings;
    }

    std::optional<I2cSettings> settings;
    // Destroyed in reverse: the device and link go before the transport.
    std::unique_ptr<I2cTransport> transport;
    std::unique_ptr<charpanel::PanelLink> link;
    std::unique_ptr<Hd44780Pcf8574> device;
};

const glancer::About kAbout{kName,
                            {"Display driver: a character LCD (HD44780) on a PCF8574 I2C backpack",
                             "Linux, /dev/i2c-N (Raspberry Pi and others); 16 x 2 up to 20 x 4",
                             "Pictures and graphs through the eight user characters",
                             "Version " GLANCER_PLUGIN_VERSION}};

} // namespace
} // namespace i2clcd

GLANCER_PLUGIN(i2clcd::kAbout, i2clcd::I2cLcdDriver)
