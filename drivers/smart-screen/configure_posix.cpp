#include "drivers/smart-screen/smart_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace smartscreen {

bool ConfigureSmartScreen(const glancer::Settings& stored)
{
    AskSmartSettings(stored);
    return true;
}

} // namespace smartscreen
