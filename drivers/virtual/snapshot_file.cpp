#include "drivers/virtual/snapshot_file.h"

#include <string>


namespace vdisplay {

namespace {

// The refresh runs on a 50 ms grid: a write due "now" may find the tick a
// little early, and the changes of one tick all arrive within it.
constexpr std::chrono::milliseconds kTick(50);

} // namespace

void SnapshotFile::Start(const Settings& settings, CoreServices* services, const LcdPanel& panel,
                         Clock::time_point now)
{
    settings_ = settings;
    services_ = services;
    // A fresh timer: a stopped one stays interrupted.
    timer_ = settings.snapshotInterval > 0 ? std::make_unique<DeadlineTimer>() : nullptr;
    writer_ = std::make_unique<ImageFileWriter>(settings.snapshot);
    writtenAny_ = false;
    failing_ = false;
    Write(panel, now); // creates the file, showing a blank panel
}

void SnapshotFile::BeforeChange(const LcdPanel& panel, Clock::time_point now) noexcept
{
    if (timer_ != nullptr && behind_ && now >= nextWrite_)
        Write(panel, now);
}

void SnapshotFile::AfterChange(const LcdPanel& panel, Clock::time_point now) noexcept
{
    if (timer_ == nullptr) {
        Write(panel, now);
        return;
    }
    if (behind_)
        return; // the timer is already set
    behind_ = true;
    // While the panel keeps changing, a later change writes this one before
    // the timer fires: it is set half an interval past the next write. After
    // a quiet spell the change is written as soon as its refresh is over.
    const auto interval = std::chrono::milliseconds(settings_.snapshotInterval);
    timer_->Set(now < nextWrite_ ? nextWrite_ + interval / 2 : now + kTick);
}

void SnapshotFile::AtDeadline(const LcdPanel& panel, Clock::time_point now) noexcept
{
    if (!behind_)
        return; // written by a drawing call meanwhile
    if (now >= nextWrite_)
        Write(panel, now);
    else
        timer_->Set(nextWrite_);
}

void SnapshotFile::Finish(const LcdPanel& panel) noexcept
{
    if (behind_)
        Write(panel, Clock::now());
    if (timer_ != nullptr)
        timer_->Clear();
    writer_.reset(); // takes the spare file with it
}

void SnapshotFile::Write(const LcdPanel& panel, Clock::time_point now) noexcept
{
    behind_ = false;
    try {
        panel.Compose(picture_);
        if (writtenAny_ && picture_ == written_)
            return; // redrawn with the same content: the file stays
        const Geometry& geometry = settings_.geometry;
        const bool ok =
            writer_->Write(picture_.data(), geometry.xPixels, geometry.yPixels, settings_.litColour, settings_.unlitColour);
        if (!ok && !failing_ && services_ != nullptr)
            services_->vtbl->Log(services_,
                                 ("Virtual display: cannot write the snapshot " + settings_.snapshot).c_str());
        failing_ = !ok;
        written_.swap(picture_);
        writtenAny_ = ok;
        // Half a tick early, so that a write due every interval is not
        // put off by a tick that comes a little before its time.
        nextWrite_ = now + std::chrono::milliseconds(settings_.snapshotInterval) - kTick / 2;
    } catch (...) {
        // Out of memory: the file keeps an older picture until the next change.
        writtenAny_ = false;
    }
}

} // namespace vdisplay
