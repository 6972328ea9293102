#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "drivers/common/lcd_panel.h"
#include "drivers/virtual/panel_view.h"
#include "drivers/virtual/snapshot_file.h"
#include "drivers/virtual/virtual_settings.h"

namespace vdisplay {

using panelcore::LcdPanel;

// Keeps the panel the drawing calls change and shows it without ever making
// them wait for the view: a drawing call changes the shared panel under a
// short lock, and the view's thread composes the picture and hands it to the
// view, waking at the first change after it last looked (at most 20 times a
// second). The snapshot file is written by the drawing calls themselves, at
// most once per SnapshotInterval, so it costs no wake-up while the panel
// keeps changing (see SnapshotFile).
class Presenter {
public:
    Presenter() = default;
    ~Presenter(); // Stop
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // Call once, before any drawing call. `view` (may be null) must outlive
    // Stop; `services` (may be null) takes the log lines. Throws when a
    // thread or timer cannot be had.
    void Start(const Settings& settings, PanelView* view, CoreServices* services);
    // Shows the final state, then ends the thread. The view is left open.
    void Stop();

    // Drawing calls, safe from any thread.
    void Clear();
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    void CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                    std::uint32_t height);

private:
    using Clock = std::chrono::steady_clock;

    template <class Change> void Draw(Change change);
    void RunView();
    void RunSnapshotTimer();
    // Composes the panel taken last; true when the picture differs from
    // the one shown before (and is shown now).
    bool Show() noexcept;

    std::mutex mutex_;
    std::condition_variable wake_;
    LcdPanel shared_;       // guarded by mutex_
    bool dirty_ = false;    // guarded by mutex_
    bool stopping_ = false; // guarded by mutex_
    bool listening_ = true; // guarded by mutex_: the view's thread wants a wake at the next change
    bool keepFile_ = false; // set by Start
    SnapshotFile file_;     // guarded by mutex_
    std::thread viewThread_;
    std::thread timerThread_;
    bool started_ = false; // Start and Stop only

    // Set by Start; then used by the view's thread only (and by Stop once
    // that thread has ended).
    Settings settings_;
    PanelView* view_ = nullptr;
    LcdPanel work_;
    std::vector<std::uint8_t> picture_;
    std::vector<std::uint8_t> shown_;
    bool shownAny_ = false;
};

} // namespace vdisplay
