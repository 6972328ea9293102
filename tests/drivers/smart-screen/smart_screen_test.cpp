#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "drivers/smart-screen/canvas.h"
#include "drivers/smart-screen/picture_file.h"
#include "drivers/smart-screen/protocol.h"
#include "drivers/smart-screen/smart_settings.h"
#include "drivers/smart-screen/usb_screens.h"
#include "plugin/api/glancer_plugin.hpp"
#include "tests/common/fake_settings.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wcast-qual"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wuseless-cast"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

using namespace smartscreen;

Bytes Of(std::initializer_list<int> bytes)
{
    Bytes out;
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

TEST(SmartScreenProtocol, EachRevisionFramesABitmapItsOwnWay)
{
    const std::uint16_t pixels[2] = {0x1234, 0xABCD};
    // Revision A: x 300, y 470, end 301, 470 in 10-bit fields; little-endian pixels.
    Bytes a;
    AppendBitmap(Revision::A, {300, 470, 2, 1}, pixels, a);
    EXPECT_EQ(a, Of({75, 0x1D, 0x64, 0xB5, 0xD6, 197, 0x34, 0x12, 0xCD, 0xAB}));
    // Revision B: [0xCC][x0 y0 x1 y1, big-endian][0xCC], big-endian pixels.
    Bytes b;
    AppendBitmap(Revision::B, {300, 470, 2, 1}, pixels, b);
    EXPECT_EQ(b, Of({0xCC, 1, 44, 1, 214, 1, 45, 1, 214, 0xCC, 0x12, 0x34, 0xAB, 0xCD}));
    // WeAct: 0x05, little-endian corners, 0x0A, little-endian pixels.
    Bytes w;
    AppendBitmap(Revision::WeAct, {300, 470, 2, 1}, pixels, w);
    EXPECT_EQ(w, Of({5, 44, 1, 214, 1, 45, 1, 214, 1, 0x0A, 0x34, 0x12, 0xCD, 0xAB}));

    // Revision D: the corners, then 64-byte packets of 'P' and 63 data bytes;
    // 40 pixels are 80 bytes: one full packet, the 32nd pixel split over two.
    std::vector<std::uint16_t> many(40);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<std::uint16_t>(0x0100 * i + i);
    Bytes d;
    AppendBitmap(Revision::D, {0, 0, 40, 1}, many.data(), d);
    const Bytes head = Of({'C', 'A', 0, 0, 0, 39, 0, 0, 0, 0, 'D', 0, 0, 0});
    ASSERT_EQ(d.size(), head.size() + 64 + 1 + 17 + 4);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), d.begin()));
    EXPECT_EQ(d[14], 'P');
    EXPECT_EQ(d[14 + 64], 'P');
    EXPECT_EQ(d[14 + 63], 31); // the high byte of pixel 31 ends the first packet
    EXPECT_EQ(d[14 + 65], 31); // its low byte starts the second
    EXPECT_EQ(Bytes(d.end() - 4, d.end()), Of({'A', 0, 0, 0}));
}

TEST(SmartScreenProtocol, OrientationBrightnessAndHello)
{
    Bytes a;
    AppendOrientation(Revision::A, 1, 480, 320, a);
    EXPECT_EQ(a, Of({0, 0, 0, 0, 0, 121, 102, 1, 224, 1, 64, 0, 0, 0, 0, 0}));
    Bytes brightness;
    AppendBrightness(Revision::A, 100, true, brightness); // revision A counts down
    AppendBrightness(Revision::B, 100, true, brightness);
    AppendBrightness(Revision::B, 0, false, brightness); // on/off only: 1 is off
    AppendBrightness(Revision::WeAct, 40, true, brightness);
    EXPECT_EQ(brightness, Of({0,    0, 0, 0, 0, 110, 0xCE, 255, 0, 0,    0, 0,   0, 0, 0,   0xCE,
                              0xCE, 1, 0, 0, 0, 0,   0,    0,   0, 0xCE, 3, 102, 0, 0, 0x0A}));

    // Orientation split: B turns by itself only into landscape, D only upside down.
    EXPECT_EQ(SplitOrientation(Revision::B, 3).deviceQuarters, 1u);
    EXPECT_EQ(SplitOrientation(Revision::B, 3).softQuarters, 2u);
    EXPECT_EQ(SplitOrientation(Revision::D, 3).deviceQuarters, 2u);
    EXPECT_EQ(SplitOrientation(Revision::D, 3).softQuarters, 1u);
    EXPECT_EQ(SplitOrientation(Revision::WeAct, 3).softQuarters, 0u);

    const Bytes fiveInch(6, 2);
    const HelloAnswer usb5 = ReadHelloAnswer(Revision::A, fiveInch.data(), fiveInch.size());
    EXPECT_TRUE(usb5.recognised);
    EXPECT_EQ(usb5.width * 10000 + usb5.height, 480u * 10000 + 800);
    const Bytes mixed = Of({1, 1, 1, 2, 1, 1});
    EXPECT_FALSE(ReadHelloAnswer(Revision::A, mixed.data(), mixed.size()).recognised);
    const Bytes answer = Of({0xCA, 'H', 'E', 'L', 'L', 'O', 0x0A, 0x11, 0, 0xCA});
    const HelloAnswer b = ReadHelloAnswer(Revision::B, answer.data(), answer.size());
    EXPECT_TRUE(b.recognised);
    EXPECT_EQ(b.model, "A11");
    EXPECT_FALSE(ReadHelloAnswer(Revision::B, answer.data(), 9).recognised);
}

// Decodes revision A bitmaps back into a picture, as the screen would.
std::vector<std::uint16_t> DecodeA(const Bytes& bytes, std::uint32_t width, std::uint32_t height,
                                   std::vector<std::uint16_t> screen = {})
{
    screen.resize(std::size_t{width} * height);
    std::size_t at = 0;
    while (at + 6 <= bytes.size()) {
        const std::uint8_t* c = &bytes[at];
        const std::uint32_t x = std::uint32_t(c[0]) << 2 | c[1] >> 6, y = (c[1] & 63u) << 4 | c[2] >> 4;
        const std::uint32_t ex = (c[2] & 15u) << 6 | c[3] >> 2, ey = (c[3] & 3u) << 8 | c[4];
        at += 6;
        for (std::uint32_t py = y; py <= ey; ++py)
            for (std::uint32_t px = x; px <= ex; ++px, at += 2)
                screen[py * width + px] = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
    }
    return screen;
}

TEST(SmartScreenCanvas, SendsOnlyWhatChangedAndTurnsThePicture)
{
    Theme theme;
    theme.lit = 0xFF0000;
    theme.unlit = 0x0000FF;
    Layout layout; // 320 x 480 at scale 2: a 160 x 240 panel
    Canvas canvas(Revision::A, layout, theme);
    std::vector<std::uint8_t> panel(160 * 240, 0);
    Bytes out;
    EXPECT_EQ(canvas.Render(panel, false, out), 1u);
    EXPECT_EQ(out.size(), 6 + 320 * 480 * 2u);
    std::vector<std::uint16_t> screen = DecodeA(out, 320, 480);

    out.clear();
    EXPECT_EQ(canvas.Render(panel, false, out), 0u);
    EXPECT_TRUE(out.empty());

    // One text cell's worth of change (a 5 x 7 glyph in cell 3, 2) costs
    // one 10 x 14 rectangle of screen pixels; two distant changes stay two.
    for (std::uint32_t y = 0; y < 7; ++y)
        panel[(16 + y) * 160 + 18 + (y % 5)] = 1;
    panel[239 * 160 + 159] = 1;
    EXPECT_EQ(canvas.Render(panel, false, out), 2u);
    EXPECT_EQ(out.size(), 6 + 10 * 14 * 2 + 6 + 2 * 2 * 2u);
    screen = DecodeA(out, 320, 480, screen);
    EXPECT_EQ(screen[32 * 320 + 36], Rgb565(0xFF0000));
    EXPECT_EQ(screen[33 * 320 + 37], Rgb565(0xFF0000));
    EXPECT_EQ(screen[32 * 320 + 38], Rgb565(0x0000FF));
    EXPECT_EQ(screen[479 * 320 + 319], Rgb565(0xFF0000));

    // A quarter turn done by us: the panel's top left lands top right.
    Layout turned;
    turned.screenWidth = 480;
    turned.screenHeight = 320;
    turned.scale = 3;
    turned.softQuarters = 1;
    Canvas sideways(Revision::A, turned, theme);
    std::vector<std::uint8_t> wide(160 * 106, 0);
    wide[0] = 1;
    out.clear();
    sideways.Render(wide, true, out);
    screen = DecodeA(out, 320, 480);
    EXPECT_EQ(screen[0 * 320 + 319], Rgb565(0xFF0000));
    EXPECT_EQ(screen[2 * 320 + 317], Rgb565(0xFF0000));
    EXPECT_EQ(screen[3 * 320 + 319], Rgb565(0x0000FF));
    EXPECT_EQ(screen[0 * 320 + 316], Rgb565(0x0000FF));
    EXPECT_EQ(LargestScale(320, 480), 2u);
    EXPECT_EQ(LargestScale(480, 320), 3u);
    EXPECT_EQ(LargestScale(100, 20), 1u);
}

TEST(SmartScreenCanvas, PicturesAreReadScaledOrRefused)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "glancer_smart_screen_test";
    std::filesystem::create_directories(dir);
    const std::string small = (dir / "small.png").string();
    const std::uint8_t rgb[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    ASSERT_NE(stbi_write_png(small.c_str(), 2, 2, 3, rgb, 6), 0);
    std::string note;
    const std::optional<Picture> scaled = LoadPicture(small, 4, 4, note);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(note, small + " is 2 x 2, not 4 x 4; scaled to fit");
    EXPECT_EQ(scaled->rgb[(1 * 4 + 3) * 3 + 1], 255); // top-right quarter: green
    EXPECT_EQ(scaled->rgb[(3 * 4 + 0) * 3 + 2], 255); // bottom-left: blue
    EXPECT_TRUE(LoadPicture(small, 2, 2, note) && note.empty());

    EXPECT_FALSE(LoadPicture((dir / "missing.png").string(), 4, 4, note));
    EXPECT_EQ(note, (dir / "missing.png").string() + " cannot be opened");
    const std::string corrupt = (dir / "corrupt.png").string();
    std::ofstream(corrupt, std::ios::binary) << "\x89PNG\r\n\x1a\n not really";
    EXPECT_FALSE(LoadPicture(corrupt, 4, 4, note));
    EXPECT_EQ(note, corrupt + " is not a PNG picture");
    // A header that claims 20000 x 20000 is refused before anything is decoded.
    const std::string huge = (dir / "huge.png").string();
    const unsigned char header[] = {0x89, 'P',  'N',  'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                                    0,    0x4e, 0x20, 0,   0,    0x4e, 0x20, 8,    2, 0, 0, 0,  0,   0,   0,   0};
    std::ofstream(huge, std::ios::binary).write(reinterpret_cast<const char*>(header), sizeof header);
    EXPECT_FALSE(LoadPicture(huge, 4, 4, note));
    EXPECT_EQ(note, huge + " is 20000 x 20000, too large");
    std::filesystem::remove_all(dir);
}

TEST(SmartScreenSettings, NumbersAsTextAndRefusedValues)
{
    fakesettings::Reset();
    glancer::detail::ServicesSlot() = &fakesettings::services;
    const glancer::Settings stored(kSection, kName, &fakesettings::services);
    SmartSettings s = ReadSmartSettings(stored);
    EXPECT_EQ(s.port, "auto");
    EXPECT_FALSE(s.revision);
    EXPECT_TRUE(s.offAtExit);

    fakesettings::SetText("Port", "/dev/ttyACM3");
    fakesettings::SetText("Revision", "weact");
    fakesettings::SetText("Orientation", "270");
    fakesettings::SetInt("Scale", 3);
    fakesettings::SetText("LitColour", "00ff80");
    fakesettings::SetText("UnlitColour", "black");
    fakesettings::SetInt("Brightness", 101);
    fakesettings::SetInt("OffAtExit", 0);
    s = ReadSmartSettings(stored);
    EXPECT_EQ(s.port, "/dev/ttyACM3");
    EXPECT_EQ(s.revision, Revision::WeAct);
    EXPECT_EQ(s.orientation, 270u);
    EXPECT_EQ(s.scale, 3u);
    EXPECT_EQ(s.litColour, 0x00FF80u);
    EXPECT_EQ(s.unlitColour, 0u);
    EXPECT_EQ(s.brightness, 50u);
    EXPECT_FALSE(s.offAtExit);
    fakesettings::SetText("Orientation", "45");
    fakesettings::SetText("Revision", "C");
    s = ReadSmartSettings(stored);
    EXPECT_EQ(s.orientation, 0u);
    EXPECT_EQ(fakesettings::Logged(), (std::vector<std::string>{
                                          "Smart screen: UnlitColour \"black\" is not a colour RRGGBB, using 000000",
                                          "Smart screen: Brightness 101 is outside 0..100, using 50",
                                          "Smart screen: Revision \"C\" is not one of auto, A, B, D or WeAct, using auto",
                                          "Smart screen: Orientation 45 is not one of 0, 90, 180 or 270, using 0",
                                          "Smart screen: UnlitColour \"black\" is not a colour RRGGBB, using 000000",
                                          "Smart screen: Brightness 101 is outside 0..100, using 50",
                                      }));
    glancer::detail::ServicesSlot() = nullptr;
}

#ifndef _WIN32
TEST(SmartScreenSettings, ScreensAreFoundByTheirUsbIds)
{
    namespace fs = std::filesystem;
    const fs::path sys = fs::temp_directory_path() / "glancer_smart_screen_sysfs";
    fs::remove_all(sys);
    const auto device = [&](const char* tty, const char* usb, const char* vendor, const char* product,
                            const char* serial, const char* name) {
        const fs::path dev = sys / "devices" / usb;
        fs::create_directories(dev / (std::string(usb) + ":1.0"));
        std::ofstream(dev / "idVendor") << vendor << "\n";
        std::ofstream(dev / "idProduct") << product << "\n";
        std::ofstream(dev / "serial") << serial << "\n";
        std::ofstream(dev / "product") << name << "\n";
        fs::create_directories(sys / "class" / "tty" / tty);
        fs::create_directory_symlink(dev / (std::string(usb) + ":1.0"), sys / "class" / "tty" / tty / "device");
    };
    device("ttyACM1", "1-2", "1a86", "5722", "2017-2-25", "XuanFang");
    device("ttyACM0", "1-1", "1a86", "5722", "USB35INCHIPSV2", "UsbMonitor");
    device("ttyUSB0", "1-3", "0403", "6001", "A1", "FT232R");
    fs::create_directories(sys / "class" / "tty" / "tty0"); // no device at all
    const std::vector<FoundScreen> found = FindScreens(sys.string());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].port + " " + found[0].name + " " + RevisionName(*found[0].revision),
              "/dev/ttyACM0 UsbMonitor A");
    EXPECT_EQ(found[1].port + " " + found[1].name + " " + RevisionName(*found[1].revision), "/dev/ttyACM1 XuanFang B");
    EXPECT_EQ(RevisionFromUsb(0x454D, 0x4E41, ""), Revision::D);
    EXPECT_EQ(RevisionFromUsb(0x1A86, 0xFE0C, "AB"), Revision::WeAct);
    fs::remove_all(sys);
}
#endif

} // namespace
