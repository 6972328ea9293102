#include "app/driver_choice.h"

#include <array>
#include <cstddef>

#include "platform/platform.h"
#include "plugin/catalogue.h"
#include "support/settings.h"

std::string DriverName(IDisplayDriver* driver)
{
    std::array<char, GLANCER_TEXT_SIZE> buffer{};
    driver->vtbl->getName(driver, buffer.data());
    return TextFromBuffer(buffer.data(), buffer.size());
}

std::vector<std::string> DriverNames(const std::vector<IDisplayDriver*>& drivers)
{
    std::vector<std::string> names;
    names.reserve(drivers.size());
    for (IDisplayDriver* driver : drivers)
        names.push_back(DriverName(driver));
    return names;
}

int PreselectedDriver(const std::vector<std::string>& names, const std::string& setting)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (platform::SameTextIgnoringCase(names[i], setting))
            return static_cast<int>(i);
    }
    return -1;
}

IDisplayDriver* FindDriver(const std::vector<IDisplayDriver*>& drivers, const std::string& name)
{
    for (IDisplayDriver* driver : drivers) {
        if (DriverName(driver) == name)
            return driver;
    }
    return nullptr;
}

bool ConfigureDriver(const std::vector<IDisplayDriver*>& drivers, const std::string& name)
{
    IDisplayDriver* driver = FindDriver(drivers, name);
    return driver != nullptr && driver->vtbl->configure(driver) == 0;
}

std::string ReadDriverSetting()
{
    std::array<char, kSettingsStringSize> buffer{};
    readSettingString("DRIVER", "", buffer.data());
    return TextFromBuffer(buffer.data(), buffer.size());
}

void StoreDriverSetting(const std::string& name)
{
    writeSettingString("DRIVER", name.c_str(), "");
}
