#pragma once

#include <optional>

#include "datasources/system/probe.h"

// CPU load, 0 to 100 %, from two successive cumulative samples.
class CpuMeter {
public:
    // The load since the previous sample; nothing for the first sample, when
    // no time passed, or when the counters went backwards (the baseline then
    // restarts from this sample).
    std::optional<double> Update(const CpuTimes& now);
    void Reset();

private:
    CpuTimes last;
    bool started = false;
};
