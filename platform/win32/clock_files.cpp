#include <windows.h>

#include "platform/platform.h"

namespace platform {

UtcTime NowUtc()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    UtcTime time;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.millisecond = now.wMilliseconds;
    return time;
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileA(path.c_str()) != 0;
}

std::string NativePath(const std::string& path)
{
    return path;
}

} // namespace platform
