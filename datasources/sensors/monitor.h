#pragma once

// What every hardware monitor of the Sensors source gives: a fixed list of
// sensors found at start, and their values read again on request.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sensors {

enum class Kind : std::uint8_t { Temperature, Fan, Voltage, Current, Power, Percent, MiB };

// The unit a value of `kind` is in, as people write it ("°C", "RPM"...).
const char* UnitOf(Kind kind);

struct Found {
    std::string group; // "k10temp", "nct6798_2", "gpu1": the id's middle part, already numbered
    std::string label; // as the monitor names it; made fit for an id by the table
    Kind kind = Kind::Temperature;
    std::string prefix; // what Include and Exclude match: the chip prefix ("gpu" for cards)
};

// A monitor is used by one thread at a time.
class Monitor {
public:
    virtual ~Monitor() = default;
    // The sensors, once, before any Read.
    virtual std::vector<Found> Discover() = 0;
    // Fills values[i] for the i-th sensor of Discover; what cannot be read
    // reads 0 (the monitor logs it once). Slow reads are allowed: the
    // source calls this on a thread of its own.
    virtual void Read(std::span<double> values) = 0;
};

} // namespace sensors
