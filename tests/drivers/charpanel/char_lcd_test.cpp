// The character-panel layer driving an emulated HD44780 on a PCF8574
// backpack through the supervisor and a transport in memory.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "drivers/charpanel/char_model.h"
#include "drivers/common/supervisor.h"
#include "drivers/i2c-lcd/hd44780.h"
#include "drivers/i2c-lcd/pcf8574.h"
#include "plugin/api/glancer_plugin.hpp"
#include "tests/common/fake_settings.h"
#include "tests/common/test_env.h"
#include "tests/drivers/common/memory_transport.h"
#include "tests/drivers/emulators/hd44780_emulator.h"

namespace {

using charpanel::Pattern;
using Bus = MemoryTransport<Hd44780Emulator>;

charpanel::CharModel::MakeDevice Backpack(charpanel::Geometry geometry, charpanel::Charset charset)
{
    return [=](charpanel::ByteSink& sink) {
        return std::make_unique<i2clcd::Hd44780>(
            std::make_unique<i2clcd::Pcf8574>(sink, i2clcd::kWirings[0], true, false), geometry, charset);
    };
}

// The model driven by hand, as the supervisor's worker does: each drawing
// call is followed by a Take and a Send.
struct Panel {
    explicit Panel(charpanel::Charset charset = charpanel::Charset::A00)
        : model("I2C LCD", {20, 4}, Backpack({20, 4}, charset))
    {
        model.Take(true);
        model.Send(bus);
    }
    void Flush()
    {
        model.Take(false);
        model.Send(bus);
    }
    std::string Row(std::uint32_t row)
    {
        return bus.With([&](Hd44780Emulator& lcd) { return lcd.Row(row, 20); });
    }
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row)
    {
        model.WriteText(text, column, row);
        Flush();
    }
    void Clear()
    {
        model.Clear();
        Flush();
    }
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                      std::uint32_t h)
    {
        model.UpdateRegion(frame, x, y, w, h);
        Flush();
    }

    Bus bus{Hd44780Emulator{}};
    charpanel::CharModel model;
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
    panel.UpdateRegion(frame, 0, 0, 122, 32);
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
    return panel.bus.With([&](Hd44780Emulator& lcd) { return lcd.Glyph(code & 7); });
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
    panel.bus.With([](Hd44780Emulator& lcd) {
        EXPECT_FALSE(lcd.eightBit);
        EXPECT_TRUE(lcd.twoLines && lcd.displayOn && lcd.backlight);
        EXPECT_FALSE(lcd.cursorOrBlink);
        EXPECT_EQ(lcd.errors, std::vector<std::string>{});
        return 0;
    });
    panel.WriteText("25\xB0"
                    "C Z\xFCrich \\~\x01",
                    0, 3);
    panel.WriteText("wider than the panel", 15, 1);
    EXPECT_EQ(panel.Row(3).substr(0, 16), "25\xDF"
                                          "C Z\xF5rich \xA4\xB0? ");
    EXPECT_EQ(panel.Row(1), std::string(15, ' ') + "wider");
    const std::size_t before = panel.bus.Sent();
    panel.WriteText("wider", 15, 1); // unchanged: nothing to send
    EXPECT_EQ(panel.bus.Sent(), before);
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
    const std::size_t before = panel.bus.Sent();
    Show(panel, wave);
    EXPECT_EQ(panel.bus.Sent(), before);

    // After a screen change the frame may still hold the last screen's
    // pixels beside the rectangle drawn: they stay unseen.
    panel.Clear();
    auto stale = Frame([](std::uint32_t, std::uint32_t) { return true; });
    const FrameBufferHeader frame{stale.data(), 122, 32, 122 * 32, 20, 4};
    panel.UpdateRegion(frame, 61, 2, 3, 4);
    const auto drawn = Frame([](std::uint32_t x, std::uint32_t y) { return x >= 61 && x < 64 && y >= 2 && y < 6; });
    EXPECT_EQ(Shown(panel, 10, 0), CellOf(drawn, 10, 0));
}

TEST(CharLcd, TheEuropeanRomTakesLatin1AsItIs)
{
    Panel panel(charpanel::Charset::A02);
    panel.WriteText("\xC4\xD6\xDC\xD1 \\~\x01\x85", 0, 0);
    EXPECT_EQ(panel.Row(0).substr(0, 9), "\xC4\xD6\xDC\xD1 \\~??");
}

TEST(CharLcd, TheSupervisorShowsThePictureAgainWhenThePanelComesBack)
{
    fakesettings::Reset();
    glancer::detail::ServicesSlot() = &fakesettings::services;
    Bus bus{Hd44780Emulator{}};
    charpanel::CharModel model("I2C LCD", {20, 4}, Backpack({20, 4}, charpanel::Charset::A00));
    panelcore::Supervisor link{bus, model, {"I2C LCD", "bus", std::chrono::milliseconds(10)}};
    const auto write = [&](const char* text, std::uint32_t column) {
        link.Draw([&](panelcore::Model& m) { m.WriteText(text, column, 2); });
    };
    const auto row = [&] { return bus.With([](Hd44780Emulator& lcd) { return lcd.Row(2, 20).substr(0, 11); }); };
    link.Start();
    write("back again", 0);
    ASSERT_TRUE(testenv::WaitFor([&] { return row() == "back again "; }));
    bus.Unplug();
    write("!", 10); // fails: lost
    ASSERT_TRUE(testenv::WaitFor([&] { return fakesettings::Logged().size() == 1; }));
    bus.Plug(true, Hd44780Emulator{}); // a fresh module
    ASSERT_TRUE(testenv::WaitFor([&] { return row() == "back again!"; }));
    EXPECT_TRUE(bus.With([](Hd44780Emulator& lcd) { return lcd.displayOn; })) << "not initialised";
    ASSERT_TRUE(testenv::WaitFor([&] { return fakesettings::Logged().size() == 2; }));
    EXPECT_EQ(fakesettings::Logged(),
              (std::vector<std::string>{"I2C LCD: lost bus; trying again every few seconds", "I2C LCD: bus is back"}));

    // A device that stops reading: one line, then the whole picture once it reads again.
    bus.Stall(true);
    write("?", 10);
    ASSERT_TRUE(testenv::WaitFor([&] { return fakesettings::Logged().size() == 3; }));
    bus.Plug(true, Hd44780Emulator{}); // what it showed is lost too
    bus.Stall(false);
    ASSERT_TRUE(testenv::WaitFor([&] { return row() == "back again?"; }));
    link.Stop();
    EXPECT_EQ(fakesettings::Logged().back(), "I2C LCD: bus takes data again");
    glancer::detail::ServicesSlot() = nullptr;
}

} // namespace
