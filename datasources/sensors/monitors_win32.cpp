#include "datasources/sensors/monitors.h"

namespace sensors {

std::vector<std::unique_ptr<Monitor>> MakeMonitors(const std::string& lhmUrl, Say say)
{
    const auto cards = std::make_shared<int>(0);
    std::vector<std::unique_ptr<Monitor>> monitors;
    monitors.push_back(MakeNvmlMonitor(cards, say));
    monitors.push_back(MakeLhmMonitor(lhmUrl, say));
    monitors.push_back(MakeHwinfoMonitor(say));
    return monitors;
}

} // namespace sensors
