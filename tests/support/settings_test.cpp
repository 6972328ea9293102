#include "support/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/test_env.h"

namespace {

// Each test gets its own settings file in its own working directory.
class Settings : public ::testing::Test {
protected:
    void SetUp() override { UseFile("config/registry.reg"); }
    void TearDown() override { ::unsetenv("GLANCER_REGISTRY"); }

    void UseFile(const std::string& relative) { ::setenv("GLANCER_REGISTRY", (dir.Path() / relative).c_str(), 1); }
    static std::string ReadString(const char* name, const char* section, const char* initial = "unchanged")
    {
        char buffer[kSettingsStringSize];
        std::strcpy(buffer, initial);
        readSettingString(name, section, buffer);
        return buffer;
    }

    testenv::WorkDir dir;
};

TEST_F(Settings, ValuesRoundTripWithRegistryNameRules)
{
    writeSettingString("DRIVER", "Terminal", "");
    writeSettingInt("count", 42, "plugin");
    writeSettingInt("all bits", 0xFFFFFFFFu, "plugin");
    writeSettingDouble("ratio", -0.1, "plugin");
    writeSettingString("odd \"name\" \\", "two\nlines\r\nand \"quotes\" \\", "plugin");
    writeSettingInt("count", 43, "plugin"); // replaces

    EXPECT_EQ(ReadString("DRIVER", ""), "Terminal");
    EXPECT_EQ(readSettingInt("COUNT", "PlugIn"), 43); // names ignore case, as in the registry
    EXPECT_EQ(readSettingInt("all bits", "plugin"), -1);
    EXPECT_EQ(readSettingDouble("ratio", "plugin"), -0.1);
    EXPECT_EQ(ReadString("odd \"name\" \\", "plugin"), "two\nlines\r\nand \"quotes\" \\");
    EXPECT_TRUE(dir.LogLines().empty());

    const std::string text(1000, 't'); // read back cut to the buffer
    writeSettingString("long", text.c_str(), "");
    char area[kSettingsStringSize + 16];
    std::memset(area, '#', sizeof area);
    readSettingString("long", "", area);
    EXPECT_EQ(std::string(area), text.substr(0, kSettingsStringSize - 1));
    EXPECT_EQ(std::string(area + kSettingsStringSize, 16), std::string(16, '#'));
}

TEST_F(Settings, MissingKeyAndMissingValueFallBackDifferently)
{
    EXPECT_EQ(readSettingInt("count", "nowhere"), 0);
    EXPECT_EQ(readSettingDouble("ratio", "nowhere"), 0.0);
    EXPECT_EQ(ReadString("DRIVER", ""), "unchanged");

    writeSettingInt("count", 7, "a\\b");
    // The key and its parent exist now, the values do not.
    EXPECT_EQ(ReadString("DRIVER", "a"), "\n");
    EXPECT_EQ(ReadString("DRIVER", "a\\b"), "\n");
    EXPECT_EQ(readSettingDouble("ratio", "a\\b"), 0.0);
    EXPECT_EQ(readSettingInt("other", "a\\b"), 0);
    // A value of another size is not read into the 4 or 8 bytes.
    EXPECT_EQ(readSettingDouble("count", "a\\b"), 0.0);
    writeSettingString("text", "abcdef", "a\\b");
    EXPECT_EQ(readSettingInt("text", "a\\b"), 0);
}

std::string Join(const std::vector<std::string>& lines, const std::string& eol)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + eol;
    return text;
}

std::string Utf16(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

TEST_F(Settings, HandWrittenFilesAreReadAsTheRegistryEditorReadsThemAndKeptByteForByte)
{
    const std::vector<std::string> body = {"; written by hand",
                                           "",
                                           "[HKEY_CURRENT_USER\\Software\\Glancer\\Hand]",
                                           "\"Name\"=\"value\"",
                                           "\"wide\"=hex(b):00,00,00,00,\\",
                                           "  00,00,04,40",
                                           "\"future\"=str(2):\"%PATH%\"",
                                           "; ends in CR CR LF\r",
                                           "\"gone\"=-",
                                           "@=\"default\""};
    struct Case {
        const char* what;
        std::string file;
        std::string eol; // what the file is written back with
    };
    const std::vector<Case> cases = {
        {"REGEDIT4, LF", "REGEDIT4\n\n" + Join(body, "\n"), "\n"},
        {"blank lines, BOM, CR LF", "\xEF\xBB\xBF\r\n \r\nREGEDIT4\r\n" + Join(body, "\r\n"), "\r\n"},
        {"version 5, UTF-16", Utf16("Windows Registry Editor Version 5.00\r\n\r\n" + Join(body, "\r\n")), "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("config/registry.reg", c.file);
        EXPECT_EQ(ReadString("name", "hand"), "value");
        EXPECT_EQ(readSettingDouble("wide", "hand"), 2.5);
        EXPECT_EQ(ReadString("future", "hand"), "\n");

        // Lines it does not understand survive a write; new keys follow the registry's export format.
        writeSettingInt("added", 42, "hand");
        writeSettingString("DRIVER", "Ter\"m\\", "");
        writeSettingDouble("ratio", 1.5, "a\\b");
        std::vector<std::string> kept = body;
        kept.erase(kept.begin() + 1); // blank lines are regenerated
        EXPECT_EQ(
            dir.Read("config/registry.reg"),
            Join({"REGEDIT4", "", kept[0], ""}, c.eol) + Join({kept.begin() + 1, kept.end()}, c.eol) +
                Join({"\"added\"=dword:0000002a", "", "[HKEY_CURRENT_USER\\Software\\Glancer]",
                      "\"DRIVER\"=\"Ter\\\"m\\\\\"", "", "[HKEY_CURRENT_USER\\Software\\Glancer\\a]", "",
                      "[HKEY_CURRENT_USER\\Software\\Glancer\\a\\b]", "\"ratio\"=hex(b):00,00,00,00,00,00,f8,3f", ""},
                     c.eol));
        ::unlink((dir.Path() / "config/registry.reg").c_str());
    }
    EXPECT_TRUE(dir.LogLines().empty());
}

TEST_F(Settings, CorruptFilesReadAsEmptyAndAreSetAsideWithoutReplacingEachOther)
{
    for (const char* garbage : {"\x7f"
                                "ELF\n[HKEY_CURRENT_USER\\Software\\Glancer]\n\"n\"=dword:1\n",
                                "second\n"}) {
        dir.Write("config/registry.reg", garbage);
        EXPECT_EQ(readSettingInt("n", ""), 0);
        writeSettingInt("n", 2, "");
        EXPECT_EQ(readSettingInt("n", ""), 2);
    }
    EXPECT_EQ(dir.Read("config/registry.reg.corrupt").substr(1, 3), "ELF");
    EXPECT_EQ(dir.Read("config/registry.reg.corrupt.2"), "second\n");
}

TEST_F(Settings, RefusedWritesLogWhatFailed)
{
    const std::string longest(242, 's');
    writeSettingInt("n", 5, longest.c_str());
    EXPECT_EQ(readSettingInt("n", longest.c_str()), 5);

    const std::string tooLong(243, 'x'); // the key path would not fit its buffer
    writeSettingString("value", "v", tooLong.c_str());
    EXPECT_EQ(readSettingInt("value", tooLong.c_str()), 0);
    EXPECT_EQ(ReadString("value", tooLong.c_str()), "unchanged");

    dir.Write("blocker", "a file where a directory should be");
    UseFile("blocker/registry.reg");
    writeSettingDouble("ratio", 1.0, "p\\q");
    EXPECT_EQ(readSettingDouble("ratio", "p\\q"), 0.0);

    const std::string key = "HKEY_CURRENT_USER\\Software\\Glancer\\";
    const std::string cut = key + std::string(242, 'x');
    EXPECT_EQ(dir.LogLines(), (std::vector<std::string>{
                                  "Error : Could not create registry key " + cut,
                                  "Error : Could not write setting string to " + cut + "\\value",
                                  "Error : Could not create registry key " + key + "p\\q",
                                  "Error : Could not write setting to " + key + "p\\q\\ratio",
                              }));
}

// Writers in other processes: settings_kill_test.cpp.
TEST_F(Settings, ConcurrentThreadsLoseNothing)
{
    constexpr int kWriters = 4, kValues = 15;
    const auto name = [](int writer, int i) { return std::to_string(writer) + "-" + std::to_string(i); };
    std::vector<std::thread> threads;
    for (int t = 0; t < kWriters; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kValues; ++i)
                writeSettingInt(name(t, i).c_str(), static_cast<std::uint32_t>(i + 1), "shared");
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kWriters; ++t)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(readSettingInt(name(t, i).c_str(), "shared"), i + 1) << name(t, i);
    EXPECT_TRUE(dir.LogLines().empty());
}

} // namespace
