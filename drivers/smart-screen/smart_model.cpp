#include "drivers/smart-screen/smart_model.h"

#include <chrono>
#include <thread>

#include "plugin/api/glancer_plugin.hpp"

namespace smartscreen {

Layout ScreenSetup::ScreenLayout() const
{
    Layout layout;
    const bool sideways = (quarters & 1) != 0;
    layout.screenWidth = sideways ? height : width;
    layout.screenHeight = sideways ? width : height;
    layout.scale = scale == 0 ? 1 : scale;
    layout.softQuarters = SplitOrientation(revision, quarters).softQuarters;
    return layout;
}

panelcore::Geometry ScreenSetup::PanelGeometry() const
{
    const Layout layout = ScreenLayout();
    panelcore::Geometry geometry;
    geometry.xPixels = layout.panelWidth();
    geometry.yPixels = layout.panelHeight();
    geometry.xChars = geometry.xPixels / panelcore::kCellWidth;
    geometry.yChars = geometry.yPixels / panelcore::kCellHeight;
    return geometry;
}

std::vector<std::uint8_t> ReadAnswer(panelcore::Transport& transport, std::size_t count, std::uint32_t waitMs)
{
    std::vector<std::uint8_t> answer(count);
    std::size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (got < count && std::chrono::steady_clock::now() < deadline) {
        const std::size_t read = transport.Receive(answer.data() + got, count - got);
        got += read;
        if (read == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    answer.resize(got);
    return answer;
}

SmartModel::SmartModel(const ScreenSetup& setup, const Theme& theme, WatchedPort* port)
    : setup_(setup), port_(port), panel_(setup.PanelGeometry()), canvas_(setup.revision, setup.ScreenLayout(), theme)
{
}

bool SmartModel::TakeTouched()
{
    if (taken_.empty()) {
        panel_.Compose(taken_);
    } else if (top_ < bottom_) {
        panel_.ComposeRows(taken_, top_, bottom_);
    } else {
        return false;
    }
    takenTop_ = std::min(takenTop_, top_);
    takenBottom_ = std::max(takenBottom_, bottom_);
    top_ = panel_.geometry().yPixels;
    bottom_ = 0;
    return true;
}

void SmartModel::Render()
{
    canvas_.Render(taken_, everything_, bytes_, takenTop_, takenBottom_);
    takenTop_ = panel_.geometry().yPixels;
    takenBottom_ = 0;
}

void SmartModel::Take(bool everything)
{
    TakeTouched();
    everything_ = everything;
}

void SmartModel::Greet(panelcore::Transport& transport)
{
    // Revision B takes nothing before its HELLO; the others are asked only
    // at start, where the answer tells the size.
    if (setup_.revision != Revision::B)
        return;
    Bytes hello;
    AppendHello(Revision::B, hello);
    if (transport.Send(hello.data(), hello.size()) != panelcore::Transport::Sent::All)
        return;
    const std::vector<std::uint8_t> answer = ReadAnswer(transport, HelloAnswerSize(Revision::B), 1000);
    if (!ReadHelloAnswer(Revision::B, answer.data(), answer.size()).recognised && !toldHello_) {
        glancer::Log(std::string("Smart screen: ") + setup_.where +
                     " does not answer HELLO as a revision B screen; sending pictures anyway");
        toldHello_ = true;
    }
}

panelcore::Transport::Sent SmartModel::Send(panelcore::Transport& transport)
{
    bytes_.clear();
    if (everything_) {
        Greet(transport);
        const Turn turn = SplitOrientation(setup_.revision, setup_.quarters);
        const bool sideways = (turn.deviceQuarters & 1) != 0;
        AppendOrientation(setup_.revision, turn.deviceQuarters, sideways ? setup_.height : setup_.width,
                          sideways ? setup_.width : setup_.height, bytes_);
        AppendBrightness(setup_.revision, setup_.brightness, setup_.fullBrightness, bytes_);
    }
    Render();
    if (bytes_.empty()) // tells whether the port hung up while all was still
        return transport.Send(bytes_.data(), 0);
    bytesSent_ += bytes_.size();
    return transport.Send(bytes_.data(), bytes_.size());
}

bool SmartModel::SendAtOnce(panelcore::Transport& /*transport*/)
{
    if (port_ == nullptr)
        return false;
    if (!TakeTouched())
        return true;
    bytes_.clear();
    everything_ = false;
    Render();
    bytesSent_ += bytes_.size();
    return bytes_.empty() || port_->SendNow(bytes_.data(), bytes_.size());
}

void SmartModel::Farewell(panelcore::Transport& transport)
{
    if (!setup_.offAtExit)
        return;
    bytes_.clear();
    AppendScreenOff(setup_.revision, setup_.fullBrightness, bytes_);
    transport.Send(bytes_.data(), bytes_.size());
}

} // namespace smartscreen
