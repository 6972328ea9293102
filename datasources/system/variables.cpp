#include "datasources/system/variables.h"

#include <cmath>
#include <cstring>

#include "datasources/system/value_text.h"
#include "plugin/api/glancer_plugin.h"

const VariableInfo kVariables[VariableCount] = {
    {"System.CpuLoad", "CPU load in percent", GLANCER_VAR_INT, Group::Cpu},
    {"System.CpuLoadExact", "CPU load in percent, with decimals", GLANCER_VAR_DOUBLE, Group::Cpu},
    {"System.MemoryUsed", "Memory used in MiB", GLANCER_VAR_INT, Group::Memory},
    {"System.MemoryTotal", "Memory installed in MiB", GLANCER_VAR_INT, Group::Memory},
    {"System.MemoryPercent", "Memory used in percent", GLANCER_VAR_INT, Group::Memory},
    {"System.Uptime", "Uptime in seconds", GLANCER_VAR_INT, Group::Uptime},
    {"System.UptimeText", "Uptime (days, hours and minutes)", GLANCER_VAR_TEXT, Group::Uptime},
    {"System.Time", "Time (HH:MM:SS)", GLANCER_VAR_TEXT, Group::None},
    {"System.Date", "Date (YYYY-MM-DD)", GLANCER_VAR_TEXT, Group::None},
    {"System.Hostname", "Host name", GLANCER_VAR_TEXT, Group::Host},
    {"System.NetReceive", "Network received in KiB/s", GLANCER_VAR_DOUBLE, Group::Network},
    {"System.NetSend", "Network sent in KiB/s", GLANCER_VAR_DOUBLE, Group::Network},
    {"System.NetText", "Network rates (D received U sent)", GLANCER_VAR_TEXT, Group::Network},
    {"System.DiskUsed", "Disk used in percent", GLANCER_VAR_INT, Group::Disk},
    {"System.DiskFree", "Disk space free", GLANCER_VAR_TEXT, Group::Disk},
};

namespace {

void WriteInt(std::int32_t number, void* value, std::uint32_t size)
{
    if (size >= sizeof number)
        std::memcpy(value, &number, sizeof number);
}

void WriteDouble(double number, void* value, std::uint32_t size)
{
    if (size >= sizeof number)
        std::memcpy(value, &number, sizeof number);
}

} // namespace

void WriteValue(std::uint32_t index, const Readings& readings, const std::tm* now, void* value, std::uint32_t size)
{
    if (value == nullptr)
        return;
    char* text = static_cast<char*>(value);
    switch (index) {
    case CpuLoad:
        WriteInt(static_cast<std::int32_t>(std::lround(readings.cpuLoad)), value, size);
        return;
    case CpuLoadExact:
        WriteDouble(readings.cpuLoad, value, size);
        return;
    case MemoryUsed:
        WriteInt(readings.memoryUsedMiB, value, size);
        return;
    case MemoryTotal:
        WriteInt(readings.memoryTotalMiB, value, size);
        return;
    case MemoryPercent:
        WriteInt(readings.memoryPercent, value, size);
        return;
    case Uptime:
        WriteInt(readings.uptimeSeconds, value, size);
        return;
    case UptimeText:
        CopyText(readings.uptimeText, text, size);
        return;
    case Time:
    case Date:
        if (now != nullptr)
            FormatClock(*now, index == Date, text, size);
        else
            CopyText("?", text, size);
        return;
    case Hostname:
        CopyText(readings.hostname, text, size);
        return;
    case NetReceive:
        WriteDouble(readings.netReceive, value, size);
        return;
    case NetSend:
        WriteDouble(readings.netSend, value, size);
        return;
    case NetText:
        CopyText(readings.netText, text, size);
        return;
    case DiskUsed:
        WriteInt(readings.diskUsedPercent, value, size);
        return;
    case DiskFree:
        CopyText(readings.diskFree, text, size);
        return;
    default:
        return;
    }
}
