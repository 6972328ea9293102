// The eight user characters: exact while eight suffice, stable beyond.
#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "drivers/charpanel/glyph_palette.h"

namespace {

using charpanel::GlyphPalette;
using charpanel::Pattern;

// Pattern with only row `row` lit.
Pattern Line(std::uint32_t row)
{
    return Pattern{0x1F} << (5 * row);
}

TEST(GlyphPalette, BlankAndFullCellsNeedNoSlotAndEightPatternsAreExact)
{
    GlyphPalette palette(40);
    std::vector<Pattern> cells = {0, charpanel::kFullPattern};
    for (std::uint32_t row = 0; row < 8; ++row)
        cells.push_back(Line(row) | 1); // eight distinct patterns
    cells.push_back(Line(3) | 1);       // a repeat takes no slot
    const auto& slots = palette.Choose(cells, {});
    EXPECT_EQ(palette.CodeFor(0), ' ');
    EXPECT_EQ(palette.CodeFor(charpanel::kFullPattern), charpanel::kFullBlock);
    for (std::uint32_t row = 0; row < 8; ++row) {
        const std::uint8_t code = palette.CodeFor(Line(row) | 1);
        ASSERT_LT(code, 8u);
        EXPECT_TRUE(slots[code].used);
        EXPECT_EQ(slots[code].pattern, Line(row) | 1);
    }
}

TEST(GlyphPalette, BeyondEightEachCellGetsANearChoiceAndLoadedSlotsStay)
{
    GlyphPalette palette(64);
    // Twelve patterns: a lit row with a varying dot.
    std::vector<Pattern> cells;
    for (std::uint32_t i = 0; i < 12; ++i)
        cells.push_back(Line(i % 8) | Pattern{1} << (5 * ((i + 3) % 8) + i % 5));
    const auto first = palette.Choose(cells, {});
    std::vector<std::uint8_t> codes;
    for (Pattern cell : cells) {
        const std::uint8_t code = palette.CodeFor(cell);
        ASSERT_LT(code, 8u);
        ASSERT_TRUE(first[code].used);
        // Never worse than a blank would be.
        EXPECT_LE(std::popcount(first[code].pattern ^ cell), std::popcount(cell));
        codes.push_back(code);
    }
    // The same cells with what is now loaded: the same choice, nothing to reload.
    const auto again = palette.Choose(cells, first);
    for (std::uint32_t slot = 0; slot < 8; ++slot)
        EXPECT_EQ(again[slot].pattern, first[slot].pattern) << slot;
    for (std::size_t i = 0; i < cells.size(); ++i)
        EXPECT_EQ(palette.CodeFor(cells[i]), codes[i]);
}

} // namespace
