#include "datasources/system/cpu_meter.h"

std::optional<double> CpuMeter::Update(const CpuTimes& now)
{
    const CpuTimes previous = last;
    const bool hadBaseline = started;
    last = now;
    started = true;
    if (!hadBaseline || now.total <= previous.total || now.busy < previous.busy)
        return std::nullopt;
    const double share =
        static_cast<double>(now.busy - previous.busy) / static_cast<double>(now.total - previous.total);
    return share > 1.0 ? 100.0 : share * 100.0;
}

void CpuMeter::Reset()
{
    started = false;
}
