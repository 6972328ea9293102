// "Serial LCD": a character LCD behind a USB or serial backpack that
// speaks the Matrix Orbital command set. Settings, section "SerialLCD":
// see serial_settings.h.
#include <memory>
#include <optional>

#include "drivers/charpanel/panel_link.h"
#include "drivers/serial-lcd/matrix_orbital.h"
#include "drivers/serial-lcd/serial_port.h"
#include "drivers/serial-lcd/serial_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace seriallcd {

bool ConfigureSerialLcd(const glancer::Settings& stored); // per platform

namespace {

class SerialLcdDriver : public glancer::DisplayDriver {
public:
    ~SerialLcdDriver() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (link != nullptr)
            return;
        const SerialSettings& settings = Current();
        if (settings.port.empty()) {
            glancer::Log(std::string(kName) + ": no Port is set; choose one with Configure (Windows) or "
                                              "glancer configure-driver \"Serial LCD\"");
            return;
        }
        port = std::make_unique<SerialPort>(settings.port, settings.baud);
        link = std::make_unique<charpanel::PanelLink>(*port, kName, settings.port);
        device = std::make_unique<MatrixOrbital>(*link, settings.options);
        link->Start(settings.geometry, *device);
    }

    void Shutdown() override
    {
        if (link != nullptr)
            link->Stop();
    }

    bool Configure() override { return ConfigureSerialLcd(glancer::Settings(kSection, kName)); }

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
    const SerialSettings& Current()
    {
        if (!settings) {
            settings = ReadSerialSettings(glancer::Settings(kSection, kName));
        }
        return *settings;
    }

    std::optional<SerialSettings> settings;
    // Destroyed in reverse: the device and link go before the port they use.
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<charpanel::PanelLink> link;
    std::unique_ptr<MatrixOrbital> device;
};

const glancer::About kAbout{kName,
                            {"Display driver: a character LCD (HD44780) on a USB or serial backpack",
                             "Matrix Orbital command set; 16 x 2 up to 40 x 4",
                             "Pictures and graphs through the eight user characters",
                             "Version " GLANCER_PLUGIN_VERSION}};

} // namespace
} // namespace seriallcd

GLANCER_PLUGIN(seriallcd::kAbout, seriallcd::SerialLcdDriver)
