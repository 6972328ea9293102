#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "datasources/system/cpu_meter.h"
#include "datasources/system/net_meter.h"
#include "datasources/system/proc_text.h"
#include "datasources/system/sampler.h"
#include "datasources/system/value_text.h"
#include "datasources/system/variables.h"
#include "tests/common/test_env.h"

namespace {

using testenv::WaitFor;

const char kNetDev[] =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls "
    "carrier compressed\n"
    "    lo: 9000 10 0 0 0 0 0 0 9000 10 0 0 0 0 0 0\n"
    "  eth0: 1048576 900 0 0 0 0 0 0 2048 20 0 0 0 0 0 0\n"
    "wlan0: 10 1 0 0 0 0 0 0 20 2 0 0 0 0 0 0\n";

TEST(ProcText, ReadsWellFormedTextAndGivesNothingForTruncatedOrGarbledText)
{
    const auto cpu = ParseCpuTimes("cpu  100 20 30 400 50 6 7 8 99 99\ncpu0 1 2 3 4\n");
    ASSERT_TRUE(cpu);
    EXPECT_EQ(cpu->total, 621u); // guest fields left out: already inside user
    EXPECT_EQ(cpu->busy, 171u);
    const auto memory = ParseMeminfo("MemTotal:       16000 kB\nMemFree: 1 kB\nMemAvailable:    4000 kB\n");
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->totalBytes, 16000u * 1024);
    EXPECT_EQ(memory->availableBytes, 4000u * 1024);
    EXPECT_EQ(ParseUptime("350735.47 234388.90\n"), 350735);
    std::vector<NetCounter> counters;
    ASSERT_TRUE(ParseNetDev(kNetDev, counters));
    ASSERT_EQ(counters.size(), 2u);
    EXPECT_EQ(counters[0].name + " " + std::to_string(counters[0].received) + " " + std::to_string(counters[0].sent) +
                  " " + counters[1].name,
              "eth0 1048576 2048 wlan0");

    for (const char* bad : {"", "cpu  100 20 30", "cpu0 1 2 3 4 5\n", "cpu  x y z w\n"})
        EXPECT_FALSE(ParseCpuTimes(bad)) << bad;
    for (const char* bad : {"MemTotal: 16000 kB\n", "MemTotal: 100 kB\nMemAvailable: 200 kB\n",
                            "MemTotal: 99999999999999999999999 kB\nMemAvailable: 1 kB\n", "MemTotal:"})
        EXPECT_FALSE(ParseMeminfo(bad)) << bad;
    EXPECT_FALSE(ParseUptime("abc"));
    EXPECT_FALSE(ParseUptime(""));
    // A read cut short mid-line keeps the complete lines only.
    const std::string text(kNetDev);
    ASSERT_TRUE(ParseNetDev(std::string_view(text).substr(0, text.find("eth0") + 20), counters));
    EXPECT_TRUE(counters.empty());
    EXPECT_FALSE(ParseNetDev("", counters));
    EXPECT_FALSE(ParseNetDev("garbage\n:::\n", counters));
}

TEST(Meters, RatesFromDeltasSurviveResetsWrapsAndVanishingInterfaces)
{
    CpuMeter cpu;
    EXPECT_FALSE(cpu.Update({100, 400}));
    EXPECT_DOUBLE_EQ(*cpu.Update({150, 500}), 50.0);
    EXPECT_FALSE(cpu.Update({150, 500})); // no time passed
    EXPECT_FALSE(cpu.Update({10, 50}));   // counters reset
    EXPECT_DOUBLE_EQ(*cpu.Update({35, 150}), 25.0);

    // Receive and send in KiB/s; exact in binary.
    NetMeter net;
    const auto rates = [&net](const std::vector<NetCounter>& now, double seconds) {
        const NetRates r = net.Update(now, seconds);
        return std::pair{r.receive, r.send};
    };
    EXPECT_EQ(rates({{"eth0", 1000, 500}, {"wlan0", 0, 0}}, 1.0), std::pair(0.0, 0.0)); // no baseline yet
    EXPECT_EQ(rates({{"eth0", 3048, 1524}, {"wlan0", 1024, 0}}, 2.0), std::pair(1.5, 0.5));
    // wlan0 gone, eth0's receive counter wrapped: neither may count.
    EXPECT_EQ(rates({{"eth0", 100, 5620}}, 1.0), std::pair(0.0, 4.0));
    // wlan0 back with low counters, eth0 continues from its new baseline.
    EXPECT_EQ(rates({{"eth0", 1124, 5620}, {"wlan0", 10, 10}}, 1.0), std::pair(1.0, 0.0));
    EXPECT_EQ(rates({{"eth0", 2148, 5620}}, 0.0), std::pair(0.0, 0.0));
}

TEST(ValueText, FormatsAndCutsToTheBuffer)
{
    char text[64];
    const auto shown = [&text](auto format) { return format(text, std::uint32_t{sizeof text}), std::string(text); };
    EXPECT_EQ(shown(std::bind_front(FormatUptime, 3 * 86400 + 4 * 3600 + 5 * 60 + 59)), "3d 04:05");
    EXPECT_EQ(shown(std::bind_front(FormatUptime, -5)), "00:00");
    EXPECT_EQ(shown(std::bind_front(FormatNetRates, 12.34, 4.0)), "D 12.3K U 4.0K");
    EXPECT_EQ(shown(std::bind_front(FormatNetRates, 2048.0, std::nan(""))), "D 2.0M U 0.0K"); // nonsense: zero
    EXPECT_EQ(shown(std::bind_front(FormatDiskFree, 13207024435ull)), "12.3 GiB free");
    EXPECT_EQ(shown(std::bind_front(FormatDiskFree, 512)), "512 B free");

    std::memset(text, 'x', sizeof text);
    FormatNetRates(1.0, 1.0, text, 4);
    EXPECT_EQ(std::string(text, 5), std::string("D 1\0x", 5));
    CopyText("abc", text, 0);
    EXPECT_EQ(text[0], 'D');
}

TEST(Variables, ValuesNeverOverrunTheGivenSize)
{
    Readings readings;
    readings.cpuLoad = 74.6;
    readings.memoryTotalMiB = 8000;
    std::strcpy(readings.hostname, "a-rather-long-host-name");
    unsigned char area[16];
    const auto text = [&area] { return reinterpret_cast<const char*>(area); };
    std::memset(area, 0xAB, sizeof area);
    // A double, an integer in too few bytes and an unknown index write nothing.
    WriteValue(CpuLoadExact, readings, nullptr, area, 4);
    WriteValue(MemoryTotal, readings, nullptr, area, 3);
    WriteValue(VariableCount, readings, nullptr, area, sizeof area);
    EXPECT_EQ(std::string(text(), sizeof area), std::string(sizeof area, '\xAB'));

    WriteValue(CpuLoad, readings, nullptr, area, 4);
    std::int32_t number = 0;
    std::memcpy(&number, area, 4);
    EXPECT_EQ(number, 75);
    EXPECT_EQ(area[4], 0xAB);
    WriteValue(Hostname, readings, nullptr, area, 8);
    EXPECT_STREQ(text(), "a-rathe");
    EXPECT_EQ(area[8], 0xAB);

    WriteValue(Time, readings, nullptr, area, sizeof area);
    EXPECT_STREQ(text(), "?");
    std::tm now{};
    now.tm_year = 124, now.tm_mon = 1, now.tm_mday = 29, now.tm_hour = 7;
    WriteValue(Date, readings, &now, area, sizeof area);
    EXPECT_STREQ(text(), "2024-02-29");
    WriteValue(Time, readings, &now, area, sizeof area);
    EXPECT_STREQ(text(), "07:00:00");
}

// A machine whose readings the test sets, counting the calls of each group;
// the network is readable when set, the disk may be held until released.
struct FakeProbe : SystemProbe {
    std::optional<CpuTimes> cpu;
    bool busy = false; // fully busy between any two samples
    std::optional<MemoryInfo> memory;
    std::optional<std::vector<NetCounter>> net;
    std::optional<DiskSpace> disk;
    std::string diskPathSeen;
    std::array<std::atomic<int>, kGroupCount> calls{};
    std::atomic<bool> held{false}; // Disk waits while set

    int Calls(Group group) const { return calls[static_cast<std::size_t>(group)]; }
    void Count(Group group) { ++calls[static_cast<std::size_t>(group)]; }

    std::optional<CpuTimes> Cpu() override
    {
        Count(Group::Cpu);
        if (busy)
            cpu = CpuTimes{cpu->busy + 100, cpu->total + 100};
        return cpu;
    }
    std::optional<MemoryInfo> Memory() override { return Count(Group::Memory), memory; }
    std::optional<std::int64_t> UptimeSeconds() override { return Count(Group::Uptime), 90061; }
    bool Network(std::vector<NetCounter>& out) override { return Count(Group::Network), net && (out = *net, true); }
    std::optional<DiskSpace> Disk(const std::string& path) override
    {
        for (Count(Group::Disk); held;)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        diskPathSeen = path;
        return disk;
    }
    bool Hostname(char* out, std::size_t size) override
    {
        Count(Group::Host);
        return std::snprintf(out, size, "box") > 0;
    }
};

TEST(Sampler, ReadsProbeOnlyTheirGroupOncePerPeriodAndRatesSpanTheWindow)
{
    auto owned = std::make_unique<FakeProbe>();
    FakeProbe& probe = *owned;
    probe.memory = MemoryInfo{4096ull << 20, 1024ull << 20};
    std::vector<bool> reports;
    SteadyTime now{};
    SamplerOptions options;
    options.now = [&now] { return now; };
    Sampler sampler(
        std::move(owned), std::make_unique<FakeProbe>(), "/data", [&reports](bool high) { reports.push_back(high); },
        options);

    // Calls counted as CPU, memory, uptime, network, host name, disk.
    const auto counts = [&probe] {
        std::string text;
        for (const Group group : {Group::Cpu, Group::Memory, Group::Uptime, Group::Network, Group::Host, Group::Disk})
            text += std::to_string(probe.Calls(group));
        return text;
    };
    struct Step {
        int ms;
        Group group;
        CpuTimes cpu;
        const char* counts;
        double load;
    } const steps[] = {
        {0, Group::Cpu, {0, 100}, "100000", 0.0},       // a baseline only
        {500, Group::Cpu, {80, 200}, "100000", 0.0},    // within the period: not probed
        {500, Group::Memory, {80, 200}, "110000", 0.0}, // another group: probed alone
        {950, Group::Cpu, {80, 200}, "210000", 80.0},   // a period less the tolerance
        {1950, Group::Cpu, {170, 300}, "310000", 90.0}, // a period later
        {1950, Group::None, {0, 0}, "310000", 90.0},    // time and date
        {1950, Group::Disk, {0, 0}, "310000", 90.0},    // never in the reader's thread
        {1950, Group::Uptime, {0, 0}, "311000", 90.0},  // the quick groups
        {1950, Group::Host, {0, 0}, "311010", 90.0},
        {9950, Group::Cpu, {180, 400}, "411010", 10.0}, // after a gap, the gap's average
        {10950, Group::Cpu, {280, 500}, "511010", 100.0},
    };
    for (const Step& step : steps) {
        now = SteadyTime{} + std::chrono::milliseconds(step.ms);
        probe.cpu = step.cpu;
        const Readings readings = sampler.Read(step.group);
        EXPECT_EQ(counts(), step.counts) << step.ms;
        EXPECT_DOUBLE_EQ(readings.cpuLoad, step.load) << step.ms;
    }
    const Readings readings = sampler.Read(Group::Memory);
    EXPECT_EQ((std::vector{readings.memoryUsedMiB, readings.memoryTotalMiB, readings.memoryPercent}),
              (std::vector{3072, 4096, 75}));
    EXPECT_EQ(std::string(readings.uptimeText) + "|" + readings.hostname + "|" + readings.diskFree + "|" +
                  readings.netText,
              "1d 01:01|box|?|?");

    // Network rates over the time between the two reads.
    probe.net = {{"eth0", 0, 0}};
    sampler.Read(Group::Network);
    now += std::chrono::seconds(2);
    probe.net = {{"eth0", 4096, 1024}};
    EXPECT_STREQ(sampler.Read(Group::Network).netText, "D 2.0K U 0.5K");

    EXPECT_EQ(reports, (std::vector<bool>{true, false, true}));
    sampler.Stop();
    EXPECT_EQ(reports, (std::vector<bool>{true, false, true, false}));
    now += std::chrono::seconds(2);
    sampler.Read(Group::Cpu); // stopped: samples nothing more
    EXPECT_EQ(probe.Calls(Group::Cpu), 5);
}

TEST(Sampler, ThreadReadsTheDiskWithoutDelayingReadsAndWakesOnlyWhenNeeded)
{
    auto quickOwned = std::make_unique<FakeProbe>();
    auto diskOwned = std::make_unique<FakeProbe>();
    FakeProbe& quick = *quickOwned;
    FakeProbe& disk = *diskOwned;
    disk.disk = DiskSpace{3ull << 30, 1ull << 30};
    disk.held = true;
    quick.cpu = CpuTimes{0, 0};
    std::atomic<bool> high{false};
    // The thread's calls of the clock count its wake-ups.
    std::atomic<int> threadTurns{0};
    SamplerOptions options;
    options.period = std::chrono::milliseconds(20);
    options.tolerance = std::chrono::milliseconds(5);
    options.watchFor = std::chrono::milliseconds(50);
    options.now = [&threadTurns, test = std::this_thread::get_id()] {
        if (std::this_thread::get_id() != test)
            ++threadTurns;
        return std::chrono::steady_clock::now();
    };
    Sampler sampler(
        std::move(quickOwned), std::move(diskOwned), "/data", [&high](bool on) { high = on; }, options);
    sampler.Start();

    ASSERT_TRUE(WaitFor([&] { return disk.Calls(Group::Disk) == 1; })) << "the disk is not read at start";
    EXPECT_STREQ(sampler.Read(Group::Disk).diskFree, "?"); // the probe is held: the cached value at once
    disk.held = false;
    ASSERT_TRUE(WaitFor([&] { return std::string(sampler.Read(Group::Disk).diskFree) == "1.0 GiB free"; }))
        << "no disk value";
    EXPECT_EQ(disk.diskPathSeen, "/data");

    const int turns = threadTurns;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(2))) {
        for (const Group group : {Group::Cpu, Group::Memory, Group::Network, Group::Uptime, Group::Host})
            sampler.Read(group);
    }
    EXPECT_GT(quick.Calls(Group::Cpu), 2);
    EXPECT_EQ(threadTurns, turns) << "quick reads woke the thread";
    EXPECT_EQ(disk.Calls(Group::Disk), 1);
    ASSERT_TRUE(WaitFor([&] { return sampler.Read(Group::Disk), disk.Calls(Group::Disk) == 2; }))
        << "a stale disk is not read";

    quick.busy = true;
    ASSERT_TRUE(WaitFor([&] { return sampler.Read(Group::Cpu), high.load(); })) << "no high load";
    ASSERT_TRUE(WaitFor([&] { return !high; })) << "an unwatched high load stays set";
    sampler.Stop();

    auto watchedOwned = std::make_unique<FakeProbe>();
    FakeProbe& watched = *watchedOwned;
    watched.cpu = CpuTimes{0, 0};
    watched.busy = true;
    options.watchLoad = true;
    Sampler watcher(
        std::move(watchedOwned), std::make_unique<FakeProbe>(), "/", [&high](bool on) { high = on; }, options);
    watcher.Start();
    ASSERT_TRUE(WaitFor([&] { return watched.Calls(Group::Cpu) >= 3 && high; }))
        << "the load is not watched without reads";
    watcher.Stop();
    EXPECT_FALSE(high);
}

} // namespace
