#pragma once

// Runs one command line to completion, on the caller's thread, and gives
// the start of its standard output. The child gets no handle of ours but its
// output pipe (standard input and error are the null device) and no window.
// Only the first line matters: once it is read (or 4 KiB without a line
// end), the pipe is closed, and a child still writing ends on the broken
// pipe; a child that runs past the timeout is killed with everything it
// started (its process group on Linux, its job object on Windows).

#include <atomic>
#include <chrono>
#include <string>

namespace commands {

struct RunResult {
    enum Outcome { Finished, Failed, TimedOut, NotStarted, Stopped };
    Outcome outcome = NotStarted;
    int exitStatus = 0;  // Failed: the exit code, or 128 + signal
    std::string output;  // Finished: the first line's bytes, at most 4 KiB
    std::string problem; // NotStarted: why
};

inline constexpr std::size_t kOutputLimit = 4096;

// `stop` ends a run early (the child is killed, outcome Stopped); it is
// checked at least every 100 ms.
RunResult RunCommand(const std::string& command, std::chrono::milliseconds timeout, const std::atomic<bool>& stop);

} // namespace commands
