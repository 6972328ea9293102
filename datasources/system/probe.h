#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Raw readings of the machine, one platform's implementation each
// (probe_linux.cpp, probe_win32.cpp). All but Disk are quick (small kernel
// files, system calls) and allocate nothing once the buffers they reuse have
// grown; Disk may block for seconds on a network drive or a sleeping disk.
// A probe is used by one thread at a time.

// Cumulative CPU time in any unit, all CPUs together.
struct CpuTimes {
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
};

struct MemoryInfo {
    std::uint64_t totalBytes = 0;
    std::uint64_t availableBytes = 0;
};

// Cumulative byte counters of one network interface.
struct NetCounter {
    std::string name;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

struct DiskSpace {
    std::uint64_t usedBytes = 0;
    std::uint64_t freeBytes = 0; // what an ordinary user may still write
};

class SystemProbe {
public:
    virtual ~SystemProbe() = default;
    virtual std::optional<CpuTimes> Cpu() = 0;
    virtual std::optional<MemoryInfo> Memory() = 0;
    virtual std::optional<std::int64_t> UptimeSeconds() = 0;
    // Every interface except loopback; false when none can be read.
    virtual bool Network(std::vector<NetCounter>& out) = 0;
    virtual std::optional<DiskSpace> Disk(const std::string& path) = 0;
    // Writes the terminated host name, cut to fit; false when unknown.
    virtual bool Hostname(char* out, std::size_t size) = 0;
};

// The probe of the platform this module was built for.
std::unique_ptr<SystemProbe> MakeSystemProbe();
