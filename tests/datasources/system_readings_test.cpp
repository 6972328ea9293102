#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "datasources/system/cpu_meter.h"
#include "datasources/system/net_meter.h"
#include "datasources/system/proc_text.h"
#include "datasources/system/sampler.h"
#include "datasources/system/value_text.h"
#include "datasources/system/variables.h"

namespace {

const char kNetDev[] =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls "
    "carrier compressed\n"
    "    lo: 9000 10 0 0 0 0 0 0 9000 10 0 0 0 0 0 0\n"
    "  eth0: 1048576 900 0 0 0 0 0 0 2048 20 0 0 0 0 0 0\n"
    "wlan0: 10 1 0 0 0 0 0 0 20 2 0 0 0 0 0 0\n";

TEST(ProcText, ReadsTheFieldsOfWellFormedText)
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
    EXPECT_EQ(counters[0].name, "eth0");
    EXPECT_EQ(counters[0].received, 1048576u);
    EXPECT_EQ(counters[0].sent, 2048u);
    EXPECT_EQ(counters[1].name, "wlan0");
}

TEST(ProcText, TruncatedOrGarbledTextGivesNothing)
{
    EXPECT_FALSE(ParseCpuTimes(""));
    EXPECT_FALSE(ParseCpuTimes("cpu  100 20 30"));
    EXPECT_FALSE(ParseCpuTimes("cpu0 1 2 3 4 5\n"));
    EXPECT_FALSE(ParseCpuTimes("cpu  x y z w\n"));

    EXPECT_FALSE(ParseMeminfo("MemTotal: 16000 kB\n"));
    EXPECT_FALSE(ParseMeminfo("MemTotal: 100 kB\nMemAvailable: 200 kB\n"));
    EXPECT_FALSE(ParseMeminfo("MemTotal: 99999999999999999999999 kB\nMemAvailable: 1 kB\n"));
    EXPECT_FALSE(ParseMeminfo("MemTotal:"));
    EXPECT_FALSE(ParseUptime("abc"));
    EXPECT_FALSE(ParseUptime(""));

    // A read cut short mid-line keeps the complete lines only.
    std::vector<NetCounter> counters{{"stale", 1, 1}};
    const std::string text(kNetDev);
    ASSERT_TRUE(ParseNetDev(std::string_view(text).substr(0, text.find("eth0") + 20), counters));
    EXPECT_TRUE(counters.empty());
    EXPECT_FALSE(ParseNetDev("", counters));
    EXPECT_FALSE(ParseNetDev("garbage\n:::\n", counters));
}

TEST(Meters, CpuLoadFromDeltasAndRestartAfterGoingBackwards)
{
    CpuMeter meter;
    EXPECT_FALSE(meter.Update({100, 400}));
    EXPECT_DOUBLE_EQ(*meter.Update({150, 500}), 50.0);
    EXPECT_FALSE(meter.Update({150, 500})); // no time passed
    EXPECT_FALSE(meter.Update({10, 50}));   // counters reset
    EXPECT_DOUBLE_EQ(*meter.Update({35, 150}), 25.0);
}

TEST(Meters, NetRatesSurviveVanishingInterfacesAndWrappingCounters)
{
    NetMeter meter;
    std::vector<NetCounter> now{{"eth0", 1000, 500}, {"wlan0", 0, 0}};
    EXPECT_EQ(meter.Update(now, 1.0).receive, 0.0); // no baseline yet

    now = {{"eth0", 1000 + 2048, 500 + 1024}, {"wlan0", 1024, 0}};
    NetRates rates = meter.Update(now, 2.0);
    EXPECT_DOUBLE_EQ(rates.receive, 1.5);
    EXPECT_DOUBLE_EQ(rates.send, 0.5);

    // wlan0 gone, eth0's receive counter wrapped: neither may count.
    now = {{"eth0", 100, 500 + 1024 + 4096}};
    rates = meter.Update(now, 1.0);
    EXPECT_DOUBLE_EQ(rates.receive, 0.0);
    EXPECT_DOUBLE_EQ(rates.send, 4.0);

    // wlan0 back with low counters, eth0 continues from its new baseline.
    now = {{"eth0", 100 + 1024, 500 + 1024 + 4096}, {"wlan0", 10, 10}};
    rates = meter.Update(now, 1.0);
    EXPECT_DOUBLE_EQ(rates.receive, 1.0);
    EXPECT_DOUBLE_EQ(rates.send, 0.0);
    EXPECT_DOUBLE_EQ(meter.Update(now, 0.0).receive, 0.0);
}

TEST(ValueText, FormatsAndCutsToTheBuffer)
{
    char text[64];
    FormatUptime(3 * 86400 + 4 * 3600 + 5 * 60 + 59, text, sizeof text);
    EXPECT_STREQ(text, "3d 04:05");
    FormatUptime(-5, text, sizeof text);
    EXPECT_STREQ(text, "00:00");
    FormatNetRates(12.34, 4.0, text, sizeof text);
    EXPECT_STREQ(text, "D 12.3K U 4.0K");
    FormatNetRates(2048.0, std::nan(""), text, sizeof text); // nonsense shows as zero
    EXPECT_STREQ(text, "D 2.0M U 0.0K");
    FormatDiskFree(13207024435ull, text, sizeof text);
    EXPECT_STREQ(text, "12.3 GiB free");
    FormatDiskFree(512, text, sizeof text);
    EXPECT_STREQ(text, "512 B free");

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
    const auto fresh = [&] { std::memset(area, 0xAB, sizeof area); };
    fresh();
    WriteValue(CpuLoad, readings, nullptr, area, 4);
    std::int32_t number = 0;
    std::memcpy(&number, area, 4);
    EXPECT_EQ(number, 75);
    EXPECT_EQ(area[4], 0xAB);

    fresh();
    WriteValue(CpuLoadExact, readings, nullptr, area, 4); // a double does not fit
    WriteValue(MemoryTotal, readings, nullptr, area, 3);
    WriteValue(VariableCount, readings, nullptr, area, sizeof area);
    for (const unsigned char byte : area)
        ASSERT_EQ(byte, 0xAB);

    fresh();
    WriteValue(Hostname, readings, nullptr, area, 8);
    EXPECT_STREQ(reinterpret_cast<char*>(area), "a-rathe");
    EXPECT_EQ(area[8], 0xAB);

    WriteValue(Time, readings, nullptr, area, sizeof area);
    EXPECT_STREQ(reinterpret_cast<char*>(area), "?");
    std::tm now{};
    now.tm_year = 124;
    now.tm_mon = 1;
    now.tm_mday = 29;
    now.tm_hour = 7;
    WriteValue(Date, readings, &now, area, sizeof area);
    EXPECT_STREQ(reinterpret_cast<char*>(area), "2024-02-29");
    WriteValue(Time, readings, &now, area, sizeof area);
    EXPECT_STREQ(reinterpret_cast<char*>(area), "07:00:00");
}

// A machine whose readings the test sets.
struct FakeProbe : SystemProbe {
    std::optional<CpuTimes> cpu;
    std::optional<MemoryInfo> memory;
    std::vector<NetCounter> net;
    bool netReadable = false;
    std::optional<DiskSpace> disk;
    std::string diskPathSeen;

    std::optional<CpuTimes> Cpu() override { return cpu; }
    std::optional<MemoryInfo> Memory() override { return memory; }
    std::optional<std::int64_t> UptimeSeconds() override { return 90061; }
    bool Network(std::vector<NetCounter>& out) override
    {
        out = net;
        return netReadable;
    }
    std::optional<DiskSpace> Disk(const std::string& path) override
    {
        diskPathSeen = path;
        return disk;
    }
    std::string Hostname() override { return "box"; }
};

TEST(Sampler, CombinesReadingsAndReportsHighLoadOnChangeOnly)
{
    auto owned = std::make_unique<FakeProbe>();
    FakeProbe& probe = *owned;
    std::vector<bool> reports;
    Sampler sampler(std::move(owned), "/data", [&](bool high) { reports.push_back(high); });

    sampler.SampleNow(0.0); // nothing readable
    Readings readings = sampler.Latest();
    EXPECT_EQ(readings.memoryPercent, 0);
    EXPECT_STREQ(readings.netText, "?");
    EXPECT_STREQ(readings.diskFree, "?");
    EXPECT_STREQ(readings.uptimeText, "1d 01:01");
    EXPECT_EQ(probe.diskPathSeen, "/data");

    probe.cpu = CpuTimes{0, 100};
    probe.memory = MemoryInfo{4096ull << 20, 1024ull << 20};
    probe.netReadable = true;
    probe.net = {{"eth0", 0, 0}};
    probe.disk = DiskSpace{3ull << 30, 1ull << 30};
    sampler.SampleNow(1.0);
    probe.cpu = CpuTimes{80, 200};
    probe.net = {{"eth0", 4096, 0}};
    sampler.SampleNow(2.0);
    probe.cpu = CpuTimes{170, 300};
    sampler.SampleNow(1.0);
    readings = sampler.Latest();
    EXPECT_DOUBLE_EQ(readings.cpuLoad, 90.0);
    EXPECT_EQ(readings.memoryUsedMiB, 3072);
    EXPECT_EQ(readings.memoryTotalMiB, 4096);
    EXPECT_EQ(readings.memoryPercent, 75);
    EXPECT_STREQ(readings.netText, "D 0.0K U 0.0K");
    EXPECT_EQ(readings.diskUsedPercent, 75);
    EXPECT_STREQ(readings.diskFree, "1.0 GiB free");
    EXPECT_STREQ(readings.hostname, "box");

    probe.cpu = CpuTimes{180, 400};
    sampler.SampleNow(1.0);
    probe.cpu = CpuTimes{280, 500};
    sampler.SampleNow(1.0);
    EXPECT_EQ(reports, (std::vector<bool>{true, false, true}));
    sampler.Stop();
    EXPECT_EQ(reports, (std::vector<bool>{true, false, true, false}));
}

TEST(Sampler, ThreadSamplesAtOnceAndStopWakesItFromItsWait)
{
    auto probe = std::make_unique<FakeProbe>();
    probe->cpu = CpuTimes{0, 100};
    Sampler sampler(std::move(probe), "/", nullptr, std::chrono::seconds(30));
    sampler.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::atomic<bool> seen{false};
    std::thread reader([&] {
        while (!seen && std::chrono::steady_clock::now() < deadline)
            seen = std::strcmp(sampler.Latest().hostname, "box") == 0;
    });
    reader.join();
    EXPECT_TRUE(seen);
    const auto before = std::chrono::steady_clock::now();
    sampler.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
}

} // namespace
