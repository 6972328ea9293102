#include "drivers/charpanel/panel_link.h"

#include "plugin/api/glancer_plugin.hpp"

namespace charpanel {

PanelLink::PanelLink(Transport& transport, std::string name, std::string where, std::chrono::milliseconds retryPeriod)
    : transport_(transport), name_(std::move(name)), where_(std::move(where)), retryPeriod_(retryPeriod)
{
}

PanelLink::~PanelLink()
{
    Stop();
}

void PanelLink::Start(Geometry geometry, Device& device)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (panel_ != nullptr)
        return;
    panel_ = std::make_unique<CharPanel>(geometry, device);
    // A full redraw of the largest panel, and its user characters, fit.
    pending_.reserve(4096);
    if (!TryOpen(false))
        state_ = State::Lost;
    retry_ = std::thread([this] { Retry(); });
}

void PanelLink::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (retry_.joinable())
        retry_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == State::Open) {
        Flush();
        transport_.Drain();
    }
    if (state_ != State::Closed && state_ != State::Lost)
        transport_.Close();
    state_ = State::Closed;
}

DisplayInfo PanelLink::Info() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return panel_ != nullptr ? panel_->Info() : DisplayInfo{};
}

void PanelLink::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (panel_ == nullptr)
        return;
    panel_->Clear();
    Flush();
}

void PanelLink::WriteText(const char* text, std::uint32_t column, std::uint32_t row)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (panel_ == nullptr)
        return;
    if (!panel_->WriteText(text, column, row) && !toldWide_) {
        toldWide_ = true; // once: the same text comes back at every refresh
        glancer::Log(name_ + ": text at column " + std::to_string(column) + ", row " + std::to_string(row) +
                     " does not fit the " + std::to_string(panel_->Size().columns) + " x " +
                     std::to_string(panel_->Size().rows) + " panel; cut off");
    }
    Flush();
}

void PanelLink::UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                             std::uint32_t height)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (panel_ == nullptr)
        return;
    panel_->UpdateRegion(frame, x, y, width, height);
    Flush();
}

void PanelLink::Put(const std::uint8_t* bytes, std::size_t count)
{
    pending_.insert(pending_.end(), bytes, bytes + count);
}

void PanelLink::Wait(std::uint32_t microseconds)
{
    Flush();
    if (state_ == State::Open)
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

void PanelLink::Flush()
{
    if (pending_.empty())
        return;
    if (state_ != State::Open) {
        pending_.clear(); // the redraw after recovery sends the picture
        return;
    }
    const Transport::Sent sent = transport_.Send(pending_.data(), pending_.size());
    pending_.clear();
    if (sent == Transport::Sent::All)
        return;
    panel_->Invalidate();
    wake_.notify_all(); // the retry thread sleeps untimed while all is well
    if (sent == Transport::Sent::Stalled) {
        if (!retrying_)
            glancer::Log(name_ + ": " + where_ + " is not taking data; showing nothing until it does");
        state_ = State::Stalled;
        return;
    }
    if (!retrying_)
        glancer::Log(name_ + ": lost " + where_ + "; trying again every few seconds");
    transport_.Close();
    state_ = State::Lost;
}

bool PanelLink::TryOpen(bool quiet)
{
    std::string reason;
    if (!transport_.Open(reason)) {
        if (!quiet)
            glancer::Log(name_ + ": " + where_ + " " + reason + "; trying again every few seconds");
        return false;
    }
    state_ = State::Open;
    panel_->Redraw();
    Flush();
    return state_ == State::Open;
}

void PanelLink::Retry()
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto troubled = [this] { return state_ == State::Lost || state_ == State::Stalled; };
    while (!stopping_) {
        wake_.wait(lock, [&] { return stopping_ || troubled(); });
        wake_.wait_for(lock, retryPeriod_, [this] { return stopping_; });
        if (stopping_)
            break;
        retrying_ = true; // one line when trouble starts, one when it ends
        if (state_ == State::Lost) {
            if (TryOpen(true))
                glancer::Log(name_ + ": " + where_ + " is back");
        } else if (state_ == State::Stalled) {
            state_ = State::Open;
            panel_->Redraw();
            Flush();
            if (state_ == State::Open)
                glancer::Log(name_ + ": " + where_ + " takes data again");
        }
        retrying_ = false;
    }
}

} // namespace charpanel
