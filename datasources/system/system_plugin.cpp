// "System": a data source describing the machine: CPU load, memory, uptime,
// network rates, disk space, the host name, time and date, a CPU load bar
// and a clock face. Values are sampled when read, at most once a second per
// group (CPU, memory, network...): the quick ones in the refresh thread, the
// disk, which may block, on a thread of the sampler's that otherwise sleeps.
// While the CPU load is 75 % or more it sets the flag "System.HighLoad", so
// screens can require it. Settings, section "System", read at init:
// DiskPath (any path on the disk to report; "/" or "C:\" when unset) and
// WatchLoad (1: sample the CPU every second even when no screen shows it,
// so the flag follows the load at all times).
#include <cstdio>
#include <ctime>
#include <memory>

#include "datasources/system/pictures.h"
#include "datasources/system/probe.h"
#include "datasources/system/sampler.h"
#include "datasources/system/value_text.h"
#include "datasources/system/variables.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "System";
const char kHighLoadFlag[] = "System.HighLoad";
#ifdef _WIN32
const char kDefaultDiskPath[] = "C:\\";
#else
const char kDefaultDiskPath[] = "/";
#endif

const glancer::DeclaredSettings kSettings(kName, kName, {
    glancer::setting::Path("DiskPath", "Disk to report (any path on it)", kDefaultDiskPath),
    glancer::setting::Number("WatchLoad", "Follow the CPU load for System.HighLoad even while no screen shows it, at "
                                          "one wake-up a second; 1 yes, 0 no", 0, 0, 1),
});

const Readings kNoReadings;

bool LocalTime(std::tm& out)
{
    const std::time_t now = std::time(nullptr);
#ifdef _WIN32
    return localtime_s(&out, &now) == 0;
#else
    return ::localtime_r(&now, &out) != nullptr;
#endif
}

void ReportHighLoad(bool high)
{
    glancer::SetFlag(kHighLoadFlag, high);
}

class SystemData : public glancer::DataSource {
public:
    SystemData()
    {
        for (const VariableInfo& variable : kVariables)
            AddVariable(variable.id, variable.name, variable.type);
    }
    ~SystemData() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (sampler != nullptr)
            return;
        try {
            const glancer::SettingValues settings = kSettings.Read();
            SamplerOptions options;
            options.watchLoad = settings.Number("WatchLoad") == 1;
            sampler = std::make_unique<Sampler>(MakeSystemProbe(), MakeSystemProbe(), settings.Text("DiskPath"),
                                                ReportHighLoad, std::move(options));
            sampler->Start();
        } catch (...) {
            sampler.reset(); // values stay at zero
        }
    }

    void Shutdown() override
    {
        sampler.reset(); // joins its thread; Init starts afresh
    }

    bool Configure() override
    {
        const bool shown = kSettings.Configure(kName);
#ifndef _WIN32
        if (!MakeSystemProbe()->Disk(kSettings.Read().Text("DiskPath")))
            std::printf("  Cannot read that disk now; it shows as \"?\" until it can.\n");
#endif
        return shown;
    }

    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        std::tm now{};
        const bool clock = (index == Time || index == Date) && LocalTime(now);
        const Group group = index < VariableCount ? kVariables[index].group : Group::None;
        WriteValue(index, Read(group), clock ? &now : nullptr, out.Area(), out.Size());
    }

    PluginImage* GetImage(std::uint32_t index) override
    {
        if (cpuBar == index) {
            DrawLoadBar(barPixels, Read(Group::Cpu).cpuLoad);
            return &bar;
        }
        std::tm now{};
        if (!LocalTime(now))
            now = std::tm{};
        DrawClock(clockPixels, now.tm_hour, now.tm_min, now.tm_sec);
        return &clock;
    }

private:
    Readings Read(Group group) const
    {
        return sampler != nullptr && group != Group::None ? sampler->Read(group) : kNoReadings;
    }

    const glancer::Picture cpuBar = AddPicture("System.CpuBar", "CPU load bar");
    const glancer::Picture clockFace = AddPicture("System.Clock", "Clock face");
    std::unique_ptr<Sampler> sampler;
    std::uint8_t barPixels[kBarWidth * kBarHeight] = {};
    std::uint8_t clockPixels[kClockSize * kClockSize] = {};
    PluginImage bar{barPixels, kBarWidth, kBarHeight, 0, kBarWidth * kBarHeight};
    PluginImage clock{clockPixels, kClockSize, kClockSize, 0, kClockSize * kClockSize};
};

const glancer::About kAbout{.name = kName,
                            .info = {.description = "Data source: CPU, memory, network, disk, uptime, host name, "
                                                    "time and date",
                                     .version = GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, SystemData)
