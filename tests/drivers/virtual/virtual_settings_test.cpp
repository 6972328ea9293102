#include "drivers/virtual/virtual_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/fake_settings.h"

namespace {

using vdisplay::Settings;

using namespace fakesettings;

std::string Text(const Settings& s)
{
    const vdisplay::Geometry& g = s.geometry;
    return std::to_string(g.xPixels) + "x" + std::to_string(g.yPixels) + " " + std::to_string(g.xChars) + "x" +
           std::to_string(g.yChars) + " " + vdisplay::FormatColour(s.litColour) + "/" +
           vdisplay::FormatColour(s.unlitColour) + " scale " + std::to_string(s.scale) + " at " +
           std::to_string(s.windowX) + "," + std::to_string(s.windowY) + " [" + s.snapshot + "] [" + s.output +
           "] border " + std::to_string(s.border) + " every " + std::to_string(s.snapshotInterval);
}

TEST(VirtualSettings, MissingValuesAreSilentDefaultsAndBadOnesAreLoggedOnce)
{
    for (const bool exists : {false, true}) {
        Reset();
        keyExists = exists;
        EXPECT_EQ(Text(vdisplay::ReadSettings(&services)),
                  "122x32 20x4 1E2814/9CBC3C scale 4 at -1,-1 [] [] border 1 every 1000");
        EXPECT_EQ(logged, std::vector<std::string>{});
    }

    SetInt("XPixels", 100000);
    SetInt("YPixels", 0);
    SetInt("XChars", 40);
    SetInt("YChars", 0xFFFFFFFFu); // -1
    SetInt("Scale", 17);
    SetInt("WindowX", static_cast<std::uint32_t>(-250));
    SetInt("Border", 0);
    SetText("YPixels", "64"); // a number kept as text
    SetText("LitColour", "12345G");
    SetText("UnlitColour", "a0b1C2");
    SetText("Snapshot", "/tmp/panel.png");
    SetInt("SnapshotInterval", 3600001);
    EXPECT_EQ(Text(vdisplay::ReadSettings(&services)),
              "122x64 40x4 1E2814/A0B1C2 scale 4 at -250,-1 [/tmp/panel.png] [] border 0 every 1000");
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "Virtual display: XPixels 100000 is outside 1..1024, using 122",
                          "Virtual display: YChars -1 is outside 1..256, using 4",
                          "Virtual display: LitColour \"12345G\" is not a colour RRGGBB, using 1E2814",
                          "Virtual display: Scale 17 is outside 1..16, using 4",
                          "Virtual display: SnapshotInterval 3600001 is outside 0..3600000, using 1000",
                      }));
}

TEST(VirtualSettings, IntegersWhoseBytesSpellShortTextStayIntegers)
{
    Reset();
    SetInt("XPixels", 50);    // bytes "2"
    SetInt("YPixels", 10);    // bytes "\n", like a missing value
    SetInt("XChars", 127);    // bytes 7F
    SetInt("YChars", 0x3231); // bytes "12", and out of range
    SetInt("WindowX", 0);
    SetText("Scale", "12");
    SetText("WindowY", "123"); // four bytes, as an integer's
    EXPECT_EQ(Text(vdisplay::ReadSettings(&services)),
              "50x10 127x4 1E2814/9CBC3C scale 12 at 0,123 [] [] border 1 every 1000");
    EXPECT_EQ(logged, std::vector<std::string>{"Virtual display: YChars 12849 is outside 1..256, using 4"});
}

TEST(VirtualSettings, WrittenSettingsReadBackAndColoursParseStrictly)
{
    Reset();
    // Each value at a limit or unlike its default.
    const Settings written{{1024, 1, 256, 1}, 0x000000,     0xFFFFFF, 16, -32000, 77,
                           "C:\\panel.pbm",   "/dev/pts/3", false,    0};
    vdisplay::WriteSettings(&services, written);
    EXPECT_EQ(Text(vdisplay::ReadSettings(&services)), Text(written));
    EXPECT_EQ(logged, std::vector<std::string>{});
    EXPECT_EQ(values["LitColour"], std::string("000000", 7));
    EXPECT_EQ(Text(vdisplay::ReadSettings(nullptr)), Text(Settings())); // no services: defaults
    vdisplay::WriteSettings(nullptr, written);

    std::uint32_t colour = 7;
    for (const char* bad : {"", "12345", "1234567", "#12345", "12 456", "0x1234", "GGGGGG"})
        EXPECT_FALSE(vdisplay::ParseColour(bad, colour)) << bad;
    EXPECT_FALSE(vdisplay::ParseColour(nullptr, colour));
    EXPECT_EQ(colour, 7u);
    EXPECT_TRUE(vdisplay::ParseColour("fFa09B", colour));
    EXPECT_EQ(vdisplay::FormatColour(colour), "FFA09B");
    EXPECT_EQ(vdisplay::FormatColour(0x0A0B0C), "0A0B0C");
}

} // namespace
