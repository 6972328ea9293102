#include "drivers/virtual/presenter.h"

#include <chrono>

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
    keepFile_ = !settings.snapshot.empty();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shared_ = LcdPanel(settings.geometry);
        dirty_ = true; // the first picture shows a blank panel
        stopping_ = false;
        listening_ = true;
        if (keepFile_)
            file_.Start(settings, services, shared_, Clock::now());
    }
    work_ = LcdPanel(settings.geometry);
    try {
        if (keepFile_ && file_.Timer() != nullptr)
            timerThread_ = std::thread([this] { RunSnapshotTimer(); });
        if (view_ != nullptr)
            viewThread_ = std::thread([this] { RunView(); });
    } catch (...) {
        started_ = true;
        Stop();
        throw;
    }
    started_ = true;
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
    if (keepFile_ && file_.Timer() != nullptr)
        file_.Timer()->Interrupt();
    if (viewThread_.joinable())
        viewThread_.join();
    if (timerThread_.joinable())
        timerThread_.join();
    if (keepFile_) {
        std::lock_guard<std::mutex> lock(mutex_);
        file_.Finish(shared_);
    }
    started_ = false;
}

template <class Change> void Presenter::Draw(Change change)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Clock::time_point now;
        if (keepFile_) {
            now = Clock::now();
            file_.BeforeChange(shared_, now);
        }
        change(shared_);
        if (keepFile_)
            file_.AfterChange(shared_, now);
        if (view_ != nullptr) {
            wake = listening_ && !dirty_; // later changes join the one already waiting
            dirty_ = true;
        }
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

void Presenter::RunView()
{
    Clock::time_point nextShow; // the view takes no picture before
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        listening_ = true;
        wake_.wait(lock, [this] { return stopping_ || dirty_; });
        if (!stopping_ && Clock::now() < nextShow) {
            listening_ = false; // changes until then join this picture
            wake_.wait_until(lock, nextShow, [this] { return stopping_; });
        }
        const bool last = stopping_;
        const bool took = dirty_;
        if (took)
            work_ = shared_; // same size: no allocation under the lock
        dirty_ = false;
        lock.unlock();

        if (took && Show())
            nextShow = Clock::now() + kFramePeriod;
        if (last)
            return;
        lock.lock();
    }
}

void Presenter::RunSnapshotTimer()
{
    DeadlineTimer& timer = *file_.Timer();
    while (timer.Wait()) {
        std::lock_guard<std::mutex> lock(mutex_);
        file_.AtDeadline(shared_, Clock::now());
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
        view_->Show(shown_.data(), settings_.geometry.xPixels, settings_.geometry.yPixels);
        return true;
    } catch (...) {
        // Out of memory: this picture is lost; the next change tries again.
        shownAny_ = false;
        return false;
    }
}

} // namespace vdisplay
