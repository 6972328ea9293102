// "Serial LCD": a character LCD behind a USB or serial backpack that
// speaks the Matrix Orbital command set. Settings, section "SerialLCD":
// see serial_settings.h.
#include <memory>
#include <optional>

#include "drivers/charpanel/char_model.h"
#include "drivers/common/panel_driver.h"
#include "drivers/common/serial_port.h"
#include "drivers/serial-lcd/matrix_orbital.h"
#include "drivers/serial-lcd/serial_settings.h"
#include "plugin/api/glancer_settings.hpp"

namespace seriallcd {

namespace {

// Many backpacks are microcontroller boards that reset when the port opens
// and ignore what arrives while they start (1 to 2 s): the whole picture is
// sent again once they listen. A module that listens at once shows it at once.
constexpr std::chrono::milliseconds kResetOnOpen{2500};

class SerialLcdDriver : public panelcore::PanelDriver {
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
        Start(std::make_unique<panelcore::SerialPort>(settings.port, settings.baud),
              std::make_unique<charpanel::CharModel>(
                  kName, settings.geometry,
                  [&](charpanel::ByteSink& sink) { return std::make_unique<MatrixOrbital>(sink, settings.options); }),
              {kName, settings.port, std::chrono::seconds(2), kResetOnOpen});
    }

    bool Configure() override { return kSettings.Configure(kName); }

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
