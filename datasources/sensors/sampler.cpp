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
    if (thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = false;
        wanted = true;
    }
    thread = std::thread([this] { Run(); });
}

void Sampler::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
    std::lock_guard<std::mutex> lock(mutex);
    ReportHot(false);
}

double Sampler::Read(std::size_t index)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (index >= values.size())
        return 0.0;
    if (!stopped && !wanted && (!sampled || options.now() - sampledAt >= options.interval - options.tolerance)) {
        wanted = true;
        wake.notify_one();
    }
    return values[index];
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

void Sampler::Run()
{
    std::vector<double> fresh;
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopped) {
        const SteadyTime now = options.now();
        const bool watched = options.hotTemp > 0.0;
        if (wanted || (watched && (!sampled || now - sampledAt >= options.interval))) {
            lock.unlock();
            try {
                machine->Read(fresh);
            } catch (...) {
                fresh.assign(machine->Table().Entries().size(), 0.0); // out of memory
            }
            lock.lock();
            wanted = false;
            Store(fresh, options.now());
            continue;
        }
        if (watched)
            wake.wait_for(lock, sampledAt + options.interval - now);
        else
            wake.wait(lock);
    }
}

} // namespace sensors
