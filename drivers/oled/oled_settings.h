#pragma once

#include <string>

#include "drivers/oled/controller.h"
#include "plugin/api/glancer_plugin.h"

namespace glancer {
class DeclaredSettings;
}

namespace oled {

// Settings, section "OLED": Controller ("SSD1306" or "SH1106"), Bus,
// Address, Width and Height (one of the controller's Sizes; another is
// refused with a log line and read as 128 x 64), Contrast, Rotate (0 or
// 180), OffAtExit (1: the panel goes dark at exit, after the farewell; 0
// keeps the farewell lit). A value that is missing or refused (with a log
// line) reads as its default.
Config ReadConfig(CoreServices* services);

// The list ReadConfig reads; its Configure asks for it.
extern const glancer::DeclaredSettings kSettings;

// "SSD1306, 128 x 64, address 0x3C on /dev/i2c-1"
std::string Describe(const Config& config);

} // namespace oled
