#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "drivers/terminal/panel.h"

// Shows a Panel somewhere without ever making the caller wait for output:
// drawing calls only change a shared Panel under a short lock and wake a
// writer thread, which renders at most 20 frames a second.
//
// Where the frames go, chosen by Start:
// - no path: the process's standard output when it is a terminal (redrawn
//   in place with ANSI escapes), otherwise nowhere;
// - a path naming a terminal, a character device or a FIFO: written there
//   the same way;
// - any other path: a plain-text snapshot of the latest frame, replaced
//   whole each time (write to "<path>.tmp", then rename).
class PanelWriter {
public:
    PanelWriter() = default;
    ~PanelWriter(); // Stop
    PanelWriter(const PanelWriter&) = delete;
    PanelWriter& operator=(const PanelWriter&) = delete;

    // Sets the geometry and opens the output; starts the thread when there is
    // somewhere to write. Call once, before any drawing call.
    void Start(const PanelGeometry& geometry, const std::string& outputPath);
    // Writes the final state, restores the terminal's cursor, ends the thread.
    void Stop();

    // Drawing calls, from any one thread at a time.
    void Clear();
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    void CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                    std::uint32_t height);

private:
    enum class Mode { None, Terminal, Snapshot };

    void Run();
    void Emit();
    void Wake();

    std::mutex mutex;
    std::condition_variable wake;
    Panel shared;          // guarded by mutex
    bool dirty = false;    // guarded by mutex
    bool stopping = false; // guarded by mutex
    bool active = false;   // set before the first drawing call, then read only
    std::thread thread;

    // Used by the writer thread only (and by Stop after it has ended).
    Mode mode = Mode::None;
    std::FILE* stream = nullptr;
    bool ownStream = false;
    std::string path;
    Panel snapshot;
    std::string frame;
    std::size_t linesShown = 0;
};
