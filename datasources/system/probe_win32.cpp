// The probe on Windows: system times, memory status, the interface table
// of the IP helper and the free space of a drive (GetDiskFreeSpaceEx, the
// one call that can block, on a network or sleeping drive).

// The order matters: the extended interface table is declared only after
// the IPv6 definitions.
#include <winsock2.h>

#include <ws2ipdef.h>

#include <windows.h>

#include <iphlpapi.h>

#include <charconv>
#include <string>

#include "datasources/system/probe.h"

namespace {

std::uint64_t Ticks(const FILETIME& time)
{
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

class Win32Probe final : public SystemProbe {
public:
    std::optional<CpuTimes> Cpu() override
    {
        FILETIME idle{}, kernel{}, user{};
        if (!GetSystemTimes(&idle, &kernel, &user))
            return std::nullopt;
        CpuTimes times;
        times.total = Ticks(kernel) + Ticks(user); // kernel time includes idle time
        times.busy = times.total >= Ticks(idle) ? times.total - Ticks(idle) : 0;
        return times;
    }

    std::optional<MemoryInfo> Memory() override
    {
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof status;
        if (!GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0)
            return std::nullopt;
        return MemoryInfo{status.ullTotalPhys, status.ullAvailPhys};
    }

    std::optional<std::int64_t> UptimeSeconds() override { return static_cast<std::int64_t>(GetTickCount64() / 1000); }

    bool Network(std::vector<NetCounter>& out) override
    {
        MIB_IF_TABLE2* table = nullptr;
        if (GetIfTable2(&table) != NO_ERROR || table == nullptr)
            return false;
        std::size_t used = 0;
        try {
            for (ULONG i = 0; i < table->NumEntries; ++i) {
                const MIB_IF_ROW2& row = table->Table[i];
                // Physical adapters only: filter and tunnel interfaces repeat
                // the traffic of the adapter beneath them.
                if (row.Type == IF_TYPE_SOFTWARE_LOOPBACK || row.InterfaceAndOperStatusFlags.FilterInterface ||
                    !row.InterfaceAndOperStatusFlags.HardwareInterface)
                    continue;
                // Entries are overwritten, not rebuilt, so their names keep
                // their storage from one sample to the next.
                if (used == out.size())
                    out.emplace_back();
                NetCounter& counter = out[used++];
                char name[24];
                counter.name.assign(name, std::to_chars(name, name + sizeof name, row.InterfaceLuid.Value).ptr);
                counter.received = row.InOctets;
                counter.sent = row.OutOctets;
            }
        } catch (...) {
            FreeMibTable(table);
            throw;
        }
        FreeMibTable(table);
        out.resize(used);
        return true;
    }

    std::optional<DiskSpace> Disk(const std::string& path) override
    {
        // No "insert a disk" box for an empty drive: the sampler must not block.
        DWORD previousMode = 0;
        const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode) != 0;
        ULARGE_INTEGER available{}, total{}, totalFree{};
        const BOOL ok = !path.empty() && GetDiskFreeSpaceExA(path.c_str(), &available, &total, &totalFree);
        if (quiet)
            SetThreadErrorMode(previousMode, nullptr);
        if (!ok || total.QuadPart < totalFree.QuadPart)
            return std::nullopt;
        return DiskSpace{total.QuadPart - totalFree.QuadPart, available.QuadPart};
    }

    bool Hostname(char* out, std::size_t size) override
    {
        DWORD length = static_cast<DWORD>(size);
        return size != 0 && GetComputerNameExA(ComputerNameDnsHostname, out, &length) != 0;
    }
};

} // namespace

std::unique_ptr<SystemProbe> MakeSystemProbe()
{
    return std::make_unique<Win32Probe>();
}
