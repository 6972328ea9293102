#pragma once

// The engine's only window on the operating system. One backend per
// platform (platform/win32, platform/posix), chosen by the build.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// <windows.h> defines FreeModule as a macro; Windows sources include it
// before this header.
#ifdef FreeModule
#undef FreeModule
#endif

namespace platform {

// ---- Modules ---------------------------------------------------------------
using ModuleHandle = void*;

// Loads a module by full path, resolving all its symbols now. On failure
// gives null and the system's error text (may be empty; on Windows it ends
// with "\r\n").
ModuleHandle LoadModule(const std::string& path, std::string& errorText);
// The address of an exported symbol, or null.
void* FindSymbol(ModuleHandle module, const char* name);
// Unloads a module LoadModule gave; null is ignored.
void FreeModule(ModuleHandle module);

// "*.dll" on Windows, "*.so" elsewhere.
const char* ModulePattern();

// Directory search for plugin modules (ModulePattern) in the current
// directory. The POSIX backend lists regular files sorted by name, so the
// order is the same on every run; Windows gives the file system's order.
class ModuleSearch {
public:
    enum class Result { Found, NoMoreFiles, Failed };
    ModuleSearch();
    ~ModuleSearch(); // closes the search
    ModuleSearch(const ModuleSearch&) = delete;
    ModuleSearch& operator=(const ModuleSearch&) = delete;

    // Starts the search and moves to the first file; false when no file
    // matches or the directory cannot be read.
    bool First();
    // Moves to the next file: NoMoreFiles after the last one, Failed when
    // the system reports another error.
    Result Next();
    // The current file's name, without directory.
    const std::string& FileName() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

// Full path of a name relative to the current directory; false when it
// cannot be formed within 260 characters (terminator included).
bool FullPath(const std::string& name, std::string& out);
// The current directory; false when it cannot be read or does not fit 260
// characters (terminator included).
bool CurrentDirectory(std::string& out);

// ---- Files and time ------------------------------------------------------------
struct UtcTime {
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned millisecond = 0;
};
// The system time of day in UTC.
UtcTime NowUtc();

// Reads a whole regular file, or its first `maxBytes` bytes when it is
// longer. Devices, pipes and folders are refused without reading from them
// (a FIFO is not even waited for).
enum class FileRead { Ok, CannotOpen, NotRegular, TooLarge, Failed };
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

// Maps a "\"-separated program path to the platform's separator.
std::string NativePath(const std::string& path);

// ---- Text ----------------------------------------------------------------------
// Whether two names are equal when letter case is ignored, as the platform's
// own lists compare them (a Windows combo box's exact-string search folds
// letters of the user's code page too; elsewhere only ASCII letters fold).
bool SameTextIgnoringCase(const std::string& a, const std::string& b);

// ---- Timer ---------------------------------------------------------------------
// Calls a tick on a grid of `periodMs` steps from the start, one call at a
// time, on a thread of its own. The grid does not drift; a tick that
// overruns delays the next one (no overlap, no burst of missed ticks).
// Start and Stop belong to one controlling thread; Stop may also be called
// from inside the tick, where it returns at once and no further tick starts.
class PeriodicTimer {
public:
    // A tick that may let the timer sleep: it is given how many grid steps
    // passed without a call since its previous call (as many as it asked
    // for) and gives how many of the coming steps it needs no call for.
    using SleepyTick = std::function<std::uint32_t(std::uint32_t skippedSteps)>;

    PeriodicTimer();
    ~PeriodicTimer(); // stops
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // False when already running, when periodMs is 0 or the system refuses.
    // resolutionMs is the accuracy asked of the system (Windows only).
    bool Start(std::uint32_t periodMs, std::uint32_t resolutionMs, SleepyTick tick);
    // A tick on every step.
    bool Start(std::uint32_t periodMs, std::uint32_t resolutionMs, std::function<void()> tick)
    {
        if (!tick)
            return false;
        return Start(periodMs, resolutionMs, SleepyTick([tick = std::move(tick)](std::uint32_t) {
                         tick();
                         return std::uint32_t{0};
                     }));
    }
    // Returns only when no tick is running and none will start; a no-op
    // when not running.
    void Stop();
    // True from a successful Start until Stop.
    bool Running() const;
    // Cuts short a sleep the tick asked for: the next tick comes at the next
    // grid step. Any thread; a no-op when not running.
    void Wake();

private:
    struct State;
    std::unique_ptr<State> state;
};

// ---- Folder watching -------------------------------------------------------------
// Watches the files of one folder (not its subfolders) on a thread of its
// own, which sleeps while nothing changes. A file that is written and
// closed, created, deleted or renamed into or out of the folder counts when
// `wanted` accepts its name; `changed` runs once per burst of such changes,
// `quietMs` after the last of them.
class FolderWatch {
public:
    FolderWatch();
    ~FolderWatch(); // stops
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False when already watching or when the folder cannot be watched.
    bool Start(const std::string& folder, std::uint32_t quietMs, std::function<bool(const std::string&)> wanted,
               std::function<void()> changed);
    // Returns when `changed` is not running and will not run again.
    void Stop();

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace platform
