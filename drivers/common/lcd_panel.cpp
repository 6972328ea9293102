#include "drivers/common/lcd_panel.h"

#include <algorithm>

#include "drivers/common/font5x7.h"

namespace panelcore {

LcdPanel::LcdPanel(const Geometry& geometry)
    : geometry_(geometry), text_(std::size_t{geometry.xChars} * geometry.yChars, ' '),
      pixels_(std::size_t{geometry.xPixels} * geometry.yPixels, 0)
{
}

void LcdPanel::Clear()
{
    std::fill(text_.begin(), text_.end(), static_cast<unsigned char>(' '));
    std::fill(pixels_.begin(), pixels_.end(), std::uint8_t{0});
}

void LcdPanel::WriteText(const char* text, std::uint32_t x, std::uint32_t y)
{
    if (text == nullptr || y >= geometry_.yChars)
        return;
    unsigned char* row = text_.data() + std::size_t{y} * geometry_.xChars;
    for (std::uint32_t column = x; column < geometry_.xChars && *text != '\0'; ++column, ++text)
        row[column] = static_cast<unsigned char>(*text);
}

void LcdPanel::CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                          std::uint32_t height)
{
    if (frame.pixels == nullptr)
        return;
    // A header whose size does not cover its own geometry could make us read past the buffer.
    if (frame.bufferSize < std::uint64_t{frame.xPixels} * frame.yPixels)
        return;
    const std::uint64_t right =
        std::min<std::uint64_t>({std::uint64_t{x} + width, frame.xPixels, geometry_.xPixels});
    const std::uint64_t bottom =
        std::min<std::uint64_t>({std::uint64_t{y} + height, frame.yPixels, geometry_.yPixels});
    for (std::uint64_t row = y; row < bottom; ++row) {
        const std::uint8_t* from = frame.pixels + row * frame.xPixels;
        std::uint8_t* to = pixels_.data() + row * geometry_.xPixels;
        for (std::uint64_t column = x; column < right; ++column)
            to[column] = from[column] != 0 ? 1 : 0;
    }
}

void LcdPanel::Compose(std::vector<std::uint8_t>& out) const
{
    out.resize(pixels_.size());
    ComposeRows(out, 0, geometry_.yPixels);
}

void LcdPanel::ComposeRows(std::vector<std::uint8_t>& out, std::uint32_t top, std::uint32_t bottom) const
{
    const std::uint32_t width = geometry_.xPixels;
    const std::uint32_t height = geometry_.yPixels;
    bottom = std::min(bottom, height);
    if (top >= bottom || out.size() != pixels_.size())
        return;
    const auto first = static_cast<std::ptrdiff_t>(top) * width;
    const auto last = static_cast<std::ptrdiff_t>(bottom) * width;
    std::copy(pixels_.begin() + first, pixels_.begin() + last, out.begin() + first);
    // Only cells that start inside the pixels can show anything.
    const std::uint32_t columns = std::min(geometry_.xChars, (width + kCellWidth - 1) / kCellWidth);
    const std::uint32_t rows = std::min(geometry_.yChars, (bottom + kCellHeight - 1) / kCellHeight);
    for (std::uint32_t row = top / kCellHeight; row < rows; ++row) {
        const std::uint32_t cellTop = row * kCellHeight;
        const std::uint32_t from = std::max(cellTop, top) - cellTop;
        const std::uint32_t to = std::min({kGlyphHeight, height - cellTop, bottom - cellTop});
        for (std::uint32_t column = 0; column < columns; ++column) {
            const unsigned char character = text_[std::size_t{row} * geometry_.xChars + column];
            if (character == ' ')
                continue;
            const std::uint8_t* glyph = Glyph(character);
            const std::uint32_t left = column * kCellWidth;
            const std::uint32_t glyphColumns = std::min(kGlyphWidth, width - left);
            for (std::uint32_t gy = from; gy < to; ++gy) {
                std::uint8_t* line = out.data() + std::size_t{cellTop + gy} * width + left;
                for (std::uint32_t gx = 0; gx < glyphColumns; ++gx)
                    line[gx] |= (glyph[gx] >> gy) & 1u;
            }
        }
    }
}

} // namespace panelcore
