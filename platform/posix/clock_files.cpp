#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
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

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes)
{
    bytes.clear();
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileRead::CannotOpen;
    struct stat info {};
    FileRead result = FileRead::Ok;
    if (::fstat(fd, &info) != 0)
        result = FileRead::Failed;
    else if (!S_ISREG(info.st_mode))
        result = FileRead::NotRegular;
    char chunk[16384];
    while (result == FileRead::Ok) {
        // One byte more than allowed tells a file that grew past the bound.
        const std::size_t want = std::min(sizeof chunk, maxBytes + 1 - bytes.size());
        const ssize_t n = ::read(fd, chunk, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            result = FileRead::Failed;
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
        if (bytes.size() > maxBytes) {
            bytes.resize(maxBytes);
            result = FileRead::TooLarge;
        }
    }
    ::close(fd);
    return result;
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
