// "Sensors": the machine's hardware monitors as variables: every
// temperature, fan, voltage, current and power of every hwmon chip
// (libsensors) on Linux, or of LibreHardwareMonitor and HWiNFO on Windows,
// and the load, memory, temperature, power and fan of each graphics card,
// as "Sensors.<chip>.<label>" and "Sensors.gpu<N>.<value>"; aliases that
// name the CPU and first card's values on any machine; the flag
// "Sensors.Hot" (and "Sensors.HasCpuTemp") and a CPU temperature bar.
// Values are sampled when read, on the source's own thread. Settings,
// section "Sensors", read at init: HotTemp, Interval, Include, Exclude,
// LhmUrl.
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

const glancer::DeclaredSettings kSettings(kSection, kName, {
    glancer::setting::Number("HotTemp",
                             "Set Sensors.Hot at this CPU or GPU temperature in degrees C (0: never; otherwise the "
                             "temperatures are read every Interval even while no screen shows them)",
                             0, 0, 200),
    glancer::setting::Number("Interval", "Read the sensors at most every (ms)", 1000, 100, 3600000),
    glancer::setting::Text("Include", "Only these chip prefixes, comma-separated (empty: all)", ""),
    glancer::setting::Text("Exclude", "Leave out these chip prefixes, comma-separated", ""),
    // A Path since an empty one reads as the default.
    glancer::setting::Path("LhmUrl", "LibreHardwareMonitor's data address (Windows)", kDefaultLhmUrl),
});

void Say(const std::string& text)
{
    glancer::Log(std::string(kName) + ": " + text);
}

std::unique_ptr<Machine> MakeMachine(const glancer::SettingValues& settings)
{
    return std::make_unique<Machine>(MakeMonitors(settings.Text("LhmUrl"), Say),
                                     PrefixFilter(settings.Text("Include"), settings.Text("Exclude")), Say);
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

#ifndef _WIN32
void ListSensors()
{
    const std::unique_ptr<Machine> machine = MakeMachine(kSettings.Read());
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
}
#endif

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
        const glancer::SettingValues settings = kSettings.Read();
        SamplerOptions sampling;
        sampling.interval = std::chrono::milliseconds(settings.Number("Interval"));
        sampling.hotTemp = static_cast<double>(settings.Number("HotTemp"));
        hotMark = sampling.hotTemp;
        sampler = std::make_unique<Sampler>(MakeMachine(settings), ReportHot, sampling);
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
#ifndef _WIN32
        ListSensors(); // what there is to include or leave out
#endif
        return kSettings.Configure(kName);
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
