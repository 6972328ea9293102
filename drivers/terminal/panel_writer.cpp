#include "drivers/terminal/panel_writer.h"

#include <chrono>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

bool IsTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

void PrepareConsole()
{
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD consoleMode = 0;
    if (console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &consoleMode))
        SetConsoleMode(console, consoleMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#endif
}

// A path that must be written as a stream rather than replaced by a file.
bool IsDeviceOrPipe(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && (status.type() == std::filesystem::file_type::character ||
                      status.type() == std::filesystem::file_type::fifo);
}

} // namespace

PanelWriter::~PanelWriter()
{
    Stop();
}

void PanelWriter::Start(const PanelGeometry& geometry, const std::string& outputPath)
{
    shared = Panel(geometry);
    snapshot = shared;
    path = outputPath;
    if (path.empty()) {
        if (IsTerminal(stdout)) {
            PrepareConsole();
            mode = Mode::Terminal;
            stream = stdout;
        }
    } else if (IsDeviceOrPipe(path)) {
        stream = std::fopen(path.c_str(), "w");
        ownStream = stream != nullptr;
        mode = stream != nullptr ? Mode::Terminal : Mode::None;
    } else {
        mode = Mode::Snapshot;
    }
    if (mode == Mode::None)
        return;
    active = true;
    stopping = false;
    dirty = true;
    thread = std::thread([this] { Run(); });
}

void PanelWriter::Stop()
{
    if (!active)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    if (thread.joinable())
        thread.join();
    {
        std::lock_guard<std::mutex> lock(mutex);
        snapshot = shared;
    }
    Emit();
    if (mode == Mode::Terminal) {
        std::fputs("\x1b[?7h\x1b[?25h", stream); // line wrap and cursor back on
        std::fflush(stream);
    }
    if (ownStream)
        std::fclose(stream);
    stream = nullptr;
    ownStream = false;
    active = false;
}

void PanelWriter::Clear()
{
    if (!active)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        shared.Clear();
        dirty = true;
    }
    wake.notify_one();
}

void PanelWriter::WriteText(const char* text, std::uint32_t x, std::uint32_t y)
{
    if (!active)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        shared.WriteText(text, x, y);
        dirty = true;
    }
    wake.notify_one();
}

void PanelWriter::CopyRegion(const FrameBufferHeader& frameBuffer, std::uint32_t x, std::uint32_t y,
                             std::uint32_t width, std::uint32_t height)
{
    if (!active)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        shared.CopyRegion(frameBuffer, x, y, width, height);
        dirty = true;
    }
    wake.notify_one();
}

void PanelWriter::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return dirty || stopping; });
        if (stopping)
            return;
        snapshot = shared;
        dirty = false;
        lock.unlock();
        Emit();
        lock.lock();
        wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return stopping; });
    }
}

void PanelWriter::Emit()
{
    const std::size_t lines = snapshot.Render(frame);
    if (mode == Mode::Terminal) {
        if (linesShown == 0)
            std::fputs("\x1b[?7l\x1b[?25l", stream); // a narrow terminal cuts lines instead of wrapping
        else
            std::fputs(("\x1b[" + std::to_string(linesShown) + "A\r").c_str(), stream); // back to the top
        std::fwrite(frame.data(), 1, frame.size(), stream);
        std::fflush(stream);
        linesShown = lines;
    } else if (mode == Mode::Snapshot) {
        const std::string temporary = path + ".tmp";
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        if (file == nullptr)
            return;
        const bool written = std::fwrite(frame.data(), 1, frame.size(), file) == frame.size();
        if (std::fclose(file) == 0 && written) {
            std::error_code error;
            std::filesystem::rename(temporary, path, error);
        }
    }
}
