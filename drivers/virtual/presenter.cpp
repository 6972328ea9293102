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
        Present();
    }
    started_ = false;
}

template <class Change> void Presenter::Draw(Change change)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        change(shared_);
        dirty_ = true;
    }
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
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return dirty_ || stopping_; });
        const bool last = stopping_;
        work_ = shared_; // same size: no allocation under the lock
        dirty_ = false;
        lock.unlock();
        Present();
        if (last)
            return;
        const auto next = std::chrono::steady_clock::now() + kFramePeriod;
        lock.lock();
        wake_.wait_until(lock, next, [this] { return stopping_; });
    }
}

void Presenter::Present() noexcept
{
    try {
        work_.Compose(picture_);
        if (shownAny_ && picture_ == shown_)
            return; // redrawn with the same content: nothing to show
        shown_.swap(picture_);
        shownAny_ = true;
        const Geometry& geometry = settings_.geometry;
        if (view_ != nullptr)
            view_->Show(shown_.data(), geometry.xPixels, geometry.yPixels);
        if (settings_.snapshot.empty())
            return;
        const bool written = WriteImageFile(settings_.snapshot, shown_.data(), geometry.xPixels, geometry.yPixels,
                                            settings_.litColour, settings_.unlitColour, fileBytes_);
        if (!written && !snapshotFailing_ && services_ != nullptr)
            services_->vtbl->Log(services_,
                                 ("Virtual display: cannot write the snapshot " + settings_.snapshot).c_str());
        snapshotFailing_ = !written;
    } catch (...) {
        // Out of memory: this picture is lost; the next change tries again.
        shownAny_ = false;
    }
}

} // namespace vdisplay
