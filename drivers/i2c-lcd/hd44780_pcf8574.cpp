#include "drivers/i2c-lcd/hd44780_pcf8574.h"

namespace i2clcd {
namespace {

constexpr std::uint8_t kRs = 0x01;
constexpr std::uint8_t kEnable = 0x04;
constexpr std::uint8_t kBacklight = 0x08;

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

void Hd44780Pcf8574::Nibble(std::uint8_t nibble, bool data)
{
    const std::uint8_t base = static_cast<std::uint8_t>(nibble << 4 | (data ? kRs : 0) | (backlight_ ? kBacklight : 0));
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(base | kEnable), base};
    sink_.Put(bytes, sizeof bytes);
}

void Hd44780Pcf8574::Byte(std::uint8_t value, bool data)
{
    // At 100 kHz each expander byte takes 90 us, longer than any
    // instruction but clear and home needs.
    Nibble(value >> 4, data);
    Nibble(value & 0x0F, data);
}

void Hd44780Pcf8574::Init()
{
    // Initialisation by instruction: three times "8-bit", then "4-bit",
    // whatever mode the controller was left in.
    const std::uint8_t idle = backlight_ ? kBacklight : 0;
    sink_.Put(&idle, 1);
    sink_.Wait(kPowerOnUs);
    Nibble(0x3, false);
    sink_.Wait(kFirstResetUs);
    Nibble(0x3, false);
    sink_.Wait(kResetUs);
    Nibble(0x3, false);
    sink_.Wait(kResetUs);
    Nibble(0x2, false);
    Byte(kFunction4Bit2Lines, false);
    Byte(kDisplayOff, false);
    Byte(kClear, false);
    sink_.Wait(kClearUs);
    Byte(kEntryIncrement, false);
    Byte(kDisplayOn, false);
}

void Hd44780Pcf8574::Clear()
{
    Byte(kClear, false);
    sink_.Wait(kClearUs);
}

void Hd44780Pcf8574::MoveTo(std::uint32_t column, std::uint32_t row)
{
    // Rows 2 and 3 continue rows 0 and 1 in display memory.
    const std::uint32_t start = (row & 1) * 0x40 + (row >> 1) * columns_;
    Byte(static_cast<std::uint8_t>(kSetDdram | ((start + column) & 0x7F)), false);
}

void Hd44780Pcf8574::Write(const std::uint8_t* codes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        Byte(codes[i], true);
}

void Hd44780Pcf8574::DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern)
{
    Byte(static_cast<std::uint8_t>(kSetCgram | (slot & 7) << 3), false);
    for (std::uint32_t row = 0; row < 8; ++row)
        Byte(charpanel::PatternRow(pattern, row), true);
}

} // namespace i2clcd
