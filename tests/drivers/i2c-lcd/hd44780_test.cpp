// The HD44780 instruction layer through each PCF8574 wiring, decoded by the
// emulator from the expander bytes alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/charpanel/char_model.h"
#include "drivers/i2c-lcd/hd44780.h"
#include "drivers/i2c-lcd/pcf8574.h"
#include "tests/drivers/common/memory_transport.h"
#include "tests/drivers/emulators/hd44780_emulator.h"

namespace {

struct Module {
    Module(const i2clcd::Wiring& wiring, Pins pins, charpanel::Geometry geometry, bool backlight, bool low)
        : bus(Hd44780Emulator(pins)), model("I2C LCD", geometry, [&](charpanel::ByteSink& sink) {
              return std::make_unique<i2clcd::Hd44780>(std::make_unique<i2clcd::Pcf8574>(sink, wiring, backlight, low),
                                                       geometry, charpanel::Charset::A00);
          })
    {
        model.Take(true);
        model.Send(bus);
    }
    void Write(const char* text, std::uint32_t column, std::uint32_t row)
    {
        model.WriteText(text, column, row);
        model.Take(false);
        model.Send(bus);
    }
    template <class Look> auto With(Look look) { return bus.With(look); }

    MemoryTransport<Hd44780Emulator> bus;
    charpanel::CharModel model;
};

TEST(Hd44780, EachWiringSetsUpWritesAndDefinesWithRsBeforeE)
{
    const struct {
        const char* name;
        Pins pins;
    } wirings[] = {{"common", kCommonPins}, {"mjkdz", kMjkdzPins}};
    ASSERT_EQ(std::size(wirings), i2clcd::kWirings.size());
    for (std::size_t w = 0; w < std::size(wirings); ++w) {
        SCOPED_TRACE(wirings[w].name);
        ASSERT_STREQ(i2clcd::kWirings[w].name, wirings[w].name);
        const i2clcd::Wiring& wiring = i2clcd::kWirings[w];
        Module module(wiring, wirings[w].pins, {20, 4}, true, wiring.backlightLow);
        module.Write("top", 0, 0);
        module.Write("third row", 5, 2);
        module.Write("last", 16, 3);
        std::vector<std::uint8_t> pixels(122 * 32, 0);
        pixels[0 * 122 + 60] = 1; // one lit pixel in cell (10, 0): a user character
        module.model.UpdateRegion(FrameBufferHeader{pixels.data(), 122, 32, 122 * 32, 20, 4}, 60, 0, 6, 8);
        module.model.Take(false);
        module.model.Send(module.bus);
        module.With([](Hd44780Emulator& lcd) {
            EXPECT_FALSE(lcd.eightBit);
            EXPECT_TRUE(lcd.twoLines && lcd.displayOn && lcd.backlight);
            EXPECT_FALSE(lcd.cursorOrBlink);
            EXPECT_EQ(lcd.Row(0, 20).substr(0, 3), "top");
            EXPECT_EQ(lcd.Row(0, 20)[10], '\0');
            EXPECT_EQ(lcd.Glyph(0), charpanel::Pattern{0x10});
            EXPECT_EQ(lcd.Row(2, 20), "     third row      ");
            EXPECT_EQ(lcd.Row(3, 20), std::string(16, ' ') + "last");
            EXPECT_EQ(lcd.errors, std::vector<std::string>{});
            return 0;
        });
    }
}

TEST(Hd44780, BacklightOffNeverLightsForEitherPolarity)
{
    for (bool low : {false, true}) {
        Pins pins = kCommonPins;
        pins.backlightLow = low;
        Module module(i2clcd::kWirings[0], pins, {16, 2}, false, low);
        module.Write("dark", 0, 1);
        EXPECT_FALSE(module.With([](Hd44780Emulator& lcd) { return lcd.litEver; })) << (low ? "low" : "high");
        // What opening the bus writes first, too.
        const std::uint8_t rest = i2clcd::RestByte(i2clcd::kWirings[0], false, low);
        EXPECT_EQ((rest & pins.backlight) != 0, low);
    }
}

TEST(Hd44780, ASixteenByOneShowsItsRightHalfFromTheSecondLineAddresses)
{
    Module module(i2clcd::kWirings[0], kCommonPins, {16, 1}, true, false);
    module.Write("0123456789abcdef", 0, 0);
    module.With([](Hd44780Emulator& lcd) {
        EXPECT_EQ(lcd.At(0x00, 8), "01234567");
        EXPECT_EQ(lcd.At(0x40, 8), "89abcdef");
        return 0;
    });
    module.Write("XY", 7, 0); // a run across the halves
    module.With([](Hd44780Emulator& lcd) {
        EXPECT_EQ(lcd.At(0x00, 8), "0123456X");
        EXPECT_EQ(lcd.At(0x40, 8), "Y9abcdef");
        return 0;
    });
}

} // namespace
