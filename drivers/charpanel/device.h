#pragma once

#include <cstddef>
#include <cstdint>

#include "drivers/charpanel/rom_charset.h"

namespace charpanel {

// A 5 x 8 character pattern: row r (0 at the top) in bits 5r..5r+4, the
// leftmost pixel of a row in the highest of its five bits, so each row's
// five bits are the byte an HD44780 keeps in character RAM.
using Pattern = std::uint64_t;

constexpr std::uint32_t kGlyphSlots = 8;  // user-definable characters, codes 0..7
constexpr std::uint8_t kFullBlock = 0xFF; // all 40 pixels lit, in the A00 character ROM
constexpr Pattern kFullPattern = (Pattern{1} << 40) - 1;

// The five bits of row `row` (0..7) of a pattern.
constexpr std::uint8_t PatternRow(Pattern pattern, std::uint32_t row)
{
    return static_cast<std::uint8_t>(pattern >> (5 * row) & 0x1F);
}

// Where a device puts its bytes. Wait asks for a pause after what was put
// so far (an HD44780 needs up to 5 ms after some instructions).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Put(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual void Wait(std::uint32_t microseconds) = 0;
};

// The bytes of one kind of panel: what it takes to clear it, move its
// cursor, show a run of characters and define a user character. A device
// only encodes; how the bytes travel (serial port, I2C) is its owner's
// business, so the layer above never waits on a transport.
class Device {
public:
    virtual ~Device() = default;
    // Puts the panel into a known state: display on, cursor and blink off,
    // no scrolling or wrapping, blank. Called at start and after the panel
    // came back.
    virtual void Init() = 0;
    // The next Init is one the module surely hears (see panelcore::Model).
    virtual void Listening() {}
    // Blanks the panel; the cursor goes to the top left.
    virtual void Clear() = 0;
    virtual void MoveTo(std::uint32_t column, std::uint32_t row) = 0;
    // Character codes for the panel's ROM; codes 0..7 show user characters.
    // The cursor ends after the run, on the same row.
    virtual void Write(const std::uint8_t* codes, std::size_t count) = 0;
    // Loads user character `slot` (0..7). Leaves the cursor anywhere.
    virtual void DefineGlyph(std::uint32_t slot, Pattern pattern) = 0;
    // The code a text character (Latin-1) is sent as: the character ROM's
    // (A00 unless set); a device that takes text as it is overrides this.
    virtual std::uint8_t TextCode(unsigned char latin1) const { return RomCode(latin1, charset_); }
    void SetCharset(Charset charset) { charset_ = charset; }
    // What a cursor move costs in characters' worth of bytes: unchanged
    // gaps shorter than this are resent rather than skipped.
    virtual std::uint32_t MoveCost() const { return 1; }

private:
    Charset charset_ = Charset::A00;
};

} // namespace charpanel
