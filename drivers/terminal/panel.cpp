#include "drivers/terminal/panel.h"

#include <algorithm>

Panel::Panel(const PanelGeometry& geometry)
    : geometry(geometry), text(std::size_t{geometry.xChars} * geometry.yChars, ' '),
      pixels(std::size_t{geometry.xPixels} * geometry.yPixels, 0)
{
}

void Panel::Clear()
{
    std::fill(text.begin(), text.end(), ' ');
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
}

void Panel::WriteText(const char* value, std::uint32_t x, std::uint32_t y)
{
    if (value == nullptr || y >= geometry.yChars)
        return;
    char* row = text.data() + std::size_t{y} * geometry.xChars;
    for (std::uint32_t column = x; column < geometry.xChars && *value != '\0'; ++column, ++value) {
        const unsigned char c = static_cast<unsigned char>(*value);
        row[column] = (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
}

void Panel::CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                       std::uint32_t height)
{
    if (frame.pixels == nullptr)
        return;
    const std::uint64_t available = std::uint64_t{frame.xPixels} * frame.yPixels;
    if (frame.bufferSize < available)
        return; // inconsistent header: reading by xPixels * yPixels could overrun
    const std::uint64_t right = std::min<std::uint64_t>({std::uint64_t{x} + width, frame.xPixels, geometry.xPixels});
    const std::uint64_t bottom = std::min<std::uint64_t>({std::uint64_t{y} + height, frame.yPixels, geometry.yPixels});
    for (std::uint64_t row = y; row < bottom; ++row)
        for (std::uint64_t column = x; column < right; ++column)
            pixels[row * geometry.xPixels + column] = frame.pixels[row * frame.xPixels + column] != 0 ? 1 : 0;
}

namespace {

void Repeat(std::string& out, const char* piece, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out += piece;
}

void Rule(std::string& out, const char* left, const char* right, std::size_t width)
{
    out += left;
    Repeat(out, "\u2500", width);
    out += right;
    out += '\n';
}

} // namespace

std::size_t Panel::Render(std::string& out) const
{
    static const char* const cells[4] = {" ", "\u2580", "\u2584", "\u2588"}; // none, upper, lower, both
    const std::size_t width = std::max(geometry.xChars, geometry.xPixels);
    const bool hasText = geometry.xChars > 0 && geometry.yChars > 0;
    const bool hasPixels = geometry.xPixels > 0 && geometry.yPixels > 0;
    std::size_t lines = 0;

    out.clear();
    Rule(out, "\u250c", "\u2510", width);
    ++lines;
    if (hasText) {
        for (std::uint32_t row = 0; row < geometry.yChars; ++row) {
            out += "\u2502";
            out.append(text.data() + std::size_t{row} * geometry.xChars, geometry.xChars);
            out.append(width - geometry.xChars, ' ');
            out += "\u2502\n";
            ++lines;
        }
    }
    if (hasText && hasPixels) {
        Rule(out, "\u251c", "\u2524", width);
        ++lines;
    }
    if (hasPixels) {
        for (std::uint32_t row = 0; row < geometry.yPixels; row += 2) {
            const std::uint8_t* upper = pixels.data() + std::size_t{row} * geometry.xPixels;
            const std::uint8_t* lower = row + 1 < geometry.yPixels ? upper + geometry.xPixels : nullptr;
            out += "\u2502";
            for (std::uint32_t column = 0; column < geometry.xPixels; ++column)
                out += cells[upper[column] + (lower != nullptr ? 2 * lower[column] : 0)];
            out.append(width - geometry.xPixels, ' ');
            out += "\u2502\n";
            ++lines;
        }
    }
    Rule(out, "\u2514", "\u2518", width);
    return lines + 1;
}
