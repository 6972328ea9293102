#include "drivers/serial-lcd/serial_settings.h"

#include <algorithm>
#include <cstdio>

#include "drivers/charpanel/terminal_questions.h"
#include "drivers/common/serial_port.h"
#include "plugin/api/glancer_plugin.hpp"

namespace seriallcd {

const char kName[] = "Serial LCD";
const char kSection[] = "SerialLCD";
const std::uint32_t kBauds[5] = {9600, 19200, 38400, 57600, 115200};

SerialSettings ReadSerialSettings(const glancer::Settings& stored)
{
    SerialSettings settings;
    settings.port = stored.Text("Port", "");
    const std::int64_t baud = stored.Number("Baud", settings.baud, 0, 0xFFFFFFFF);
    if (std::find(std::begin(kBauds), std::end(kBauds), baud) != std::end(kBauds))
        settings.baud = static_cast<std::uint32_t>(baud);
    else
        glancer::Log(std::string(kName) + ": Baud " + std::to_string(baud) +
                     " is not one of 9600, 19200, 38400, 57600, 115200; using 19200");
    settings.geometry = charpanel::ReadGeometry(stored);
    settings.options.backlight = stored.Number("Backlight", 1, 0, 1) != 0;
    settings.options.contrast = static_cast<int>(stored.Number("Contrast", -1, 0, 255));
    settings.options.brightness = static_cast<int>(stored.Number("Brightness", -1, 0, 255));
    settings.options.charset = charpanel::ReadCharset(stored, kName);
    return settings;
}

void AskSerialSettings(const glancer::Settings& stored)
{
    const std::vector<std::string> ports = panelcore::ListSerialPorts();
    std::printf("Serial devices found:%s\n", ports.empty() ? " none" : "");
    for (const std::string& port : ports)
        std::printf("  %s\n", port.c_str());
    const bool answered =
        charpanel::AskText(stored, "Port", "Port", ports.empty() ? "" : ports.front().c_str()) &&
        charpanel::AskNumber(stored, "Baud", "Baud (9600, 19200, 38400, 57600, 115200)", 19200, 9600, 115200) &&
        charpanel::AskNumber(stored, "Columns", "Columns", 20, 1, charpanel::kMaxColumns) &&
        charpanel::AskNumber(stored, "Rows", "Rows", 4, 1, charpanel::kMaxRows) &&
        charpanel::AskNumber(stored, "Backlight", "Backlight (1 on, 0 off)", 1, 0, 1) &&
        charpanel::AskNumber(stored, "Contrast", "Contrast (0..255)", 128, 0, 255) &&
        charpanel::AskNumber(stored, "Brightness", "Brightness (0..255)", 255, 0, 255);
    (void)answered; // what was answered is stored; the rest stays as it was
}

} // namespace seriallcd
