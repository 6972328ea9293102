#include <windows.h>

#include <string>

#include "platform/folder_events.h"

namespace platform {

namespace {

// Editors save by writing a new file and renaming it over the old one, so
// renames count as much as writes.
constexpr DWORD kNotify = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

static_assert(FolderEvents::kForever == INFINITE);

std::string Narrow(const wchar_t* text, std::size_t length)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

class DirectoryEvents final : public FolderEvents {
public:
    ~DirectoryEvents() override
    {
        if (folder != INVALID_HANDLE_VALUE)
            CloseHandle(folder);
        for (HANDLE handle : {changedEvent, stopEvent}) {
            if (handle != nullptr)
                CloseHandle(handle);
        }
    }

    bool Open(const std::string& path) override
    {
        folder = CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        changedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        return folder != INVALID_HANDLE_VALUE && changedEvent != nullptr && stopEvent != nullptr;
    }

    // The finished read's records. An overflowing burst (no records)
    // counts as a wanted change.
    bool Take(const std::function<bool(const std::string&)>& wanted) override
    {
        DWORD got = 0;
        if (!GetOverlappedResult(folder, &overlapped, &got, FALSE))
            return false;
        if (got == 0)
            return true;
        bool relevant = false;
        for (DWORD at = 0; at < got;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + at);
            if (wanted(Narrow(record->FileName, record->FileNameLength / sizeof(wchar_t))))
                relevant = true;
            if (record->NextEntryOffset == 0)
                break;
            at += record->NextEntryOffset;
        }
        return relevant;
    }

    // Issues a read unless one is pending; kForever is INFINITE.
    int Wait(std::uint32_t timeoutMs) override
    {
        if (!pending && !Arm())
            return -1;
        pending = true;
        const HANDLE handles[2] = {stopEvent, changedEvent};
        const DWORD result = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
        if (result == WAIT_OBJECT_0 + 1) {
            pending = false;
            return 1;
        }
        return result == WAIT_TIMEOUT ? 0 : -1; // quiet: the read stays pending
    }

    void Interrupt() override { SetEvent(stopEvent); }

    void Finish() override
    {
        CancelIo(folder);
        DWORD ignored = 0;
        GetOverlappedResult(folder, &overlapped, &ignored, TRUE); // the buffer must outlive the read
    }

private:
    bool Arm()
    {
        ResetEvent(changedEvent);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = changedEvent;
        return ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE, kNotify, nullptr, &overlapped, nullptr) !=
               FALSE;
    }

    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE changedEvent = nullptr; // signalled by the overlapped read
    HANDLE stopEvent = nullptr;
    OVERLAPPED overlapped{};
    alignas(DWORD) unsigned char buffer[16 * 1024];
    // A read stays pending across changed(): reissuing it while one is
    // pending would hand the next change to the orphaned read, and it
    // would never be seen. Watch's thread only.
    bool pending = false;
};

} // namespace

std::unique_ptr<FolderEvents> MakeFolderEvents()
{
    return std::make_unique<DirectoryEvents>();
}

} // namespace platform
