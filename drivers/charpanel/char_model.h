#pragma once

// A character panel as the supervisor's model: the drawing calls change
// the CharPanel; Take turns what changed into the device's bytes, with the
// pauses some instructions need; Send sends them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drivers/charpanel/char_panel.h"
#include "drivers/common/supervisor.h"

namespace charpanel {

// The bytes a device put, and where it asked for pauses.
class Batch : public ByteSink {
public:
    Batch() { bytes_.reserve(4096); } // a full redraw of the largest panel fits
    void Put(const std::uint8_t* bytes, std::size_t count) override;
    void Wait(std::uint32_t microseconds) override;
    // Sends everything, pausing where asked, and empties the batch.
    panelcore::Transport::Sent SendTo(panelcore::Transport& transport);

private:
    struct Pause {
        std::size_t at;
        std::uint32_t microseconds;
    };
    std::vector<std::uint8_t> bytes_;
    std::vector<Pause> pauses_;
};

class CharModel : public panelcore::Model {
public:
    using MakeDevice = std::function<std::unique_ptr<Device>(ByteSink&)>;
    // `name` starts the log line about text that does not fit.
    CharModel(std::string name, Geometry geometry, const MakeDevice& makeDevice);

    void Clear() override { panel_.Clear(); }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override;
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        panel_.UpdateRegion(frame, x, y, width, height);
    }
    void Listening() override { device_->Listening(); }
    void Take(bool everything) override { everything ? panel_.Redraw() : panel_.Sync(); }
    panelcore::Transport::Sent Send(panelcore::Transport& transport) override { return batch_.SendTo(transport); }

private:
    const std::string name_;
    Batch batch_;
    std::unique_ptr<Device> device_;
    CharPanel panel_;
    bool toldWide_ = false;
};

} // namespace charpanel
