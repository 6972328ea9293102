// The probe on Linux: /proc texts, statvfs and gethostname.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "datasources/system/probe.h"
#include "datasources/system/proc_text.h"

namespace {

// The whole of a small system file, at most `limit` bytes; false when it
// cannot be opened.
bool ReadFile(const char* path, std::string& out, std::size_t limit = 1 << 20)
{
    out.clear();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char chunk[4096];
    while (out.size() < limit) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        out.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

class LinuxProbe final : public SystemProbe {
public:
    std::optional<CpuTimes> Cpu() override
    {
        return ReadFile("/proc/stat", text, 4096) ? ParseCpuTimes(text) : std::nullopt;
    }

    std::optional<MemoryInfo> Memory() override
    {
        return ReadFile("/proc/meminfo", text, 16384) ? ParseMeminfo(text) : std::nullopt;
    }

    std::optional<std::int64_t> UptimeSeconds() override
    {
        return ReadFile("/proc/uptime", text, 256) ? ParseUptime(text) : std::nullopt;
    }

    bool Network(std::vector<NetCounter>& out) override
    {
        out.clear();
        return ReadFile("/proc/net/dev", text) && ParseNetDev(text, out);
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
    std::string text; // reused so steady sampling allocates nothing
};

} // namespace

std::unique_ptr<SystemProbe> MakeSystemProbe()
{
    return std::make_unique<LinuxProbe>();
}
