#pragma once

// The engine's only window on the operating system. One backend per
// platform (platform/win32, platform/posix), chosen by the build.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// ---- Modules ---------------------------------------------------------------
using ModuleHandle = void*;

// Loads a module by full path. On failure gives null and the system's error
// text (may be empty; on Windows it ends with "\r\n").
ModuleHandle LoadModule(const std::string& path, std::string& errorText);
void* FindSymbol(ModuleHandle module, const char* name);
void FreeModule(ModuleHandle module);

// "*.dll" on Windows, "*.so" elsewhere.
const char* ModulePattern();

// Directory search for plugin modules in the current directory.
class ModuleSearch {
public:
    enum class Result { Found, NoMoreFiles, Failed };
    ModuleSearch();
    ~ModuleSearch(); // closes the search
    ModuleSearch(const ModuleSearch&) = delete;
    ModuleSearch& operator=(const ModuleSearch&) = delete;

    // Starts the search; false when no file matches.
    bool First();
    Result Next();
    // The current file's name, without directory.
    const std::string& FileName() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

// Full path of a name relative to the current directory; false when it
// cannot be formed within 260 characters.
bool FullPath(const std::string& name, std::string& out);
// False when it cannot be read or is longer than 260 characters.
bool CurrentDirectory(std::string& out);

// ---- Files and time ------------------------------------------------------------
struct UtcTime {
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned millisecond = 0;
};
UtcTime NowUtc();

// Deletes a file; failure is ignored by callers.
bool RemoveFile(const std::string& path);

// Maps a "\"-separated program path to the platform's separator.
std::string NativePath(const std::string& path);

// ---- Timer ---------------------------------------------------------------------
// Calls `tick` every `periodMs`, one call at a time, on a thread of its own.
// Stop returns only when no call is running and none will start.
class PeriodicTimer {
public:
    PeriodicTimer();
    ~PeriodicTimer(); // stops
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    bool Start(std::uint32_t periodMs, std::uint32_t resolutionMs, std::function<void()> tick);
    void Stop();
    bool Running() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace platform
