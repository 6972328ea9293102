#include "datasources/system/net_meter.h"

#include <algorithm>

NetRates NetMeter::Update(const std::vector<NetCounter>& now, double seconds)
{
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    for (const NetCounter& counter : now) {
        // A handful of interfaces: a linear search beats a map's allocations.
        const auto found = std::find_if(baselines.begin(), baselines.end(),
                                        [&counter](const NetCounter& old) { return old.name == counter.name; });
        if (found == baselines.end())
            continue;
        if (counter.received >= found->received)
            received += counter.received - found->received;
        if (counter.sent >= found->sent)
            sent += counter.sent - found->sent;
    }
    baselines.assign(now.begin(), now.end()); // vanished ones are dropped
    if (!(seconds > 0.0))
        return NetRates{};
    return NetRates{static_cast<double>(received) / 1024.0 / seconds, static_cast<double>(sent) / 1024.0 / seconds};
}

void NetMeter::Reset()
{
    baselines.clear();
}
