#include "core/core.h"

#include <gtest/gtest.h>

#include "items/item_factory.h"
#include "screendef/screen.h"
#include "tests/common/engine_env.h"

namespace {

using testenv::EngineDir;
using testenv::FindLine;
using testenv::LinesStartingWith;

TEST(Core, FirstFactoryOfANameStays)
{
    EngineDir dir;
    Core core;
    TextFactory first;
    TextFactory second;
    GraphFactory graph;
    core.AddFactory(first);
    core.AddFactory(second);
    core.AddFactory(graph);
    EXPECT_EQ(core.FindFactory("text"), &first);
    EXPECT_EQ(core.FindFactory("Text"), nullptr);
    EXPECT_EQ(core.FindFactory("graph"), &graph);
    EXPECT_EQ(dir.LogLines(),
              (std::vector<std::string>{"Factory added: text", "Factory not added: text", "Factory added: graph"}));
}

class CoreInit : public ::testing::Test {
protected:
    void SetUp() override { core.AddFactory(text); }

    EngineDir dir;
    TextFactory text;
    Core core;
};

TEST_F(CoreInit, WithoutPluginsScreensAreReadButInitFails)
{
    dir.WriteIndex({"a.xml", "a.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {});
    EXPECT_FALSE(core.Init());
    EXPECT_EQ(core.screens.size(), 2u);
    EXPECT_TRUE(core.Shutdown());
    const auto log = dir.LogLines();
    EXPECT_EQ(log, (std::vector<std::string>{"Factory added: text", "No plugin .DLL files found.",
                                             "Error releasing display driver"}));
}

TEST_F(CoreInit, WithoutScreensFailsBeforeChoosingADriver)
{
    dir.AddPlugin("recorddriver");
    dir.AddPlugin("catdata");
    dir.SelectDriver("RecordDriver");
    EXPECT_FALSE(core.Init());
    EXPECT_TRUE(LinesStartingWith(dir.LogLines(), "DRIVER: ").empty());
    EXPECT_TRUE(core.screens.empty());

    core.Shutdown();
    const auto log = dir.LogLines();
    const std::size_t farewell = FindLine(log, "Error releasing display driver");
    ASSERT_NE(farewell, std::string::npos);
    EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(farewell), log.end()),
              (std::vector<std::string>{"Error releasing display driver", "IData released", "IData released",
                                        "IData released", "IDisplayDriver released"}));
    // The unselected driver only ever got released.
    EXPECT_EQ(dir.Lines("driver_calls.txt"), std::vector<std::string>{"release"});
}

TEST_F(CoreInit, DriverNameMustMatchExactly)
{
    dir.AddPlugin("oddfactory");
    dir.AddPlugin("recorddriver");
    dir.WriteIndex({"a.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {});
    dir.SelectDriver("recorddriver");
    EXPECT_FALSE(core.Init());
    // Every driver is still listed.
    EXPECT_EQ(LinesStartingWith(dir.LogLines(), "DRIVER: "),
              (std::vector<std::string>{"DRIVER: OddDriver", "DRIVER: RecordDriver"}));
    core.Shutdown();
    EXPECT_EQ(dir.Lines("driver_calls.txt"), std::vector<std::string>{"release"});
}

TEST_F(CoreInit, LaterDriverOfTheSameNameWinsAndTheEarlierSaysGoodbye)
{
    dir.AddPlugin("recorddriver");  // found first
    dir.AddPlugin("recorddriver2"); // records into driver_calls2.txt
    dir.WriteIndex({"a.xml"});
    dir.WriteTextScreen("a.xml", "A", {"never"}, {});
    dir.SelectDriver("RecordDriver");
    ASSERT_TRUE(core.Init());
    EXPECT_EQ(LinesStartingWith(dir.LogLines(), "DRIVER: "),
              (std::vector<std::string>{"DRIVER: RecordDriver", "DRIVER: RecordDriver"}));
    EXPECT_EQ(dir.Lines("driver_calls.txt"),
              (std::vector<std::string>{"clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown"}));
    EXPECT_EQ(dir.Lines("driver_calls2.txt"), (std::vector<std::string>{"init", "getDisplayInfo"}));
    // The first screen is shown although its flag is not set; nothing is
    // cleared for it and its items are queued for the first tick.
    EXPECT_EQ(core.CurrentScreen()->name, "A");
    EXPECT_EQ(core.drawQueue.size(), 2u);

    core.Shutdown();
    EXPECT_EQ(dir.Lines("driver_calls.txt").back(), "release");
    const auto second = dir.Lines("driver_calls2.txt");
    EXPECT_EQ(std::vector<std::string>(second.begin() + 2, second.end()),
              (std::vector<std::string>{"clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown", "release"}));
    const auto log = dir.LogLines();
    EXPECT_EQ(LinesStartingWith(log, "IDisplayDriver released").size(), 2u);
    EXPECT_EQ(FindLine(log, "Error releasing display driver"), std::string::npos);
}

TEST_F(CoreInit, SuccessfulInitSchedulesTheFirstScreensActions)
{
    dir.AddPlugin("recorddriver");
    dir.WriteIndex({"a.xml", "b.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.NextScreen", "", 3000}, {"Core.ChangeScreen", "B", 0}});
    dir.WriteTextScreen("b.xml", "B", {}, {{"Core.NextScreen", "", 1000}});
    dir.SelectDriver("RecordDriver");
    ASSERT_TRUE(core.Init());
    ASSERT_EQ(core.pendingActions.size(), 1u);
    EXPECT_EQ(core.pendingActions[0].delay, 3000u);
    ASSERT_EQ(core.actionQueue.size(), 1u);
    EXPECT_EQ(core.actionQueue[0].parameter, "B");
    const auto log = dir.LogLines();
    const std::size_t driver = FindLine(log, "DRIVER: RecordDriver");
    ASSERT_NE(driver, std::string::npos);
    EXPECT_EQ(log[driver + 1], "Driver X pixels  : 122");
    core.Shutdown();
}

} // namespace
