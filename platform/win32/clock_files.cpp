#include <windows.h>

#include <algorithm>

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

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes)
{
    bytes.clear();
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FileRead::CannotOpen;
    // Devices such as CON or COM1, and pipes, are not disk files.
    FileRead result = GetFileType(file) == FILE_TYPE_DISK ? FileRead::Ok : FileRead::NotRegular;
    char chunk[16384];
    while (result == FileRead::Ok) {
        const std::size_t want = std::min(sizeof chunk, maxBytes + 1 - bytes.size());
        DWORD got = 0;
        if (!ReadFile(file, chunk, static_cast<DWORD>(want), &got, nullptr)) {
            result = FileRead::Failed;
            break;
        }
        if (got == 0)
            break;
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes) {
            bytes.resize(maxBytes);
            result = FileRead::TooLarge;
        }
    }
    CloseHandle(file);
    return result;
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
