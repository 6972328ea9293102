#include "datasources/system/proc_text.h"

#include <charconv>

namespace {

// Splits off the first line of `text` (without its newline).
std::string_view TakeLine(std::string_view& text)
{
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

void SkipBlanks(std::string_view& text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
}

// The unsigned number at the start of `text` after blanks; consumes it.
std::optional<std::uint64_t> TakeNumber(std::string_view& text)
{
    SkipBlanks(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// The value of the line "label value kB" in meminfo text, in bytes.
std::optional<std::uint64_t> MeminfoBytes(std::string_view text, std::string_view label)
{
    while (!text.empty()) {
        std::string_view line = TakeLine(text);
        if (!line.starts_with(label))
            continue;
        line.remove_prefix(label.size());
        const std::optional<std::uint64_t> kib = TakeNumber(line);
        if (!kib || *kib > UINT64_MAX / 1024)
            return std::nullopt;
        return *kib * 1024;
    }
    return std::nullopt;
}

} // namespace

std::optional<CpuTimes> ParseCpuTimes(std::string_view stat)
{
    std::string_view line = TakeLine(stat);
    if (!line.starts_with("cpu "))
        return std::nullopt;
    line.remove_prefix(4);
    // user nice system idle iowait irq softirq steal; guest time is already
    // inside user, so later fields are left out.
    std::uint64_t fields[8] = {};
    int count = 0;
    for (std::uint64_t& field : fields) {
        const std::optional<std::uint64_t> value = TakeNumber(line);
        if (!value)
            break;
        field = *value;
        ++count;
    }
    if (count < 4)
        return std::nullopt;
    CpuTimes times;
    for (const std::uint64_t field : fields)
        times.total += field;
    const std::uint64_t idle = fields[3] + fields[4];
    times.busy = times.total - idle;
    return times;
}

std::optional<MemoryInfo> ParseMeminfo(std::string_view meminfo)
{
    const std::optional<std::uint64_t> total = MeminfoBytes(meminfo, "MemTotal:");
    const std::optional<std::uint64_t> available = MeminfoBytes(meminfo, "MemAvailable:");
    if (!total || !available || *total == 0 || *available > *total)
        return std::nullopt;
    return MemoryInfo{*total, *available};
}

std::optional<std::int64_t> ParseUptime(std::string_view uptime)
{
    const std::optional<std::uint64_t> seconds = TakeNumber(uptime);
    if (!seconds || *seconds > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    return static_cast<std::int64_t>(*seconds);
}

bool ParseNetDev(std::string_view netDev, std::vector<NetCounter>& out)
{
    out.clear();
    bool recognised = netDev.find("bytes") != std::string_view::npos; // the header
    while (!netDev.empty()) {
        std::string_view line = TakeLine(netDev);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string_view name = line.substr(0, colon);
        SkipBlanks(name);
        line.remove_prefix(colon + 1);
        // Received: bytes packets errs drop fifo frame compressed multicast;
        // then sent: bytes ...
        std::uint64_t fields[9] = {};
        bool complete = true;
        for (std::uint64_t& field : fields) {
            const std::optional<std::uint64_t> value = TakeNumber(line);
            if (!value) {
                complete = false;
                break;
            }
            field = *value;
        }
        if (!complete || name.empty())
            continue;
        recognised = true;
        if (name != "lo")
            out.push_back(NetCounter{std::string(name), fields[0], fields[8]});
    }
    return recognised;
}
