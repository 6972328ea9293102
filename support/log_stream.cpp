#include "support/log_stream.h"

#include <charconv>
#include <fstream>
#include <mutex>

#include "platform/platform.h"

const LogStreamProxy LogStream;

namespace {

// The shared "log.txt". Created on first use and never destroyed, so lines
// written while other globals are built or torn down still find it; each
// line is flushed, so nothing is lost by never closing it at exit.
class LogFile {
public:
    void WriteLine(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (state == State::Pending)
            OpenLocked();
        if (state != State::Open || !file.good())
            return;
        file.write(line.data(), static_cast<std::streamsize>(line.size()));
        if (file.good())
            file.flush(); // a failed flush leaves the stream bad: later lines are dropped
    }

    void Reopen()
    {
        std::lock_guard<std::mutex> lock(mutex);
        OpenLocked();
    }

    void Close(bool disable)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (file.is_open())
            file.close();
        state = disable ? State::Disabled : State::Closed;
    }

private:
    enum class State { Pending, Open, Failed, Closed, Disabled };

    void OpenLocked()
    {
        if (file.is_open())
            file.close();
        file.clear();
        platform::RemoveFile("log.txt");
        file.open("log.txt", std::ios::out | std::ios::app);
        state = file.is_open() ? State::Open : State::Failed;
    }

    std::mutex mutex;
    std::ofstream file;
    State state = State::Pending;
};

LogFile& SharedFile()
{
    static LogFile* const file = new LogFile;
    return *file;
}

void AppendStamp(std::string& out)
{
    const platform::UtcTime now = platform::NowUtc();
    char text[64];
    char* const end = text + sizeof text;
    char* p = text;
    for (unsigned field : {now.hour, now.minute, now.second}) {
        p = std::to_chars(p, end, field).ptr;
        *p++ = ':';
    }
    p = std::to_chars(p, end, now.millisecond).ptr;
    *p++ = ' ';
    *p++ = ' ';
    out.append(text, p);
}

thread_local LogCapture* capture = nullptr;

void WriteLine(std::string& line)
{
    if (capture == nullptr) {
        SharedFile().WriteLine(line);
        return;
    }
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    capture->lines.push_back(line);
}

} // namespace

LogCapture::LogCapture() : outer(capture)
{
    capture = this;
}

LogCapture::~LogCapture()
{
    capture = outer;
}

LogStreamBuf::~LogStreamBuf()
{
    if (line.empty())
        return;
    try {
        line.push_back('\n');
        WriteLine(line);
    } catch (...) { // out of memory: the line is lost, the program goes on
    }
}

LogStreamBuf::int_type LogStreamBuf::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return 0;
    const char ch = traits_type::to_char_type(c);
    if (atLineStart) {
        atLineStart = false;
        if (ch != '\n' && capture == nullptr)
            AppendStamp(line);
    }
    line.push_back(ch);
    if (ch == '\n') {
        WriteLine(line);
        line.clear();
        atLineStart = true;
    }
    return c;
}

void ReopenLog()
{
    SharedFile().Reopen();
}

void DisableLog()
{
    SharedFile().Close(true);
}

void CloseLog()
{
    SharedFile().Close(false);
}
