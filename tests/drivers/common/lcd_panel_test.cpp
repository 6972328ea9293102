#include "drivers/common/lcd_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/common/font5x7.h"

namespace {

using panelcore::Geometry;
using panelcore::LcdPanel;

// The picture as rows of '#' and '.'.
std::vector<std::string> Rows(const LcdPanel& panel)
{
    std::vector<std::uint8_t> picture;
    panel.Compose(picture);
    const Geometry& g = panel.geometry();
    EXPECT_EQ(picture.size(), std::size_t{g.xPixels} * g.yPixels);
    std::vector<std::string> rows(g.yPixels, std::string(g.xPixels, '.'));
    for (std::size_t i = 0; i < picture.size(); ++i)
        if (picture[i] != 0)
            rows[i / g.xPixels][i % g.xPixels] = '#';
    return rows;
}

// Pixel (x, y) of character `c` drawn at cell (0, 0).
bool GlyphPixel(unsigned char c, std::uint32_t x, std::uint32_t y)
{
    return x < 5 && y < 7 && ((panelcore::Glyph(c)[x] >> y) & 1) != 0;
}

TEST(LcdPanel, TextIsDrawnInItsCellAndOredOverThePixels)
{
    LcdPanel panel(Geometry{16, 16, 3, 2});
    std::vector<std::uint8_t> frame(16 * 16, 0);
    frame[15 * 16 + 6] = 1; // in the gap row of cell (1, 1)
    frame[8 * 16 + 6] = 7;  // under a lit pixel of the 'H'; any nonzero byte is lit
    frame[0] = 1;           // under the '!', whose column 0 is dark
    FrameBufferHeader header{frame.data(), 16, 16, 16 * 16, 3, 2};
    panel.CopyRegion(header, 0, 0, 16, 16);
    panel.WriteText("!", 0, 0);
    panel.WriteText("\x01\xE9", 0, 1); // not printable: drawn as '?'
    panel.WriteText("HI", 1, 1);       // over the second '?'

    const char* const cells[2] = {"!  ", "?HI"};
    const std::vector<std::string> rows = Rows(panel);
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < 16; ++x) {
            const bool lit = GlyphPixel(cells[y / 8][x / 6], x % 6, y % 8) || frame[y * 16 + x] != 0;
            EXPECT_EQ(rows[y][x], lit ? '#' : '.') << "at " << x << "," << y;
        }

    // A clear blanks both layers; a later text row keeps what is beside it.
    panel.Clear();
    panel.WriteText("A", 2, 0);
    panel.WriteText("", 0, 0);
    LcdPanel fresh(Geometry{16, 16, 3, 2});
    fresh.WriteText("A", 2, 0);
    EXPECT_EQ(Rows(panel), Rows(fresh));
}

TEST(LcdPanel, EverythingIsClippedAtOddGeometries)
{
    // 1 x 1 pixels under a text grid far larger: only the top-left pixel of
    // the first glyph can show.
    LcdPanel tiny(Geometry{1, 1, 40, 10});
    tiny.WriteText("W", 0, 0);
    tiny.WriteText("WWWWWWWW", 35, 9);
    tiny.WriteText("W", 39, 10); // outside the grid
    EXPECT_EQ(Rows(tiny), std::vector<std::string>{GlyphPixel('W', 0, 0) ? "#" : "."});

    // 20 columns on 122 pixels use 120 of them; the rest stays dark. A 7-row
    // panel cuts the glyphs below their last row.
    LcdPanel wide(Geometry{122, 6, 20, 1});
    wide.WriteText(std::string(25, '#').c_str(), 0, 0);
    const std::vector<std::string> rows = Rows(wide);
    for (std::uint32_t y = 0; y < 6; ++y) {
        EXPECT_EQ(rows[y].substr(120), "..");
        EXPECT_EQ(rows[y][119], '.'); // each cell's gap column
        EXPECT_EQ(rows[y][114 + 1], GlyphPixel('#', 1, y) ? '#' : '.');
    }

    // A region reaching past both the frame and the panel, and a frame whose
    // size does not cover its geometry (ignored rather than over-read).
    LcdPanel small(Geometry{3, 2, 1, 1});
    std::vector<std::uint8_t> frame(5 * 4, 1);
    small.CopyRegion(FrameBufferHeader{frame.data(), 5, 4, 5 * 4, 1, 1}, 1, 1, 0xFFFFFFFFu, 0xFFFFFFFFu);
    small.CopyRegion(FrameBufferHeader{frame.data(), 5, 4, 19, 1, 1}, 0, 0, 5, 4);
    small.CopyRegion(FrameBufferHeader{nullptr, 5, 4, 20, 1, 1}, 0, 0, 5, 4);
    EXPECT_EQ(Rows(small), (std::vector<std::string>{"...", ".##"}));

    LcdPanel empty(Geometry{0, 0, 0, 0});
    empty.WriteText("x", 0, 0);
    EXPECT_EQ(Rows(empty), std::vector<std::string>{});
}

} // namespace
