#include "drivers/charpanel/rom_charset.h"

namespace charpanel {
namespace {

// Latin-1 0xC0..0xFF without their accents (0: no letter there).
constexpr char kUnaccented[] = "AAAAAAACEEEEIIII"  // C0
                               "DNOOOOOxOUUUUYPs"  // D0
                               "aaaaaaaceeeeiiii"  // E0
                               "dnooooo/ouuuuypy"; // F0

struct LookAlike {
    unsigned char latin1;
    std::uint8_t rom;
};

constexpr LookAlike kLookAlikes[] = {
    {'\\', 0xA4}, // the ideographic comma, a short falling stroke
    {'~', 0xB0},  // the long-vowel dash
    {0xA0, ' '},  {0xA2, 0xEC}, {0xA3, 0xED}, {0xA5, 0x5C}, {0xB0, 0xDF}, {0xB5, 0xE4}, {0xB7, 0xA5},
    {0xDF, 0xE2}, {0xE4, 0xE1}, {0xF1, 0xEE}, {0xF6, 0xEF}, {0xF7, 0xFD}, {0xFC, 0xF5},
};

} // namespace

std::uint8_t RomCode(unsigned char latin1, Charset charset)
{
    if (charset == Charset::A02)
        return (latin1 >= 0x20 && latin1 < 0x7F) || latin1 >= 0xA0 ? latin1 : kReplacement;
    if (latin1 >= 0x20 && latin1 < 0x7E && latin1 != '\\')
        return latin1;
    for (const LookAlike& entry : kLookAlikes)
        if (entry.latin1 == latin1)
            return entry.rom;
    if (latin1 >= 0xC0)
        return static_cast<std::uint8_t>(kUnaccented[latin1 - 0xC0]);
    return kReplacement;
}

} // namespace charpanel
