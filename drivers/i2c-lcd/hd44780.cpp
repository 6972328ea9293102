#include "drivers/i2c-lcd/hd44780.h"

namespace i2clcd {
namespace {

enum : std::uint8_t {
    kClear = 0x01,
    kEntryIncrement = 0x06,
    kDisplayOff = 0x08,
    kDisplayOn = 0x0C, // cursor and blink off
    kFunction4Bit2Lines = 0x28,
    kSetCgram = 0x40,
    kSetDdram = 0x80,
};

// Instruction times from the datasheet (at 270 kHz), with margin.
constexpr std::uint32_t kPowerOnUs = 50000;
constexpr std::uint32_t kFirstResetUs = 4500;
constexpr std::uint32_t kResetUs = 150;
constexpr std::uint32_t kClearUs = 2000;

} // namespace

void Hd44780::Byte(std::uint8_t value, bool data)
{
    bus_.Nibble(value >> 4, data);
    bus_.Nibble(value & 0x0F, data);
}

void Hd44780::Init()
{
    // Initialisation by instruction: three times "8-bit", then "4-bit",
    // whatever mode the controller was left in.
    bus_.Rest();
    bus_.Wait(kPowerOnUs);
    bus_.Nibble(0x3, false);
    bus_.Wait(kFirstResetUs);
    bus_.Nibble(0x3, false);
    bus_.Wait(kResetUs);
    bus_.Nibble(0x3, false);
    bus_.Wait(kResetUs);
    bus_.Nibble(0x2, false);
    // Two lines also for one-line modules: their display memory is laid out so.
    Byte(kFunction4Bit2Lines, false);
    Byte(kDisplayOff, false);
    Clear();
    Byte(kEntryIncrement, false);
    Byte(kDisplayOn, false);
}

void Hd44780::Clear()
{
    Byte(kClear, false);
    bus_.Wait(kClearUs);
    column_ = 0;
}

void Hd44780::MoveTo(std::uint32_t column, std::uint32_t row)
{
    // Rows 2 and 3 continue rows 0 and 1 in display memory.
    std::uint32_t start = (row & 1) * 0x40 + (row >> 1) * geometry_.columns;
    if (SplitLine() && column >= 8)
        start = 0x40 - 8;
    Byte(static_cast<std::uint8_t>(kSetDdram | ((start + column) & 0x7F)), false);
    column_ = column;
}

void Hd44780::Write(const std::uint8_t* codes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (SplitLine() && column_ == 8)
            MoveTo(8, 0);
        Byte(codes[i], true);
        ++column_;
    }
}

void Hd44780::DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern)
{
    Byte(static_cast<std::uint8_t>(kSetCgram | (slot & 7) << 3), false);
    for (std::uint32_t row = 0; row < 8; ++row)
        Byte(charpanel::PatternRow(pattern, row), true);
}

} // namespace i2clcd
