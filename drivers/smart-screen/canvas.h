#pragma once

// Turns the panel's 1-bit picture into the colour screen's pixels: every
// panel pixel becomes a square of scale x scale screen pixels, lit ones
// in the lit colour (or the colour map's colour at that place), unlit ones
// in the unlit colour (or the background picture). Only what changed since
// the last call is converted, as a few rectangles.
#include <cstdint>
#include <vector>

#include "drivers/smart-screen/protocol.h"

namespace smartscreen {

// An RGB picture, 3 bytes a pixel, rows from the top.
struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

struct Theme {
    std::uint32_t lit = 0xFFFFFF;   // RRGGBB
    std::uint32_t unlit = 0x000000; // RRGGBB
    Picture background;             // empty, or the screen's size as seen
    Picture colourMap;              // empty, or the screen's size as seen
};

std::uint16_t Rgb565(std::uint32_t rrggbb);

// The screen as the viewer sees it and the panel Glancer draws on.
struct Layout {
    std::uint32_t screenWidth = 320; // as seen, after the orientation
    std::uint32_t screenHeight = 480;
    std::uint32_t scale = 2;
    std::uint32_t softQuarters = 0; // clockwise turns into the device's coordinates
    std::uint32_t panelWidth() const { return screenWidth / scale; }
    std::uint32_t panelHeight() const { return screenHeight / scale; }
};

// The largest scale whose panel still holds 122 x 32 pixels (what the
// shipped screens are drawn for), at least 1.
std::uint32_t LargestScale(std::uint32_t screenWidth, std::uint32_t screenHeight);

class Canvas {
public:
    // `theme`'s pictures must be empty or exactly the screen's size.
    Canvas(Revision revision, const Layout& layout, const Theme& theme);

    // Appends the bitmap commands that bring the screen from what was last
    // rendered to `panel` (panelWidth * panelHeight bytes, 0 or 1); with
    // `everything`, the whole screen, margins included. Returns the number
    // of rectangles. Rows outside [top, bottom) are known to be unchanged.
    std::size_t Render(const std::vector<std::uint8_t>& panel, bool everything, Bytes& out, std::uint32_t top = 0,
                       std::uint32_t bottom = UINT32_MAX);

private:
    struct Area {                     // in panel pixels; the margins right and below are outside it
        std::uint32_t x0, y0, x1, y1; // x1, y1 past the end
    };
    void SendScreenRect(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                        const std::vector<std::uint8_t>& panel, Bytes& out);
    // Screen row y from x on, not turned.
    void ScreenRow(std::uint32_t x, std::uint32_t y, std::uint32_t width, const std::vector<std::uint8_t>& panel,
                   std::uint16_t* to) const;
    std::uint16_t ScreenPixel(std::uint32_t x, std::uint32_t y, const std::vector<std::uint8_t>& panel) const;

    Revision revision_;
    Layout layout_;
    std::uint16_t lit_;
    std::uint16_t unlit_;
    std::vector<std::uint16_t> background_; // screen-sized, or empty
    std::vector<std::uint16_t> colourMap_;  // screen-sized, or empty
    std::vector<std::uint8_t> shown_;       // the panel as last rendered
    std::vector<std::uint16_t> scratch_;    // one rectangle's pixels
    std::vector<Area> areas_;
};

} // namespace smartscreen
