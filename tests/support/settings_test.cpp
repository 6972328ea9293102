#include "support/settings.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
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
    std::string File() const { return dir.Read("config/registry.reg"); }
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

TEST_F(Settings, FileIsARegistryExport)
{
    writeSettingString("DRIVER", "Ter\"m\\", "");
    writeSettingInt("count", 42, "a\\b");
    writeSettingDouble("ratio", 1.5, "a\\b");
    EXPECT_EQ(File(), "REGEDIT4\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Glancer]\n"
                      "\"DRIVER\"=\"Ter\\\"m\\\\\"\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Glancer\\a]\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Glancer\\a\\b]\n"
                      "\"count\"=dword:0000002a\n"
                      "\"ratio\"=hex(b):00,00,00,00,00,00,f8,3f\n"
                      "\n");
}

TEST_F(Settings, HandWrittenFileIsReadAndItsUnknownLinesSurvive)
{
    const std::string original = "REGEDIT4\r\n"
                                 "\r\n"
                                 "; written by hand\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Glancer\\Hand]\r\n"
                                 "\"Name\"=\"value\"\r\n"
                                 "\"wide\"=hex(b):00,00,00,00,\\\r\n"
                                 "  00,00,04,40\r\n"
                                 "\"future\"=str(2):\"%PATH%\"\r\n"
                                 "\"gone\"=-\r\n"
                                 "@=\"default\"\r\n";
    dir.Write("config/registry.reg", original);
    EXPECT_EQ(ReadString("name", "hand"), "value");
    EXPECT_EQ(readSettingDouble("wide", "hand"), 2.5);
    EXPECT_EQ(ReadString("future", "hand"), "\n");

    writeSettingInt("added", 1, "hand");
    EXPECT_EQ(File(), "REGEDIT4\n"
                      "\n"
                      "; written by hand\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Glancer\\Hand]\n"
                      "\"Name\"=\"value\"\n"
                      "\"wide\"=hex(b):00,00,00,00,\\\n"
                      "  00,00,04,40\n"
                      "\"future\"=str(2):\"%PATH%\"\n"
                      "\"gone\"=-\n"
                      "@=\"default\"\n"
                      "\"added\"=dword:00000001\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\Glancer]\n"
                      "\n");
}

TEST_F(Settings, CorruptFileReadsAsEmptyAndIsSetAside)
{
    dir.Write("config/registry.reg", "\x7f"
                                     "ELF garbage\n[HKEY_CURRENT_USER\\Software\\Glancer]\n\"n\"=dword:1\n");
    EXPECT_EQ(readSettingInt("n", ""), 0);
    writeSettingInt("n", 2, "");
    EXPECT_EQ(readSettingInt("n", ""), 2);
    EXPECT_EQ(dir.Read("config/registry.reg.corrupt").substr(1, 3), "ELF");
}

TEST_F(Settings, OverlongSectionIsRefusedWithinThePathBuffer)
{
    const std::string longest(242, 's');
    writeSettingInt("n", 5, longest.c_str());
    EXPECT_EQ(readSettingInt("n", longest.c_str()), 5);

    const std::string tooLong = std::string(243, 'x');
    writeSettingString("value", "v", tooLong.c_str());
    writeSettingInt("value", 6, tooLong.c_str());
    EXPECT_EQ(readSettingInt("value", tooLong.c_str()), 0);
    EXPECT_EQ(ReadString("value", tooLong.c_str()), "unchanged");

    const std::string cut = "HKEY_CURRENT_USER\\Software\\Glancer\\" + std::string(242, 'x');
    EXPECT_EQ(dir.LogLines(), (std::vector<std::string>{
                                  "Error : Could not create registry key " + cut,
                                  "Error : Could not write setting string to " + cut + "\\value",
                                  "Error : Could not create registry key " + cut,
                                  "Error : Could not write setting to " + cut + "\\value",
                              }));
}

TEST_F(Settings, LongStoredTextIsCutToTheBuffer)
{
    const std::string text(1000, 't');
    writeSettingString("long", text.c_str(), "");
    char area[kSettingsStringSize + 16];
    std::memset(area, '#', sizeof area);
    readSettingString("long", "", area);
    EXPECT_EQ(std::string(area), text.substr(0, kSettingsStringSize - 1));
    EXPECT_EQ(std::string(area + kSettingsStringSize, 16), std::string(16, '#'));
}

TEST_F(Settings, UnwritableLocationLogsBothErrors)
{
    dir.Write("blocker", "a file where a directory should be");
    UseFile("blocker/registry.reg");
    writeSettingString("DRIVER", "Terminal", "");
    writeSettingDouble("ratio", 1.0, "p\\q");
    EXPECT_EQ(ReadString("DRIVER", ""), "unchanged");
    EXPECT_EQ(dir.LogLines(),
              (std::vector<std::string>{
                  "Error : Could not create registry key HKEY_CURRENT_USER\\Software\\Glancer\\",
                  "Error : Could not write setting string to "
                  "HKEY_CURRENT_USER\\Software\\Glancer\\\\DRIVER",
                  "Error : Could not create registry key HKEY_CURRENT_USER\\Software\\Glancer\\p\\q",
                  "Error : Could not write setting to HKEY_CURRENT_USER\\Software\\Glancer\\p\\q\\ratio",
              }));
}

TEST_F(Settings, ConcurrentWritersLoseNothing)
{
    constexpr int kWriters = 4;
    constexpr int kValues = 15;
    const auto writeAll = [](const std::string& prefix) {
        for (int i = 0; i < kValues; ++i)
            writeSettingInt((prefix + std::to_string(i)).c_str(), static_cast<std::uint32_t>(i + 1), "shared");
    };

    std::vector<pid_t> children;
    for (int p = 0; p < kWriters; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            writeAll("process" + std::to_string(p) + "-");
            ::_exit(0);
        }
        children.push_back(pid);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kWriters; ++t)
        threads.emplace_back(writeAll, "thread" + std::to_string(t) + "-");
    for (std::thread& thread : threads)
        thread.join();
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    for (const char* kind : {"process", "thread"})
        for (int w = 0; w < kWriters; ++w)
            for (int i = 0; i < kValues; ++i) {
                const std::string name = kind + std::to_string(w) + "-" + std::to_string(i);
                EXPECT_EQ(readSettingInt(name.c_str(), "shared"), i + 1) << name;
            }
    EXPECT_TRUE(dir.LogLines().empty());
}

} // namespace
