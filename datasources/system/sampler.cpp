#include "datasources/system/sampler.h"

#include <climits>
#include <cmath>

#include "datasources/system/value_text.h"

namespace {

std::int32_t Clamp(std::uint64_t value)
{
    return value > static_cast<std::uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(value);
}

std::int32_t Percent(std::uint64_t part, std::uint64_t whole)
{
    if (whole == 0 || part > whole)
        return 0;
    return static_cast<std::int32_t>(std::lround(static_cast<double>(part) * 100.0 / static_cast<double>(whole)));
}

std::size_t Slot(Group group)
{
    return static_cast<std::size_t>(group);
}

} // namespace

Sampler::Sampler(std::unique_ptr<SystemProbe> quick, std::unique_ptr<SystemProbe> disk, std::string diskPath,
                 std::function<void(bool)> onHighLoad, SamplerOptions options)
    : quick(std::move(quick)), disk(std::move(disk)), diskPath(std::move(diskPath)), onHighLoad(std::move(onHighLoad)),
      options(std::move(options))
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
        cpuReadAt = options.now();
        // Read the disk once now: a disk value on a slowly refreshed item
        // would otherwise show "?" until its second refresh.
        diskWanted = true;
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
    ReportLoad(false);
}

Readings Sampler::Read(Group group)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (stopped || group == Group::None)
        return latest;
    const SteadyTime now = options.now();
    if (group == Group::Cpu)
        cpuReadAt = now;
    if (!Older(group, now, options.period - options.tolerance))
        return latest;
    if (group != Group::Disk) {
        try {
            Sample(group, now);
        } catch (...) {
            // Out of memory: the previous values stay.
        }
    } else if (!diskWanted) {
        diskWanted = true;
        wake.notify_one();
    }
    return latest;
}

bool Sampler::Older(Group group, SteadyTime now, Duration age) const
{
    return !sampled[Slot(group)] || now - sampledAt[Slot(group)] >= age;
}

void Sampler::Sample(Group group, SteadyTime now)
{
    const Duration since = sampled[Slot(group)] ? now - sampledAt[Slot(group)] : Duration::zero();
    // Marked first: a probe that throws is tried again a period later, not
    // at every read.
    sampledAt[Slot(group)] = now;
    sampled[Slot(group)] = true;
    switch (group) {
    case Group::Cpu:
        SampleCpu();
        break;
    case Group::Memory:
        if (const std::optional<MemoryInfo> memory = quick->Memory();
            memory && memory->availableBytes <= memory->totalBytes) {
            const std::uint64_t used = memory->totalBytes - memory->availableBytes;
            latest.memoryUsedMiB = Clamp(used >> 20);
            latest.memoryTotalMiB = Clamp(memory->totalBytes >> 20);
            latest.memoryPercent = Percent(used, memory->totalBytes);
        } else {
            latest.memoryUsedMiB = latest.memoryTotalMiB = latest.memoryPercent = 0;
        }
        break;
    case Group::Uptime: {
        const std::int64_t uptime = quick->UptimeSeconds().value_or(0);
        latest.uptimeSeconds = Clamp(uptime > 0 ? static_cast<std::uint64_t>(uptime) : 0);
        FormatUptime(latest.uptimeSeconds, latest.uptimeText, sizeof latest.uptimeText);
        break;
    }
    case Group::Network:
        SampleNetwork(since);
        break;
    case Group::Host:
        if (!quick->Hostname(latest.hostname, sizeof latest.hostname))
            latest.hostname[0] = '\0';
        break;
    default:
        break;
    }
}

// The CPU load and the network rates are over the time since their previous
// sample, however long: a screen coming back to them after a minute first
// shows that minute's average, a true figure, rather than a zero that looks
// like an idle machine; the next read shows the last second again.
void Sampler::SampleCpu()
{
    if (const std::optional<CpuTimes> times = quick->Cpu()) {
        if (const std::optional<double> load = cpu.Update(*times))
            latest.cpuLoad = *load;
    } else {
        cpu.Reset();
        latest.cpuLoad = 0.0;
    }
    ReportLoad(latest.cpuLoad >= kHighLoad);
}

void Sampler::SampleNetwork(Duration since)
{
    const double seconds = std::chrono::duration<double>(since).count(); // 0 at first: no rate yet
    if (quick->Network(counters)) {
        const NetRates rates = net.Update(counters, seconds);
        latest.netReceive = rates.receive;
        latest.netSend = rates.send;
        FormatNetRates(rates.receive, rates.send, latest.netText, sizeof latest.netText);
    } else {
        net.Reset();
        latest.netReceive = latest.netSend = 0.0;
        CopyText("?", latest.netText, sizeof latest.netText);
    }
}

void Sampler::StoreDisk(const std::optional<DiskSpace>& space, SteadyTime now)
{
    if (space) {
        const std::uint64_t total = space->usedBytes + space->freeBytes;
        latest.diskUsedPercent = total >= space->usedBytes ? Percent(space->usedBytes, total) : 0;
        FormatDiskFree(space->freeBytes, latest.diskFree, sizeof latest.diskFree);
    } else {
        latest.diskUsedPercent = 0;
        CopyText("?", latest.diskFree, sizeof latest.diskFree);
    }
    sampledAt[Slot(Group::Disk)] = now;
    sampled[Slot(Group::Disk)] = true;
    diskWanted = false;
}

void Sampler::ReportLoad(bool high)
{
    if (high == highLoad)
        return;
    highLoad = high;
    if (onHighLoad)
        onHighLoad(high);
    if (high)
        wake.notify_one(); // the thread clears it once nobody watches
}

SteadyTime Sampler::Deadline() const
{
    if (options.watchLoad)
        return sampledAt[Slot(Group::Cpu)] + options.period;
    if (highLoad)
        return cpuReadAt + options.watchFor;
    return SteadyTime::max();
}

void Sampler::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopped) {
        if (diskWanted) {
            // Unlocked: reads go on while the disk takes its time.
            lock.unlock();
            std::optional<DiskSpace> space;
            try {
                space = disk->Disk(diskPath);
            } catch (...) {
            }
            lock.lock();
            StoreDisk(space, options.now());
            continue;
        }
        const SteadyTime now = options.now();
        if (options.watchLoad && Older(Group::Cpu, now, options.period)) {
            try {
                Sample(Group::Cpu, now);
            } catch (...) {
            }
            continue;
        }
        if (!options.watchLoad && highLoad && now - cpuReadAt >= options.watchFor) {
            ReportLoad(false); // unwatched, so no longer known to be high
            continue;
        }
        const SteadyTime deadline = Deadline();
        if (deadline == SteadyTime::max())
            wake.wait(lock);
        else
            wake.wait_for(lock, deadline - now);
    }
}
