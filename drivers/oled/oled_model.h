#pragma once

#include <cstdint>
#include <vector>

#include "drivers/common/lcd_panel.h"
#include "drivers/common/supervisor.h"
#include "drivers/oled/controller.h"

namespace oled {

// The OLED as the supervisor's model: the drawing calls change a panel
// model; Take copies it (same size: no allocation), Send composes the
// picture and writes the pages that changed. After an open the controller
// is set up and switched on once its memory holds the picture, so no noise
// flashes up; at exit it is switched off unless OffAtExit is 0.
class OledModel : public panelcore::Model {
public:
    explicit OledModel(const Config& config);

    // Text cells are 6 x 8 pixels, as on the Virtual display.
    static panelcore::Geometry GeometryOf(const Config& config);

    void Clear() override { shared_.Clear(); }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row) override
    {
        shared_.WriteText(text, column, row);
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) override
    {
        shared_.CopyRegion(frame, x, y, width, height);
    }
    void Take(bool everything) override;
    panelcore::Transport::Sent Send(panelcore::Transport& transport) override;
    void Farewell(panelcore::Transport& transport) override;

private:
    const Config config_;
    panelcore::LcdPanel shared_; // the drawing calls'
    panelcore::LcdPanel work_;   // the worker's copy
    std::vector<std::uint8_t> init_;
    std::vector<std::uint8_t> picture_;
    PageWriter writer_;
    bool setUp_ = false; // Take asked for the set-up before the picture
    bool on_ = false;
};

} // namespace oled
