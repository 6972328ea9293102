#include "drivers/oled/oled_panel.h"

namespace oled {

OledPanel::OledPanel(const Config& config, std::unique_ptr<I2cLink> link, CoreServices* services,
                     std::chrono::milliseconds retry)
    : shared_(GeometryOf(config)), config_(config), link_(std::move(link)), services_(services), retry_(retry),
      work_(GeometryOf(config)), writer_(config)
{
}

OledPanel::~OledPanel()
{
    Stop();
}

panelcore::Geometry OledPanel::GeometryOf(const Config& config)
{
    return panelcore::Geometry{config.width, config.height, config.width / panelcore::kCellWidth,
                               config.height / panelcore::kCellHeight};
}

void OledPanel::Start()
{
    if (thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
        dirty_ = true;
    }
    thread_ = std::thread([this] { Run(); });
}

void OledPanel::Stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    link_->Close();
    connected_ = false;
}

template <class Change> void OledPanel::Draw(Change change)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        change(shared_);
        dirty_ = true;
    }
    wake_.notify_one();
}

void OledPanel::Clear()
{
    Draw([](panelcore::LcdPanel& panel) { panel.Clear(); });
}

void OledPanel::WriteText(const char* text, std::uint32_t x, std::uint32_t y)
{
    Draw([&](panelcore::LcdPanel& panel) { panel.WriteText(text, x, y); });
}

void OledPanel::CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                           std::uint32_t height)
{
    Draw([&](panelcore::LcdPanel& panel) { panel.CopyRegion(frame, x, y, width, height); });
}

void OledPanel::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!connected_) {
            if (stopping_)
                return; // nothing can show the last picture
            lock.unlock();
            connected_ = Connect();
            lock.lock();
            if (!connected_) {
                wake_.wait_for(lock, retry_, [this] { return stopping_; });
                continue;
            }
            dirty_ = true; // the whole picture, after a restart of the module
        }
        wake_.wait(lock, [this] { return dirty_ || stopping_; });
        const bool last = stopping_;
        work_ = shared_; // same size: no allocation under the lock
        dirty_ = false;
        lock.unlock();
        connected_ = Send();
        lock.lock();
        if (last && connected_)
            return;
        if (!connected_)
            dirty_ = true;
    }
}

bool OledPanel::Connect()
{
    std::string error;
    bool ok = link_->Open(error);
    if (ok) {
        std::vector<std::uint8_t> init = InitCommands(config_);
        init.insert(init.begin(), kCommandStream);
        ok = link_->Write(init.data(), init.size(), error);
    }
    if (!ok) {
        link_->Close();
        if (!failing_)
            Log("I2C OLED: " + error + "; trying again every " + Every());
        failing_ = true;
        return false;
    }
    if (failing_)
        Log("I2C OLED: the display answers again");
    failing_ = false;
    writer_.Invalidate();
    displayOn_ = false;
    return true;
}

bool OledPanel::Send()
{
    std::string error;
    work_.Compose(picture_);
    bool ok = writer_.Send(picture_, *link_, error);
    if (ok && !displayOn_) {
        // On only once the memory holds the picture, so no noise flashes up.
        const std::uint8_t on[] = {kCommandStream, kDisplayOn};
        ok = link_->Write(on, sizeof on, error);
        displayOn_ = ok;
    }
    if (ok)
        return true;
    link_->Close();
    if (!failing_)
        Log("I2C OLED: the display stopped answering: " + error + "; trying again every " + Every());
    failing_ = true;
    return false;
}

std::string OledPanel::Every() const
{
    const auto count = retry_.count();
    return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
}

void OledPanel::Log(const std::string& text) const
{
    if (services_ != nullptr)
        services_->vtbl->Log(services_, text.c_str());
}

} // namespace oled
