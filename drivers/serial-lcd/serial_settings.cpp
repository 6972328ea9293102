#include "drivers/serial-lcd/serial_settings.h"

#include "drivers/common/serial_port.h"
#include "plugin/api/glancer_settings.hpp"

namespace seriallcd {

const char kName[] = "Serial LCD";
const char kSection[] = "SerialLCD";

namespace {

std::vector<glancer::Offer> FoundPorts()
{
    std::vector<glancer::Offer> offers;
    for (const std::string& port : panelcore::ListSerialPorts())
        offers.push_back({port, ""});
    return offers;
}

} // namespace

const glancer::DeclaredSettings kSettings(kSection, kName, {
    glancer::setting::Text("Port", "Port", "").Offering(FoundPorts),
    glancer::setting::Number("Baud", "Baud", 19200, 9600, 115200).Among("9600|19200|38400|57600|115200"),
    charpanel::ColumnsSetting(),
    charpanel::RowsSetting(),
    glancer::setting::Number("Backlight", "Backlight, 1 on, 0 off", 1, 0, 1),
    glancer::setting::Number("Contrast", "Contrast, -1 leaves the module's own", -1, -1, 255),
    glancer::setting::Number("Brightness", "Brightness, -1 leaves the module's own", -1, -1, 255),
    charpanel::CharsetSetting(),
});

SerialSettings ReadSerialSettings(const glancer::Settings& stored)
{
    const glancer::SettingValues values = kSettings.ReadFrom(stored);
    SerialSettings settings;
    settings.port = values.Text("Port");
    settings.baud = static_cast<std::uint32_t>(values.Number("Baud"));
    settings.geometry = charpanel::GeometryOf(values);
    settings.options.backlight = values.Number("Backlight") != 0;
    settings.options.contrast = static_cast<int>(values.Number("Contrast"));
    settings.options.brightness = static_cast<int>(values.Number("Brightness"));
    settings.options.charset = charpanel::CharsetOf(values);
    return settings;
}

} // namespace seriallcd
