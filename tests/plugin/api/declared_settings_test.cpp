// glancer::Settings and settings declared once, against services that store
// values as the program does.
#include "plugin/api/glancer_settings.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/common/fake_settings.h"

namespace {

using fakesettings::services;

const glancer::DeclaredSettings kDeclared("Sensor", "Sensor", {
    glancer::setting::Number("Interval", "Seconds between readings", 5, 1, 3600),
    glancer::setting::HexNumber("Address", "Bus address", 0x27, 0x03, 0x77),
    glancer::setting::Choice("Unit", "Unit", "C", "C|F|K"),
    glancer::setting::Path("Device", "Sensor file", "/dev/sensor"),
    glancer::setting::Text("Label", "Label", "Temp"),
});

glancer::Settings Stored()
{
    return glancer::Settings("Sensor", "Sensor", &services);
}

TEST(Settings, NumbersReadFromDwordsAndHandWrittenText)
{
    fakesettings::Reset();
    fakesettings::SetInt("Dword", 300);
    fakesettings::SetInt("Digits", 0x00323531); // bytes "152\0" as a dword: still the integer
    fakesettings::SetText("Three", "152");
    fakesettings::SetText("Hex", " 0x3C ");
    fakesettings::SetText("Word", "12ab");
    const glancer::Settings stored = Stored();
    EXPECT_EQ(stored.Number("Dword"), 300);
    EXPECT_EQ(stored.Number("Three"), 152);
    EXPECT_EQ(stored.Number("Hex"), 0x3C);
    EXPECT_EQ(stored.Number("Word"), std::nullopt);
    EXPECT_EQ(stored.Number("Missing"), std::nullopt);
    EXPECT_EQ(stored.Number("Dword", 7, 1, 100), 7);
    EXPECT_EQ(fakesettings::Logged(), std::vector<std::string>{"Sensor: Dword 300 is outside 1..100, using 7"});
    EXPECT_EQ(glancer::Settings::ParseNumber("1f", true), 0x1f);
    EXPECT_EQ(glancer::Settings::ParseNumber("-4", false), -4);
    EXPECT_EQ(glancer::Settings::ParseNumber("0x", false), std::nullopt);
}

TEST(DeclaredSettings, RefusedValuesLogOnceAndReadAsTheirDefaults)
{
    fakesettings::Reset();
    EXPECT_EQ(kDeclared.ReadFrom(Stored()).Number("Interval"), 5); // nothing stored: defaults, no line
    EXPECT_TRUE(fakesettings::Logged().empty());

    fakesettings::SetInt("Interval", 0);
    fakesettings::SetText("Address", "0x80");
    fakesettings::SetText("Unit", "R");
    fakesettings::SetText("Device", "");
    fakesettings::SetText("Label", "");
    glancer::SettingValues values = kDeclared.ReadFrom(Stored());
    EXPECT_EQ(values.Number("Interval"), 5);
    EXPECT_EQ(values.Number("Address"), 0x27);
    EXPECT_EQ(values.Text("Unit"), "C");
    EXPECT_EQ(values.Text("Device"), "/dev/sensor"); // an empty path is the default
    EXPECT_EQ(values.Text("Label"), "");              // an empty text is a text
    EXPECT_EQ(fakesettings::Logged(),
              (std::vector<std::string>{"Sensor: Interval 0 is outside 1..3600, using 5",
                                        "Sensor: Address 0x80 is outside 0x03..0x77, using 0x27",
                                        "Sensor: Unit \"R\" is not one of C, F or K, using C"}));

    fakesettings::SetText("Address", "0x3F");
    fakesettings::SetText("Unit", "K");
    values = kDeclared.ReadFrom(Stored());
    EXPECT_EQ(values.Number("Address"), 0x3F);
    EXPECT_EQ(values.Text("Unit"), "K");

    // Written back, numbers are dwords and the rest texts.
    values.SetNumber("Interval", 60);
    kDeclared.WriteTo(Stored(), values);
    EXPECT_EQ(fakesettings::values["Interval"].size(), 4u);
    EXPECT_EQ(kDeclared.ReadFrom(Stored()).Number("Interval"), 60);
}

// The terminal questions: Enter keeps, a refused answer keeps and says why,
// hexadecimal is asked and shown as such, the end of input stops asking.
TEST(DeclaredSettings, AsksOnTheTerminal)
{
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    std::fputs("\n3f\nX\n/dev/other\n", in);
    std::rewind(in);
    const glancer::SettingValues values = kDeclared.AskOn(in, out, kDeclared.Defaults());
    std::rewind(out);
    std::string shown;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out))
        shown += static_cast<char>(c);
    std::fclose(in);
    std::fclose(out);

    EXPECT_EQ(values.Number("Interval"), 5);
    EXPECT_EQ(values.Number("Address"), 0x3f);
    EXPECT_EQ(values.Text("Unit"), "C");
    EXPECT_EQ(values.Text("Device"), "/dev/other");
    EXPECT_EQ(values.Text("Label"), "Temp");
    EXPECT_NE(shown.find("Seconds between readings (1..3600) [5]: "), std::string::npos);
    EXPECT_NE(shown.find("Bus address (0x03..0x77) [0x27]: "), std::string::npos);
    EXPECT_NE(shown.find("Unit (C, F or K) [C]: "), std::string::npos);
    EXPECT_NE(shown.find("  Answer C, F or K; it stays C.\n"), std::string::npos);
    EXPECT_NE(shown.find("Label [Temp]: \n"), std::string::npos); // end of input
}

TEST(DeclaredSettings, TakeRefusesWhatTheListDoesNotAllow)
{
    glancer::SettingValues values = kDeclared.Defaults();
    EXPECT_EQ(kDeclared.Take(values, 0, "3601"), "Answer 1..3600");
    EXPECT_EQ(kDeclared.Take(values, 0, "1e3"), "Answer 1..3600");
    EXPECT_EQ(kDeclared.Take(values, 1, "zz"), "Answer a hexadecimal number in 0x03..0x77");
    EXPECT_EQ(kDeclared.Take(values, 4, std::string(300, 'a')), "Answer at most 255 characters");
    EXPECT_EQ(kDeclared.Take(values, 1, "0x10"), "");
    EXPECT_EQ(values.Number("Address"), 0x10);
    EXPECT_EQ(kDeclared.Shown(values, 1), "0x10");
}

} // namespace
