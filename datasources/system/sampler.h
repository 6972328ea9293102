#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "datasources/system/cpu_meter.h"
#include "datasources/system/net_meter.h"
#include "datasources/system/probe.h"
#include "datasources/system/readings.h"

using SteadyTime = std::chrono::steady_clock::time_point;

struct SamplerOptions {
    // A group read again within `period` less `tolerance` keeps its sample;
    // the tolerance lets a value read every period on the refresh grid be
    // resampled at every read, not every other.
    std::chrono::milliseconds period{1000};
    std::chrono::milliseconds tolerance{100};
    // The CPU load unread this long is no longer watched: a high load is
    // cleared.
    std::chrono::milliseconds watchFor{5000};
    // Sample the CPU every period on the thread even when nobody reads it,
    // so the high-load report follows the load at all times.
    bool watchLoad = false;
    std::function<SteadyTime()> now = [] { return std::chrono::steady_clock::now(); };
};

// The machine's readings, sampled when read. A read refreshes the group of
// the value read, and only when its sample is a period old: the quick groups
// in the reader's thread, under the lock, since they take microseconds; the
// disk, which can block for seconds, on a thread of the sampler's own, while
// the read returns the value it has. That thread sleeps without a timeout
// unless the disk is wanted, a high load has to be cleared when unwatched,
// or the load is watched.
class Sampler {
public:
    // CPU load at or above this share is "high".
    static constexpr double kHighLoad = 75.0;

    // `quick` serves the reads; `disk` is the thread's, so a blocked disk
    // holds nothing the reads need. `onHighLoad` hears every change of the
    // high-load state, under the sampler's lock; it must not call back.
    Sampler(std::unique_ptr<SystemProbe> quick, std::unique_ptr<SystemProbe> disk, std::string diskPath,
            std::function<void(bool high)> onHighLoad, SamplerOptions options = {});
    ~Sampler();
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    // Starts the thread, which reads the disk at once.
    void Start();
    // Joins the thread; a high load still reported is cleared, and reads
    // sample nothing more until the next Start.
    void Stop();
    // The readings, `group` refreshed first when its sample is old.
    Readings Read(Group group);

private:
    using Duration = std::chrono::steady_clock::duration;

    void Run();
    // The rest need the lock held.
    bool Older(Group group, SteadyTime now, Duration age) const;
    void Sample(Group group, SteadyTime now);
    void SampleCpu();
    void SampleNetwork(Duration since);
    void StoreDisk(const std::optional<DiskSpace>& disk, SteadyTime now);
    void ReportLoad(bool high);
    // When the thread must next act on its own, or max() for never.
    SteadyTime Deadline() const;

    std::unique_ptr<SystemProbe> quick;
    std::unique_ptr<SystemProbe> disk; // the thread's only
    const std::string diskPath;
    const std::function<void(bool)> onHighLoad;
    const SamplerOptions options;

    mutable std::mutex mutex;
    std::condition_variable wake;
    // All below guarded by mutex.
    Readings latest;
    std::array<SteadyTime, kGroupCount> sampledAt{};
    std::array<bool, kGroupCount> sampled{};
    SteadyTime cpuReadAt;
    CpuMeter cpu;
    NetMeter net;
    std::vector<NetCounter> counters;
    bool highLoad = false;
    bool diskWanted = false;
    bool stopped = false;
    std::thread thread;
};
