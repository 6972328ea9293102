#include "drivers/oled/oled_settings.h"

#include <cstdio>

#include "drivers/common/linux_i2c.h"
#include "plugin/api/glancer_settings.hpp"

namespace oled {

namespace {

const char kSection[] = "OLED";
const char kPrefix[] = "I2C OLED";

const char* ControllerName(Controller controller)
{
    return controller == Controller::Sh1106 ? "SH1106" : "SSD1306";
}

} // namespace

// Width and height are checked against the controller's sizes afterwards.
const glancer::DeclaredSettings kSettings(kSection, kPrefix, {
    glancer::setting::Choice("Controller", "Controller", "SSD1306", "SSD1306|SH1106"),
    glancer_i2c::BusSetting(Config{}.bus),
    glancer_i2c::AddressSetting("Address, usually 0x3C or 0x3D", Config{}.address),
    glancer::setting::Number("Width", "Width in pixels", Config{}.width, 8, 128),
    glancer::setting::Number("Height", "Height in pixels", Config{}.height, 8, 64),
    glancer::setting::Number("Contrast", "Contrast", Config{}.contrast, 0, 255),
    glancer::setting::Number("Rotate", "Turned by degrees", 0, 0, 180).Among("0|180"),
    glancer::setting::Number("OffAtExit", "Panel off at exit, after the farewell; 1 yes, 0 no", 1, 0, 1),
});

Config ReadConfig(CoreServices* services)
{
    const glancer::Settings settings(kSection, kPrefix, services);
    const glancer::SettingValues values = kSettings.ReadFrom(settings);
    Config config;
    config.controller = values.Text("Controller") == "SH1106" ? Controller::Sh1106 : Controller::Ssd1306;
    config.bus = static_cast<std::uint32_t>(values.Number("Bus"));
    config.address = static_cast<std::uint32_t>(values.Number("Address"));
    config.width = static_cast<std::uint32_t>(values.Number("Width"));
    config.height = static_cast<std::uint32_t>(values.Number("Height"));
    config.contrast = static_cast<std::uint32_t>(values.Number("Contrast"));
    config.rotate180 = values.Number("Rotate") == 180;
    config.offAtExit = values.Number("OffAtExit") != 0;
    if (FindSize(config) == nullptr) {
        std::string sizes;
        for (const Size& size : Sizes(config.controller))
            sizes += (sizes.empty() ? "" : ", ") + std::to_string(size.width) + " x " + std::to_string(size.height);
        const Size& fallback = Sizes(config.controller).front();
        settings.Refused(std::to_string(config.width) + " x " + std::to_string(config.height) + " is not a size the " +
                          ControllerName(config.controller) + " drives (" + sizes + "), using " +
                          std::to_string(fallback.width) + " x " + std::to_string(fallback.height));
        config.width = fallback.width;
        config.height = fallback.height;
    }
    return config;
}

std::string Describe(const Config& config)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s, %u x %u, address 0x%02X on /dev/i2c-%u%s", ControllerName(config.controller),
                  config.width, config.height, config.address, config.bus, config.rotate180 ? ", turned 180" : "");
    return text;
}

} // namespace oled
