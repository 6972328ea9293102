#include "plugin/plugin_loader.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "core/core_services.h"
#include "platform/platform.h"
#include "support/log_stream.h"
#include "tests/common/engine_env.h"

namespace {

using testenv::EngineDir;
using testenv::FindLine;

std::string Suffix()
{
    return std::string(platform::ModulePattern()).substr(1);
}

// Runs the plugin steps the way Init does, without screens or driver.
void LoadAll(Core& core)
{
    BindCoreServices(&core);
    loadPlugins(core.plugins, GetCoreServices());
    for (PluginRecord& record : core.plugins)
        enumerateFactories(record);
    for (PluginRecord& record : core.plugins)
        createComponents(record, core);
    for (PluginRecord& record : core.plugins)
        readPluginInfo(record);
}

void UnloadAll(Core& core)
{
    for (PluginRecord& record : core.plugins)
        unloadPlugin(record);
}

TEST(PluginLoader, EmptyDirectoryLogsNoPlugins)
{
    EngineDir dir;
    Core core;
    LoadAll(core);
    EXPECT_TRUE(core.plugins.empty());
    EXPECT_EQ(dir.LogLines(), std::vector<std::string>{"No plugin .DLL files found."});
}

TEST(PluginLoader, SkipsModulesWithoutEntryAndKeepsSearchOrder)
{
    EngineDir dir;
    dir.AddPlugin("recorddriver", "a_driver");
    dir.AddPlugin("noexport", "b_noexport");
    dir.AddPlugin("testdata", "c_data");
    dir.Write("not_a_module" + Suffix(), "garbage");
    Core core;
    LoadAll(core);

    ASSERT_EQ(core.plugins.size(), 2u);
    EXPECT_EQ(core.plugins[0].fileName, "a_driver" + Suffix());
    EXPECT_EQ(core.plugins[1].fileName, "c_data" + Suffix());
    std::string cwd;
    ASSERT_TRUE(platform::CurrentDirectory(cwd));
    EXPECT_EQ(core.plugins[0].directory, cwd);
    EXPECT_EQ(core.plugins[0].name, "RecordDriver");
    EXPECT_EQ(core.plugins[0].info1, "info1");
    EXPECT_EQ(core.plugins[0].info6, "info6");
    EXPECT_EQ(core.plugins[1].name, "TestData");

    std::string fullA, fullB, fullC, fullGarbage;
    ASSERT_TRUE(platform::FullPath("a_driver" + Suffix(), fullA));
    ASSERT_TRUE(platform::FullPath("b_noexport" + Suffix(), fullB));
    ASSERT_TRUE(platform::FullPath("c_data" + Suffix(), fullC));
    ASSERT_TRUE(platform::FullPath("not_a_module" + Suffix(), fullGarbage));
    const std::vector<std::string> expected = {
        fullA, fullB, "Not valid Glancer plugin: " + fullB, fullC, fullGarbage, "Error opening dll: " + fullGarbage,
    };
    const auto log = dir.LogLines();
    ASSERT_GE(log.size(), expected.size() + 2);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6), expected);
    // The system explains the failed load; then the scan ends normally.
    EXPECT_EQ(log[6].rfind("LoadLibrary() error: ", 0), 0u);
    EXPECT_NE(FindLine(log, "No more plugin .DLL files."), std::string::npos);
    // The factory walk of both modules comes after every load.
    EXPECT_GT(FindLine(log, "interface version: 1"), FindLine(log, "No more plugin .DLL files."));
    EXPECT_NE(FindLine(log, "Plugin name: RecordDriver"), std::string::npos);
    UnloadAll(core);
}

TEST(PluginLoader, ModulesWithoutComponentsStayLoaded)
{
    EngineDir dir;
    dir.AddPlugin("nullmodule", "a");
    dir.AddPlugin("version2", "b");
    dir.AddPlugin("nofactory", "c");
    Core core;
    LoadAll(core);

    ASSERT_EQ(core.plugins.size(), 3u);
    for (const PluginRecord& record : core.plugins) {
        EXPECT_TRUE(record.componentFactories.empty());
        EXPECT_EQ(record.plugin, nullptr);
        EXPECT_NE(record.module, nullptr);
    }
    EXPECT_TRUE(core.dataSources.empty());
    const auto log = dir.LogLines();
    const std::size_t noModule = FindLine(log, "ERROR: component==NULL");
    const std::size_t version2 = FindLine(log, "interface version: 2");
    const std::size_t version1 = FindLine(log, "interface version: 1");
    ASSERT_NE(noModule, std::string::npos);
    ASSERT_NE(version2, std::string::npos);
    ASSERT_NE(version1, std::string::npos);
    EXPECT_LT(noModule, version2);
    EXPECT_EQ(log[version2 + 1], "interface version: 1"); // nothing more after version 2
    EXPECT_EQ(log[version1 + 1], "fail");
    UnloadAll(core);
    for (const PluginRecord& record : core.plugins)
        EXPECT_EQ(record.module, nullptr);
}

TEST(PluginLoader, FactoryChainKeepsEveryTypeAndCreatesKnownOnes)
{
    EngineDir dir;
    dir.AddPlugin("oddfactory");
    Core core;
    LoadAll(core);

    ASSERT_EQ(core.plugins.size(), 1u);
    EXPECT_EQ(core.plugins[0].componentFactories.size(), 4u);
    ASSERT_EQ(core.drivers.size(), 1u);
    ASSERT_EQ(core.dataSources.size(), 2u);
    EXPECT_EQ(core.dataSources[0].name, "Odd1");
    EXPECT_EQ(core.dataSources[1].name, "Odd2");
    const auto log = dir.LogLines();
    const std::size_t first = FindLine(log, "ok 102");
    ASSERT_NE(first, std::string::npos);
    ASSERT_LE(first + 8, log.size());
    EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(first),
                                       log.begin() + static_cast<std::ptrdiff_t>(first) + 8),
              (std::vector<std::string>{"ok 102", "ok 103", "ok 103", "ok 105", "next factory not found",
                                        "IDisplayDriver created", "IData created", "IData created"}));
    EXPECT_EQ(FindLine(log, "oddfactory: create 105"), std::string::npos);
    EXPECT_TRUE(testenv::LinesStartingWith(log, "Plugin name: ").empty());
    UnloadAll(core);
}

TEST(PluginLoader, NullComponentsAndLoopingChainsAreSkipped)
{
    EngineDir dir;
    dir.AddPlugin("cyclefactory", "a");
    dir.AddPlugin("nullcreate", "b");
    Core core;
    LoadAll(core);

    ASSERT_EQ(core.plugins.size(), 2u);
    EXPECT_EQ(core.plugins[0].componentFactories.size(), 2u);
    EXPECT_EQ(core.plugins[1].plugin, nullptr);
    EXPECT_TRUE(core.drivers.empty());
    EXPECT_TRUE(core.dataSources.empty());
    EXPECT_EQ(core.userInterface, nullptr);
    const auto log = dir.LogLines();
    EXPECT_NE(FindLine(log, "Factory chain loops back, walk stopped"), std::string::npos);
    for (const char* type : {"101", "102", "103", "104"})
        EXPECT_NE(FindLine(log, std::string("Component not created: ") + type), std::string::npos) << type;
    EXPECT_TRUE(testenv::LinesStartingWith(log, "I").empty()); // no "... created" line
    UnloadAll(core);
}

TEST(PluginLoader, LastUserInterfaceWinsAndUnloadShutsPluginsDown)
{
    EngineDir dir;
    dir.AddPlugin("testui", "ui_a");
    dir.AddPlugin("testui", "ui_b");
    dir.AddPlugin("recorddriver", "z_driver");
    Core core;
    LoadAll(core);

    ASSERT_NE(core.userInterface, nullptr);
    core.userInterface->vtbl->show(core.userInterface);
    EXPECT_EQ(dir.Lines("ui_shown.txt"), std::vector<std::string>{"show 2"});
    EXPECT_EQ(FindLine(dir.LogLines(), "TestUI show 2") != std::string::npos, true);

    UnloadAll(core);
    EXPECT_EQ(dir.Lines("plugin_calls.txt"),
              (std::vector<std::string>{"TestUI init", "TestUI init", "RecordDriver init", "TestUI shutdown",
                                        "TestUI release", "TestUI shutdown", "TestUI release", "RecordDriver shutdown",
                                        "RecordDriver release"}));
}

} // namespace
