#pragma once

#include <cstdint>
#include <vector>

#include "plugin/api/glancer_plugin.h"

namespace panelcore {

// Text cells are 6 x 8 pixels: a 5 x 7 glyph, one column and one row of gap.
constexpr std::uint32_t kCellWidth = 6;
constexpr std::uint32_t kCellHeight = 8;

struct Geometry {
    std::uint32_t xPixels = 122;
    std::uint32_t yPixels = 32;
    std::uint32_t xChars = 20;
    std::uint32_t yChars = 4;
};

// The emulated panel: a pixel layer and a text layer, as on a graphic LCD
// controller with a character generator. Text is drawn with the built-in
// 5 x 7 font and OR-ed over the pixels; cell (c, r) covers pixels from
// (c * 6, r * 8). Every operation clips to the geometry. Copying keeps the
// buffers' capacity, so a same-sized copy does not allocate.
class LcdPanel {
public:
    explicit LcdPanel(const Geometry& geometry = Geometry());

    const Geometry& geometry() const { return geometry_; }
    void Clear();
    // Writes `text` into row y from column x on; the rest of the row is kept.
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    // Copies a rectangle of the engine's frame (whose own size bounds the read).
    void CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                    std::uint32_t height);
    // The picture as the panel shows it: xPixels * yPixels bytes, rows from
    // the top, 1 lit, 0 unlit. `out` is resized (and reused) as needed.
    void Compose(std::vector<std::uint8_t>& out) const;
    // The same for rows [top, bottom) only, into an `out` already composed
    // once: for a caller that knows which rows its drawing calls touched.
    void ComposeRows(std::vector<std::uint8_t>& out, std::uint32_t top, std::uint32_t bottom) const;

private:
    Geometry geometry_;
    std::vector<unsigned char> text_;   // xChars * yChars character codes
    std::vector<std::uint8_t> pixels_;  // xPixels * yPixels, 0 or 1
};

} // namespace panelcore
