#pragma once

#include <cstdint>
#include <ctime>

#include "datasources/system/readings.h"

// The data source's variables, in index order.
enum Variable : std::uint32_t {
    CpuLoad,
    CpuLoadExact,
    MemoryUsed,
    MemoryTotal,
    MemoryPercent,
    Uptime,
    UptimeText,
    Time,
    Date,
    Hostname,
    NetReceive,
    NetSend,
    NetText,
    DiskUsed,
    DiskFree,
    VariableCount
};

struct VariableInfo {
    const char* id;
    const char* name;
    std::uint32_t type; // GLANCER_VAR_...
    Group group;
};
extern const VariableInfo kVariables[VariableCount];

// Writes variable `index` into `value`, never more than `size` bytes: a text
// is cut to fit, a number that does not fit and an unknown index write
// nothing. `now` is the local time for Time and Date (nullptr: unknown).
void WriteValue(std::uint32_t index, const Readings& readings, const std::tm* now, void* value, std::uint32_t size);
