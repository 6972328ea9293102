// Every shipped driver's declared settings against the driver itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/i2c-lcd/i2c_settings.h"
#include "drivers/serial-lcd/serial_settings.h"
#include "drivers/smart-screen/smart_settings.h"
#include "drivers/virtual/virtual_settings.h"
#include "drivers/web-panel/web_settings.h"
#include "plugin/api/glancer_settings.hpp"
#include "tests/common/fake_settings.h"
#ifdef __linux__
#include "drivers/oled/oled_settings.h"
#endif

namespace {

const std::vector<const glancer::DeclaredSettings*> kDrivers = {
    &vdisplay::kSettings, &webpanel::kSettings, &seriallcd::kSettings, &i2clcd::kSettings, &smartscreen::kSettings,
#ifdef __linux__
    &oled::kSettings,
#endif
};

// A dialog or terminal left untouched gives back each default as shown: one
// outside its own limits would be refused there and logged at each start.
TEST(DeclaredDefaults, EachDefaultIsTakenAsItIsShown)
{
    for (const glancer::DeclaredSettings* driver : kDrivers) {
        glancer::SettingValues values = driver->Defaults();
        for (std::size_t i = 0; i < driver->List().size(); ++i)
            EXPECT_EQ(driver->Take(values, i, driver->Shown(values, i)), "")
                << driver->Section() << " " << driver->List()[i].name;
    }
}

// With nothing stored, the list's defaults are what the driver is documented
// to use (its settings types' own defaults).
TEST(DeclaredDefaults, NothingStoredReadsAsTheDriversOwnDefaults)
{
    fakesettings::Reset();
    const auto stored = [](const char* section) { return glancer::Settings(section, "", &fakesettings::services); };
    const seriallcd::SerialSettings serial = seriallcd::ReadSerialSettings(stored(seriallcd::kSection));
    const seriallcd::SerialSettings serialDefaults;
    EXPECT_EQ(serial.baud, serialDefaults.baud);
    EXPECT_EQ(serial.options.contrast, serialDefaults.options.contrast);
    EXPECT_EQ(serial.options.brightness, serialDefaults.options.brightness);
    const i2clcd::I2cSettings i2c = i2clcd::ReadI2cSettings(stored(i2clcd::kSection));
    const i2clcd::I2cSettings i2cDefaults;
    EXPECT_EQ(i2c.address, i2cDefaults.address);
    EXPECT_EQ(i2c.bus, i2cDefaults.bus);
    EXPECT_EQ(i2c.backlightLow, i2cDefaults.backlightLow);
    const smartscreen::SmartSettings smart = smartscreen::ReadSmartSettings(stored(smartscreen::kSection));
    const smartscreen::SmartSettings smartDefaults;
    EXPECT_EQ(smart.brightness, smartDefaults.brightness);
    EXPECT_EQ(smart.litColour, smartDefaults.litColour);
    EXPECT_EQ(smart.unlitColour, smartDefaults.unlitColour);
    const webpanel::Settings web = webpanel::ReadSettings(&fakesettings::services);
    const webpanel::Settings webDefaults;
    EXPECT_EQ(web.address + ":" + std::to_string(web.port), webDefaults.address + ":" + std::to_string(webDefaults.port));
    EXPECT_EQ(web.litColour, webDefaults.litColour);
    EXPECT_EQ(web.unlitColour, webDefaults.unlitColour);
    EXPECT_EQ(web.scale, webDefaults.scale);
#ifdef __linux__
    const oled::Config oledDefaults;
    EXPECT_EQ(oled::Describe(oled::ReadConfig(&fakesettings::services)), oled::Describe(oledDefaults));
    EXPECT_EQ(oled::ReadConfig(&fakesettings::services).contrast, oledDefaults.contrast);
#endif
    EXPECT_EQ(fakesettings::Logged(), std::vector<std::string>{});
}

} // namespace
