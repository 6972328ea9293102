#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "drivers/charpanel/device.h"

namespace charpanel {

// Which patterns the panel's eight user characters hold, and which
// character each pixel cell shows.
//
// A blank cell shows a space and a fully lit one the ROM's block (0xFF);
// neither needs a slot. When the other cells need at most eight distinct
// patterns, each gets a slot and every cell is exact. Beyond that the eight
// are chosen greedily to leave the fewest wrong pixels over all cells,
// from the visible patterns and eight horizontal lines (which keep line
// graphs readable), and each remaining cell shows the nearest choice. The
// choice depends only on the cells and on what is loaded already (loaded
// patterns win ties and keep their slots), so an unchanged picture gives
// the same characters and costs nothing.
class GlyphPalette {
public:
    struct Slot {
        Pattern pattern = 0;
        bool used = false;
    };

    explicit GlyphPalette(std::size_t cellCapacity);

    // Chooses the slots for these cell patterns, starting from `loaded`
    // (what the panel holds now); gives the wanted slots.
    const std::array<Slot, kGlyphSlots>& Choose(const std::vector<Pattern>& cells,
                                                const std::array<Slot, kGlyphSlots>& loaded);

    // The character for one pattern under the last choice.
    std::uint8_t CodeFor(Pattern pattern) const;

private:
    void CountDistinct(const std::vector<Pattern>& cells);
    void Greedy(const std::array<Slot, kGlyphSlots>& loaded);
    void Place(const std::array<Slot, kGlyphSlots>& loaded);

    struct Counted {
        Pattern pattern;
        std::uint32_t count;
        std::uint32_t error; // wrong pixels with the best choice so far
    };
    std::vector<Counted> distinct_; // capacity fixed at construction
    std::vector<Pattern> chosen_;
    std::array<Slot, kGlyphSlots> slots_{};
};

} // namespace charpanel
