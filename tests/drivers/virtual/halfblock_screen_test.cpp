#include "drivers/virtual/halfblock_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using vdisplay::HalfBlockScreen;
using vdisplay::TerminalSize;

// Plays output on a grid of cells as a terminal with line wrapping off
// would, and fails the test on any character written past the edge.
struct Terminal {
    std::uint32_t columns, rows;
    std::vector<std::string> cells = std::vector<std::string>(std::size_t{columns} * rows, "~");
    std::uint32_t row = 0, column = 0;

    void Play(const std::string& out)
    {
        for (std::size_t at = 0; at < out.size();) {
            if (out[at] == '\x1b') { // ESC [ parameters letter
                const std::size_t end = out.find_first_not_of("0123456789;?", at + 2);
                ASSERT_LT(end, out.size());
                if (out[end] == 'H') {
                    ASSERT_EQ(std::sscanf(out.c_str() + at + 2, "%u;%u", &row, &column), 2);
                    --row, --column;
                } else if (out[end] == 'J') {
                    cells.assign(cells.size(), " ");
                }
                at = end + 1;
            } else if (out[at] == '\r' || out[at] == '\n') {
                column = out[at] == '\r' ? 0 : column;
                row += out[at++] == '\n' ? 1 : 0;
            } else {
                std::size_t length = 1; // a whole UTF-8 sequence
                while (at + length < out.size() && (out[at + length] & 0xC0) == 0x80)
                    ++length;
                const bool inside = column < columns && row < rows;
                EXPECT_TRUE(inside) << "wrote past the edge at " << column << "," << row;
                if (inside)
                    cells[row * columns + column] = out.substr(at, length);
                ++column, at += length;
            }
        }
    }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines(rows);
        for (std::size_t i = 0; i < cells.size(); ++i)
            lines[i / columns] += cells[i];
        return lines;
    }
};

using Lines = std::vector<std::string>;

// 4 x 3 pixels: a lit top-left pair, a lit lower pixel, an odd last row.
const std::vector<std::uint8_t> kPicture = {1, 0, 0, 0, //
                                            1, 0, 1, 0, //
                                            0, 0, 0, 1};

// What Render appends for `picture` on a terminal of `size`.
std::string Rendered(HalfBlockScreen& screen, const std::vector<std::uint8_t>& picture, TerminalSize size)
{
    std::string out;
    screen.Render(picture.data(), 4, 3, size, out);
    return out;
}

TEST(HalfBlockScreen, DrawsBoxedHalfBlocksThenRewritesOnlyChangedCells)
{
    HalfBlockScreen screen(0x102030, 0xFFEEDD, true);
    Terminal terminal{10, 5};
    const std::string out = Rendered(screen, kPicture, TerminalSize{10, 5});
    EXPECT_NE(out.find("\x1b[?25l"), std::string::npos);                            // cursor hidden
    EXPECT_NE(out.find("\x1b[38;2;16;32;48;48;2;255;238;221m"), std::string::npos); // LCD colours
    terminal.Play(out);
    EXPECT_EQ(terminal.Lines(), (Lines{"┌────┐    ", "│█ ▄ │    ", "│   ▀│    ", "└────┘    ", "          "}));

    // The same picture again: nothing to write. One pixel changed: one cell.
    EXPECT_EQ(Rendered(screen, kPicture, TerminalSize{10, 5}), "");
    std::vector<std::uint8_t> changed = kPicture;
    changed[1] = 1;
    Terminal delta{10, 5};
    delta.Play(Rendered(screen, changed, TerminalSize{10, 5}));
    const std::string untouched(10, '~');
    EXPECT_EQ(delta.Lines(), (Lines{untouched, "~~▀~~~~~~~", untouched, untouched, untouched}));

    // Finishing puts the cursor on the line below the box.
    std::string finish;
    screen.Finish(finish);
    terminal.Play(finish);
    EXPECT_EQ(terminal.row, 4u);
    EXPECT_EQ(terminal.column, 0u);
}

TEST(HalfBlockScreen, NarrowTerminalsGetQuadrantsThenANoticeAndResizesRedrawAll)
{
    HalfBlockScreen screen(0, 0xFFFFFF, false);
    // 3 columns: half blocks need 4, quadrants (2 x 2 pixels a cell) 2.
    Terminal narrow{3, 2};
    narrow.Play(Rendered(screen, kPicture, TerminalSize{3, 2}));
    EXPECT_EQ(narrow.Lines(), (Lines{"▌▖ ", " ▝ "}));
    std::vector<std::uint8_t> changed = kPicture;
    changed[1] = 1; // top right of the first cell
    Terminal delta{3, 2};
    delta.Play(Rendered(screen, changed, TerminalSize{3, 2}));
    EXPECT_EQ(delta.Lines(), (Lines{"▛~~", "~~~"}));

    // Too low even for quadrants: one line saying what is needed.
    Terminal low{90, 1};
    low.Play(Rendered(screen, kPicture, TerminalSize{90, 1}));
    EXPECT_EQ(low.Lines()[0].substr(0, 63), "Glancer needs a terminal of 2 x 2 or more; this one is 90 x 1. ");
    EXPECT_EQ(Rendered(screen, changed, TerminalSize{90, 1}), ""); // pictures change nothing there
    Terminal tiny{5, 1};
    tiny.Play(Rendered(screen, kPicture, TerminalSize{5, 1}));
    EXPECT_EQ(tiny.Lines(), Lines{"Glanc"});

    // Wide enough again: cleared and drawn whole in half blocks.
    Terminal wide{6, 3};
    wide.Play(Rendered(screen, kPicture, TerminalSize{6, 3}));
    EXPECT_EQ(wide.Lines(), (Lines{"█ ▄   ", "   ▀  ", "      "}));

    // After lost output the next frame is complete again; an unknown size
    // means no limit.
    screen.Invalidate();
    Terminal unknown{4, 2};
    unknown.Play(Rendered(screen, kPicture, TerminalSize{}));
    EXPECT_EQ(unknown.Lines(), (Lines{"█ ▄ ", "   ▀"}));
}

} // namespace
