#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "datasources/system/probe.h"

// Parsers of the Linux /proc texts the probe reads. They accept any text,
// truncated or garbled included, and report what they cannot find as
// nothing rather than guessing.

// The first "cpu " line of /proc/stat.
std::optional<CpuTimes> ParseCpuTimes(std::string_view stat);
// MemTotal and MemAvailable of /proc/meminfo (both needed).
std::optional<MemoryInfo> ParseMeminfo(std::string_view meminfo);
// Whole seconds, the first field of /proc/uptime.
std::optional<std::int64_t> ParseUptime(std::string_view uptime);
// Byte counters of /proc/net/dev, "lo" left out, incomplete lines skipped.
// False when the text holds no interface line at all nor the header.
bool ParseNetDev(std::string_view netDev, std::vector<NetCounter>& out);
