#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "datasources/sensors/monitor.h"
#include "datasources/sensors/sensor_table.h"
#include "plugin/api/glancer_kit.hpp"

namespace sensors {

using SteadyTime = std::chrono::steady_clock::time_point;

// The monitors and the table of what they found.
class Machine {
public:
    Machine(std::vector<std::unique_ptr<Monitor>> monitors, const PrefixFilter& filter, SensorTable::LogFn log = {});
    const SensorTable& Table() const { return table; }
    // One value per table entry; may be slow.
    void Read(std::vector<double>& values);

private:
    std::vector<std::unique_ptr<Monitor>> monitors;
    std::vector<std::vector<double>> scratch; // per monitor
    SensorTable table;
};

struct SamplerOptions {
    // Values read again within `interval` less `tolerance` keep their
    // sample; the tolerance lets a value shown every interval be sampled at
    // every read, not every other.
    std::chrono::milliseconds interval{1000};
    std::chrono::milliseconds tolerance{100};
    // The CPU or GPU at or above this (°C) is hot; 0: never, and nothing is
    // read unless shown.
    double hotTemp = 0.0;
    std::function<SteadyTime()> now = [] { return std::chrono::steady_clock::now(); };
};

// The latest values, sampled when read: a read of a sample an interval old
// wakes the sampler's thread, which reads every monitor (NVML or a sleeping
// disk may take milliseconds) while reads go on with the values they have.
// The thread sleeps until woken unless the hot flag is watched.
class Sampler {
public:
    // `onHot` hears each change of the hot state, on the sampler's thread,
    // under its lock; it must not call back.
    Sampler(std::unique_ptr<Machine> machine, std::function<void(bool hot)> onHot, SamplerOptions options = {});
    ~Sampler();
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    // Starts the thread, which samples at once.
    void Start();
    // Joins the thread; a hot state still reported is cleared.
    void Stop();
    // Variable `index`: the aliases first, then the table's entries.
    double Read(std::size_t index);
    std::size_t Count() const { return AliasCount + machine->Table().Entries().size(); }
    const SensorTable& Table() const { return machine->Table(); }

private:
    void Run(glancer::Worker& self);
    // Whether the monitors are to be read now; if not, how long to sleep.
    bool Due(std::chrono::steady_clock::duration& pause);
    void Store(const std::vector<double>& fresh, SteadyTime now); // lock held
    void ReportHot(bool hot);                                     // lock held

    const std::unique_ptr<Machine> machine; // the thread's only, once started
    const std::function<void(bool)> onHot;
    const SamplerOptions options;

    std::mutex mutex;
    // All below guarded by mutex.
    std::vector<double> values; // aliases, then entries
    SteadyTime sampledAt;
    bool sampled = false;
    bool wanted = false;
    bool hot = false;
    bool stopped = true;

    glancer::Worker worker; // last: joined before the rest goes
};

} // namespace sensors
