// The probe on Linux: /proc texts, statvfs and gethostname.
#include <algorithm>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "datasources/system/probe.h"
#include "datasources/system/proc_text.h"

namespace {

// A /proc file kept open and read again from the start: the kernel makes
// its text afresh at every read from offset 0, and opening it each time
// would cost more than reading it.
class ProcFile {
public:
    explicit ProcFile(const char* path) : path(path) {}
    ~ProcFile() { Close(); }
    ProcFile(const ProcFile&) = delete;
    ProcFile& operator=(const ProcFile&) = delete;

    // At most `limit` bytes from the start; false when it cannot be read.
    bool Read(std::string& out, std::size_t limit)
    {
        out.clear();
        if (fd < 0)
            fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        char chunk[4096];
        while (out.size() < limit) {
            const std::size_t want = std::min(sizeof chunk, limit - out.size());
            const ssize_t got = ::pread(fd, chunk, want, static_cast<off_t>(out.size()));
            if (got < 0) {
                Close(); // opened afresh next time
                return false;
            }
            if (got == 0)
                break;
            out.append(chunk, static_cast<std::size_t>(got));
        }
        return true;
    }

private:
    void Close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    const char* const path;
    int fd = -1;
};

class LinuxProbe final : public SystemProbe {
public:
    std::optional<CpuTimes> Cpu() override
    {
        // The first line is all there is to read.
        return stat.Read(text, 512) ? ParseCpuTimes(text) : std::nullopt;
    }

    std::optional<MemoryInfo> Memory() override
    {
        return meminfo.Read(text, 16384) ? ParseMeminfo(text) : std::nullopt;
    }

    std::optional<std::int64_t> UptimeSeconds() override
    {
        return uptime.Read(text, 256) ? ParseUptime(text) : std::nullopt;
    }

    bool Network(std::vector<NetCounter>& out) override
    {
        out.clear();
        return netDev.Read(text, 1 << 20) && ParseNetDev(text, out);
    }

    std::optional<DiskSpace> Disk(const std::string& path) override
    {
        struct statvfs disk {};
        if (path.empty() || ::statvfs(path.c_str(), &disk) != 0 || disk.f_blocks < disk.f_bfree)
            return std::nullopt;
        // Used as df counts it: blocks reserved for root are neither used
        // nor free to an ordinary user.
        const std::uint64_t unit = disk.f_frsize != 0 ? disk.f_frsize : disk.f_bsize;
        return DiskSpace{(disk.f_blocks - disk.f_bfree) * unit, std::uint64_t{disk.f_bavail} * unit};
    }

    bool Hostname(char* out, std::size_t size) override
    {
        if (size == 0 || ::gethostname(out, size - 1) != 0)
            return false;
        out[size - 1] = '\0';
        return true;
    }

private:
    ProcFile stat{"/proc/stat"};
    ProcFile meminfo{"/proc/meminfo"};
    ProcFile uptime{"/proc/uptime"};
    ProcFile netDev{"/proc/net/dev"};
    std::string text; // reused so steady sampling allocates nothing
};

} // namespace

std::unique_ptr<SystemProbe> MakeSystemProbe()
{
    return std::make_unique<LinuxProbe>();
}
