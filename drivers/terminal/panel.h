#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/api/glancer_plugin.h"

// Size of the emulated display.
struct PanelGeometry {
    std::uint32_t xChars = 20;
    std::uint32_t yChars = 4;
    std::uint32_t xPixels = 122;
    std::uint32_t yPixels = 32;
};

// What the display shows: a character grid and a one-byte-per-pixel frame.
// Every operation clips to the geometry, so no input reaches outside the
// grid or the frame. Copying keeps the buffers' capacity, so a same-sized
// copy does not allocate.
class Panel {
public:
    explicit Panel(const PanelGeometry& geometry = PanelGeometry());

    const PanelGeometry& Geometry() const { return geometry; }
    // Blanks the grid and the frame.
    void Clear();
    // Writes `text` into row y from column x on; the rest of the row is kept.
    // Bytes that a terminal cannot show as one cell appear as '?'.
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    // Copies the rectangle from the engine's frame (whose own size bounds the
    // read) into this panel's frame.
    void CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                    std::uint32_t height);

    // Draws a box holding the text grid above the pixel frame, two pixel rows
    // per line with half-block characters, into `out` (UTF-8, each line ends
    // in "\n"). Gives the number of lines.
    std::size_t Render(std::string& out) const;

private:
    PanelGeometry geometry;
    std::vector<char> text;           // xChars * yChars
    std::vector<std::uint8_t> pixels; // xPixels * yPixels, 0 or 1
};
