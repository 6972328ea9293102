#include "core/core.h"

#include <gtest/gtest.h>

#include "tests/common/engine_fixture.h"

namespace {

using testenv::LinesFrom;
using testenv::LinesStartingWith;

using CoreBare = testenv::CoreTest;

TEST_F(CoreBare, FirstFactoryOfANameStays)
{
    TextFactory second;
    GraphFactory graph;
    core.AddFactory(text);
    core.AddFactory(second);
    core.AddFactory(graph);
    EXPECT_EQ(core.FindFactory("text"), &text);
    EXPECT_EQ(core.FindFactory("Text"), nullptr);
    EXPECT_EQ(core.FindFactory("graph"), &graph);
    EXPECT_EQ(dir.LogLines(), (Lines{"Factory added: text", "Factory not added: text", "Factory added: graph"}));
}

TEST_F(CoreBare, WithoutPluginsScreensAreReadButInitFails)
{
    dir.WriteScreens({{"A", {}, {}}});
    dir.WriteIndex({"A.xml", "A.xml"});
    core.AddFactory(text);
    EXPECT_FALSE(core.Init());
    EXPECT_EQ(core.screens.size(), 2u);
    Stop();
    EXPECT_EQ(dir.LogLines(),
              (Lines{"Factory added: text", "No plugin .DLL files found.", "Error releasing display driver"}));
}

using CoreInit = testenv::EngineTest;

TEST_F(CoreInit, WithoutScreensFailsBeforeChoosingADriver)
{
    dir.AddPlugin("catdata");
    EXPECT_FALSE(core.Init());
    EXPECT_TRUE(core.screens.empty());
    Stop();
    const Lines log = dir.LogLines();
    EXPECT_TRUE(LinesStartingWith(log, "DRIVER: ").empty());
    EXPECT_EQ(LinesFrom(log, "Error releasing display driver"),
              (Lines{"Error releasing display driver", "IData released", "IData released", "IData released",
                     "IDisplayDriver released"}));
    // The unselected driver only ever got released.
    EXPECT_EQ(dir.Lines("driver_calls.txt"), Lines{"release"});
}

TEST_F(CoreInit, DriverNameMustMatchExactly)
{
    dir.AddPlugin("oddfactory");
    dir.SelectDriver("recorddriver");
    dir.WriteScreens({{"A", {}, {}}});
    EXPECT_FALSE(core.Init());
    EXPECT_EQ(LinesStartingWith(dir.LogLines(), "DRIVER: "), (Lines{"DRIVER: OddDriver", "DRIVER: RecordDriver"}));
    Stop();
    EXPECT_EQ(dir.Lines("driver_calls.txt"), Lines{"release"});
}

TEST_F(CoreInit, LaterDriverOfTheSameNameWinsAndTheEarlierSaysGoodbye)
{
    dir.AddPlugin("recorddriver2"); // found second; records into driver_calls2.txt
    Start({{"A", {"never"}, {}}});
    EXPECT_EQ(dir.Lines("driver_calls.txt"),
              (Lines{"clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown"}));
    EXPECT_EQ(dir.Lines("driver_calls2.txt"), (Lines{"init", "getDisplayInfo"}));
    // The first screen is shown although its flag is not set; nothing is
    // cleared for it and its items are queued for the first tick.
    EXPECT_EQ(core.CurrentScreen()->name, "A");
    EXPECT_EQ(core.drawQueue.size(), 2u);

    Stop();
    EXPECT_EQ(dir.Lines("driver_calls.txt").back(), "release");
    EXPECT_EQ(LinesFrom(dir.Lines("driver_calls2.txt"), "clear"),
              (Lines{"clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown", "release"}));
    const Lines log = dir.LogLines();
    EXPECT_EQ(LinesStartingWith(log, "DRIVER: "), (Lines{"DRIVER: RecordDriver", "DRIVER: RecordDriver"}));
    EXPECT_EQ(LinesStartingWith(log, "IDisplayDriver released").size(), 2u);
    EXPECT_TRUE(LinesFrom(log, "Error releasing display driver").empty());
}

TEST_F(CoreInit, SuccessfulInitSchedulesTheFirstScreensActions)
{
    Start({{"A", {}, {{"Core.NextScreen", "", 3000}, {"Core.ChangeScreen", "B", 0}}},
           {"B", {}, {{"Core.NextScreen", "", 1000}}}});
    ASSERT_EQ(core.pendingActions.size(), 1u);
    EXPECT_EQ(core.pendingActions[0].delay, 3000u);
    ASSERT_EQ(core.actionQueue.size(), 1u);
    EXPECT_EQ(core.actionQueue[0].parameter, "B");
}

} // namespace
