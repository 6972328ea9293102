#pragma once

#include <cstdint>
#include <map>
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
// instead of a negative or enormous rate.
class NetMeter {
public:
    NetRates Update(const std::vector<NetCounter>& now, double seconds);
    void Reset();

private:
    struct Baseline {
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
    };
    std::map<std::string, Baseline> baselines;
};
