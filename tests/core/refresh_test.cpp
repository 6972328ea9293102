#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

#include "core/core.h"
#include "items/item_factory.h"
#include "screendef/screen.h"
#include "tests/common/engine_env.h"

// Counts operator new calls made on a thread that asked for it.
namespace {
thread_local bool countAllocations = false;
std::atomic<long> allocations{0};
} // namespace

// Every plain form is replaced so that no allocation and release pair mixes
// this allocator with the runtime's (sanitizers check the pairs).
void* operator new(std::size_t size)
{
    if (countAllocations)
        ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (countAllocations)
        ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}

namespace {

using Spec = testenv::EngineDir::ActionSpec;
using testenv::LinesStartingWith;

class Refresh : public ::testing::Test {
protected:
    void SetUp() override
    {
        core.AddFactory(text);
        dir.AddPlugin("recorddriver");
        dir.SelectDriver("RecordDriver");
    }
    void TearDown() override { core.Shutdown(); }

    void Start() { ASSERT_TRUE(core.Init()); }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            core.Tick();
    }
    std::string Shown() const { return core.CurrentScreen()->name; }
    std::size_t Clears() const { return LinesStartingWith(dir.Lines("driver_calls.txt"), "clear").size(); }

    testenv::EngineDir dir;
    TextFactory text;
    Core core;
};

TEST_F(Refresh, ScreensRotateOnTheirDelays)
{
    dir.WriteIndex({"a.xml", "b.xml", "c.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.NextScreen", "", 5000}});
    dir.WriteTextScreen("b.xml", "B", {}, {{"Core.NextScreen", "", 150}});
    dir.WriteTextScreen("c.xml", "C", {}, {{"Core.ChangeScreen", "A", 0}});
    Start();
    Ticks(99);
    EXPECT_EQ(Shown(), "A");
    EXPECT_EQ(Clears(), 0u);
    Ticks(1);
    EXPECT_EQ(Shown(), "B");
    Ticks(2);
    EXPECT_EQ(Shown(), "B");
    // C starts in tick 103 and its delay-0 action brings A back in the same tick.
    Ticks(1);
    EXPECT_EQ(Shown(), "A");
    EXPECT_EQ(Clears(), 3u);
    ASSERT_EQ(core.pendingActions.size(), 1u);
    EXPECT_EQ(core.pendingActions[0].elapsed, 0u);
    EXPECT_TRUE(core.actionQueue.empty());
}

TEST_F(Refresh, PendingActionsOfAnEarlierScreenStillRun)
{
    dir.WriteIndex({"a.xml", "b.xml", "c.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.NextScreen", "", 100}, {"Core.ChangeScreen", "C", 200}});
    dir.WriteTextScreen("b.xml", "B", {}, {});
    dir.WriteTextScreen("c.xml", "C", {}, {});
    Start();
    Ticks(2);
    EXPECT_EQ(Shown(), "B");
    Ticks(2);
    EXPECT_EQ(Shown(), "C");
}

TEST_F(Refresh, ChangeToAFlaggedScreenFallsThroughOnce)
{
    dir.WriteIndex({"a.xml", "b.xml", "c.xml", "d.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.ChangeScreen", "C", 50}});
    dir.WriteTextScreen("b.xml", "B", {}, {});
    dir.WriteTextScreen("c.xml", "C", {"f", "g"}, {});
    dir.WriteTextScreen("d.xml", "D", {}, {{"Core.NextScreen", "", 1000}});
    Start();
    core.SetFlag("f");
    Ticks(1);
    EXPECT_EQ(Shown(), "D");
    EXPECT_EQ(core.pendingActions.size(), 1u);
    EXPECT_EQ(Clears(), 1u);

    core.SetFlag("g");
    core.ExecuteAction(Action{"Core.ChangeScreen", "C", 0, 0});
    EXPECT_EQ(Shown(), "C");
    // A name no screen has restarts the current one; unknown ids do nothing.
    core.ExecuteAction(Action{"Core.ChangeScreen", "c", 0, 0});
    EXPECT_EQ(Shown(), "C");
    EXPECT_EQ(Clears(), 3u);
    core.ExecuteAction(Action{"Core.Other", "A", 0, 0});
    EXPECT_EQ(Clears(), 3u);
}

TEST_F(Refresh, NextScreenGivesUpAfterTwoWraps)
{
    dir.WriteIndex({"a.xml", "b.xml", "c.xml"});
    dir.WriteTextScreen("a.xml", "A", {"x"}, {});
    dir.WriteTextScreen("b.xml", "B", {"x"}, {});
    dir.WriteTextScreen("c.xml", "C", {"x"}, {{"Core.NextScreen", "", 50}});
    Start();
    core.currentScreen = 2;
    core.ExecuteAction(Action{"Core.NextScreen", "", 0, 0});
    EXPECT_EQ(core.currentScreen, 0u);
    EXPECT_EQ(Clears(), 1u);

    core.SetFlag("x");
    core.ClearFlag("x");
    core.SetFlag("y");
    core.ExecuteAction(Action{"Core.NextScreen", "", 0, 0});
    EXPECT_EQ(core.currentScreen, 0u);
}

TEST_F(Refresh, SingleScreenRestartsItself)
{
    dir.WriteIndex({"a.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.NextScreen", "", 100}});
    Start();
    Ticks(1);
    const std::size_t firstDraws = LinesStartingWith(dir.Lines("driver_calls.txt"), "writeText").size();
    EXPECT_GE(firstDraws, 1u);
    Ticks(1);
    EXPECT_EQ(Clears(), 1u);
    EXPECT_EQ(core.pendingActions.size(), 1u);
    Ticks(1); // the restarted screen's items are drawn again
    EXPECT_GT(LinesStartingWith(dir.Lines("driver_calls.txt"), "writeText").size(), firstDraws);
}

TEST_F(Refresh, ScreensSwitchingWithoutDelayDoNotHangTheTick)
{
    dir.WriteIndex({"a.xml", "b.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.ChangeScreen", "B", 0}});
    dir.WriteTextScreen("b.xml", "B", {}, {{"Core.ChangeScreen", "A", 0}});
    Start();
    Ticks(3);
    EXPECT_EQ(LinesStartingWith(dir.LogLines(), "Action loop stopped").size(), 1u);
    EXPECT_EQ(core.actionQueue.size(), 1u);
    EXPECT_EQ(Clears(), 3 * Core::kMaxActionsPerTick);
}

TEST_F(Refresh, FlagsFromTheDataSourcesThreadDecideTheNextScreen)
{
    dir.AddPlugin("testdata");
    dir.WriteIndex({"a.xml", "b.xml", "c.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {{"Core.NextScreen", "", 50}});
    dir.WriteTextScreen("b.xml", "B", {"ready"}, {{"Core.NextScreen", "", 50}});
    dir.WriteTextScreen("c.xml", "C", {}, {{"Core.NextScreen", "", 50}});
    Start();
    auto waitFor = [this](bool set) {
        for (int i = 0; i < 500 && core.HasFlag("ready") != set; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return core.HasFlag("ready") == set;
    };

    Ticks(1);
    EXPECT_EQ(Shown(), "C");
    dir.Write("flags.txt", "set ready\nset ready\n");
    ASSERT_TRUE(waitFor(true));
    EXPECT_EQ(core.Flags(), std::vector<std::string>{"ready"});
    Ticks(2); // C -> A -> B
    EXPECT_EQ(Shown(), "B");
    dir.Write("flags.txt", "set ready\nset ready\nclear ready\n");
    ASSERT_TRUE(waitFor(false));
    Ticks(2); // B -> C -> A
    EXPECT_EQ(Shown(), "A");
}

TEST_F(Refresh, SteadyTicksAndScreenSwitchesDoNotAllocate)
{
    // Long names keep the copied action texts out of any small-string buffer.
    const std::string first = "FirstScreenWithALongName";
    const std::string second = "SecondScreenWithALongName";
    dir.WriteIndex({"a.xml", "b.xml"});
    dir.Write("screens\\a.xml", "<screen><name>" + first +
                                    "</name><item type=\"text\" x=\"0\" y=\"0\"><refresh>100000000</refresh>"
                                    "<textdata>a</textdata></item><action><id>Core.ChangeScreen</id><parameter>" +
                                    second + "</parameter><delay>100</delay></action></screen>");
    dir.Write("screens\\b.xml", "<screen><name>" + second +
                                    "</name><item type=\"text\" x=\"0\" y=\"1\"><refresh>100000000</refresh>"
                                    "<textdata>b</textdata></item><action><id>Core.ChangeScreen</id><parameter>" +
                                    first + "</parameter><delay>50</delay></action></screen>");
    Start();
    Ticks(10); // warm up: queues reach their working size
    allocations = 0;
    countAllocations = true;
    Ticks(30);
    countAllocations = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(Clears(), 26u);
}

} // namespace
