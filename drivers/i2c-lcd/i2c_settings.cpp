#include "drivers/i2c-lcd/i2c_settings.h"

#include <algorithm>
#include <string>

#include "drivers/common/linux_i2c.h"
#include "plugin/api/glancer_settings.hpp"

namespace i2clcd {

const char kName[] = "I2C LCD";
const char kSection[] = "I2CLCD";

namespace {

constexpr std::uint32_t kMaxCells = 80;

} // namespace

const glancer::DeclaredSettings kSettings(kSection, kName, {
    glancer_i2c::BusSetting(1),
    glancer_i2c::AddressSetting("Address, usually 0x27 or 0x3F", 0x27),
    charpanel::ColumnsSetting(),
    charpanel::RowsSetting(),
    glancer::setting::Number("Backlight", "Backlight, 1 on, 0 off", 1, 0, 1),
    glancer::setting::Choice("Wiring", "Backpack wiring", "common", "common|mjkdz"),
    glancer::setting::Choice("BacklightPolarity", "Pin level that lights the backlight", "usual", "usual|high|low"),
    charpanel::CharsetSetting(),
});

I2cSettings ReadI2cSettings(const glancer::Settings& stored)
{
    const glancer::SettingValues values = kSettings.ReadFrom(stored);
    I2cSettings settings;
    settings.bus = static_cast<std::uint32_t>(values.Number("Bus"));
    settings.address = static_cast<std::uint32_t>(values.Number("Address"));
    settings.geometry = charpanel::GeometryOf(values);
    if (settings.geometry.columns * settings.geometry.rows > kMaxCells) {
        stored.Refused(std::to_string(settings.geometry.columns) + " x " + std::to_string(settings.geometry.rows) +
                       " needs two controllers, which this backpack cannot drive; using 20 x 4");
        settings.geometry = charpanel::Geometry{};
    }
    settings.backlight = values.Number("Backlight") != 0;
    settings.wiring = &*std::find_if(kWirings.begin(), kWirings.end(), [&](const Wiring& candidate) {
        return values.Text("Wiring") == candidate.name;
    });
    const std::string& polarity = values.Text("BacklightPolarity");
    settings.backlightLow = polarity == "usual" ? settings.wiring->backlightLow : polarity == "low";
    settings.charset = charpanel::CharsetOf(values);
    return settings;
}

} // namespace i2clcd
