#include "drivers/charpanel/char_model.h"

#include <chrono>
#include <thread>

#include "plugin/api/glancer_plugin.hpp"

namespace charpanel {

void Batch::Put(const std::uint8_t* bytes, std::size_t count)
{
    bytes_.insert(bytes_.end(), bytes, bytes + count);
}

void Batch::Wait(std::uint32_t microseconds)
{
    pauses_.push_back({bytes_.size(), microseconds});
}

panelcore::Transport::Sent Batch::SendTo(panelcore::Transport& transport)
{
    using Sent = panelcore::Transport::Sent;
    Sent sent = Sent::All;
    std::size_t from = 0;
    for (const Pause& pause : pauses_) {
        if (pause.at > from)
            sent = transport.Send(bytes_.data() + from, pause.at - from);
        if (sent != Sent::All)
            break;
        from = pause.at;
        std::this_thread::sleep_for(std::chrono::microseconds(pause.microseconds));
    }
    if (sent == Sent::All && bytes_.size() > from)
        sent = transport.Send(bytes_.data() + from, bytes_.size() - from);
    bytes_.clear();
    pauses_.clear();
    return sent;
}

CharModel::CharModel(std::string name, Geometry geometry, const MakeDevice& makeDevice)
    : name_(std::move(name)), device_(makeDevice(batch_)), panel_(geometry, *device_)
{
}

void CharModel::WriteText(const char* text, std::uint32_t column, std::uint32_t row)
{
    if (!panel_.WriteText(text, column, row) && !toldWide_) {
        toldWide_ = true; // once: the same text comes back at every refresh
        glancer::Log(name_ + ": text at column " + std::to_string(column) + ", row " + std::to_string(row) +
                     " does not fit the " + std::to_string(panel_.Size().columns) + " x " +
                     std::to_string(panel_.Size().rows) + " panel; cut off");
    }
}

} // namespace charpanel
