#include "datasources/sensors/lhm_json.h"

#include <algorithm>
#include <cstdlib>

#include "datasources/common/json_text.h"
#include "datasources/sensors/sensor_table.h"

namespace sensors {
namespace {

using nlohmann::json;

std::string TextOf(const json& node, const char* name)
{
    const auto found = node.find(name);
    return found != node.end() && found->is_string() ? found->get<std::string>() : std::string();
}

} // namespace

std::optional<std::pair<double, Kind>> ReadingOf(const std::string& value)
{
    static const struct {
        const char* unit;
        Kind kind;
        double scale;
    } kUnits[] = {{"\xC2\xB0"
                   "C",
                   Kind::Temperature, 1},
                  {"RPM", Kind::Fan, 1},
                  {"mV", Kind::Voltage, 0.001},
                  {"V", Kind::Voltage, 1},
                  {"mA", Kind::Current, 0.001},
                  {"A", Kind::Current, 1},
                  {"W", Kind::Power, 1},
                  {"%", Kind::Percent, 1},
                  {"MB", Kind::MiB, 1},
                  {"GB", Kind::MiB, 1024}};
    const std::size_t space = value.rfind(' ');
    if (space == std::string::npos)
        return std::nullopt;
    const std::string unit = value.substr(space + 1);
    std::string number = value.substr(0, space);
    std::replace(number.begin(), number.end(), ',', '.'); // written in the monitor's locale
    char* end = nullptr;
    const double parsed = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size())
        return std::nullopt;
    for (const auto& known : kUnits)
        if (unit == known.unit)
            return std::pair(parsed * known.scale, known.kind);
    return std::nullopt;
}

namespace {

const json* ChildrenOf(const json& node)
{
    const auto found = node.find("Children");
    return found != node.end() && found->is_array() && !found->empty() ? &*found : nullptr;
}

// A hardware node holds categories ("Temperatures"), which hold sensors.
bool HoldsCategories(const json& node)
{
    for (const json& category : *ChildrenOf(node))
        if (const json* leaves = category.is_object() ? ChildrenOf(category) : nullptr)
            for (const json& leaf : *leaves)
                if (leaf.is_object() && ChildrenOf(leaf) == nullptr && !TextOf(leaf, "Value").empty())
                    return true;
    return false;
}

struct Walker {
    std::vector<LhmSensor> sensors;
    ChipNumbering numbering;

    // `hardware`: the numbered name of the nearest hardware above.
    // `prefix`: its name before numbering, for Include and Exclude.
    void Walk(const json& node, const std::string& hardware, const std::string& prefix, const std::string& category)
    {
        const json* children = ChildrenOf(node);
        if (children == nullptr) {
            Sensor(node, hardware, prefix, category);
            return;
        }
        const bool isHardware = HoldsCategories(node);
        const std::string text = TextOf(node, "Text");
        const std::string here = isHardware ? numbering.Next(text) : hardware;
        for (const json& child : *children)
            if (child.is_object())
                Walk(child, here, isHardware ? text : prefix, text);
    }

    void Sensor(const json& node, const std::string& hardware, const std::string& prefix, const std::string& category)
    {
        const std::optional<std::pair<double, Kind>> reading = ReadingOf(TextOf(node, "Value"));
        if (!reading || hardware.empty())
            return;
        std::string label = TextOf(node, "Text");
        const std::string part = IdPart(label);
        for (const LhmSensor& earlier : sensors)
            if (earlier.found.group == hardware && IdPart(earlier.found.label) == part) {
                label += " " + category;
                break;
            }
        std::string key = TextOf(node, "SensorId");
        if (key.empty())
            key = hardware + "\n" + label;
        sensors.push_back(LhmSensor{Found{hardware, label, reading->second, IdPart(prefix)}, key, reading->first});
    }
};

} // namespace

std::optional<std::vector<LhmSensor>> ParseLhm(std::string_view text, std::string& problem)
{
    // A big machine's document is a few hundred KiB.
    const std::optional<json> document = datavalues::ParseJson(text, problem, 16u << 20);
    if (!document)
        return std::nullopt;
    if (!document->is_object() || !document->contains("Children")) {
        problem = "is not LibreHardwareMonitor's sensor tree";
        return std::nullopt;
    }
    Walker walker;
    walker.Walk(*document, "", "", "");
    return std::move(walker.sensors);
}

} // namespace sensors
