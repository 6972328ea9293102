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
#include <string>

#include "datasources/system/pictures.h"
#include "datasources/system/probe.h"
#include "datasources/system/sampler.h"
#include "datasources/system/value_text.h"
#include "datasources/system/variables.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "System";
const char kSection[] = "System";
const char kHighLoadFlag[] = "System.HighLoad";
#ifdef _WIN32
const char kDefaultDiskPath[] = "C:\\";
#else
const char kDefaultDiskPath[] = "/";
#endif

enum Image : std::uint32_t { CpuBar, Clock };

const Readings kNoReadings;

std::string ReadDiskPath()
{
    const std::string value = glancer::Settings(kSection).Text("DiskPath", "");
    return value.empty() ? std::string(kDefaultDiskPath) : value;
}

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
        AddPicture("System.CpuBar", "CPU load bar");
        AddPicture("System.Clock", "Clock face");
    }
    ~SystemData() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (sampler != nullptr)
            return;
        try {
            SamplerOptions options;
            options.watchLoad = glancer::Settings(kSection, kName).Number("WatchLoad", 0, 0, 1) == 1;
            sampler = std::make_unique<Sampler>(MakeSystemProbe(), MakeSystemProbe(), ReadDiskPath(), ReportHighLoad,
                                                std::move(options));
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
#ifdef _WIN32
        return false; // the Windows program has no console to ask on
#else
        std::printf("System data source settings (press Enter to keep a value).\n");
        std::string answer;
        if (!glancer::Ask("Disk to report (any path on it)", ReadDiskPath(), answer))
            return true;
        const glancer::Settings stored(kSection, kName);
        if (!answer.empty()) {
            if (!MakeSystemProbe()->Disk(answer))
                std::printf("  Cannot read that disk now; it shows as \"?\" until it can.\n");
            stored.WriteText("DiskPath", answer);
        }
        const std::int64_t watch = stored.Number("WatchLoad", 0, 0, 1);
        if (!glancer::Ask("Follow the CPU load for System.HighLoad even while no screen shows it, at one wake-up "
                          "a second (1 yes, 0 no)",
                          std::to_string(watch), answer) ||
            answer.empty())
            return true;
        if (answer == "0" || answer == "1")
            stored.WriteNumber("WatchLoad", answer == "1" ? 1 : 0);
        else
            std::printf("  Answer 0 or 1; it stays %d.\n", static_cast<int>(watch));
        return true;
#endif
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
        if (index == CpuBar) {
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

    std::unique_ptr<Sampler> sampler;
    std::uint8_t barPixels[kBarWidth * kBarHeight] = {};
    std::uint8_t clockPixels[kClockSize * kClockSize] = {};
    PluginImage bar{barPixels, kBarWidth, kBarHeight, 0, kBarWidth * kBarHeight};
    PluginImage clock{clockPixels, kClockSize, kClockSize, 0, kClockSize * kClockSize};
};

const glancer::About kAbout{
    kName, {"Data source: CPU, memory, network, disk, uptime, host name, time and date", GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, SystemData)
