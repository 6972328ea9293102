#include "datasources/system/net_meter.h"

NetRates NetMeter::Update(const std::vector<NetCounter>& now, double seconds)
{
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    std::map<std::string, Baseline> next;
    for (const NetCounter& counter : now) {
        const auto found = baselines.find(counter.name);
        if (found != baselines.end()) {
            if (counter.received >= found->second.received)
                received += counter.received - found->second.received;
            if (counter.sent >= found->second.sent)
                sent += counter.sent - found->second.sent;
        }
        next[counter.name] = Baseline{counter.received, counter.sent}; // vanished ones are dropped
    }
    baselines.swap(next);
    if (!(seconds > 0.0))
        return NetRates{};
    return NetRates{static_cast<double>(received) / 1024.0 / seconds, static_cast<double>(sent) / 1024.0 / seconds};
}

void NetMeter::Reset()
{
    baselines.clear();
}
