// "Sensors": the machine's hardware monitors as variables: every
// temperature, fan, voltage, current and power of every hwmon chip
// (libsensors) on Linux, or of LibreHardwareMonitor and HWiNFO on Windows,
// and the load, memory, temperature, power and fan of each graphics card,
// as "Sensors.<chip>.<label>" and "Sensors.gpu<N>.<value>"; aliases that
// name the CPU and first card's values on any machine; the flag
// "Sensors.Hot" (and "Sensors.HasCpuTemp") and a CPU temperature bar. Values are sampled when read, on
// the source's own thread. Settings, section "Sensors", read at init:
// HotTemp, Interval, LhmUrl, Include, Exclude.
#include <cstdio>
#include <memory>
#include <string>

#include "datasources/sensors/monitors.h"
#include "datasources/sensors/sampler.h"
#include "datasources/sensors/temp_bar.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

using namespace sensors;

const char kName[] = "Sensors";
const char kSection[] = "Sensors";
const char kHotFlag[] = "Sensors.Hot";
// Set from start while Sensors.CpuTemp has a sensor behind it, so a screen
// showing it can require it.
const char kHasCpuTempFlag[] = "Sensors.HasCpuTemp";
const char kDefaultLhmUrl[] = "http://127.0.0.1:8085/data.json";

struct Options {
    std::int64_t hotTemp;
    std::int64_t interval;
    std::string lhmUrl;
    std::string include;
    std::string exclude;
};

Options ReadOptions()
{
    const glancer::Settings stored(kSection, kName);
    Options options;
    options.hotTemp = stored.Number("HotTemp", 0, 0, 200);
    options.interval = stored.Number("Interval", 1000, 100, 3600000);
    options.lhmUrl = stored.Text("LhmUrl", kDefaultLhmUrl);
    if (options.lhmUrl.empty())
        options.lhmUrl = kDefaultLhmUrl;
    options.include = stored.Text("Include", "");
    options.exclude = stored.Text("Exclude", "");
    return options;
}

void Say(const std::string& text)
{
    glancer::Log(std::string(kName) + ": " + text);
}

std::unique_ptr<Machine> MakeMachine(const Options& options)
{
    return std::make_unique<Machine>(MakeMonitors(options.lhmUrl, Say), PrefixFilter(options.include, options.exclude),
                                     Say);
}

void ReportHot(bool hot)
{
    glancer::SetFlag(kHotFlag, hot);
}

std::string Joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

class SensorsData : public glancer::DataSource {
public:
    SensorsData()
    {
        AddPicture("Sensors.CpuTempBar", "CPU temperature bar (0 to 100 \xC2\xB0"
                                         "C)");
    }
    ~SensorsData() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (sampler != nullptr) {
            sampler->Start();
            return;
        }
        const Options options = ReadOptions();
        SamplerOptions sampling;
        sampling.interval = std::chrono::milliseconds(options.interval);
        sampling.hotTemp = static_cast<double>(options.hotTemp);
        hotMark = static_cast<double>(options.hotTemp);
        sampler = std::make_unique<Sampler>(MakeMachine(options), ReportHot, sampling);
        for (const AliasInfo& alias : kAliases)
            AddVariable(alias.id, alias.name, GLANCER_VAR_DOUBLE);
        for (const SensorTable::Entry& entry : sampler->Table().Entries())
            AddVariable(entry.id, std::string("In ") + UnitOf(entry.kind), GLANCER_VAR_DOUBLE);
        const std::vector<std::string> unbacked = sampler->Table().Unbacked();
        Say(std::to_string(sampler->Table().Entries().size()) + " sensors" +
            (unbacked.empty() ? "" : "; no sensor for " + Joined(unbacked) + ", which read 0"));
        glancer::SetFlag(kHasCpuTempFlag, sampler->Table().AliasSource(CpuTemp).has_value());
        sampler->Start();
    }

    void Shutdown() override
    {
        if (sampler != nullptr)
            sampler->Stop();
    }

    bool Configure() override
    {
#ifdef _WIN32
        return false; // the Windows program has no console to ask on
#else
        Options options = ReadOptions();
        const std::unique_ptr<Machine> machine = MakeMachine(options);
        std::vector<double> values;
        machine->Read(values);
        const SensorTable& table = machine->Table();
        const std::vector<SensorTable::Entry>& entries = table.Entries();
        for (std::size_t i = 0; i < entries.size(); ++i)
            std::printf("%s: %.3f %s\n", entries[i].id.c_str(), values[i], UnitOf(entries[i].kind));
        double aliases[AliasCount];
        table.AliasValues(values, aliases);
        for (std::size_t alias = 0; alias < AliasCount; ++alias) {
            const std::optional<std::size_t> source = table.AliasSource(static_cast<Alias>(alias));
            if (!source)
                std::printf("%s: no sensor, reads 0\n", kAliases[alias].id);
            else
                std::printf("%s: %.3f %s (%s)\n", kAliases[alias].id, aliases[alias], UnitOf(kAliases[alias].kind),
                            alias == FanMax ? "the fastest fan" : entries[*source].id.c_str());
        }
        std::printf("Sensors settings (press Enter to keep a value, - to empty a list).\n");
        const glancer::Settings stored(kSection, kName);
        std::string answer;
        const auto number = [&](const char* name, const char* prompt, std::int64_t current, std::int64_t low,
                                std::int64_t high) {
            if (!glancer::Ask(prompt, std::to_string(current), answer))
                return false;
            if (answer.empty())
                return true;
            char* end = nullptr;
            const long long value = std::strtoll(answer.c_str(), &end, 10);
            if (end != answer.c_str() && *end == '\0' && value >= low && value <= high)
                stored.WriteNumber(name, static_cast<std::uint32_t>(value));
            else
                std::printf("  Answer a number from %lld to %lld; it stays %lld.\n", static_cast<long long>(low),
                            static_cast<long long>(high), static_cast<long long>(current));
            return true;
        };
        const auto text = [&](const char* name, const char* prompt, const std::string& current) {
            if (!glancer::Ask(prompt, current, answer))
                return false;
            if (!answer.empty())
                stored.WriteText(name, answer == "-" ? std::string() : answer);
            return true;
        };
        if (!number("HotTemp",
                    "Set Sensors.Hot at this CPU or GPU temperature in \xC2\xB0"
                    "C (0: never; otherwise the "
                    "temperatures are read every Interval even while no screen shows them)",
                    options.hotTemp, 0, 200) ||
            !number("Interval", "Read the sensors at most every (ms)", options.interval, 100, 3600000) ||
            !text("Include", "Only these chip prefixes, comma-separated (empty: all)", options.include))
            return true;
        text("Exclude", "Leave out these chip prefixes, comma-separated", options.exclude);
        return true;
#endif
    }

    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        out.Double(sampler != nullptr ? sampler->Read(index) : 0.0);
    }

    PluginImage* GetImage(std::uint32_t) override
    {
        DrawTempBar(barPixels, sampler != nullptr ? sampler->Read(CpuTemp) : 0.0, hotMark);
        return &bar;
    }

private:
    std::unique_ptr<Sampler> sampler;
    double hotMark = 0.0;
    std::uint8_t barPixels[kTempBarWidth * kTempBarHeight] = {};
    PluginImage bar{barPixels, kTempBarWidth, kTempBarHeight, 0, kTempBarWidth* kTempBarHeight};
};

const glancer::About kAbout{
    kName, {"Data source: temperatures, fans, voltages, power and graphics cards", GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, SensorsData)
