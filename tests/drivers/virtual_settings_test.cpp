#include "drivers/virtual/virtual_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using vdisplay::Settings;

// Settings stored as the program stores them (integers as four bytes,
// texts with their terminator); ReadString gives any value's bytes.
std::map<std::string, std::string> values; // name -> bytes
std::vector<std::string> logged;
bool keyExists = true;

void GLANCER_CALL Log(CoreServices*, const char* text)
{
    logged.push_back(text);
}
void GLANCER_CALL WriteInt(CoreServices*, const char* name, std::uint32_t value, const char* section)
{
    EXPECT_STREQ(section, "VirtualDisplay");
    values[name] = std::string(reinterpret_cast<const char*>(&value), 4);
}
void GLANCER_CALL WriteString(CoreServices*, const char* name, const char* text, const char*)
{
    values[name] = std::string(text, std::strlen(text) + 1);
}
std::int32_t GLANCER_CALL ReadInt(CoreServices*, const char* name, const char*)
{
    std::int32_t value = 0;
    if (values.count(name) != 0 && values[name].size() == 4)
        std::memcpy(&value, values[name].data(), 4);
    return value;
}
void GLANCER_CALL ReadString(CoreServices*, const char* name, const char*, char* buffer)
{
    if (values.count(name) == 0) {
        if (keyExists)
            std::memcpy(buffer, "\n", 2);
        return;
    }
    std::memcpy(buffer, values[name].data(), values[name].size());
    buffer[values[name].size()] = '\0';
}

CoreServicesVtbl table = [] {
    CoreServicesVtbl t{};
    t.Log = Log;
    t.WriteInt = WriteInt;
    t.WriteString = WriteString;
    t.ReadInt = ReadInt;
    t.ReadString = ReadString;
    return t;
}();
CoreServices services{&table};

void SetInt(const char* name, std::uint32_t value)
{
    WriteInt(nullptr, name, value, "VirtualDisplay");
}

std::string Text(const Settings& s)
{
    const vdisplay::Geometry& g = s.geometry;
    return std::to_string(g.xPixels) + "x" + std::to_string(g.yPixels) + " " + std::to_string(g.xChars) + "x" +
           std::to_string(g.yChars) + " " + vdisplay::FormatColour(s.litColour) + "/" +
           vdisplay::FormatColour(s.unlitColour) + " scale " + std::to_string(s.scale) + " at " +
           std::to_string(s.windowX) + "," + std::to_string(s.windowY) + " [" + s.snapshot + "] [" + s.output +
           "] border " + std::to_string(s.border);
}

TEST(VirtualSettings, MissingValuesAreSilentDefaultsAndBadOnesAreLoggedOnce)
{
    for (const bool exists : {false, true}) {
        values.clear();
        logged.clear();
        keyExists = exists;
        EXPECT_EQ(Text(vdisplay::ReadSettings(&services)), "122x32 20x4 1E2814/9CBC3C scale 4 at -1,-1 [] [] border 1");
        EXPECT_EQ(logged, std::vector<std::string>{});
    }

    SetInt("XPixels", 100000);
    SetInt("YPixels", 0);
    SetInt("XChars", 40);
    SetInt("YChars", 0xFFFFFFFFu); // -1
    SetInt("Scale", 17);
    SetInt("WindowX", static_cast<std::uint32_t>(-250));
    SetInt("Border", 0);
    WriteString(nullptr, "YPixels", "64", vdisplay::kSettingsSection); // a number kept as text
    WriteString(nullptr, "LitColour", "12345G", vdisplay::kSettingsSection);
    WriteString(nullptr, "UnlitColour", "a0b1C2", vdisplay::kSettingsSection);
    WriteString(nullptr, "Snapshot", "/tmp/panel.png", vdisplay::kSettingsSection);
    EXPECT_EQ(Text(vdisplay::ReadSettings(&services)),
              "122x64 40x4 1E2814/A0B1C2 scale 4 at -250,-1 [/tmp/panel.png] [] border 0");
    EXPECT_EQ(logged, (std::vector<std::string>{
                            "Virtual display: XPixels 100000 is outside 1..1024, using 122",
                            "Virtual display: YChars -1 is outside 1..256, using 4",
                            "Virtual display: LitColour \"12345G\" is not a colour RRGGBB, using 1E2814",
                            "Virtual display: Scale 17 is outside 1..16, using 4",
                        }));
}

TEST(VirtualSettings, WrittenSettingsReadBackAndColoursParseStrictly)
{
    values.clear();
    logged.clear();
    Settings written;
    written.geometry = vdisplay::Geometry{1024, 1, 256, 1};
    written.litColour = 0x000000;
    written.unlitColour = 0xFFFFFF;
    written.scale = 16;
    written.windowX = -32000;
    written.windowY = 77;
    written.snapshot = "C:\\panel.pbm";
    written.output = "/dev/pts/3";
    written.border = false;
    vdisplay::WriteSettings(&services, written);
    EXPECT_EQ(Text(vdisplay::ReadSettings(&services)), Text(written));
    EXPECT_EQ(logged, std::vector<std::string>{});
    EXPECT_EQ(values["LitColour"], std::string("000000", 7));

    std::uint32_t colour = 7;
    for (const char* bad : {"", "12345", "1234567", "#12345", "12 456", "0x1234", "GGGGGG"})
        EXPECT_FALSE(vdisplay::ParseColour(bad, colour)) << bad;
    EXPECT_FALSE(vdisplay::ParseColour(nullptr, colour));
    EXPECT_EQ(colour, 7u);
    EXPECT_TRUE(vdisplay::ParseColour("fFa09B", colour));
    EXPECT_EQ(vdisplay::FormatColour(colour), "FFA09B");
    EXPECT_EQ(vdisplay::FormatColour(0x0A0B0C), "0A0B0C");

    EXPECT_EQ(Text(vdisplay::ReadSettings(nullptr)), Text(Settings())); // no services: defaults
    vdisplay::WriteSettings(nullptr, written);
}

TEST(VirtualSettings, IntegersWhoseBytesSpellShortTextStayIntegers)
{
    FakeStore fake;
    CoreServices* services = Services(fake);
    SetInt("XPixels", 50);     // bytes "2"
    SetInt("YPixels", 10);     // bytes "\n", like a missing value
    SetInt("XChars", 127);     // bytes 7F
    SetInt("YChars", 0x3231);  // bytes "12", and out of range
    SetInt("WindowX", 0);
    WriteString(services, "Scale", "12", vdisplay::kSettingsSection);
    WriteString(services, "WindowY", "123", vdisplay::kSettingsSection); // four bytes, as an integer's
    const Settings read = vdisplay::ReadSettings(services);
    EXPECT_EQ(read.geometry.xPixels, 50u);
    EXPECT_EQ(read.geometry.yPixels, 10u);
    EXPECT_EQ(read.geometry.xChars, 127u);
    EXPECT_EQ(read.geometry.yChars, 4u);
    EXPECT_EQ(read.windowX, 0);
    EXPECT_EQ(read.scale, 12u);
    EXPECT_EQ(read.windowY, 123);
    EXPECT_EQ(fake.log, std::vector<std::string>{"Virtual display: YChars 12849 is outside 1..256, using 4"});
}

} // namespace
