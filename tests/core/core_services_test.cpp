#include "core/core_services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/core.h"
#include "items/item_factory.h"
#include "tests/common/engine_env.h"

namespace {

using testenv::FindLine;

const CoreServicesVtbl& Table()
{
    return *GetCoreServices()->vtbl;
}
CoreServices* Self()
{
    return GetCoreServices();
}

TEST(CopyOut, TruncatesZeroFillsAndTerminates)
{
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    CopyOut("abcdefghijklmnopqrst", 20, buffer, 8);
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(buffer[8], '#');

    std::memset(buffer, '#', sizeof buffer);
    CopyOut("ab", 2, buffer, 6);
    EXPECT_EQ(std::string(buffer, 7), std::string("ab\0\0\0\0#", 7));

    std::memset(buffer, '#', sizeof buffer);
    CopyOut("ab", 2, buffer, 0);
    EXPECT_EQ(buffer[0], '#');
    CopyOut("ab", 2, nullptr, 8);
    CopyOut("", 0, buffer, 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');
}

// A catalogue from real modules; Init fails for lack of screens, which
// leaves the catalogue in place and no display.
class Services : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.AddPlugin("catdata");
        ASSERT_FALSE(core.Init());
    }
    void TearDown() override { core.Shutdown(); }

    testenv::EngineDir dir;
    Core core;
};

TEST_F(Services, EnumerateTheCatalogue)
{
    const auto& s = Table();
    ASSERT_EQ(s.CountDataSources(Self()), 3);
    char buffer[16];
    s.DataSourceName(Self(), buffer, 8, 2);
    EXPECT_STREQ(buffer, "Catalog");
    s.DataSourceName(Self(), buffer, sizeof buffer, 0);
    EXPECT_STREQ(buffer, "CatA");

    EXPECT_EQ(s.CountVariables(Self(), "CatA"), 4);
    EXPECT_EQ(s.CountVariables(Self(), "CatB"), 0);
    s.VariableId(Self(), "CatA", 3, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "v0");
    s.VariableName(Self(), "CatA", 1, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Mixed case");
    s.VariableId(Self(), "CatalogueSourceThree", 1, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), std::string(15, 'x'));

    EXPECT_EQ(s.CountImages(Self(), "CatA"), 2);
    s.ImageId(Self(), "CatA", 1, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "i1");
    s.ImageName(Self(), "CatA", 0, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Null image");
    EXPECT_EQ(s.ImageWidth(Self(), "CatA", 1), 3u);
    EXPECT_EQ(s.ImageHeight(Self(), "CatA", 1), 2u);
    EXPECT_EQ(s.ImageWidth(Self(), "CatA", 0), 0u);
}

TEST_F(Services, UnknownSourcesAndIndexesTouchNothing)
{
    const auto& s = Table();
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    s.DataSourceName(Self(), buffer, sizeof buffer, 3);
    s.VariableId(Self(), "CatA", 4, buffer, sizeof buffer);
    s.VariableName(Self(), "cata", 0, buffer, sizeof buffer);
    s.ImageId(Self(), "CatA", 2, buffer, sizeof buffer);
    s.ImageName(Self(), nullptr, 0, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, '#'));
    EXPECT_EQ(s.CountVariables(Self(), "Nope"), 0);
    EXPECT_EQ(s.CountImages(Self(), nullptr), 0);
    EXPECT_EQ(s.ImageWidth(Self(), "CatA", 2), 0u);
    EXPECT_EQ(s.ImageHeight(Self(), "Nope", 0), 0u);

    // No driver was initialised: no geometry, no name.
    EXPECT_EQ(s.DisplayXPixels(Self()), 0u);
    EXPECT_EQ(s.DisplayYChars(Self()), 0u);
    s.DriverName(Self(), buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, '\0'));
}

TEST_F(Services, FlagsAreKeptOnceInSettingOrder)
{
    const auto& s = Table();
    s.SetFlag(Self(), "b");
    s.SetFlag(Self(), "a");
    s.SetFlag(Self(), "b");
    s.SetFlag(Self(), nullptr);
    EXPECT_EQ(core.Flags(), (std::vector<std::string>{"b", "a"}));
    s.ClearFlag(Self(), "B");
    s.ClearFlag(Self(), "c");
    EXPECT_EQ(core.Flags(), (std::vector<std::string>{"b", "a"}));
    s.ClearFlag(Self(), "b");
    EXPECT_EQ(core.Flags(), std::vector<std::string>{"a"});
}

TEST_F(Services, LogAndSettingsForward)
{
    const auto& s = Table();
    s.Log(Self(), "from a plugin");
    s.Log(Self(), nullptr);
    const auto log = dir.LogLines();
    const std::size_t line = FindLine(log, "from a plugin");
    ASSERT_NE(line, std::string::npos);
    ASSERT_LT(line + 1, log.size());
    EXPECT_EQ(log[line + 1], "");

    s.WriteInt(Self(), "Number", 7, "Plugin\\Deep");
    s.WriteDouble(Self(), "Ratio", 0.25, "Plugin");
    s.WriteString(Self(), "Text", "hello", "Plugin");
    EXPECT_EQ(s.ReadInt(Self(), "Number", "Plugin\\Deep"), 7);
    EXPECT_EQ(s.ReadInt(Self(), "Number", "Plugin"), 0);
    EXPECT_DOUBLE_EQ(s.ReadDouble(Self(), "Ratio", "Plugin"), 0.25);
    char buffer[GLANCER_TEXT_SIZE] = {};
    s.ReadString(Self(), "Text", "Plugin", buffer);
    EXPECT_STREQ(buffer, "hello");
    s.ReadString(Self(), "Text", "Plugin", nullptr);
}

TEST(ServicesDisplay, ReportsTheInitialisedDriver)
{
    testenv::EngineDir dir;
    dir.AddPlugin("recorddriver");
    dir.WriteIndex({"a.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {});
    dir.SelectDriver("RecordDriver");
    const auto& s = Table();
    s.WriteInt(Self(), "XPixels", 64, "RecordDriver");
    s.WriteInt(Self(), "YChars", 2, "RecordDriver");
    TextFactory text;
    Core core;
    core.AddFactory(text);
    ASSERT_TRUE(core.Init());
    EXPECT_EQ(s.DisplayXPixels(Self()), 64u);
    EXPECT_EQ(s.DisplayYPixels(Self()), 32u);
    EXPECT_EQ(s.DisplayXChars(Self()), 20u);
    EXPECT_EQ(s.DisplayYChars(Self()), 2u);
    char buffer[8];
    s.DriverName(Self(), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "RecordD");
    core.Shutdown();
}

TEST(ServicesThreads, FlagsChangeWhileTicksRun)
{
    testenv::EngineDir dir;
    dir.AddPlugin("recorddriver");
    dir.WriteIndex({"a.xml", "b.xml"});
    dir.WriteTextScreen("a.xml", "A", {"one"}, {{"Core.NextScreen", "", 50}});
    dir.WriteTextScreen("b.xml", "B", {"two"}, {{"Core.NextScreen", "", 50}});
    dir.SelectDriver("RecordDriver");
    TextFactory text;
    Core core;
    core.AddFactory(text);
    ASSERT_TRUE(core.Init());

    std::atomic<bool> stop{false};
    std::vector<std::thread> plugins;
    for (const char* flag : {"one", "two"})
        plugins.emplace_back([&stop, flag] {
            char name[32];
            const auto& s = Table();
            while (!stop) {
                s.SetFlag(Self(), flag);
                s.ClearFlag(Self(), flag);
                s.DisplayXPixels(Self());
                s.DriverName(Self(), name, sizeof name);
                s.CountDataSources(Self());
            }
        });
    for (int i = 0; i < 200; ++i)
        core.Tick();
    stop = true;
    for (std::thread& thread : plugins)
        thread.join();
    EXPECT_TRUE(core.Flags().empty());
    core.Shutdown();
}

} // namespace
