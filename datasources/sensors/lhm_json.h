#pragma once

// LibreHardwareMonitor's data.json: a tree of nodes (computer, hardware,
// sensor categories, sensors), each with a "Text" and, for a sensor, a
// "Value" such as "45.3 °C" or "1200 RPM".

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datasources/sensors/monitor.h"

namespace sensors {

// A value as the monitors write it, "45,3 °C" or "1200 RPM": the number
// (either decimal sign) and the kind its unit tells; nothing for units not
// shown (MHz...).
std::optional<std::pair<double, Kind>> ReadingOf(const std::string& text);

struct LhmSensor {
    Found found;     // group: the hardware, numbered; label: the sensor's Text
    std::string key; // what stays the same between reads: SensorId, else group and label
    double value = 0.0;
};

// The temperatures, fans, voltages, currents, powers, loads and memory
// sizes in `json`, in the document's order; nothing and a reason for a log
// line when it is no such document. A label used twice in one hardware
// (LibreHardwareMonitor has "GPU Core" as a temperature and as a load)
// gets its category added: "GPU Core Load".
std::optional<std::vector<LhmSensor>> ParseLhm(std::string_view json, std::string& problem);

} // namespace sensors
