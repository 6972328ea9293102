#include "datasources/sysinfo/system_probe.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
// Reads the start of a small system file into `buffer`, terminated; false
// when it cannot be read.
bool ReadHead(const char* path, char* buffer, std::size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t used = 0;
    while (used + 1 < size) {
        const ssize_t got = ::read(fd, buffer + used, size - 1 - used);
        if (got <= 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    buffer[used] = '\0';
    return used > 0;
}

// The number after "label" in /proc/meminfo text; 0 when absent.
std::uint64_t MeminfoValue(const char* text, const char* label)
{
    const char* found = std::strstr(text, label);
    return found != nullptr ? std::strtoull(found + std::strlen(label), nullptr, 10) : 0;
}
#else
std::uint64_t Ticks(const FILETIME& time)
{
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
#endif

} // namespace

bool LocalTime(std::tm& out)
{
    const std::time_t now = std::time(nullptr);
#ifdef _WIN32
    return localtime_s(&out, &now) == 0;
#else
    return ::localtime_r(&now, &out) != nullptr;
#endif
}

std::int64_t UptimeSeconds()
{
#ifdef _WIN32
    return static_cast<std::int64_t>(GetTickCount64() / 1000);
#else
    timespec now{};
#ifdef CLOCK_BOOTTIME
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return 0;
#else
    if (::clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return 0;
#endif
    return static_cast<std::int64_t>(now.tv_sec);
#endif
}

std::int32_t MemoryUsedPercent()
{
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? static_cast<std::int32_t>(status.dwMemoryLoad) : 0;
#else
    char text[1024];
    if (!ReadHead("/proc/meminfo", text, sizeof text))
        return 0;
    const std::uint64_t total = MeminfoValue(text, "MemTotal:");
    const std::uint64_t available = MeminfoValue(text, "MemAvailable:");
    if (total == 0 || available > total)
        return 0;
    return static_cast<std::int32_t>((total - available) * 100 / total);
#endif
}

std::string Hostname()
{
    char name[256] = "";
#ifdef _WIN32
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size))
        return std::string();
#else
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::string();
#endif
    name[sizeof name - 1] = '\0';
    return name;
}

void CpuMeter::Start()
{
    started = Sample(lastBusy, lastTotal);
    lastTime = std::chrono::steady_clock::now();
    load = 0.0;
}

double CpuMeter::Load()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTime < std::chrono::milliseconds(500))
        return load;
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
    if (!Sample(busy, total))
        return load;
    if (started && total > lastTotal && busy >= lastBusy) {
        const double share = static_cast<double>(busy - lastBusy) / static_cast<double>(total - lastTotal);
        load = share > 1.0 ? 100.0 : share * 100.0;
    }
    lastBusy = busy;
    lastTotal = total;
    lastTime = now;
    started = true;
    return load;
}

bool CpuMeter::Sample(std::uint64_t& busy, std::uint64_t& total) const
{
#ifdef _WIN32
    FILETIME idle{}, kernel{}, user{};
    if (!GetSystemTimes(&idle, &kernel, &user))
        return false;
    total = Ticks(kernel) + Ticks(user); // kernel time includes idle time
    busy = total - Ticks(idle);
    return true;
#else
    char text[512];
    if (!ReadHead("/proc/stat", text, sizeof text) || std::strncmp(text, "cpu ", 4) != 0)
        return false;
    // user nice system idle iowait irq softirq steal (guest time is inside user)
    std::uint64_t fields[8] = {};
    char* cursor = text + 4;
    for (std::uint64_t& field : fields) {
        char* end = nullptr;
        field = std::strtoull(cursor, &end, 10);
        if (end == cursor)
            break;
        cursor = end;
    }
    total = 0;
    for (const std::uint64_t field : fields)
        total += field;
    const std::uint64_t idle = fields[3] + fields[4];
    busy = total >= idle ? total - idle : 0;
    return total > 0;
#endif
}
