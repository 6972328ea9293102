#include "drivers/virtual/halfblock_screen.h"

#include <algorithm>
#include <cstdio>

namespace vdisplay {

namespace {

// Cell codes: 0..3 are pixel pairs (bit 0 the upper pixel, bit 1 the lower),
// the rest pieces of the box.
enum : std::uint8_t {
    kHorizontal = 4,
    kVertical,
    kTopLeft,
    kTopRight,
    kBottomLeft,
    kBottomRight,
    kUnknown = 0xFF // what a cleared screen shows, as far as we know
};

const char* const kCellText[] = {" ", "\u2580", "\u2584", "\u2588", "\u2500", "\u2502", "\u250c", "\u2510", "\u2514",
                                 "\u2518"};

std::string Rgb(std::uint32_t colour)
{
    char text[32];
    std::snprintf(text, sizeof text, "2;%u;%u;%u", static_cast<unsigned>((colour >> 16) & 0xFF),
                  static_cast<unsigned>((colour >> 8) & 0xFF), static_cast<unsigned>(colour & 0xFF));
    return text;
}

void MoveTo(std::string& out, std::uint32_t row, std::uint32_t column)
{
    char text[32];
    std::snprintf(text, sizeof text, "\x1b[%u;%uH", static_cast<unsigned>(row + 1), static_cast<unsigned>(column + 1));
    out += text;
}

std::uint32_t Fit(std::uint32_t wanted, std::uint32_t limit)
{
    return limit == 0 ? wanted : std::min(wanted, limit);
}

} // namespace

HalfBlockScreen::HalfBlockScreen(std::uint32_t litColour, std::uint32_t unlitColour, bool border)
    : panelColours_("\x1b[38;" + Rgb(litColour) + ";48;" + Rgb(unlitColour) + "m"),
      borderColours_("\x1b[49;38;" + Rgb(unlitColour) + "m"), border_(border)
{
}

void HalfBlockScreen::BuildCells(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height)
{
    const std::uint32_t inset = border_ ? 1 : 0;
    cells_.assign(std::size_t{gridColumns_} * gridRows_, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t bit = (y % 2 == 0) ? 1 : 2;
        std::uint8_t* cell = cells_.data() + std::size_t{y / 2 + inset} * gridColumns_ + inset;
        const std::uint8_t* line = picture + std::size_t{y} * width;
        for (std::uint32_t x = 0; x < width; ++x)
            if (line[x] != 0)
                cell[x] |= bit;
    }
    if (!border_)
        return;
    const std::size_t last = std::size_t{gridRows_ - 1} * gridColumns_;
    for (std::uint32_t x = 1; x + 1 < gridColumns_; ++x)
        cells_[x] = cells_[last + x] = kHorizontal;
    for (std::uint32_t y = 1; y + 1 < gridRows_; ++y)
        cells_[std::size_t{y} * gridColumns_] = cells_[std::size_t{y} * gridColumns_ + gridColumns_ - 1] = kVertical;
    cells_[0] = kTopLeft;
    cells_[gridColumns_ - 1] = kTopRight;
    cells_[last] = kBottomLeft;
    cells_[last + gridColumns_ - 1] = kBottomRight;
}

void HalfBlockScreen::AppendCell(std::uint8_t cell, int& colours, std::string& out) const
{
    const int wanted = cell < kHorizontal ? 0 : 1;
    if (colours != wanted) {
        out += wanted == 0 ? panelColours_ : borderColours_;
        colours = wanted;
    }
    out += kCellText[cell];
}

void HalfBlockScreen::Render(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height,
                             TerminalSize size, std::string& out)
{
    if (!valid_ || width != pictureWidth_ || height != pictureHeight_ || size.columns != size_.columns ||
        size.rows != size_.rows) {
        pictureWidth_ = width;
        pictureHeight_ = height;
        size_ = size;
        const std::uint32_t inset = border_ ? 2 : 0;
        gridColumns_ = width + inset;
        gridRows_ = (height + 1) / 2 + inset;
        shown_.assign(std::size_t{gridColumns_} * gridRows_, kUnknown);
        // Line wrapping off: a cell in the last column must never push the cursor on.
        out += "\x1b[?25l\x1b[?7l\x1b[0m\x1b[2J";
        valid_ = true;
    }
    BuildCells(picture, width, height);

    const std::uint32_t columns = Fit(gridColumns_, size_.columns);
    visibleRows_ = Fit(gridRows_, size_.rows);
    int colours = -1; // not known at the start of a frame
    for (std::uint32_t row = 0; row < visibleRows_; ++row) {
        const std::uint8_t* want = cells_.data() + std::size_t{row} * gridColumns_;
        std::uint8_t* have = shown_.data() + std::size_t{row} * gridColumns_;
        std::uint32_t column = 0;
        while (column < columns) {
            if (want[column] == have[column]) {
                ++column;
                continue;
            }
            MoveTo(out, row, column);
            for (; column < columns && want[column] != have[column]; ++column) {
                AppendCell(want[column], colours, out);
                have[column] = want[column];
            }
        }
    }
    everDrawn_ = true;
}

void HalfBlockScreen::Finish(std::string& out) const
{
    if (!everDrawn_)
        return;
    out += "\x1b[0m";
    if (visibleRows_ > 0) {
        MoveTo(out, visibleRows_ - 1, 0);
        out += "\r\n";
    }
    out += "\x1b[?7h\x1b[?25h";
}

} // namespace vdisplay
