#pragma once

#include <ostream>
#include <streambuf>
#include <string>

// The process-wide log, "log.txt" in the working directory, recreated at
// every start. Write with insertion operators and end each line with
// std::endl; every line gets a UTC "h:m:s:ms  " stamp taken at its first
// character. Lines from different threads never interleave: each thread
// writes through its own stream and whole lines reach the file at once.
// Safe to use from any thread at any time, including from the constructors
// and destructors of other global objects.
//
//   LogStream << "Plugin name: " << name << std::endl;
class LogStreamProxy {
public:
    // Constant-initialised, so it is usable before any dynamic initialiser runs.
    constexpr LogStreamProxy() = default;
    // The calling thread's stream over the shared log.
    std::ostream& Stream() const;

    template <class T> std::ostream& operator<<(const T& value) const { return Stream() << value; }
    std::ostream& operator<<(std::ostream& (*manipulator)(std::ostream&)) const { return Stream() << manipulator; }
};

extern const LogStreamProxy LogStream;

// Per-thread stream buffer: characters arrive one at a time through
// overflow; a finished line is stamped and written to the file whole.
// overflow never reports end-of-file, so a writer never sees a failure.
// An unfinished line is written out (with a line feed) when the buffer is
// destroyed, which happens when its thread ends.
class LogStreamBuf : public std::streambuf {
public:
    LogStreamBuf();
    ~LogStreamBuf() override;
    LogStreamBuf(const LogStreamBuf&) = delete;
    LogStreamBuf& operator=(const LogStreamBuf&) = delete;

protected:
    int_type overflow(int_type c) override;

private:
    std::string line;
    bool atLineStart = true;
};

// "log.txt" in the current directory is deleted and opened anew when the
// first line is written. ReopenLog does that at once (tests call it after
// changing directory) and undoes DisableLog and CloseLog.
void ReopenLog();
// Drops every later line and never touches log.txt (the Linux subcommands,
// which must not wipe the log of an instance running in the same directory).
void DisableLog();
// Closes the log file; later lines are dropped until ReopenLog.
void CloseLog();
