// The two JSON paths from the outside: a field of an MQTT message and
// LibreHardwareMonitor's data.json. The first byte picks one; for MQTT the
// bytes up to the first newline are the field's path, the rest the message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "datasources/mqtt/json_field.h"
#include "datasources/sensors/lhm_json.h"
#include "datasources/sensors/sensor_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        const std::size_t newline = input.find('\n');
        const std::string_view path = newline == std::string_view::npos ? "temp" : input.substr(0, newline);
        const std::string_view payload = newline == std::string_view::npos ? input : input.substr(newline + 1);
        const mqtt::JsonFieldResult result = mqtt::JsonField(payload, path);
        if (result.status != mqtt::JsonFieldResult::Found && result.text.empty())
            __builtin_trap(); // every refusal says why
        return 0;
    }
    std::string problem;
    const auto sensors = sensors::ParseLhm(input, problem);
    if (sensors.has_value() == !problem.empty())
        __builtin_trap();
    if (sensors) {
        std::vector<sensors::Found> found;
        for (const sensors::LhmSensor& sensor : *sensors)
            found.push_back(sensor.found);
        sensors::SensorTable table;
        table.Add(0, found, sensors::PrefixFilter("", ""));
        table.Finish();
        for (const auto& entry : table.Entries())
            if (entry.id.size() > sensors::kMaxIdLength || entry.id.find(' ') != std::string::npos)
                __builtin_trap();
    }
    return 0;
}
