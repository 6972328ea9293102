#include "core/core_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/engine_fixture.h"

namespace {

using namespace std::string_literals;

const CoreServicesVtbl& Table()
{
    return *GetCoreServices()->vtbl;
}
CoreServices* Self()
{
    return GetCoreServices();
}

// The bytes a call writes into a buffer of 16 '#'.
std::string Written(const std::function<void(char*)>& call)
{
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    call(buffer);
    return std::string(buffer, std::find(buffer, buffer + sizeof buffer, '#'));
}

// A catalogue from real modules and no display.
class Services : public testenv::CoreTest {
protected:
    void SetUp() override
    {
        dir.AddPlugin("catdata");
        LoadOnly();
    }
};

TEST_F(Services, ReadTheCatalogueIntoTheCallersBufferAndLeaveUnknownsAlone)
{
    const auto& s = Table();
    CoreServices* self = Self();
    EXPECT_EQ(s.CountDataSources(self), 3);
    EXPECT_EQ(s.CountVariables(self, "CatA"), 4);
    EXPECT_EQ(s.CountVariables(self, "CatB"), 0); // the plugin said -1
    EXPECT_EQ(s.CountImages(self, "CatA"), 2);
    EXPECT_EQ(s.CountImages(self, "CatB"), kMaxCatalogueEntries); // the plugin said a million
    EXPECT_EQ(s.CountImages(self, nullptr), 0);
    EXPECT_EQ(s.ImageWidth(self, "CatA", 1), 3u);
    EXPECT_EQ(s.ImageHeight(self, "CatA", 1), 2u);
    EXPECT_EQ(s.ImageWidth(self, "CatA", 0), 0u); // getImage gave NULL
    EXPECT_EQ(s.DisplayYChars(self), 0u);         // no driver was initialised

    // Texts are cut to the given size, zero-filled and terminated.
    const std::pair<std::function<void(char*)>, std::string> texts[] = {
        {[&](char* b) { s.DataSourceName(self, b, 8, 2); }, "Catalog\0"s},
        {[&](char* b) { s.DataSourceName(self, b, 16, 0); }, "CatA"s + std::string(12, '\0')},
        {[&](char* b) { s.VariableId(self, "CatA", 3, b, 4); }, "v0\0\0"s},
        {[&](char* b) { s.VariableName(self, "CatA", 1, b, 11); }, "Mixed case\0"s},
        {[&](char* b) { s.VariableId(self, "CatalogueSourceThree", 1, b, 16); }, std::string(15, 'x') + '\0'},
        {[&](char* b) { s.ImageId(self, "CatA", 1, b, 3); }, "i1\0"s},
        {[&](char* b) { s.ImageName(self, "CatA", 0, b, 5); }, "Null\0"s},
        {[&](char* b) { s.DriverName(self, b, 1); }, "\0"s},
        {[&](char* b) { s.DataSourceName(self, b, 0, 0); }, ""},
        {[&](char* b) { s.DataSourceName(self, b, 16, 3); }, ""},
        {[&](char* b) { s.VariableId(self, "CatA", 4, b, 16); }, ""},
        {[&](char* b) { s.VariableName(self, "cata", 0, b, 16); }, ""},
        {[&](char* b) { s.ImageName(self, nullptr, 0, b, 16); }, ""},
    };
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(Written(texts[i].first), texts[i].second);
    }
    s.VariableId(self, "CatA", 0, nullptr, 8);
}

TEST_F(Services, FlagsAreKeptOnceInSettingOrder)
{
    const auto& s = Table();
    for (const char* flag : {"b", "a", "b", static_cast<const char*>(nullptr)})
        s.SetFlag(Self(), flag);
    for (const char* flag : {"B", "c"})
        s.ClearFlag(Self(), flag);
    EXPECT_EQ(core.Flags(), (std::vector<std::string>{"b", "a"}));
    s.ClearFlag(Self(), "b");
    EXPECT_EQ(core.Flags(), std::vector<std::string>{"a"});
}

TEST_F(Services, LogAndSettingsForward)
{
    const auto& s = Table();
    s.Log(Self(), "from a plugin");
    s.Log(Self(), nullptr);
    EXPECT_EQ(testenv::LinesFrom(dir.LogLines(), "from a plugin"), (std::vector<std::string>{"from a plugin", ""}));

    s.WriteDouble(Self(), "Ratio", 0.25, "Plugin");
    EXPECT_DOUBLE_EQ(s.ReadDouble(Self(), "Ratio", "Plugin"), 0.25);
    s.WriteString(Self(), "Text", "hello", "Plugin");
    char buffer[GLANCER_TEXT_SIZE] = {};
    s.ReadString(Self(), "Text", "Plugin", buffer);
    EXPECT_STREQ(buffer, "hello");
    s.ReadString(Self(), "Text", "Plugin", nullptr);
}

using ServicesDuringInit = testenv::CoreTest;

TEST_F(ServicesDuringInit, APluginThreadSeesEveryDataSourceFilledBeforeItsOwnInit)
{
    dir.AddPlugin("catdata");
    dir.AddPlugin("testdata");
    dir.Write("busy.txt", "");
    LoadOnly();
    EXPECT_NE(testenv::FindLine(dir.LogLines(), "TestData thread sees 3 data sources"), std::string::npos);
    EXPECT_EQ(Table().CountDataSources(Self()), 4);
}

using ServicesRunning = testenv::EngineTest;

TEST_F(ServicesRunning, ReportTheDisplayAndTakeFlagsFromOtherThreads)
{
    const auto& s = Table();
    s.WriteInt(Self(), "XPixels", 64, "RecordDriver");
    s.WriteInt(Self(), "YChars", 2, "RecordDriver");
    Start({{"A", {"one"}, {{"Core.NextScreen", "", 50}}}, {"B", {"two"}, {{"Core.NextScreen", "", 50}}}});
    EXPECT_EQ(s.DisplayXPixels(Self()), 64u);
    EXPECT_EQ(s.DisplayYPixels(Self()), 32u);
    EXPECT_EQ(s.DisplayXChars(Self()), 20u);
    EXPECT_EQ(s.DisplayYChars(Self()), 2u);
    EXPECT_EQ(Written([&](char* b) { s.DriverName(Self(), b, 8); }), "RecordD\0"s);

    std::atomic<bool> stop{false};
    std::vector<std::thread> plugins;
    for (const char* flag : {"one", "two"})
        plugins.emplace_back([&stop, &s, flag] {
            char name[32];
            while (!stop) {
                s.SetFlag(Self(), flag);
                s.ClearFlag(Self(), flag);
                s.DisplayXPixels(Self());
                s.DriverName(Self(), name, sizeof name);
                s.CountDataSources(Self());
            }
        });
    Ticks(200);
    stop = true;
    for (std::thread& thread : plugins)
        thread.join();
    EXPECT_TRUE(core.Flags().empty());
}

} // namespace
