#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "datasources/sensors/lhm_json.h"
#include "datasources/sensors/sampler.h"
#include "datasources/sensors/sensor_table.h"
#include "tests/common/test_env.h"

namespace {

using namespace sensors;
using testenv::WaitFor;

// Sensors whose values a test sets; counts its reads.
class FakeMonitor : public Monitor {
public:
    explicit FakeMonitor(std::vector<Found> found) : found(std::move(found)), values(this->found.size(), 0.0) {}
    std::vector<Found> Discover() override { return found; }
    void Read(std::span<double> out) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = values[i];
        ++reads;
    }
    void Set(std::size_t i, double value)
    {
        std::lock_guard<std::mutex> lock(mutex);
        values[i] = value;
    }
    int Reads()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return reads;
    }

private:
    const std::vector<Found> found;
    std::mutex mutex;
    std::vector<double> values;
    int reads = 0;
};

Found T(const char* group, const char* label, Kind kind = Kind::Temperature)
{
    std::string prefix = group;
    prefix = prefix.substr(0, prefix.find('_'));
    return Found{group, label, kind, prefix};
}

std::vector<std::string> Ids(const SensorTable& table)
{
    std::vector<std::string> ids;
    for (const auto& entry : table.Entries())
        ids.push_back(entry.id);
    return ids;
}

TEST(SensorTable, NamesChipsAndLabelsAndLeavesOutWhatCannotBeAnId)
{
    ChipNumbering numbering;
    EXPECT_EQ(numbering.Next("nvme"), "nvme");
    EXPECT_EQ(numbering.Next("k10temp"), "k10temp");
    EXPECT_EQ(numbering.Next("nvme"), "nvme_2");
    EXPECT_EQ(numbering.Next("nvme"), "nvme_3");
    EXPECT_EQ(IdPart("Package id 0"), "Package_id_0");
    EXPECT_EQ(IdPart("Core (Tctl/Tdie)"), "Core__Tctl_Tdie_");
    EXPECT_EQ(IdPart("t\xC2\xB0-x_9"), "t__-x_9"); // each byte of a UTF-8 character

    std::vector<std::string> log;
    SensorTable table([&](const std::string& line) { log.push_back(line); });
    table.Add(0,
              {T("nct6798", "fan 1", Kind::Fan), T("nct6798", "fan/1", Kind::Fan),
               T("nct6798", std::string(300, 'x').c_str()), T("nvme", "Composite"), T("nvme_2", "Composite"),
               T("acpitz", "temp1")},
              PrefixFilter("nct6798, nvme", " acpitz,nvme_x"));
    EXPECT_EQ(Ids(table), (std::vector<std::string>{"Sensors.nct6798.fan_1", "Sensors.nvme.Composite",
                                                    "Sensors.nvme_2.Composite"}));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "\"fan/1\" of nct6798 would be Sensors.nct6798.fan_1, which another sensor has; left out");
    EXPECT_EQ(log[1], "the label \"" + std::string(40, 'x') + "...\" of nct6798 is too long for an id; left out");
    EXPECT_TRUE(PrefixFilter("", "").Wanted("anything"));
    EXPECT_FALSE(PrefixFilter("a", "a").Wanted("a"));
}

TEST(SensorTable, AliasesFollowTheChoiceOrderAndReadZeroWithoutASensor)
{
    SensorTable table;
    table.Add(0,
              {T("coretemp", "Package id 0"), T("k10temp", "Tctl"), T("nct6798", "fan1", Kind::Fan),
               T("nct6798", "fan2", Kind::Fan), T("gpu1", "Temp"), T("gpu1", "Load", Kind::Percent)},
              PrefixFilter("", ""));
    table.Finish();
    EXPECT_EQ(table.Entries()[*table.AliasSource(CpuTemp)].id, "Sensors.k10temp.Tctl");
    EXPECT_EQ(table.Unbacked(), (std::vector<std::string>{"Sensors.GpuMemoryUsed", "Sensors.GpuPower"}));
    double aliases[AliasCount];
    table.AliasValues({60, 45.5, 900, 1800, 70, 12}, aliases);
    EXPECT_EQ(std::vector<double>(std::begin(aliases), std::end(aliases)),
              (std::vector<double>{45.5, 70, 12, 0, 0, 1800}));

    // LibreHardwareMonitor names the CPU after its model; a fan called Tctl is no temperature.
    SensorTable windows;
    windows.Add(0, {T("k10temp", "Tctl", Kind::Fan), T("Intel_Core_i7-9700K", "CPU Package")}, PrefixFilter("", ""));
    windows.Finish();
    EXPECT_EQ(*windows.AliasSource(CpuTemp), 1u);
    EXPECT_EQ(*windows.AliasSource(FanMax), 0u);
}

TEST(LhmJson, ReadsTheSensorTreeOfARecordedDocument)
{
    std::ifstream file(GLANCER_TEST_SOURCE_DIR "/datasources/sensors/fixtures/lhm_data.json");
    std::stringstream text;
    text << file.rdbuf();
    std::string problem;
    const auto sensors = ParseLhm(text.str(), problem);
    ASSERT_TRUE(sensors) << problem;
    std::vector<Found> found;
    std::vector<std::string> shown;
    for (const LhmSensor& sensor : *sensors) {
        found.push_back(sensor.found);
        shown.push_back(sensor.found.group + "|" + sensor.found.label + "|" + std::to_string(sensor.value) + "|" +
                        UnitOf(sensor.found.kind));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "AMD Ryzen 7 5800X|Core (Tctl/Tdie)|45.300000|\xC2\xB0"
                         "C", // clocks left out
                         "AMD Ryzen 7 5800X|CPU Total|12.500000|%",
                         "AMD Ryzen 7 5800X|Package|35.200000|W",
                         "Nuvoton NCT6798D|Vcore|1.104000|V",
                         "Nuvoton NCT6798D|CPU|41.000000|\xC2\xB0"
                         "C",
                         "Nuvoton NCT6798D|Fan #1|1200.000000|RPM",
                         "Nuvoton NCT6798D|Fan #2|870.000000|RPM",
                         "NVIDIA GeForce RTX 3070|GPU Core|55.000000|\xC2\xB0"
                         "C",
                         "NVIDIA GeForce RTX 3070|GPU Core Load|30.000000|%",
                         "NVIDIA GeForce RTX 3070|GPU Package|110.500000|W",
                         "NVIDIA GeForce RTX 3070|GPU Memory Used|2048.000000|MiB",
                         "Samsung SSD 970 EVO 1TB|Temperature|38.000000|\xC2\xB0"
                         "C",
                         "Samsung SSD 970 EVO 1TB_2|Temperature|36.000000|\xC2\xB0"
                         "C",
                     }));
    EXPECT_EQ((*sensors)[5].key, "/lpc/nct6798d/fan/0");
    SensorTable table;
    table.Add(0, found, PrefixFilter("", "Samsung_SSD_970_EVO_1TB"));
    table.Finish();
    EXPECT_EQ(table.Entries()[*table.AliasSource(CpuTemp)].id, "Sensors.AMD_Ryzen_7_5800X.Core__Tctl_Tdie_");
    EXPECT_EQ(table.Entries().size(), 11u);

    for (const char* bad : {"[]", "{\"Children\": 5}", "{\"Text\": \"x\"", "<html>Not found</html>"}) {
        problem.clear();
        const auto parsed = ParseLhm(bad, problem);
        EXPECT_TRUE(!parsed || parsed->empty()) << bad;
        EXPECT_EQ(parsed.has_value(), problem.empty()) << bad;
    }
}

struct SamplerRig {
    explicit SamplerRig(double hotTemp, std::chrono::milliseconds interval = std::chrono::milliseconds(1000))
    {
        auto fake = std::make_unique<FakeMonitor>(std::vector<Found>{T("k10temp", "Tctl"), T("gpu1", "Temp")});
        monitor = fake.get();
        std::vector<std::unique_ptr<Monitor>> monitors;
        monitors.push_back(std::move(fake));
        SamplerOptions options;
        options.interval = interval;
        options.hotTemp = hotTemp;
        if (hotTemp == 0.0)
            options.now = [this] { return SteadyTime(std::chrono::milliseconds(clock.load())); };
        sampler = std::make_unique<Sampler>(
            std::make_unique<Machine>(std::move(monitors), PrefixFilter("", "")),
            [this](bool hot) { changes.push_back(hot); }, options);
    }
    FakeMonitor* monitor;
    std::atomic<long> clock{0};
    std::vector<bool> changes; // the sampler's thread only, joined before it is read
    std::unique_ptr<Sampler> sampler;
};

TEST(SensorSampler, ReadsTheMonitorsOnlyWhenAValueShownIsAnIntervalOld)
{
    SamplerRig rig(0.0);
    rig.monitor->Set(0, 51.0);
    rig.sampler->Start();
    ASSERT_TRUE(WaitFor([&] { return rig.sampler->Read(AliasCount) == 51.0; }));
    EXPECT_EQ(rig.sampler->Read(CpuTemp), 51.0);
    rig.monitor->Set(0, 53.0);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(rig.sampler->Read(CpuTemp), 51.0); // sampled less than an interval ago
    EXPECT_EQ(rig.monitor->Reads(), 1);
    rig.clock = 900; // within the tolerance of the interval
    ASSERT_TRUE(WaitFor([&] { return rig.sampler->Read(CpuTemp) == 53.0; }));
    EXPECT_EQ(rig.monitor->Reads(), 2);
    EXPECT_EQ(rig.sampler->Read(rig.sampler->Count()), 0.0);
    rig.sampler->Stop();
    EXPECT_TRUE(rig.changes.empty()); // no HotTemp, no flag
}

TEST(SensorSampler, WatchesTheTemperaturesForTheHotFlagWhileHotTempIsSet)
{
    SamplerRig rig(80.0, std::chrono::milliseconds(5));
    rig.sampler->Start();
    rig.monitor->Set(1, 85.0); // the card
    ASSERT_TRUE(WaitFor([&] { return rig.sampler->Read(GpuTemp) == 85.0; }));
    const int reads = rig.monitor->Reads();
    ASSERT_TRUE(WaitFor([&] { return rig.monitor->Reads() > reads + 2; })); // unread, still sampled
    rig.monitor->Set(0, 80.0);                                              // at the limit counts
    rig.monitor->Set(1, 60.0);
    ASSERT_TRUE(WaitFor([&] { return rig.sampler->Read(GpuTemp) == 60.0; }));
    rig.monitor->Set(0, 79.5);
    ASSERT_TRUE(WaitFor([&] { return rig.sampler->Read(CpuTemp) == 79.5; }));
    rig.sampler->Stop();
    EXPECT_EQ(rig.changes, (std::vector<bool>{true, false}));
}

} // namespace
