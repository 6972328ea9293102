#include "drivers/virtual/halfblock_screen.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace vdisplay {

namespace {

// Cell codes: 0..15 are 2 x 2 pixels (bit 0 top left, 1 top right, 2 bottom
// left, 3 bottom right; a half-block cell sets both bits of a row), the rest
// pieces of the box.
enum : std::uint8_t {
    kTopLeftPixel = 1,
    kBottomLeftPixel = 4,
    kHorizontal = 16,
    kVertical,
    kTopLeft,
    kTopRight,
    kBottomLeft,
    kBottomRight,
    kUnknown = 0xFF // what a cleared screen shows, as far as we know
};

const char* const kCellText[] = {
    " ",      "\u2598", "\u259d", "\u2580", "\u2596", "\u258c", "\u259e", "\u259b", // 0..7
    "\u2597", "\u259a", "\u2590", "\u259c", "\u2584", "\u2599", "\u259f", "\u2588", // 8..15
    "\u2500", "\u2502", "\u250c", "\u2510", "\u2514", "\u2518"};

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

bool Fits(std::uint32_t columns, std::uint32_t rows, TerminalSize size)
{
    return size.columns == 0 || size.rows == 0 || (columns <= size.columns && rows <= size.rows);
}

} // namespace

HalfBlockScreen::HalfBlockScreen(std::uint32_t litColour, std::uint32_t unlitColour, bool border)
    : panelColours_("\x1b[38;" + Rgb(litColour) + ";48;" + Rgb(unlitColour) + "m"),
      borderColours_("\x1b[49;38;" + Rgb(unlitColour) + "m"), border_(border)
{
}

void HalfBlockScreen::Layout(std::uint32_t width, std::uint32_t height, TerminalSize size, std::string& out)
{
    pictureWidth_ = width;
    pictureHeight_ = height;
    size_ = size;
    const std::uint32_t inset = border_ ? 2 : 0;
    gridRows_ = (height + 1) / 2 + inset;
    gridColumns_ = width + inset;
    mode_ = Mode::Half;
    if (!Fits(gridColumns_, gridRows_, size)) {
        gridColumns_ = (width + 1) / 2 + inset;
        mode_ = Fits(gridColumns_, gridRows_, size) ? Mode::Quadrant : Mode::Notice;
    }
    shown_.assign(std::size_t{gridColumns_} * gridRows_, kUnknown);
    // Line wrapping off: a cell in the last column must never push the cursor on.
    out += "\x1b[?25l\x1b[?7l\x1b[0m\x1b[2J";
    visibleRows_ = 0;
    if (mode_ != Mode::Notice)
        return;
    // The size comes first: a narrow terminal shows only the start of the line.
    const std::string notice = "Glancer needs a terminal of " + std::to_string(gridColumns_) + " x " +
                               std::to_string(gridRows_) + " or more; this one is " + std::to_string(size.columns) +
                               " x " + std::to_string(size.rows) + ".";
    MoveTo(out, 0, 0);
    out += notice.substr(0, size.columns); // ASCII: one byte a column
    visibleRows_ = 1;
}

void HalfBlockScreen::BuildCells(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height)
{
    const std::uint32_t inset = border_ ? 1 : 0;
    const bool quadrants = mode_ == Mode::Quadrant;
    cells_.assign(std::size_t{gridColumns_} * gridRows_, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        // A half block lights the whole row of its cell; a quadrant the pixel's half of it.
        const std::uint8_t rowBits = (y % 2 == 0) ? kTopLeftPixel : kBottomLeftPixel;
        std::uint8_t* cells = cells_.data() + std::size_t{y / 2 + inset} * gridColumns_ + inset;
        const std::uint8_t* line = picture + std::size_t{y} * width;
        for (std::uint32_t x = 0; x < width; ++x) {
            if (line[x] == 0)
                continue;
            if (quadrants)
                cells[x / 2] |= static_cast<std::uint8_t>(rowBits << (x % 2));
            else
                cells[x] |= static_cast<std::uint8_t>(rowBits * 3);
        }
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

void HalfBlockScreen::Render(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, TerminalSize size,
                             std::string& out)
{
    if (!valid_ || width != pictureWidth_ || height != pictureHeight_ || size.columns != size_.columns ||
        size.rows != size_.rows) {
        Layout(width, height, size, out);
        valid_ = true;
        everDrawn_ = true;
    }
    if (mode_ == Mode::Notice)
        return;
    BuildCells(picture, width, height);

    const std::uint32_t columns = gridColumns_;
    visibleRows_ = gridRows_;
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
