#pragma once

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "datasources/sensors/monitor.h"

namespace sensors {

using Say = std::function<void(const std::string&)>;

// What every card gives, in this order: Sensors.gpu<N>.<value>.
inline constexpr const char* kCardValues[] = {"Temp", "Load", "MemoryUsed", "MemoryTotal", "Power", "Fan"};
inline constexpr Kind kCardKinds[] = {Kind::Temperature, Kind::Percent, Kind::MiB,
                                      Kind::MiB,         Kind::Power,   Kind::Percent};
inline constexpr std::size_t kPerCard = std::size(kCardValues);

// Appends card `group`'s sensors.
inline void AddCard(const std::string& group, std::vector<Found>& out)
{
    for (std::size_t i = 0; i < kPerCard; ++i)
        out.push_back(Found{group, kCardValues[i], kCardKinds[i], "gpu"});
}

#ifdef _WIN32
// LibreHardwareMonitor's web server: its data.json at `url`.
std::unique_ptr<Monitor> MakeLhmMonitor(const std::string& url, Say say);
// HWiNFO's gadget values in the registry.
std::unique_ptr<Monitor> MakeHwinfoMonitor(Say say);
#else
// Every hwmon chip through libsensors, with the user's sensors.d.
std::unique_ptr<Monitor> MakeHwmonMonitor(Say say);
// AMD cards through the amdgpu driver's files.
std::unique_ptr<Monitor> MakeAmdGpuMonitor(std::shared_ptr<int> cardsSoFar, Say say);
#endif
// NVIDIA cards through NVML (libnvidia-ml.so.1, nvml.dll), loaded by name.
// Card monitors number their cards on from `cardsSoFar` at Discover, and
// add theirs to it.
std::unique_ptr<Monitor> MakeNvmlMonitor(std::shared_ptr<int> cardsSoFar, Say say);
// Every monitor of this system, cards numbered NVIDIA first.
std::vector<std::unique_ptr<Monitor>> MakeMonitors(const std::string& lhmUrl, Say say);

} // namespace sensors
