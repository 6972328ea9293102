// The Matrix Orbital command bytes, against the manuals' command table.
#include <gtest/gtest.h>

#include <vector>

#include "drivers/serial-lcd/matrix_orbital.h"

namespace {

struct Recorder : charpanel::ByteSink {
    void Put(const std::uint8_t* bytes, std::size_t count) override { out.insert(out.end(), bytes, bytes + count); }
    void Wait(std::uint32_t) override {}
    std::vector<std::uint8_t> Take() { return std::exchange(out, {}); }
    std::vector<std::uint8_t> out;
};

using Bytes = std::vector<std::uint8_t>;

TEST(MatrixOrbital, SetsUpAndDrawsWithTheDocumentedCommands)
{
    Recorder sink;
    seriallcd::MatrixOrbital lcd(sink, {true, 40, 200, charpanel::Charset::A00});
    lcd.Listening();
    lcd.Init();
    const Bytes spaces(9, ' '); // complete any command a lost connection cut short
    Bytes init = spaces;
    for (std::uint8_t command : {0x54, 0x4B, 0x52, 0x44}) // blink, underline, autoscroll, wrap off
        init.insert(init.end(), {0xFE, command});
    init.insert(init.end(), {0xFE, 0x42, 0, 0xFE, 0x50, 40, 0xFE, 0x99, 200, 0xFE, 0x58});
    EXPECT_EQ(sink.Take(), init);

    lcd.MoveTo(3, 1);
    EXPECT_EQ(sink.Take(), (Bytes{0xFE, 0x47, 4, 2}));
    const std::uint8_t text[] = {'A', 0xFE, 0x01};
    lcd.Write(text, sizeof text);
    EXPECT_EQ(sink.Take(), (Bytes{'A', ' ', 0x01})) << "0xFE would start a command";
    lcd.DefineGlyph(5, charpanel::Pattern{0x1F} | charpanel::Pattern{0x11} << 35);
    EXPECT_EQ(sink.Take(), (Bytes{0xFE, 0x4E, 5, 0x1F, 0, 0, 0, 0, 0, 0, 0x11}));
}

TEST(MatrixOrbital, ContrastAndBrightnessGoOncePerRunWithASetUpTheModuleHears)
{
    Recorder sink;
    seriallcd::MatrixOrbital lcd(sink, {false, 40, 200, charpanel::Charset::A00});
    const auto sent = [](const Bytes& bytes, std::uint8_t command) {
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            if (bytes[i] == 0xFE && bytes[i + 1] == command)
                return true;
        return false;
    };
    // The open (a resetting backpack is deaf), the redraw once it listens,
    // then two reconnects with theirs.
    const bool listening[] = {false, true, false, true, false, true};
    for (int setUp = 0; setUp < 6; ++setUp) {
        if (listening[setUp])
            lcd.Listening();
        lcd.Init();
        const Bytes bytes = sink.Take();
        EXPECT_TRUE(sent(bytes, 0x46)) << "backlight off, at every set-up";
        EXPECT_EQ(sent(bytes, 0x50), setUp == 1) << setUp;
        EXPECT_EQ(sent(bytes, 0x99), setUp == 1) << setUp;
    }
}

} // namespace
