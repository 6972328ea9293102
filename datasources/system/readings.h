#pragma once

#include <cstddef>
#include <cstdint>

// The probe calls a value comes from. Reading a value refreshes its own
// group only, so a screen showing the CPU load reads /proc/stat and nothing
// else.
enum class Group : std::uint8_t { None, Cpu, Memory, Uptime, Network, Host, Disk };
inline constexpr std::size_t kGroupCount = 7;

// The latest sample of every group, texts already formatted, so handing a
// value out is a plain copy. Unknown values stay 0 / "?".
struct Readings {
    double cpuLoad = 0.0; // percent
    std::int32_t memoryUsedMiB = 0;
    std::int32_t memoryTotalMiB = 0;
    std::int32_t memoryPercent = 0;
    std::int32_t uptimeSeconds = 0;
    double netReceive = 0.0; // KiB/s
    double netSend = 0.0;
    std::int32_t diskUsedPercent = 0;
    char uptimeText[32] = "00:00";
    char netText[48] = "?";
    char diskFree[48] = "?";
    char hostname[256] = "";
};
