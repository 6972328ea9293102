#include "datasources/sensors/monitors.h"

namespace sensors {

std::vector<std::unique_ptr<Monitor>> MakeMonitors(const std::string& /*lhmUrl*/, Say say)
{
    std::vector<std::unique_ptr<Monitor>> monitors;
    monitors.push_back(MakeHwmonMonitor(say));
    monitors.push_back(MakeAmdGpuMonitor(1, say));
    return monitors;
}

} // namespace sensors
