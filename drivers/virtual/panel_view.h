#pragma once

#include <cstdint>
#include <memory>

#include "drivers/virtual/virtual_settings.h"

namespace vdisplay {

// Somewhere the composed panel is shown. The driver's presenter thread calls
// Show after changes (at most 20 times a second); Show must return quickly.
class PanelView {
public:
    virtual ~PanelView() = default;
    // Opens the view; false when there is nowhere to show the panel (the
    // driver runs on without it). `services` may be null; a view keeps
    // what the user changes (the window position) through it.
    virtual bool Start(const Settings& settings, CoreServices* services) = 0;
    // `picture`: width * height bytes, rows from the top, 1 lit, 0 unlit.
    virtual void Show(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height) = 0;
    // Closes the view and ends any thread of its own; Show is not called after.
    virtual void Stop() = 0;
};

// The platform's view: on POSIX the terminal (Unicode half blocks), on
// Windows a window of its own.
std::unique_ptr<PanelView> MakePlatformView();

} // namespace vdisplay
