#include "drivers/i2c-lcd/i2c_settings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "drivers/charpanel/terminal_questions.h"
#include "plugin/api/glancer_plugin.hpp"

namespace i2clcd {

const char kName[] = "I2C LCD";
const char kSection[] = "I2CLCD";

namespace {

constexpr std::uint32_t kMaxCells = 80;
constexpr std::int64_t kLowAddress = 0x03;
constexpr std::int64_t kHighAddress = 0x77;

std::uint32_t ReadAddress(const glancer::Settings& stored, std::uint32_t fallback)
{
    // Read without a range so that a wrong address is logged in hex, as
    // people write them ("0x27"), rather than in decimal.
    const std::optional<std::int64_t> value = stored.Number("Address");
    if (value && *value >= kLowAddress && *value <= kHighAddress)
        return static_cast<std::uint32_t>(*value);
    if (const std::optional<std::string> text = stored.Text("Address"); text || value) {
        char shown[24] = "";
        if (value)
            std::snprintf(shown, sizeof shown, "0x%llX", static_cast<unsigned long long>(*value));
        glancer::Log(std::string(kName) + ": Address \"" + (value ? shown : *text) +
                     "\" is not an address from 0x03 to 0x77, using 0x27");
    }
    return fallback;
}

} // namespace

I2cSettings ReadI2cSettings(const glancer::Settings& stored)
{
    I2cSettings settings;
    settings.bus = static_cast<std::uint32_t>(stored.Number("Bus", settings.bus, 0, 255));
    settings.address = ReadAddress(stored, settings.address);
    settings.geometry = charpanel::ReadGeometry(stored);
    if (settings.geometry.columns * settings.geometry.rows > kMaxCells) {
        glancer::Log(std::string(kName) + ": " + std::to_string(settings.geometry.columns) + " x " +
                     std::to_string(settings.geometry.rows) +
                     " needs two controllers, which this backpack cannot drive; using 20 x 4");
        settings.geometry = charpanel::Geometry{};
    }
    settings.backlight = stored.Number("Backlight", 1, 0, 1) != 0;
    const std::string wiring = stored.Text("Wiring", kWirings[0].name);
    const auto named = std::find_if(kWirings.begin(), kWirings.end(),
                                    [&](const Wiring& candidate) { return wiring == candidate.name; });
    if (named != kWirings.end())
        settings.wiring = &*named;
    else
        glancer::Log(std::string(kName) + ": Wiring \"" + wiring + "\" is not common or mjkdz; using common");
    settings.backlightLow = settings.wiring->backlightLow;
    const std::string polarity = stored.Text("BacklightPolarity", settings.backlightLow ? "low" : "high");
    if (polarity == "low" || polarity == "high")
        settings.backlightLow = polarity == "low";
    else
        glancer::Log(std::string(kName) + ": BacklightPolarity \"" + polarity + "\" is not high or low; using " +
                     (settings.backlightLow ? "low" : "high"));
    settings.charset = charpanel::ReadCharset(stored, kName);
    return settings;
}

void AskI2cSettings(const glancer::Settings& stored)
{
    std::vector<std::string> buses;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error))
        if (entry.path().filename().string().rfind("i2c-", 0) == 0)
            buses.push_back(entry.path().string());
    std::sort(buses.begin(), buses.end());
    std::printf("I2C buses found:%s\n", buses.empty() ? " none (enable I2C, load i2c-dev)" : "");
    for (const std::string& bus : buses)
        std::printf("  %s\n", bus.c_str());
    const bool answered =
        charpanel::AskNumber(stored, "Bus", "Bus (N of /dev/i2c-N)", 1, 0, 255) &&
        charpanel::AskNumber(stored, "Address", "Address (0x27 or 0x3F usually)", 0x27, kLowAddress, kHighAddress) &&
        charpanel::AskNumber(stored, "Columns", "Columns", 20, 1, charpanel::kMaxColumns) &&
        charpanel::AskNumber(stored, "Rows", "Rows", 4, 1, charpanel::kMaxRows) &&
        charpanel::AskNumber(stored, "Backlight", "Backlight (1 on, 0 off)", 1, 0, 1);
    (void)answered; // what was answered is stored; the rest stays as it was
}

} // namespace i2clcd
