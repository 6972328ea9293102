#include "drivers/serial-lcd/matrix_orbital.h"

namespace seriallcd {
namespace {

constexpr std::uint8_t kCommand = 0xFE;
enum : std::uint8_t {
    kAutoWrapOff = 0x44,
    kBacklightOn = 0x42, // argument: minutes until off, 0 for never
    kBacklightOff = 0x46,
    kGoto = 0x47, // column, row; both from 1
    kUnderlineOff = 0x4B,
    kDefineChar = 0x4E, // slot, eight rows
    kContrast = 0x50,
    kAutoScrollOff = 0x52,
    kBlinkOff = 0x54,
    kClear = 0x58,
    kBrightness = 0x99,
};

} // namespace

void MatrixOrbital::Command(std::uint8_t code)
{
    const std::uint8_t bytes[] = {kCommand, code};
    sink_.Put(bytes, sizeof bytes);
}

void MatrixOrbital::Command(std::uint8_t code, std::uint8_t argument)
{
    const std::uint8_t bytes[] = {kCommand, code, argument};
    sink_.Put(bytes, sizeof bytes);
}

void MatrixOrbital::Init()
{
    // Spaces first: they complete any command a lost connection cut short
    // (the longest takes nine bytes), and the clear below removes them.
    const std::uint8_t resync[9] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    sink_.Put(resync, sizeof resync);
    Command(kBlinkOff);
    Command(kUnderlineOff);
    Command(kAutoScrollOff);
    Command(kAutoWrapOff);
    if (options_.backlight)
        Command(kBacklightOn, 0);
    else
        Command(kBacklightOff);
    if (listening_ && !settingsSent_) {
        settingsSent_ = true;
        if (options_.contrast >= 0)
            Command(kContrast, static_cast<std::uint8_t>(options_.contrast));
        if (options_.brightness >= 0)
            Command(kBrightness, static_cast<std::uint8_t>(options_.brightness));
    }
    Command(kClear);
}

void MatrixOrbital::Clear()
{
    Command(kClear);
}

void MatrixOrbital::MoveTo(std::uint32_t column, std::uint32_t row)
{
    const std::uint8_t bytes[] = {kCommand, kGoto, static_cast<std::uint8_t>(column + 1),
                                  static_cast<std::uint8_t>(row + 1)};
    sink_.Put(bytes, sizeof bytes);
}

void MatrixOrbital::Write(const std::uint8_t* codes, std::size_t count)
{
    // 0xFE would start a command; the ROM shows a blank there anyway.
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t code = codes[i] == kCommand ? ' ' : codes[i];
        sink_.Put(&code, 1);
    }
}

void MatrixOrbital::DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern)
{
    std::uint8_t bytes[11] = {kCommand, kDefineChar, static_cast<std::uint8_t>(slot)};
    for (std::uint32_t row = 0; row < 8; ++row)
        bytes[3 + row] = charpanel::PatternRow(pattern, row);
    sink_.Put(bytes, sizeof bytes);
}

} // namespace seriallcd
