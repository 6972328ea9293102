#include "datasources/sensors/sampler.h"

namespace sensors {

Machine::Machine(std::vector<std::unique_ptr<Monitor>> monitors, const PrefixFilter& filter, SensorTable::LogFn log)
    : monitors(std::move(monitors)), table(std::move(log))
{
    for (std::size_t i = 0; i < this->monitors.size(); ++i) {
        const std::vector<Found> found = this->monitors[i]->Discover();
        scratch.emplace_back(found.size(), 0.0);
        table.Add(i, found, filter);
    }
    table.Finish();
}

void Machine::Read(std::vector<double>& values)
{
    for (std::size_t i = 0; i < monitors.size(); ++i)
        monitors[i]->Read(scratch[i]);
    const std::vector<SensorTable::Entry>& entries = table.Entries();
    values.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        values[i] = scratch[entries[i].monitor][entries[i].index];
}

Sampler::Sampler(std::unique_ptr<Machine> machine, std::function<void(bool)> onHot, SamplerOptions options)
    : machine(std::move(machine)), onHot(std::move(onHot)), options(std::move(options)), values(Count(), 0.0)
{
}

Sampler::~Sampler()
{
    Stop();
}

void Sampler::Start()
{
    if (worker.Running())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = false;
        wanted = true;
    }
    worker.Start("Sensors", [this](glancer::Worker& self) { Run(self); });
}

void Sampler::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
    }
    worker.Stop();
    worker.Join();
    std::lock_guard<std::mutex> lock(mutex);
    ReportHot(false);
}

double Sampler::Read(std::size_t index)
{
    bool wake = false;
    double value = 0.0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (index >= values.size())
            return 0.0;
        if (!stopped && !wanted && (!sampled || options.now() - sampledAt >= options.interval - options.tolerance))
            wanted = wake = true;
        value = values[index];
    }
    if (wake)
        worker.Wake();
    return value;
}

void Sampler::Store(const std::vector<double>& fresh, SteadyTime now)
{
    double aliases[AliasCount];
    machine->Table().AliasValues(fresh, aliases);
    std::copy(std::begin(aliases), std::end(aliases), values.begin());
    std::copy(fresh.begin(), fresh.end(), values.begin() + AliasCount);
    sampledAt = now;
    sampled = true;
    const double limit = options.hotTemp;
    const auto at = [&](Alias alias) { return machine->Table().AliasSource(alias) && aliases[alias] >= limit; };
    ReportHot(limit > 0.0 && (at(CpuTemp) || at(GpuTemp)));
}

void Sampler::ReportHot(bool now)
{
    if (now == hot)
        return;
    hot = now;
    if (onHot)
        onHot(now);
}

bool Sampler::Due(std::chrono::steady_clock::duration& pause)
{
    std::lock_guard<std::mutex> lock(mutex);
    const SteadyTime now = options.now();
    const bool watched = options.hotTemp > 0.0;
    if (wanted || (watched && (!sampled || now - sampledAt >= options.interval)))
        return true;
    // Unwatched, only a read wakes it; the hour bounds the wait on any clock.
    pause = watched ? sampledAt + options.interval - now : std::chrono::hours(1);
    return false;
}

void Sampler::Run(glancer::Worker& self)
{
    std::vector<double> fresh;
    std::chrono::steady_clock::duration pause{};
    do {
        if (!Due(pause))
            continue;
        try {
            machine->Read(fresh);
        } catch (...) {
            fresh.assign(machine->Table().Entries().size(), 0.0); // out of memory
        }
        std::lock_guard<std::mutex> lock(mutex);
        wanted = false;
        Store(fresh, options.now());
        pause = {};
    } while (self.Sleep(pause));
}

} // namespace sensors
