#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datasources/system/probe.h"

// Received and sent KiB/s summed over all interfaces.
struct NetRates {
    double receive = 0.0;
    double send = 0.0;
};

// Turns cumulative interface counters into rates. Each interface keeps its
// own baseline, so one that appears, disappears or whose counter goes
// backwards (a reset or a 32-bit wrap) adds nothing for that interval
// instead of a negative or enormous rate. Steady sampling allocates
// nothing: the baselines reuse their storage.
class NetMeter {
public:
    NetRates Update(const std::vector<NetCounter>& now, double seconds);
    void Reset();

private:
    std::vector<NetCounter> baselines;
};
