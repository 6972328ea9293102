#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "drivers/common/lcd_panel.h"
#include "drivers/virtual/deadline_timer.h"
#include "drivers/virtual/image_export.h"
#include "drivers/virtual/virtual_settings.h"

namespace vdisplay {

using panelcore::LcdPanel;

// Keeps the Snapshot picture file of the panel, replaced at most once per
// SnapshotInterval, without a wake-up of its own while the panel keeps
// changing: the drawing call that finds a write due first writes the panel
// as it stood before that call (the whole of the last refresh, not half of
// this one), and a deadline timer writes what the last changes left behind
// once the panel has gone quiet. With an interval of 0 every change is
// written at once and there is no timer.
// Not thread-safe: the presenter calls it under its lock.
class SnapshotFile {
public:
    using Clock = std::chrono::steady_clock;

    // Writes the first picture. Throws when no timer is to be had.
    void Start(const Settings& settings, CoreServices* services, const LcdPanel& panel, Clock::time_point now);

    void BeforeChange(const LcdPanel& panel, Clock::time_point now) noexcept;
    void AfterChange(const LcdPanel& panel, Clock::time_point now) noexcept;
    // When the timer's Wait has returned true.
    void AtDeadline(const LcdPanel& panel, Clock::time_point now) noexcept;
    // Writes the final state, due or not.
    void Finish(const LcdPanel& panel) noexcept;

    // Null with an interval of 0. Its thread calls AtDeadline.
    DeadlineTimer* Timer() { return timer_.get(); }

private:
    void Write(const LcdPanel& panel, Clock::time_point now) noexcept;

    Settings settings_;
    CoreServices* services_ = nullptr;
    std::unique_ptr<DeadlineTimer> timer_;
    std::unique_ptr<ImageFileWriter> writer_;
    bool behind_ = false; // the panel has changed since the last write
    Clock::time_point nextWrite_;
    std::vector<std::uint8_t> picture_;
    std::vector<std::uint8_t> written_;
    bool writtenAny_ = false;
    bool failing_ = false;
};

} // namespace vdisplay
