#include "drivers/virtual/virtual_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using vdisplay::Settings;

// A settings store behind a services table, storing values as the program
// does: integers as four bytes, texts with their terminator; ReadString
// gives any value's bytes.
struct FakeStore {
    std::map<std::string, std::string> values; // "section/name" -> bytes
    std::vector<std::string> log;
    bool keyExists = true;
};
FakeStore* store = nullptr;

std::string Key(const char* name, const char* section)
{
    return std::string(section) + "/" + name;
}

void GLANCER_CALL Log(CoreServices*, const char* text)
{
    store->log.push_back(text);
}
void GLANCER_CALL WriteInt(CoreServices*, const char* name, std::uint32_t value, const char* section)
{
    store->values[Key(name, section)] = std::string(reinterpret_cast<const char*>(&value), 4);
}
void GLANCER_CALL WriteString(CoreServices*, const char* name, const char* text, const char* section)
{
    store->values[Key(name, section)] = std::string(text, std::strlen(text) + 1);
}
std::int32_t GLANCER_CALL ReadInt(CoreServices*, const char* name, const char* section)
{
    const auto found = store->values.find(Key(name, section));
    std::int32_t value = 0;
    if (found != store->values.end() && found->second.size() == 4)
        std::memcpy(&value, found->second.data(), 4);
    return value;
}
void GLANCER_CALL ReadString(CoreServices*, const char* name, const char* section, char* buffer)
{
    const auto found = store->values.find(Key(name, section));
    if (found == store->values.end()) {
        if (store->keyExists)
            std::memcpy(buffer, "\n", 2);
        return;
    }
    std::memcpy(buffer, found->second.data(), found->second.size());
    buffer[found->second.size()] = '\0';
}

CoreServices* Services(FakeStore& fake)
{
    static CoreServicesVtbl table{};
    table.Log = Log;
    table.WriteInt = WriteInt;
    table.WriteString = WriteString;
    table.ReadInt = ReadInt;
    table.ReadString = ReadString;
    static CoreServices services{&table};
    store = &fake;
    return &services;
}

void SetInt(const char* name, std::uint32_t value)
{
    WriteInt(nullptr, name, value, vdisplay::kSettingsSection);
}

TEST(VirtualSettings, MissingValuesAreSilentDefaultsAndBadOnesAreLoggedOnce)
{
    for (const bool keyExists : {false, true}) {
        FakeStore fake;
        fake.keyExists = keyExists;
        const Settings read = vdisplay::ReadSettings(Services(fake));
        const Settings defaults;
        EXPECT_EQ(read.geometry.xPixels, 122u);
        EXPECT_EQ(read.geometry.yChars, defaults.geometry.yChars);
        EXPECT_EQ(read.litColour, defaults.litColour);
        EXPECT_EQ(read.windowX, -1);
        EXPECT_EQ(read.snapshot, "");
        EXPECT_TRUE(read.border);
        EXPECT_EQ(fake.log, std::vector<std::string>{});
    }

    FakeStore fake;
    CoreServices* services = Services(fake);
    SetInt("XPixels", 100000);
    SetInt("YPixels", 0);
    SetInt("XChars", 40);
    SetInt("YChars", 0xFFFFFFFFu); // -1
    SetInt("Scale", 17);
    SetInt("WindowX", static_cast<std::uint32_t>(-250));
    SetInt("Border", 0);
    WriteString(services, "YPixels", "64", vdisplay::kSettingsSection); // a number kept as text
    WriteString(services, "LitColour", "12345G", vdisplay::kSettingsSection);
    WriteString(services, "UnlitColour", "a0b1C2", vdisplay::kSettingsSection);
    WriteString(services, "Snapshot", "/tmp/panel.png", vdisplay::kSettingsSection);
    const Settings read = vdisplay::ReadSettings(services);
    EXPECT_EQ(read.geometry.xPixels, 122u);
    EXPECT_EQ(read.geometry.yPixels, 64u);
    EXPECT_EQ(read.geometry.xChars, 40u);
    EXPECT_EQ(read.geometry.yChars, 4u);
    EXPECT_EQ(read.scale, 4u);
    EXPECT_EQ(read.windowX, -250);
    EXPECT_EQ(read.windowY, -1);
    EXPECT_FALSE(read.border);
    EXPECT_EQ(read.litColour, Settings().litColour);
    EXPECT_EQ(read.unlitColour, 0xA0B1C2u);
    EXPECT_EQ(read.snapshot, "/tmp/panel.png");
    EXPECT_EQ(fake.log, (std::vector<std::string>{
                            "Virtual display: XPixels 100000 is outside 1..1024, using 122",
                            "Virtual display: YChars -1 is outside 1..256, using 4",
                            "Virtual display: LitColour \"12345G\" is not a colour RRGGBB, using 1E2814",
                            "Virtual display: Scale 17 is outside 1..16, using 4",
                        }));
}

TEST(VirtualSettings, WrittenSettingsReadBackAndColoursParseStrictly)
{
    FakeStore fake;
    CoreServices* services = Services(fake);
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
    vdisplay::WriteSettings(services, written);
    const Settings read = vdisplay::ReadSettings(services);
    EXPECT_EQ(read.geometry.xPixels, 1024u);
    EXPECT_EQ(read.geometry.yPixels, 1u);
    EXPECT_EQ(read.geometry.xChars, 256u);
    EXPECT_EQ(read.litColour, 0u);
    EXPECT_EQ(read.unlitColour, 0xFFFFFFu);
    EXPECT_EQ(read.scale, 16u);
    EXPECT_EQ(read.windowX, -32000);
    EXPECT_EQ(read.windowY, 77);
    EXPECT_EQ(read.snapshot, written.snapshot);
    EXPECT_EQ(read.output, written.output);
    EXPECT_FALSE(read.border);
    EXPECT_EQ(fake.log, std::vector<std::string>{});
    EXPECT_EQ(fake.values["VirtualDisplay/LitColour"], std::string("000000", 7));

    std::uint32_t colour = 7;
    for (const char* bad : {"", "12345", "1234567", "#12345", "12 456", "0x1234", "GGGGGG"})
        EXPECT_FALSE(vdisplay::ParseColour(bad, colour)) << bad;
    EXPECT_FALSE(vdisplay::ParseColour(nullptr, colour));
    EXPECT_EQ(colour, 7u);
    EXPECT_TRUE(vdisplay::ParseColour("fFa09B", colour));
    EXPECT_EQ(vdisplay::FormatColour(colour), "FFA09B");
    EXPECT_EQ(vdisplay::FormatColour(0x0A0B0C), "0A0B0C");

    const Settings none = vdisplay::ReadSettings(nullptr); // no services: defaults, nothing written
    EXPECT_EQ(none.geometry.xChars, 20u);
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
