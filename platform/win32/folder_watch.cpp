#include <windows.h>

#include <string>
#include <thread>

#include "platform/platform.h"

namespace platform {

namespace {

// Editors save by writing a new file and renaming it over the old one, so
// renames count as much as writes.
constexpr DWORD kNotify = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

std::string Narrow(const wchar_t* text, std::size_t length)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

struct FolderWatch::State {
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE changedEvent = nullptr; // signalled by the overlapped read
    HANDLE stopEvent = nullptr;
    OVERLAPPED overlapped{};
    alignas(DWORD) unsigned char buffer[16 * 1024];
    std::uint32_t quietMs = 0;
    std::function<bool(const std::string&)> wanted;
    std::function<void()> changed;
    std::thread thread;

    void CloseAll()
    {
        if (folder != INVALID_HANDLE_VALUE)
            CloseHandle(folder);
        for (HANDLE* handle : {&changedEvent, &stopEvent}) {
            if (*handle != nullptr)
                CloseHandle(*handle);
            *handle = nullptr;
        }
        folder = INVALID_HANDLE_VALUE;
    }

    bool Arm()
    {
        ResetEvent(changedEvent);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = changedEvent;
        return ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE, kNotify, nullptr, &overlapped, nullptr) !=
               FALSE;
    }

    // The finished read's records; true when a wanted file changed. An
    // overflowing burst (no records) counts as one.
    bool Collect()
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

    // 1: changes, 0: timeout, -1: stop or failure.
    int Wait(DWORD timeoutMs)
    {
        const HANDLE handles[2] = {stopEvent, changedEvent};
        const DWORD result = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
        if (result == WAIT_OBJECT_0 + 1)
            return 1;
        return result == WAIT_TIMEOUT ? 0 : -1;
    }

    // A read stays pending across changed(): reissuing it while one is
    // pending would hand the next change to the orphaned read, and it
    // would never be seen.
    void Loop()
    {
        bool pending = false;
        for (;;) {
            if (!pending && !Arm())
                break;
            pending = true;
            if (Wait(INFINITE) < 0)
                break;
            pending = false;
            if (!Collect())
                continue;
            int more = 0;
            for (;;) {
                if (!Arm()) {
                    more = -1;
                    break;
                }
                pending = true;
                more = Wait(quietMs);
                if (more <= 0)
                    break; // quiet at last (the read stays pending), or stop
                pending = false;
                Collect();
            }
            if (more < 0)
                break;
            changed();
        }
        CancelIo(folder);
        DWORD ignored = 0;
        GetOverlappedResult(folder, &overlapped, &ignored, TRUE); // the buffer must outlive the read
    }
};

FolderWatch::FolderWatch() : state(std::make_unique<State>())
{
}

FolderWatch::~FolderWatch()
{
    Stop();
}

bool FolderWatch::Start(const std::string& folder, std::uint32_t quietMs,
                        std::function<bool(const std::string&)> wanted, std::function<void()> changed)
{
    if (state->thread.joinable() || !wanted || !changed)
        return false;
    state->folder =
        CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    state->changedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    state->stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (state->folder == INVALID_HANDLE_VALUE || state->changedEvent == nullptr || state->stopEvent == nullptr) {
        state->CloseAll();
        return false;
    }
    state->quietMs = quietMs;
    state->wanted = std::move(wanted);
    state->changed = std::move(changed);
    try {
        state->thread = std::thread([s = state.get()] { s->Loop(); });
    } catch (const std::system_error&) {
        state->CloseAll();
        return false;
    }
    return true;
}

void FolderWatch::Stop()
{
    if (!state->thread.joinable())
        return;
    SetEvent(state->stopEvent);
    state->thread.join();
    state->CloseAll();
}

} // namespace platform
