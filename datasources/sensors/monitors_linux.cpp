#include "datasources/sensors/monitors.h"

namespace sensors {

std::vector<std::unique_ptr<Monitor>> MakeMonitors(const std::string& /*lhmUrl*/, Say say)
{
    // Discovered in this order: NVIDIA cards are numbered first.
    const auto cards = std::make_shared<int>(0);
    std::vector<std::unique_ptr<Monitor>> monitors;
    monitors.push_back(MakeNvmlMonitor(cards, say));
    monitors.push_back(MakeHwmonMonitor(say));
    monitors.push_back(MakeAmdGpuMonitor(cards, say));
    return monitors;
}

} // namespace sensors
