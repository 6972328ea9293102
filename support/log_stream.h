#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <type_traits>
#include <vector>

// Per-line stream buffer: characters arrive one at a time through
// overflow; a finished line is stamped and written to the file whole.
// overflow never reports end-of-file, so a writer never sees a failure.
// An unfinished line is written out (with a line feed) when the buffer is
// destroyed.
class LogStreamBuf : public std::streambuf {
public:
    LogStreamBuf() = default;
    ~LogStreamBuf() override;
    LogStreamBuf(const LogStreamBuf&) = delete;
    LogStreamBuf& operator=(const LogStreamBuf&) = delete;

protected:
    int_type overflow(int_type c) override;

private:
    std::string line;
    bool atLineStart = true;
};

// One statement's worth of log output, made by LogStream's first insertion
// and destroyed at the end of the statement. Each statement has a stream of
// its own, so lines from different threads never interleave, and no thread
// keeps per-thread state: threads the program does not own (a timer
// service's, a plugin's) may end, and modules unload, in any order.
class LogLine {
public:
    template <class T> explicit LogLine(const T& first) { *this << first; }
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;

    // Numbers by value, like std::ostream, so a constant needs no definition.
    template <class T>
    requires std::is_arithmetic_v<T> LogLine& operator<<(T value)
    {
        stream << value;
        return *this;
    }
    template <class T>
    requires(!std::is_arithmetic_v<T>) LogLine& operator<<(const T& value)
    {
        stream << value;
        return *this;
    }
    LogLine& operator<<(std::ostream& (*manipulator)(std::ostream&))
    {
        stream << manipulator;
        return *this;
    }
    LogLine& operator<<(std::ios_base& (*manipulator)(std::ios_base&))
    {
        stream << manipulator;
        return *this;
    }

private:
    LogStreamBuf buffer;
    std::ostream stream{&buffer};
};

// The process-wide log, "log.txt" in the working directory, recreated at
// every start. Write with insertion operators and end each line with
// std::endl, all in one statement; every line gets a UTC "h:m:s:ms  " stamp
// taken at its first character, and a statement that leaves its last line
// unfinished has it ended for it. Safe to use from any thread at any time,
// including from the constructors and destructors of other global objects.
//
//   LogStream << "Plugin name: " << name << std::endl;
class LogStreamProxy {
public:
    // Constant-initialised, so it is usable before any dynamic initialiser runs.
    constexpr LogStreamProxy() = default;

    template <class T>
    requires std::is_arithmetic_v<T> LogLine operator<<(T value) const { return LogLine(value); }
    template <class T>
    requires(!std::is_arithmetic_v<T>) LogLine operator<<(const T& value) const { return LogLine(value); }
    LogLine operator<<(std::ostream& (*manipulator)(std::ostream&)) const { return LogLine(manipulator); }
};

extern const LogStreamProxy LogStream;

// "log.txt" in the current directory is deleted and opened anew when the
// first line is written. ReopenLog does that at once: the program calls it
// first thing, so every start recreates the log even when nothing else runs;
// tests call it after changing directory. It undoes DisableLog and CloseLog.
void ReopenLog();
// Drops every later line and never touches log.txt (the Linux subcommands,
// which must not wipe the log of an instance running in the same directory).
void DisableLog();
// Closes the log file; later lines are dropped until ReopenLog.
void CloseLog();

// While one exists, the lines its own thread writes are collected in `lines`
// (without time stamps or line feeds) instead of going to log.txt, so a
// checker can report what reading a screen would log. Lines of other threads
// are not affected. Captures nest; the innermost one collects.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines;

private:
    LogCapture* outer;
};
