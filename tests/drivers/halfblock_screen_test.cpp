#include "drivers/virtual/halfblock_screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
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
    int moves = 0;    // cursor positionings
    int printed = 0;  // characters written

    void Play(const std::string& out)
    {
        static const std::regex escape("^\x1b\\[([?0-9;]*)([A-Za-z])");
        for (std::size_t at = 0; at < out.size();) {
            std::smatch match;
            const std::string rest = out.substr(at, 64);
            if (std::regex_search(rest, match, escape)) {
                if (match[2] == "H") {
                    std::sscanf(match[1].str().c_str(), "%u;%u", &row, &column);
                    --row;
                    --column;
                    ++moves;
                } else if (match[2] == "J") {
                    cells.assign(cells.size(), " ");
                }
                at += static_cast<std::size_t>(match.length());
                continue;
            }
            if (out[at] == '\r' || out[at] == '\n') {
                column = out[at] == '\r' ? 0 : column;
                row += out[at] == '\n' ? 1 : 0;
                ++at;
                continue;
            }
            std::size_t length = 1;
            while (at + length < out.size() && (out[at + length] & 0xC0) == 0x80)
                ++length;
            EXPECT_LT(column, columns) << "wrote past the right edge";
            EXPECT_LT(row, rows) << "wrote past the bottom";
            if (column < columns && row < rows)
                cells[row * columns + column] = out.substr(at, length);
            ++column;
            ++printed;
            at += length;
        }
    }

    std::string Line(std::uint32_t r) const
    {
        std::string line;
        for (std::uint32_t c = 0; c < columns; ++c)
            line += cells[r * columns + c];
        return line;
    }
};

// 4 x 3 pixels: a lit top-left pair, a lit lower pixel, an odd last row.
const std::vector<std::uint8_t> kPicture = {1, 0, 0, 0, //
                                            1, 0, 1, 0, //
                                            0, 0, 0, 1};

TEST(HalfBlockScreen, DrawsBoxedHalfBlocksThenRewritesOnlyChangedCells)
{
    HalfBlockScreen screen(0x102030, 0xFFEEDD, true);
    Terminal terminal{10, 5};
    std::string out;
    screen.Render(kPicture.data(), 4, 3, TerminalSize{10, 5}, out);
    EXPECT_NE(out.find("\x1b[?25l"), std::string::npos);                 // cursor hidden
    EXPECT_NE(out.find("\x1b[38;2;16;32;48;48;2;255;238;221m"), std::string::npos); // LCD colours
    terminal.Play(out);
    EXPECT_EQ(terminal.Line(0), "┌────┐    ");
    EXPECT_EQ(terminal.Line(1), "│█ ▄ │    ");
    EXPECT_EQ(terminal.Line(2), "│   ▀│    ");
    EXPECT_EQ(terminal.Line(3), "└────┘    ");

    // The same picture again: nothing to write. One pixel changed: one cell.
    out.clear();
    screen.Render(kPicture.data(), 4, 3, TerminalSize{10, 5}, out);
    EXPECT_EQ(out, "");
    std::vector<std::uint8_t> changed = kPicture;
    changed[1] = 1;
    out.clear();
    screen.Render(changed.data(), 4, 3, TerminalSize{10, 5}, out);
    terminal.moves = terminal.printed = 0;
    terminal.Play(out);
    EXPECT_EQ(terminal.Line(1), "│█▀▄ │    ");
    EXPECT_EQ(terminal.moves, 1);
    EXPECT_EQ(terminal.printed, 1);

    // Finishing puts the cursor on the line below the box and shows it.
    out.clear();
    screen.Finish(out);
    terminal.Play(out);
    EXPECT_EQ(terminal.row, 4u);
    EXPECT_EQ(terminal.column, 0u);
    EXPECT_NE(out.find("\x1b[?25h"), std::string::npos);
}

TEST(HalfBlockScreen, SmallTerminalsShowThePartThatFitsAndResizesRedrawAll)
{
    HalfBlockScreen screen(0, 0xFFFFFF, false);
    std::string out;
    Terminal narrow{3, 1};
    screen.Render(kPicture.data(), 4, 3, TerminalSize{3, 1}, out);
    narrow.Play(out);
    EXPECT_EQ(narrow.Line(0), "█ ▄");

    // A change outside the visible part writes nothing.
    std::vector<std::uint8_t> changed = kPicture;
    changed[11] = 0;
    out.clear();
    screen.Render(changed.data(), 4, 3, TerminalSize{3, 1}, out);
    EXPECT_EQ(out, "");

    // A larger terminal: cleared and drawn whole, without the box.
    Terminal wide{6, 3};
    out.clear();
    screen.Render(changed.data(), 4, 3, TerminalSize{6, 3}, out);
    EXPECT_NE(out.find("\x1b[2J"), std::string::npos);
    wide.Play(out);
    EXPECT_EQ(wide.Line(0), "█ ▄   ");
    EXPECT_EQ(wide.Line(1), "      ");

    // After lost output the next frame is complete again; an unknown size
    // means no limit.
    screen.Invalidate();
    Terminal unknown{4, 2};
    out.clear();
    screen.Render(kPicture.data(), 4, 3, TerminalSize{}, out);
    unknown.Play(out);
    EXPECT_EQ(unknown.Line(0) + unknown.Line(1), "█ ▄    ▀");
}

} // namespace
