#pragma once

#include <cstdint>

namespace charpanel {

// The character ROM of an HD44780 or compatible: A00 (Japanese, the common
// one) or A02 (European).
enum class Charset { A00, A02 };

// Maps a single-byte text character (Latin-1) to the code the ROM shows for
// it; what it has no glyph for shows as kReplacement, controls included.
//  - A00 is ASCII from 0x20 to 0x7D except 0x5C (a yen sign); its upper
//    half is katakana and a few Greek and math symbols. '\' and '~' take
//    the nearest strokes it has; the degree sign, micro, middle dot,
//    division sign, cent, pound, yen, a/o/u umlaut, n tilde and sharp s (as
//    beta) map to their look-alikes; other accented letters, capitals with
//    umlaut or tilde among them, lose their accent; a no-break space is a
//    space.
//  - A02 has all of printable ASCII, and from 0xA0 on the Latin-1 letters
//    and signs at their Latin-1 codes.
std::uint8_t RomCode(unsigned char latin1, Charset charset = Charset::A00);

constexpr std::uint8_t kReplacement = '?';

} // namespace charpanel
