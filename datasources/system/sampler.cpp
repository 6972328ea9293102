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

} // namespace

Sampler::Sampler(std::unique_ptr<SystemProbe> probe, std::string diskPath, std::function<void(bool)> onHighLoad,
                 std::chrono::milliseconds period, std::chrono::milliseconds idleAfter)
    : probe(std::move(probe)), diskPath(std::move(diskPath)), onHighLoad(std::move(onHighLoad)), period(period),
      idleAfter(idleAfter)
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
        stopping = false;
        sleeping = false;
        lastRead = Clock::now(); // a start counts as a read: screens read after it
    }
    thread = std::thread([this] { Run(); });
}

void Sampler::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
    ForgetHighLoad();
}

void Sampler::ForgetHighLoad()
{
    if (highLoad) {
        highLoad = false;
        if (onHighLoad)
            onHighLoad(false);
    }
}

Readings Sampler::Latest()
{
    std::unique_lock<std::mutex> lock(mutex);
    lastRead = Clock::now();
    const Readings copy = latest;
    const bool wakeUp = sleeping;
    sleeping = false;
    lock.unlock();
    if (wakeUp)
        wake.notify_all();
    return copy;
}

bool Sampler::Sleeping() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sleeping;
}

void Sampler::SampleNow(double seconds)
{
    Readings next;

    if (const std::optional<CpuTimes> times = probe->Cpu()) {
        if (const std::optional<double> load = cpu.Update(*times))
            cpuLoad = *load;
    } else {
        cpu.Reset();
        cpuLoad = 0.0;
    }
    next.cpuLoad = cpuLoad;

    if (const std::optional<MemoryInfo> memory = probe->Memory();
        memory && memory->availableBytes <= memory->totalBytes) {
        const std::uint64_t used = memory->totalBytes - memory->availableBytes;
        next.memoryUsedMiB = Clamp(used >> 20);
        next.memoryTotalMiB = Clamp(memory->totalBytes >> 20);
        next.memoryPercent = Percent(used, memory->totalBytes);
    }

    const std::int64_t uptime = probe->UptimeSeconds().value_or(0);
    next.uptimeSeconds = Clamp(uptime > 0 ? static_cast<std::uint64_t>(uptime) : 0);
    FormatUptime(next.uptimeSeconds, next.uptimeText, sizeof next.uptimeText);

    if (probe->Network(counters)) {
        const NetRates rates = net.Update(counters, seconds);
        next.netReceive = rates.receive;
        next.netSend = rates.send;
        FormatNetRates(rates.receive, rates.send, next.netText, sizeof next.netText);
    } else {
        net.Reset();
    }

    if (const std::optional<DiskSpace> disk = probe->Disk(diskPath)) {
        const std::uint64_t total = disk->usedBytes + disk->freeBytes;
        next.diskUsedPercent = total >= disk->usedBytes ? Percent(disk->usedBytes, total) : 0;
        FormatDiskFree(disk->freeBytes, next.diskFree, sizeof next.diskFree);
    }

    CopyText(probe->Hostname().c_str(), next.hostname, sizeof next.hostname);

    const bool high = cpuLoad >= kHighLoad;
    if (high != highLoad) {
        highLoad = high;
        if (onHighLoad)
            onHighLoad(high);
    }

    std::lock_guard<std::mutex> lock(mutex);
    latest = next;
}

void Sampler::Run()
{
    Clock::time_point last;
    Clock::time_point due;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        // A baseline: absolute values show at once, rates from the next sample.
        lock.unlock();
        cpu.Reset();
        net.Reset();
        cpuLoad = 0.0; // not a load from before a sleep
        last = Clock::now();
        due = last + period;
        try {
            SampleNow(0.0);
        } catch (...) {
        }
        lock.lock();
        while (!wake.wait_until(lock, due, [this] { return stopping; })) {
            const Clock::time_point now = Clock::now();
            if (now - lastRead > idleAfter) {
                lock.unlock();
                ForgetHighLoad(); // before anyone can see it asleep
                lock.lock();
                if (Clock::now() - lastRead > idleAfter) {
                    sleeping = true;
                    break;
                }
            }
            lock.unlock();
            try {
                SampleNow(std::chrono::duration<double>(now - last).count());
            } catch (...) {
                // Out of memory: keep the previous readings and try again later.
            }
            last = now;
            due += period;
            if (due <= now)
                due = now + period; // after a stall, no burst of catch-up samples
            lock.lock();
        }
        if (stopping)
            return;
        wake.wait(lock, [this] { return stopping || !sleeping; });
        if (stopping)
            return;
    }
}
