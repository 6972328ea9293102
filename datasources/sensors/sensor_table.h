#pragma once

// The Sensors source's variables: every sensor of every monitor under its
// id "Sensors.<group>.<label>", and the aliases that screens use without
// knowing the machine.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datasources/sensors/monitor.h"

namespace sensors {

// Ids are at most this long: the plugin contract's text size less its terminator.
inline constexpr std::size_t kMaxIdLength = 255;

// Every character other than letters, digits, "_" and "-" becomes "_".
std::string IdPart(std::string_view label);

// Numbers chips of the same prefix as `sensors` lists them: the first keeps
// its prefix, the second gets "_2", the third "_3".
class ChipNumbering {
public:
    std::string Next(const std::string& prefix);

private:
    std::vector<std::pair<std::string, int>> seen;
};

// Include and Exclude: comma-separated chip prefixes. An empty Include
// takes every prefix; Exclude wins.
class PrefixFilter {
public:
    PrefixFilter(std::string_view include, std::string_view exclude);
    bool Wanted(std::string_view prefix) const;

private:
    std::vector<std::string> include;
    std::vector<std::string> exclude;
};

enum Alias : std::size_t { CpuTemp, GpuTemp, GpuLoad, GpuMemoryUsed, GpuPower, FanMax, AliasCount };

struct AliasInfo {
    const char* id;
    const char* name;
    Kind kind;
};
extern const AliasInfo kAliases[AliasCount];

// The first of these, in order, that exists is Sensors.CpuTemp.
extern const char* const kCpuTempChoices[];

class SensorTable {
public:
    using LogFn = std::function<void(const std::string&)>;

    struct Entry {
        std::string id;
        Kind kind;
        std::size_t monitor; // which monitor, and its sensor number
        std::size_t index;
    };

    explicit SensorTable(LogFn log = {}) : log(std::move(log)) {}

    // Takes monitor `monitor`'s sensors; one that is filtered out, whose id
    // would be too long or is taken already is left out (the last two with
    // a log line).
    void Add(std::size_t monitor, const std::vector<Found>& found, const PrefixFilter& filter);
    // Resolves the aliases; call once every monitor is added.
    void Finish();

    const std::vector<Entry>& Entries() const { return entries; }
    // The entry behind an alias; empty when it has none (FanMax: the first fan).
    std::optional<std::size_t> AliasSource(Alias alias) const;
    // The aliases with no sensor behind them, as ids.
    std::vector<std::string> Unbacked() const;
    // The alias values from the sensors' values (one per entry).
    void AliasValues(const std::vector<double>& values, double (&out)[AliasCount]) const;

private:
    std::optional<std::size_t> Find(std::string_view id) const;

    LogFn log;
    std::vector<Entry> entries;
    std::optional<std::size_t> sources[AliasCount];
    std::vector<std::size_t> fans;
};

} // namespace sensors
