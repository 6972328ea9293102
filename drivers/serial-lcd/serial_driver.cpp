// "Serial LCD": a character LCD behind a USB or serial backpack that
// speaks the Matrix Orbital command set. Settings, section "SerialLCD":
// see serial_settings.h.
#include <memory>
#include <optional>

#include "drivers/charpanel/panel_driver.h"
#include "drivers/serial-lcd/matrix_orbital.h"
#include "drivers/serial-lcd/serial_port.h"
#include "drivers/serial-lcd/serial_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace seriallcd {

bool ConfigureSerialLcd(const glancer::Settings& stored); // per platform

namespace {

class SerialLcdDriver : public charpanel::PanelDriver {
public:
    const char* Name() const override { return kName; }

    void Init() override
    {
        if (Started())
            return;
        const SerialSettings& settings = Current();
        if (settings.port.empty()) {
            glancer::Log(std::string(kName) + ": no Port is set; choose one with Configure (Windows) or "
                                              "glancer configure-driver \"Serial LCD\"");
            return;
        }
        Start(std::make_unique<SerialPort>(settings.port, settings.baud), kName, settings.port, settings.geometry,
              [&](charpanel::ByteSink& sink) { return std::make_unique<MatrixOrbital>(sink, settings.options); });
    }

    bool Configure() override { return ConfigureSerialLcd(glancer::Settings(kSection, kName)); }

    DisplayInfo GetDisplayInfo() override { return charpanel::InfoFor(Current().geometry); }

private:
    const SerialSettings& Current()
    {
        if (!settings)
            settings = ReadSerialSettings(glancer::Settings(kSection, kName));
        return *settings;
    }

    std::optional<SerialSettings> settings;
};

const glancer::About kAbout{kName,
                            {"Display driver: a character LCD (HD44780) on a USB or serial backpack",
                             "Matrix Orbital command set; 16 x 2 up to 40 x 4",
                             "Pictures and graphs through the eight user characters",
                             "Version " GLANCER_PLUGIN_VERSION}};

} // namespace
} // namespace seriallcd

GLANCER_PLUGIN(seriallcd::kAbout, seriallcd::SerialLcdDriver)
