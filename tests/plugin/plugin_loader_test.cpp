#include "plugin/plugin_loader.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/common/engine_fixture.h"

namespace {

using testenv::FindLine;
using testenv::LinesFrom;

class Loader : public testenv::CoreTest {
protected:
    static std::string File(const std::string& stem) { return stem + std::string(platform::ModulePattern()).substr(1); }
    std::string FullPath(const std::string& stem) const { return (dir.Path() / File(stem)).string(); }
};

TEST_F(Loader, SkipsModulesWithoutEntryAndKeepsSearchOrder)
{
    dir.AddPlugin("recorddriver", "a_driver");
    dir.AddPlugin("noexport", "b_noexport");
    dir.AddPlugin("testdata", "c_data");
    dir.Write(File("not_a_module"), "garbage");
    LoadOnly();
    const Lines log = dir.LogLines();

    ASSERT_EQ(core.plugins.size(), 2u);
    EXPECT_EQ(core.plugins[0].fileName, File("a_driver"));
    EXPECT_EQ(core.plugins[1].fileName, File("c_data"));
    EXPECT_EQ(core.plugins[0].directory, dir.Path().string());
    EXPECT_EQ(core.plugins[0].name, "RecordDriver");
    EXPECT_EQ(core.plugins[0].info1, "info1");
    EXPECT_EQ(core.plugins[0].info6, "info6");
    EXPECT_EQ(core.plugins[1].name, "TestData");

    const std::string noexport = FullPath("b_noexport");
    const std::string garbage = FullPath("not_a_module");
    EXPECT_EQ(LinesFrom(log, FullPath("a_driver"), 6),
              (Lines{FullPath("a_driver"), noexport, "Not valid Glancer plugin: " + noexport, FullPath("c_data"),
                     garbage, "Error opening dll: " + garbage}));
    // The system explains the failed load; the factory walks come after the scan.
    EXPECT_EQ(testenv::LinesStartingWith(log, "LoadLibrary() error: ").size(), 1u);
    EXPECT_LT(FindLine(log, "No more plugin .DLL files."), FindLine(log, "interface version: 1"));
}

TEST_F(Loader, BrokenModulesStayLoadedAndOnlyKnownComponentsAreCreated)
{
    // Found in name order: cyclefactory, nofactory, nullcreate, nullmodule, oddfactory, version2.
    for (const char* module : {"nullmodule", "version2", "nofactory", "cyclefactory", "nullcreate", "oddfactory"})
        dir.AddPlugin(module);
    LoadOnly();
    const Lines log = dir.LogLines();

    const Lines parts[] = {
        {"No more plugin .DLL files."},
        {"interface version: 1", "ok 105", "ok 106", "Factory chain loops back, walk stopped"},
        {"interface version: 1", "fail"},
        {"interface version: 1", "ok 101", "ok 102", "ok 103", "ok 104", "next factory not found"},
        {"ERROR: component==NULL"},
        {"interface version: 1", "ok 102", "ok 103", "ok 103", "ok 105", "next factory not found"},
        {"interface version: 2"}, // and not a step further
        // Then the components: none from nullcreate, and oddfactory's 105 is never created.
        {"Component not created: 101", "Component not created: 102", "Component not created: 103",
         "Component not created: 104"},
        {"IDisplayDriver created", "IData created", "IData created", "varCount: 0", "varCount: 0"},
    };
    Lines expected;
    for (const Lines& part : parts)
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(LinesFrom(log, "No more plugin .DLL files."), expected);
    ASSERT_EQ(core.plugins.size(), 6u);
    for (const PluginRecord& record : core.plugins) {
        EXPECT_NE(record.module, nullptr);
        EXPECT_EQ(record.plugin, nullptr);
    }
    EXPECT_EQ(core.plugins[0].componentFactories.size(), 2u);
    EXPECT_EQ(core.plugins[4].componentFactories.size(), 4u);
    EXPECT_EQ(core.drivers.size(), 1u);
    ASSERT_EQ(core.dataSources.size(), 2u);
    EXPECT_EQ(core.dataSources[1].name, "Odd2");
    EXPECT_EQ(core.userInterface, nullptr);

    Stop();
    for (const PluginRecord& record : core.plugins)
        EXPECT_EQ(record.module, nullptr);
}

TEST_F(Loader, LastUserInterfaceWinsAndUnloadShutsPluginsDown)
{
    dir.AddPlugin("testui", "ui_a");
    dir.AddPlugin("testui", "ui_b");
    dir.AddPlugin("recorddriver", "z_driver");
    LoadOnly();
    const Lines log = dir.LogLines();

    ASSERT_NE(core.userInterface, nullptr);
    core.userInterface->vtbl->show(core.userInterface);
    EXPECT_EQ(dir.Lines("ui_shown.txt"), Lines{"show 2"});
    EXPECT_NE(FindLine(dir.LogLines(), "TestUI show 2"), std::string::npos);

    Stop();
    EXPECT_EQ(dir.Lines("plugin_calls.txt"),
              (Lines{"TestUI init", "TestUI init", "RecordDriver init", "TestUI shutdown", "TestUI release",
                     "TestUI shutdown", "TestUI release", "RecordDriver shutdown", "RecordDriver release"}));
}

} // namespace
