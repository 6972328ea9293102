#pragma once

#include <ostream>
#include <streambuf>
#include <string>

// The process-wide log, "log.txt" in the working directory, recreated at
// every start. Write with insertion operators and end each line with
// std::endl; every line gets a UTC "h:m:s:ms  " stamp taken at its first
// character. Lines from different threads never interleave: each thread
// writes through its own stream and whole lines reach the file at once.
//
//   LogStream << "Plugin name: " << name << std::endl;
class LogStreamProxy {
public:
    LogStreamProxy();
    // The calling thread's stream over the shared log.
    std::ostream& Stream() const;

    template <class T>
    std::ostream& operator<<(const T& value) const
    {
        return Stream() << value;
    }
    std::ostream& operator<<(std::ostream& (*manipulator)(std::ostream&)) const { return Stream() << manipulator; }
};

extern const LogStreamProxy LogStream;

// Per-thread stream buffer: characters arrive one at a time through
// overflow; a finished line is stamped and written to the file whole.
class LogStreamBuf : public std::streambuf {
protected:
    int_type overflow(int_type c) override;

private:
    std::string line;
    bool atLineStart = true;
};

// "log.txt" in the current directory is deleted and opened anew when the
// first line is written. ReopenLog does that at once (tests call it after
// changing directory).
void ReopenLog();
// Drops every later line and never touches log.txt (the Linux subcommands,
// which must not wipe the log of an instance running in the same directory).
void DisableLog();
// Closes the log file; later lines are dropped until ReopenLog.
void CloseLog();
