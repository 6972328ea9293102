#pragma once

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

// Samples the machine on a thread of its own, once a period, and keeps the
// latest readings for anyone to copy. Readers never wait for the probe: the
// lock only covers copying the finished readings. Nobody reading for
// `idleAfter` puts the thread to sleep until the next read, which wakes it.
class Sampler {
public:
    // CPU load at or above this share is "high".
    static constexpr double kHighLoad = 75.0;

    // `onHighLoad` hears every change of the high-load state, on the
    // sampler's thread (or Stop's caller for the final clear). Falling
    // asleep clears a high load: it is no longer watched.
    Sampler(std::unique_ptr<SystemProbe> probe, std::string diskPath, std::function<void(bool high)> onHighLoad,
            std::chrono::milliseconds period = std::chrono::seconds(1),
            std::chrono::milliseconds idleAfter = std::chrono::seconds(5));
    ~Sampler();
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    // Starts the thread, which samples at once and then every period.
    void Start();
    // Wakes and joins the thread; a high load still reported is cleared.
    void Stop();
    // The latest readings; wakes a sleeping thread, which samples at once.
    Readings Latest();
    // True while the thread sleeps for want of readers.
    bool Sleeping() const;

    // One sample, `seconds` after the previous one. The thread's own work;
    // callable directly only while the thread is not running.
    void SampleNow(double seconds);

private:
    using Clock = std::chrono::steady_clock;

    void Run();
    // Reports a high load as over; the thread's own work.
    void ForgetHighLoad();

    std::unique_ptr<SystemProbe> probe;
    const std::string diskPath;
    const std::function<void(bool)> onHighLoad;
    const std::chrono::milliseconds period;
    const std::chrono::milliseconds idleAfter;

    // Used by the sampling thread only (or by SampleNow's caller).
    CpuMeter cpu;
    NetMeter net;
    std::vector<NetCounter> counters;
    double cpuLoad = 0.0;
    bool highLoad = false;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;      // guarded by mutex
    Readings latest;            // guarded by mutex
    Clock::time_point lastRead; // guarded by mutex
    bool sleeping = false;      // guarded by mutex
    std::thread thread;
};
