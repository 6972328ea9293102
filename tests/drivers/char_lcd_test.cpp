// The character-panel layer driving an emulated HD44780 on a PCF8574
// backpack through the I2C driver's byte stream (the transport is a fake).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/charpanel/panel_link.h"
#include "drivers/i2c-lcd/hd44780_pcf8574.h"
#include "tests/common/test_env.h"

namespace {

using charpanel::Pattern;

// What the module shows, decoded from expander bytes: P0 RS, P2 E (a nibble
// latches on its falling edge), P3 backlight, P4..P7 D4..D7.
class Hd44780 {
public:
    void Feed(const std::uint8_t* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            if ((last & 0x04) != 0 && (bytes[i] & 0x04) == 0)
                Latch(last >> 4, (last & 0x01) != 0);
            last = bytes[i];
            backlight = (bytes[i] & 0x08) != 0;
        }
    }
    std::string Row(std::uint32_t row, std::uint32_t columns) const
    {
        const std::uint32_t start = (row & 1) * 0x40 + (row >> 1) * columns;
        return std::string(ddram + start, ddram + start + columns);
    }
    Pattern Glyph(std::uint32_t slot) const
    {
        Pattern pattern = 0;
        for (std::uint32_t row = 0; row < 8; ++row)
            pattern |= Pattern{cgram[slot * 8 + row]} << (5 * row);
        return pattern;
    }

    bool eightBit = true, twoLines = false, displayOn = false, cursorOrBlink = true, backlight = false;

private:
    void Latch(std::uint8_t nibble, bool data)
    {
        if (eightBit)
            return Execute(static_cast<std::uint8_t>(nibble << 4), false);
        if (!haveHigh) {
            high = nibble;
            haveHigh = true;
            return;
        }
        haveHigh = false;
        Execute(static_cast<std::uint8_t>(high << 4 | nibble), data);
    }
    void Execute(std::uint8_t value, bool data)
    {
        if (data) {
            if (inCgram)
                cgram[address++ & 63] = value & 0x1F;
            else
                ddram[address++ & 0x7F] = static_cast<char>(value);
        } else if (value & 0x80) {
            inCgram = false, address = value & 0x7F;
        } else if (value & 0x40) {
            inCgram = true, address = value & 0x3F;
        } else if (value & 0x20) {
            eightBit = (value & 0x10) != 0, twoLines = (value & 0x08) != 0, haveHigh = false;
        } else if (value & 0x08) {
            displayOn = (value & 0x04) != 0, cursorOrBlink = (value & 0x03) != 0;
        } else if (value == 0x01) {
            std::fill(std::begin(ddram), std::end(ddram), ' ');
            address = 0, inCgram = false;
        }
    }

    char ddram[128] = {};
    std::uint8_t cgram[64] = {};
    std::uint8_t last = 0, high = 0, address = 0;
    bool haveHigh = false, inCgram = false;
};

class FakeBus : public charpanel::Transport {
public:
    bool Open(std::string& reason) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        reason = "is not there";
        return present;
    }
    Sent Send(const std::uint8_t* bytes, std::size_t count) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!present)
            return Sent::Lost;
        lcd.Feed(bytes, count);
        sent += count;
        return Sent::All;
    }
    void Close() override {}
    template <class F> auto With(F f)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return f(*this);
    }

    std::mutex mutex;
    Hd44780 lcd;
    std::size_t sent = 0;
    bool present = true;
};

struct Panel {
    FakeBus bus;
    charpanel::PanelLink link{bus, "I2C LCD", "bus", std::chrono::milliseconds(10)};
    i2clcd::Hd44780Pcf8574 device{link, 20, true};
    Panel() { link.Start({20, 4}, device); }
    std::string Row(std::uint32_t row)
    {
        return bus.With([&](FakeBus& b) { return b.lcd.Row(row, 20); });
    }
    std::size_t Sent()
    {
        return bus.With([](FakeBus& b) { return b.sent; });
    }
};

// A 122 x 32 frame; `lit(x, y)` says which pixels are set.
template <class Lit> std::vector<std::uint8_t> Frame(Lit lit)
{
    std::vector<std::uint8_t> pixels(122 * 32);
    for (std::uint32_t y = 0; y < 32; ++y)
        for (std::uint32_t x = 0; x < 122; ++x)
            pixels[y * 122 + x] = lit(x, y) ? 1 : 0;
    return pixels;
}

void Show(Panel& panel, std::vector<std::uint8_t>& pixels)
{
    const FrameBufferHeader frame{pixels.data(), 122, 32, 122 * 32, 20, 4};
    panel.link.UpdateRegion(frame, 0, 0, 122, 32);
}

// The 5 x 8 pixels the emulated panel shows in a cell, as a Pattern.
Pattern Shown(Panel& panel, std::uint32_t column, std::uint32_t row)
{
    const unsigned char code = static_cast<unsigned char>(panel.Row(row)[column]);
    if (code == ' ')
        return 0;
    if (code == 0xFF)
        return charpanel::kFullPattern;
    EXPECT_LT(code, 8u) << "cell " << column << "," << row;
    return panel.bus.With([&](FakeBus& b) { return b.lcd.Glyph(code & 7); });
}

Pattern CellOf(const std::vector<std::uint8_t>& pixels, std::uint32_t column, std::uint32_t row)
{
    Pattern pattern = 0;
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 5; ++x)
            if (pixels[(row * 8 + y) * 122 + column * 6 + x] != 0)
                pattern |= Pattern{1} << (5 * y + 4 - x);
    return pattern;
}

TEST(CharLcd, StartsLikeTheDatasheetAndMapsTextToTheRom)
{
    Panel panel;
    panel.bus.With([](FakeBus& b) {
        EXPECT_FALSE(b.lcd.eightBit);
        EXPECT_TRUE(b.lcd.twoLines && b.lcd.displayOn && b.lcd.backlight);
        EXPECT_FALSE(b.lcd.cursorOrBlink);
        return 0;
    });
    panel.link.WriteText("25\xB0"
                         "C Z\xFCrich \\~\x01",
                         0, 3);
    panel.link.WriteText("wider than the panel", 15, 1);
    EXPECT_EQ(panel.Row(3).substr(0, 16), "25\xDF"
                                          "C Z\xF5rich ??? ");
    EXPECT_EQ(panel.Row(1), std::string(15, ' ') + "wider");
    const std::size_t before = panel.Sent();
    panel.link.WriteText("wider", 15, 1); // unchanged: nothing to send
    EXPECT_EQ(panel.Sent(), before);
}

TEST(CharLcd, PicturesUseUserCharactersExactlyUpToEightAndStablyBeyond)
{
    Panel panel;
    // A box of eight patterns (corners and edges) and a filled cell: exact.
    auto box = Frame([](std::uint32_t x, std::uint32_t y) {
        return (y >= 8 && y < 24 && x < 30 && (y == 8 || y == 23 || x == 0 || x == 28)) || (x >= 60 && y < 8);
    });
    Show(panel, box);
    for (std::uint32_t row = 0; row < 4; ++row)
        for (std::uint32_t column = 0; column < 20; ++column)
            ASSERT_EQ(Shown(panel, column, row), CellOf(box, column, row)) << column << "," << row;

    // A sine wave over the whole panel needs far more than eight: every
    // cell with lit pixels still shows something, and again the same.
    auto wave = Frame([](std::uint32_t x, std::uint32_t y) {
        return static_cast<std::uint32_t>(16 + 14 * std::sin(x / 9.0)) == y || y == 0;
    });
    Show(panel, wave);
    std::vector<std::string> first;
    for (std::uint32_t row = 0; row < 4; ++row) {
        first.push_back(panel.Row(row));
        for (std::uint32_t column = 0; column < 20; ++column)
            EXPECT_EQ(CellOf(wave, column, row) == 0, Shown(panel, column, row) == 0) << column << "," << row;
    }
    EXPECT_EQ(panel.Row(0).substr(0, 20), std::string(20, panel.Row(0)[0])) << "the top line is one glyph";
    const std::size_t before = panel.Sent();
    Show(panel, wave);
    EXPECT_EQ(panel.Sent(), before);

    // After a screen change the frame may still hold the last screen's
    // pixels beside the rectangle drawn: they stay unseen.
    panel.link.Clear();
    auto stale = Frame([](std::uint32_t, std::uint32_t) { return true; });
    const FrameBufferHeader frame{stale.data(), 122, 32, 122 * 32, 20, 4};
    panel.link.UpdateRegion(frame, 61, 2, 3, 4);
    const auto drawn = Frame([](std::uint32_t x, std::uint32_t y) { return x >= 61 && x < 64 && y >= 2 && y < 6; });
    EXPECT_EQ(Shown(panel, 10, 0), CellOf(drawn, 10, 0));
}

TEST(CharLcd, ShowsThePictureAgainWhenThePanelComesBack)
{
    Panel panel;
    panel.link.WriteText("back again", 0, 2);
    panel.bus.With([](FakeBus& b) { return b.present = false; });
    panel.link.WriteText("!", 10, 2); // fails: lost
    panel.bus.With([](FakeBus& b) {
        b.lcd = Hd44780{}; // a fresh module
        return b.present = true;
    });
    testenv::WaitFor([&] { return panel.Row(2).substr(0, 11) == "back again!"; });
    EXPECT_EQ(panel.Row(2).substr(0, 11), "back again!");
    panel.bus.With([](FakeBus& b) { return b.lcd.displayOn; }) ? SUCCEED() : ADD_FAILURE() << "not initialised";
}

} // namespace
