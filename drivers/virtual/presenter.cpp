#include "drivers/virtual/presenter.h"

#include <chrono>

#include "drivers/virtual/image_export.h"

namespace vdisplay {

namespace {

// At most 20 pictures a second.
constexpr std::chrono::milliseconds kFramePeriod(50);

} // namespace

Presenter::~Presenter()
{
    Stop();
}

void Presenter::Start(const Settings& settings, PanelView* view, CoreServices* services)
{
    if (started_)
        return;
    settings_ = settings;
    view_ = view;
    services_ = services;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shared_ = LcdPanel(settings.geometry);
        dirty_ = true; // the first picture shows a blank panel and creates the snapshot
        stopping_ = false;
        listening_ = true;
    }
    work_ = LcdPanel(settings.geometry);
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

void Presenter::Stop()
{
    if (!started_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    } else {
        // The thread never started: show the final state from here.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            work_ = shared_;
        }
        if (Show() && !settings_.snapshot.empty())
            WriteSnapshot();
    }
    started_ = false;
}

template <class Change> void Presenter::Draw(Change change)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        change(shared_);
        wake = listening_ && !dirty_; // later changes join the one already waiting
        dirty_ = true;
    }
    if (wake)
        wake_.notify_one();
}

void Presenter::Clear()
{
    Draw([](LcdPanel& panel) { panel.Clear(); });
}

void Presenter::WriteText(const char* text, std::uint32_t x, std::uint32_t y)
{
    Draw([&](LcdPanel& panel) { panel.WriteText(text, x, y); });
}

void Presenter::CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                           std::uint32_t height)
{
    Draw([&](LcdPanel& panel) { panel.CopyRegion(frame, x, y, width, height); });
}

void Presenter::Run()
{
    const bool snapshot = !settings_.snapshot.empty();
    Clock::time_point nextShow;  // the view takes no picture before
    Clock::time_point nextWrite; // the file takes no picture before
    bool fileBehind = false;     // the file lacks the picture shown last
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // Right after a write the file waits for nextWrite, gathering every
        // change meanwhile in one wake-up; only a view wants them sooner.
        const bool fileWaits = snapshot && Clock::now() < nextWrite;
        listening_ = view_ != nullptr || (snapshot && !fileWaits);
        const auto ready = [this] { return stopping_ || (dirty_ && listening_); };
        if (fileWaits)
            wake_.wait_until(lock, nextWrite, ready);
        else
            wake_.wait(lock, ready);
        if (view_ != nullptr && dirty_ && !stopping_ && Clock::now() < nextShow)
            wake_.wait_until(lock, nextShow, [this] { return stopping_; });
        const bool last = stopping_;
        const bool took = dirty_;
        if (took)
            work_ = shared_; // same size: no allocation under the lock
        dirty_ = false;
        lock.unlock();

        if (took && Show()) {
            nextShow = Clock::now() + kFramePeriod;
            fileBehind = snapshot;
        }
        const Clock::time_point now = Clock::now();
        if (fileBehind && (last || now >= nextWrite)) {
            WriteSnapshot();
            fileBehind = false;
            nextWrite = now + std::chrono::milliseconds(settings_.snapshotInterval);
        }
        if (last)
            return;
        lock.lock();
    }
}

bool Presenter::Show() noexcept
{
    try {
        work_.Compose(picture_);
        if (shownAny_ && picture_ == shown_)
            return false; // redrawn with the same content: nothing to show
        shown_.swap(picture_);
        shownAny_ = true;
        if (view_ != nullptr)
            view_->Show(shown_.data(), settings_.geometry.xPixels, settings_.geometry.yPixels);
        return true;
    } catch (...) {
        // Out of memory: this picture is lost; the next change tries again.
        shownAny_ = false;
        return false;
    }
}

void Presenter::WriteSnapshot() noexcept
{
    try {
        const Geometry& geometry = settings_.geometry;
        const bool written = WriteImageFile(settings_.snapshot, shown_.data(), geometry.xPixels, geometry.yPixels,
                                            settings_.litColour, settings_.unlitColour, fileBytes_);
        if (!written && !snapshotFailing_ && services_ != nullptr)
            services_->vtbl->Log(services_,
                                 ("Virtual display: cannot write the snapshot " + settings_.snapshot).c_str());
        snapshotFailing_ = !written;
    } catch (...) {
        // Out of memory: the file keeps an older picture until the next change.
    }
}

} // namespace vdisplay
