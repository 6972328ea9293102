#pragma once

#include <cstdint>

namespace charpanel {

// Maps a single-byte text character (Latin-1) to the code an HD44780 with
// the common A00 character ROM shows for it. That ROM is ASCII from 0x20 to
// 0x7D except 0x5C (a yen sign); its upper half is katakana and a few Greek
// and math symbols. Kept: printable ASCII but '\' and '~'; the degree sign,
// micro, middle dot, division sign, cent, pound, yen, a/o/u umlaut, n tilde
// and sharp s (as beta) map to their look-alikes; other accented letters
// lose their accent; a no-break space is a space. Everything else,
// controls included, shows as '?'.
std::uint8_t RomCode(unsigned char latin1);

constexpr std::uint8_t kReplacement = '?';

} // namespace charpanel
