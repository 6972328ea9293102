#include <time.h>

#include <cstdio>

#include "platform/platform.h"

namespace platform {

UtcTime NowUtc()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    ::gmtime_r(&now.tv_sec, &parts);
    UtcTime time;
    time.hour = static_cast<unsigned>(parts.tm_hour);
    time.minute = static_cast<unsigned>(parts.tm_min);
    time.second = static_cast<unsigned>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    time.millisecond = static_cast<unsigned>(now.tv_nsec / 1000000);
    return time;
}

bool RemoveFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}

std::string NativePath(const std::string& path)
{
    std::string native = path;
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

} // namespace platform
