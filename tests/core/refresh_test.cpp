#include <gtest/gtest.h>

#include <new>

#include "items/screen_item.h"
#include "tests/common/alloc_counter.h"
#include "tests/common/engine_fixture.h"

namespace {

class Refresh : public testenv::EngineTest {
protected:
    std::string Shown() const { return core.CurrentScreen()->name; }
    void Run(const char* id, const char* parameter) { core.ExecuteAction(Action{id, parameter, 0, 0}); }
};

TEST_F(Refresh, ScreensRotateOnTheirDelays)
{
    Start({{"A", {}, {{"Core.NextScreen", "", 5000}}},
           {"B", {}, {{"Core.NextScreen", "", 150}}},
           {"C", {}, {{"Core.ChangeScreen", "A", 0}}}});
    Ticks(99);
    EXPECT_EQ(Shown(), "A");
    EXPECT_EQ(Calls("clear"), 0u);
    Ticks(1);
    EXPECT_EQ(Shown(), "B");
    Ticks(2);
    EXPECT_EQ(Shown(), "B");
    EXPECT_GT(Calls("writeText 0 0 B"), 0u); // the new screen is drawn
    // C starts in tick 103 and its delay-0 action brings A back in the same tick.
    Ticks(1);
    EXPECT_EQ(Shown(), "A");
    EXPECT_EQ(Calls("clear"), 3u);
    ASSERT_EQ(core.pendingActions.size(), 1u);
    EXPECT_EQ(core.pendingActions[0].elapsed, 0u);
    EXPECT_TRUE(core.actionQueue.empty());
}

TEST_F(Refresh, PendingActionsOfAnEarlierScreenStillRun)
{
    Start({{"A", {}, {{"Core.NextScreen", "", 100}, {"Core.ChangeScreen", "C", 200}}}, {"B", {}, {}}, {"C", {}, {}}});
    Ticks(2);
    EXPECT_EQ(Shown(), "B");
    Ticks(2);
    EXPECT_EQ(Shown(), "C");
}

TEST_F(Refresh, ChangeToAFlaggedScreenFallsThroughOnce)
{
    Start({{"A", {}, {{"Core.ChangeScreen", "C", 50}}},
           {"B", {}, {}},
           {"C", {"f", "g"}, {}},
           {"D", {}, {{"Core.NextScreen", "", 1000}}}});
    core.SetFlag("f");
    Ticks(1);
    EXPECT_EQ(Shown(), "D");
    EXPECT_EQ(core.pendingActions.size(), 1u);
    EXPECT_EQ(Calls("clear"), 1u);

    core.SetFlag("g");
    Run("Core.ChangeScreen", "C");
    EXPECT_EQ(Shown(), "C");
    // A name no screen has restarts the current one; unknown ids do nothing.
    Run("Core.ChangeScreen", "c");
    EXPECT_EQ(Shown(), "C");
    EXPECT_EQ(Calls("clear"), 3u);
    Run("Core.Other", "A");
    EXPECT_EQ(Calls("clear"), 3u);
}

TEST_F(Refresh, NextScreenGivesUpAfterTwoWraps)
{
    Start({{"A", {"x"}, {}}, {"B", {"x"}, {}}, {"C", {"x"}, {{"Core.NextScreen", "", 50}}}});
    core.currentScreen = 2;
    Run("Core.NextScreen", "");
    EXPECT_EQ(core.currentScreen, 0u);
    EXPECT_EQ(Calls("clear"), 1u);
}

TEST_F(Refresh, ScreensSwitchingWithoutDelayDoNotHangTheTick)
{
    Start({{"A", {}, {{"Core.ChangeScreen", "B", 0}}}, {"B", {}, {{"Core.ChangeScreen", "A", 0}}}});
    Ticks(3);
    EXPECT_EQ(testenv::LinesStartingWith(dir.LogLines(), "Action loop stopped").size(), 1u);
    EXPECT_TRUE(core.actionQueue.empty());
    EXPECT_EQ(Calls("clear"), 1 + Core::kMaxActionsPerTick); // A's action, then the bound
}

TEST_F(Refresh, ManyActionsDueInOneTickAllRun)
{
    const std::size_t many = Core::kMaxActionsPerTick + 50;
    Start({{"A", {}, std::vector<testenv::EngineDir::ActionSpec>(many, {"Core.NextScreen", "", 50})}, {"B", {}, {}}});
    Ticks(1);
    EXPECT_EQ(Calls("clear"), many);
    EXPECT_TRUE(testenv::LinesStartingWith(dir.LogLines(), "Action loop stopped").empty());
}

TEST_F(Refresh, AFailingStepIsLoggedOnceAndLaterTicksGoOn)
{
    struct FailingItem : ScreenItem {
        void Update() override { throw std::bad_alloc(); }
    };
    Start({{"A", {}, {{"Core.NextScreen", "", 50}}}, {"B", {}, {}}});
    FailingItem failing;
    failing.refresh = 50;
    core.CurrentScreen()->items.push_back(&failing);
    Ticks(2);
    core.CurrentScreen()->items.pop_back();
    Ticks(1);
    EXPECT_EQ(testenv::LinesStartingWith(dir.LogLines(), "Refresh step failed").size(), 1u);
    EXPECT_EQ(Shown(), "B");
}

TEST_F(Refresh, SteadyTicksAndScreenSwitchesDoNotAllocate)
{
    // Long names keep the copied action texts out of any small-string buffer.
    const std::string first = "FirstScreenWithALongName";
    const std::string second = "SecondScreenWithALongName";
    Start({{first, {}, {{"Core.ChangeScreen", second, 100}}}, {second, {}, {{"Core.ChangeScreen", first, 50}}}});
    Ticks(10); // warm up: queues reach their working size
    const long before = AllocationCount();
    Ticks(30);
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_EQ(Calls("clear"), 26u);
}

} // namespace
