#include "datasources/sensors/sensor_table.h"

#include <algorithm>

namespace sensors {

const char* UnitOf(Kind kind)
{
    switch (kind) {
    case Kind::Temperature:
        return "\xC2\xB0"
               "C";
    case Kind::Fan:
        return "RPM";
    case Kind::Voltage:
        return "V";
    case Kind::Current:
        return "A";
    case Kind::Power:
        return "W";
    case Kind::Percent:
        return "%";
    case Kind::MiB:
        return "MiB";
    }
    return "";
}

const AliasInfo kAliases[AliasCount] = {
    {"Sensors.CpuTemp",
     "CPU temperature in \xC2\xB0"
     "C",
     Kind::Temperature},
    {"Sensors.GpuTemp",
     "First GPU's temperature in \xC2\xB0"
     "C",
     Kind::Temperature},
    {"Sensors.GpuLoad", "First GPU's load in percent", Kind::Percent},
    {"Sensors.GpuMemoryUsed", "First GPU's memory used in MiB", Kind::MiB},
    {"Sensors.GpuPower", "First GPU's power in W", Kind::Power},
    {"Sensors.FanMax", "Fastest fan in RPM", Kind::Fan},
};

// "*." matches any group: LibreHardwareMonitor names the CPU after its model.
const char* const kCpuTempChoices[] = {
    "Sensors.k10temp.Tctl",
    "Sensors.zenpower.Tctl",
    "Sensors.coretemp.Package_id_0",
    "Sensors.cpu_thermal.temp1",
    "Sensors.k10temp.temp1",
    "*.Core__Tctl_Tdie_",
    "*.CPU_Package",
    "Sensors.HWiNFO.CPU_Package",
    "Sensors.HWiNFO.CPU__Tctl_Tdie_",
    nullptr,
};

namespace {

const char* const kGpuAliasIds[] = {"Sensors.gpu1.Temp", "Sensors.gpu1.Load", "Sensors.gpu1.MemoryUsed",
                                    "Sensors.gpu1.Power"};

std::vector<std::string> SplitList(std::string_view text)
{
    std::vector<std::string> items;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        if (!item.empty())
            items.emplace_back(item);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return items;
}

bool IdChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

} // namespace

std::string IdPart(std::string_view label)
{
    std::string part(label);
    for (char& c : part)
        if (!IdChar(c))
            c = '_';
    return part;
}

std::string ChipNumbering::Next(const std::string& prefix)
{
    for (auto& [name, count] : seen)
        if (name == prefix)
            return prefix + "_" + std::to_string(++count);
    seen.emplace_back(prefix, 1);
    return prefix;
}

PrefixFilter::PrefixFilter(std::string_view include, std::string_view exclude)
    : include(SplitList(include)), exclude(SplitList(exclude))
{
}

bool PrefixFilter::Wanted(std::string_view prefix) const
{
    const auto listed = [&](const std::vector<std::string>& list) {
        return std::find(list.begin(), list.end(), prefix) != list.end();
    };
    return !listed(exclude) && (include.empty() || listed(include));
}

void SensorTable::Add(std::size_t monitor, const std::vector<Found>& found, const PrefixFilter& filter)
{
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Found& sensor = found[i];
        if (!filter.Wanted(sensor.prefix))
            continue;
        std::string id = "Sensors." + IdPart(sensor.group) + "." + IdPart(sensor.label);
        if (id.size() > kMaxIdLength) {
            if (log)
                log("the label \"" + sensor.label.substr(0, 40) + "...\" of " + sensor.group +
                    " is too long for an id; left out");
            continue;
        }
        if (Find(id)) {
            if (log)
                log("\"" + sensor.label + "\" of " + sensor.group + " would be " + id +
                    ", which another sensor has; left out");
            continue;
        }
        entries.push_back(Entry{std::move(id), sensor.kind, monitor, i});
    }
}

std::optional<std::size_t> SensorTable::Find(std::string_view id) const
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& candidate = entries[i].id;
        const bool match =
            id.starts_with("*.") ? candidate.size() > id.size() && candidate.ends_with(id.substr(1)) : candidate == id;
        if (match)
            return i;
    }
    return std::nullopt;
}

void SensorTable::Finish()
{
    for (const char* const* choice = kCpuTempChoices; *choice != nullptr && !sources[CpuTemp]; ++choice) {
        const std::optional<std::size_t> found = Find(*choice);
        if (found && entries[*found].kind == Kind::Temperature)
            sources[CpuTemp] = found;
    }
    for (std::size_t alias = GpuTemp; alias <= GpuPower; ++alias)
        sources[alias] = Find(kGpuAliasIds[alias - GpuTemp]);
    fans.clear();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].kind == Kind::Fan)
            fans.push_back(i);
    if (!fans.empty())
        sources[FanMax] = fans.front();
}

std::optional<std::size_t> SensorTable::AliasSource(Alias alias) const
{
    return sources[alias];
}

std::vector<std::string> SensorTable::Unbacked() const
{
    std::vector<std::string> ids;
    for (std::size_t alias = 0; alias < AliasCount; ++alias)
        if (!sources[alias])
            ids.emplace_back(kAliases[alias].id);
    return ids;
}

void SensorTable::AliasValues(const std::vector<double>& values, double (&out)[AliasCount]) const
{
    for (std::size_t alias = 0; alias < AliasCount; ++alias)
        out[alias] = sources[alias] && *sources[alias] < values.size() ? values[*sources[alias]] : 0.0;
    double fastest = 0.0;
    for (const std::size_t fan : fans)
        if (fan < values.size())
            fastest = std::max(fastest, values[fan]);
    out[FanMax] = fastest;
}

} // namespace sensors
