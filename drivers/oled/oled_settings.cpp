#include "drivers/oled/oled_settings.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "plugin/api/glancer_plugin.hpp"

namespace oled {

namespace {

const char kSection[] = "OLED";
const char kPrefix[] = "I2C OLED";

struct Limit {
    const char* name;
    std::uint32_t Config::*field;
    std::int64_t low;
    std::int64_t high;
};

// Width and height are checked against the controller's sizes afterwards.
const Limit kNumbers[] = {
    {"Bus", &Config::bus, 0, 255},      {"Address", &Config::address, 0x03, 0x77}, {"Width", &Config::width, 8, 128},
    {"Height", &Config::height, 8, 64}, {"Contrast", &Config::contrast, 0, 255},
};

void Say(CoreServices* services, const std::string& text)
{
    if (services != nullptr)
        services->vtbl->Log(services, (std::string(kPrefix) + ": " + text).c_str());
}

// A decimal or 0x-hexadecimal answer within the limit.
bool ParseAnswer(const std::string& answer, const Limit& limit, std::uint32_t& value)
{
    const bool hex = answer.size() > 2 && answer[0] == '0' && (answer[1] == 'x' || answer[1] == 'X');
    char* end = nullptr;
    const long long parsed = std::strtoll(answer.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (end == answer.c_str() || *end != '\0' || parsed < limit.low || parsed > limit.high)
        return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

const char* ControllerName(Controller controller)
{
    return controller == Controller::Sh1106 ? "SH1106" : "SSD1306";
}

} // namespace

Config ReadConfig(CoreServices* services)
{
    const glancer::Settings settings(kSection, kPrefix, services);
    Config config;
    for (const Limit& limit : kNumbers)
        config.*limit.field =
            static_cast<std::uint32_t>(settings.Number(limit.name, config.*limit.field, limit.low, limit.high));
    const std::int64_t rotate = settings.Number("Rotate", 0, 0, 180);
    if (rotate != 0 && rotate != 180)
        Say(services, "Rotate " + std::to_string(rotate) + " is neither 0 nor 180, using 0");
    config.rotate180 = rotate == 180;
    const std::string controller = settings.Text("Controller", "SSD1306");
    if (strcasecmp(controller.c_str(), "SH1106") == 0)
        config.controller = Controller::Sh1106;
    else if (strcasecmp(controller.c_str(), "SSD1306") != 0)
        Say(services, "Controller \"" + controller + "\" is neither SSD1306 nor SH1106, using SSD1306");
    if (FindSize(config) == nullptr) {
        std::string sizes;
        for (const Size& size : Sizes(config.controller))
            sizes += (sizes.empty() ? "" : ", ") + std::to_string(size.width) + " x " + std::to_string(size.height);
        const Size& fallback = Sizes(config.controller).front();
        Say(services, std::to_string(config.width) + " x " + std::to_string(config.height) + " is not a size the " +
                          ControllerName(config.controller) + " drives (" + sizes + "), using " +
                          std::to_string(fallback.width) + " x " + std::to_string(fallback.height));
        config.width = fallback.width;
        config.height = fallback.height;
    }
    config.offAtExit = settings.Number("OffAtExit", 1, 0, 1) != 0;
    return config;
}

void AskConfig(CoreServices* services)
{
    const glancer::Settings settings(kSection, kPrefix, services);
    const Config config = ReadConfig(services);
    std::string answer;
    std::printf("I2C OLED on Linux i2c-dev. An empty answer keeps the value in brackets.\n");
    if (!glancer::Ask("Controller (SSD1306 or SH1106)", ControllerName(config.controller), answer))
        return;
    if (strcasecmp(answer.c_str(), "SSD1306") == 0 || strcasecmp(answer.c_str(), "SH1106") == 0)
        settings.WriteText("Controller", strcasecmp(answer.c_str(), "SH1106") == 0 ? "SH1106" : "SSD1306");
    else if (!answer.empty())
        std::printf("The controller is SSD1306 or SH1106; it is kept.\n");
    for (const Limit& limit : kNumbers) {
        const bool hex = limit.field == &Config::address; // as datasheets and i2cdetect write it
        char range[40], current[16];
        std::snprintf(range, sizeof range, hex ? " (0x%02X..0x%02X)" : " (%u..%u)", unsigned(limit.low),
                      unsigned(limit.high));
        std::snprintf(current, sizeof current, hex ? "0x%02X" : "%u", config.*limit.field);
        if (!glancer::Ask((limit.name + std::string(range)).c_str(), current, answer))
            return;
        std::uint32_t value = 0;
        if (ParseAnswer(answer, limit, value))
            settings.WriteNumber(limit.name, value);
        else if (!answer.empty())
            std::printf("\"%s\" is not a number in range; %s is kept.\n", answer.c_str(), limit.name);
    }
    if (!glancer::Ask("Rotate (0 or 180)", config.rotate180 ? "180" : "0", answer))
        return;
    if (answer == "0" || answer == "180")
        settings.WriteNumber("Rotate", answer == "0" ? 0 : 180);
    else if (!answer.empty())
        std::printf("Rotate is 0 or 180; it is kept.\n");
}

std::string Describe(const Config& config)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s, %u x %u, address 0x%02X on /dev/i2c-%u%s", ControllerName(config.controller),
                  config.width, config.height, config.address, config.bus, config.rotate180 ? ", turned 180" : "");
    return text;
}

} // namespace oled
