#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdisplay {

// A terminal's size in character cells; 0 in a field: not known, no limit.
struct TerminalSize {
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
};

// Turns panel pictures into terminal output, lit in the LCD's colours with
// 24-bit ANSI escapes, optionally inside a thin box, from the terminal's
// top-left corner. The whole panel is shown in the largest form that fits:
// one cell for 1 x 2 pixels as a Unicode half block; where that is too wide,
// one cell for 2 x 2 pixels as a quadrant block (U+2596 to U+259F and the
// half and full blocks); where even that does not fit, a one-line notice of
// the size the terminal needs. It remembers the cells the terminal shows,
// so that a later picture rewrites only the cells that changed; a new
// terminal size or picture size redraws all. Nothing is ever written past
// the terminal's right or bottom edge. An unknown size counts as no limit.
class HalfBlockScreen {
public:
    HalfBlockScreen(std::uint32_t litColour, std::uint32_t unlitColour, bool border);

    // Appends to `out` what brings the terminal to showing `picture`
    // (width * height bytes, rows from the top, nonzero lit).
    void Render(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, TerminalSize size,
                std::string& out);
    // Forgets what the terminal shows (say, after output was lost): the next
    // Render redraws everything.
    void Invalidate() { valid_ = false; }
    // Appends what hands the terminal back: default colours, the cursor
    // visible on the line below the panel, line wrapping on. Nothing when
    // nothing was drawn.
    void Finish(std::string& out) const;

private:
    enum class Mode { Half, Quadrant, Notice };

    void Layout(std::uint32_t width, std::uint32_t height, TerminalSize size, std::string& out);
    void BuildCells(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height);
    void AppendCell(std::uint8_t cell, int& colours, std::string& out) const;

    std::string panelColours_;  // escape for lit-on-unlit cells
    std::string borderColours_; // escape for the box
    bool border_;

    Mode mode_ = Mode::Half;
    bool valid_ = false; // shown_ holds what the terminal shows
    bool everDrawn_ = false;
    std::uint32_t pictureWidth_ = 0;
    std::uint32_t pictureHeight_ = 0;
    TerminalSize size_;
    std::uint32_t gridColumns_ = 0; // the whole panel, border included, in cells
    std::uint32_t gridRows_ = 0;
    std::uint32_t visibleRows_ = 0;   // of those, the ones that fit the terminal
    std::vector<std::uint8_t> cells_; // gridColumns_ * gridRows_ cell codes of the picture to show
    std::vector<std::uint8_t> shown_; // the same for what the terminal shows
};

} // namespace vdisplay
