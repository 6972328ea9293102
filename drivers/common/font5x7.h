#pragma once

#include <cstdint>

namespace panelcore {

constexpr std::uint32_t kGlyphWidth = 5;
constexpr std::uint32_t kGlyphHeight = 7;

// The five column bytes of a character, left to right; bit 0 is the top
// row. Bytes outside printable ASCII (0x20..0x7E) give the glyph of '?'.
const std::uint8_t* Glyph(unsigned char character);

} // namespace panelcore
