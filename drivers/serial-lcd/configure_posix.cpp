#include "drivers/serial-lcd/serial_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace seriallcd {

bool ConfigureSerialLcd(const glancer::Settings& stored)
{
    AskSerialSettings(stored);
    return true;
}

} // namespace seriallcd
