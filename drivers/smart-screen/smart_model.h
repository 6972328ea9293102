#pragma once

// The smart screen's picture for the device back end: the drawing calls
// land in a 1-bit panel; each round the worker renders what changed into
// the revision's bitmap commands and sends them in one write.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "drivers/common/lcd_panel.h"
#include "drivers/common/supervisor.h"
#include "drivers/smart-screen/canvas.h"
#include "drivers/smart-screen/protocol.h"
#include "drivers/smart-screen/watched_port.h"

namespace smartscreen {

struct ScreenSetup {
    Revision revision = Revision::A;
    std::uint32_t width = 320; // native portrait size
    std::uint32_t height = 480;
    std::uint32_t quarters = 0; // orientation, clockwise
    std::uint32_t scale = 2;
    std::uint32_t brightness = 50;
    bool fullBrightness = true; // revision B: false when it knows only on and off
    bool offAtExit = true;
    std::string where; // the port, for the log

    // The screen as seen and how it is turned into the device's coordinates.
    Layout ScreenLayout() const;
    panelcore::Geometry PanelGeometry() const;
};

// Waits up to `wait` for `count` bytes from the device (at connection only).
std::vector<std::uint8_t> ReadAnswer(panelcore::Transport& transport, std::size_t count, std::uint32_t waitMs);

class SmartModel : public panelcore::Model {
public:
    // `port`, when given, takes what changed straight from the drawing calls.
    SmartModel(const ScreenSetup& setup, const Theme& theme, WatchedPort* port = nullptr);

    void Clear() override
    {
        panel_.Clear();
        Touch(0, panel_.geometry().yPixels);
    }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override
    {
        panel_.WriteText(text, column, row);
        Touch(row * panelcore::kCellHeight, (row + 1) * panelcore::kCellHeight);
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        panel_.CopyRegion(frame, x, y, width, height);
        Touch(y, y + height);
    }
    void Take(bool everything) override;
    panelcore::Transport::Sent Send(panelcore::Transport& transport) override;
    void Farewell(panelcore::Transport& transport) override;
    bool SendAtOnce(panelcore::Transport& transport) override;

    // What went out, for the benchmark: bytes and rectangles since the start.
    std::uint64_t BytesSent() const { return bytesSent_; }

private:
    void Greet(panelcore::Transport& transport);
    // Rows the drawing calls changed since the last Take: only those are
    // composed and compared.
    void Touch(std::uint32_t top, std::uint32_t bottom)
    {
        top_ = std::min(top_, top);
        bottom_ = std::max(bottom_, bottom);
    }
    // Composes the touched rows into taken_; false when none were.
    bool TakeTouched();
    void Render();

    const ScreenSetup setup_;
    WatchedPort* port_;
    panelcore::LcdPanel panel_; // under the supervisor's lock, with the touched rows:
    std::uint32_t top_ = 0;
    std::uint32_t bottom_ = 0;
    std::uint32_t takenTop_ = 0; // rows taken since the last render
    std::uint32_t takenBottom_ = UINT32_MAX;
    // The worker's own, or the drawing call's in SendAtOnce (the worker
    // then waits on the lock).
    Canvas canvas_;
    std::vector<std::uint8_t> taken_;
    bool everything_ = true;
    bool toldHello_ = false;
    Bytes bytes_;
    std::uint64_t bytesSent_ = 0;
};

} // namespace smartscreen
