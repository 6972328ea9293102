#include "datasources/system/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// One rate with its unit letter; nonsense reads as zero.
void FormatRate(double kib, char* out, std::size_t size)
{
    if (!std::isfinite(kib) || kib < 0.0)
        kib = 0.0;
    const char* units = "KMGT";
    int unit = 0;
    while (kib >= 999.95 && unit < 3) {
        kib /= 1024.0;
        ++unit;
    }
    std::snprintf(out, size, "%.1f%c", kib, units[unit]);
}

} // namespace

void CopyText(const char* text, char* out, std::uint32_t size)
{
    if (out == nullptr || size == 0)
        return;
    std::size_t length = 0;
    while (text != nullptr && length + 1 < size && text[length] != '\0')
        ++length;
    if (length > 0)
        std::memcpy(out, text, length);
    out[length] = '\0';
}

void FormatUptime(std::int64_t seconds, char* out, std::uint32_t size)
{
    if (seconds < 0)
        seconds = 0;
    const long long days = seconds / 86400;
    const int hours = static_cast<int>(seconds / 3600 % 24);
    const int minutes = static_cast<int>(seconds / 60 % 60);
    char text[48];
    if (days > 0)
        std::snprintf(text, sizeof text, "%lldd %02d:%02d", days, hours, minutes);
    else
        std::snprintf(text, sizeof text, "%02d:%02d", hours, minutes);
    CopyText(text, out, size);
}

void FormatNetRates(double receiveKiB, double sendKiB, char* out, std::uint32_t size)
{
    char receive[24];
    char send[24];
    FormatRate(receiveKiB, receive, sizeof receive);
    FormatRate(sendKiB, send, sizeof send);
    char text[64];
    std::snprintf(text, sizeof text, "D %s U %s", receive, send);
    CopyText(text, out, size);
}

void FormatDiskFree(std::uint64_t bytes, char* out, std::uint32_t size)
{
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[48];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%llu B free", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%.1f %s free", value, units[unit]);
    CopyText(text, out, size);
}

void FormatClock(const std::tm& now, bool date, char* out, std::uint32_t size)
{
    char text[64] = "";
    if (std::strftime(text, sizeof text, date ? "%Y-%m-%d" : "%H:%M:%S", &now) == 0)
        text[0] = '\0';
    CopyText(text, out, size);
}
