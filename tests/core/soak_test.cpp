// A day of ticks, fast-forwarded: the demo screens with the shipped data
// sources, on a driver that only counts its calls.
#include <gtest/gtest.h>

#include <filesystem>

#include "screendef/screen.h"
#include "tests/common/alloc_counter.h"
#include "tests/common/engine_fixture.h"

namespace {

constexpr int kTicksPerHour = 60 * 60 * 1000 / 50;

class Soak : public testenv::CoreTest {
protected:
    struct Sample {
        long liveBlocks;
        std::size_t drawCapacity;
        std::size_t actionCapacity;
        std::size_t pending;
        std::size_t logLines;
    };

    Sample Take() const
    {
        return {LiveBlocks(), core.drawQueue.capacity(), core.actionQueue.capacity(), core.pendingActions.size(),
                dir.LogLines().size()};
    }

    StandardItemFactories factories;
};

TEST_F(Soak, ADayOfTheDemoKeepsMemoryQueuesAndLogFlat)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "minutes under ThreadSanitizer; the dev and asan builds run it (about 5 and 20 s)";
#endif
    std::filesystem::copy(std::filesystem::path(GLANCER_TEST_SOURCE_DIR) / "../examples/demo/screens",
                          dir.Path() / "screens");
    for (const char* plugin : {"system", "demo", "quietdriver"})
        dir.AddPlugin(plugin);
    dir.SelectDriver("RecordDriver");
    for (ItemFactory* factory : factories.All())
        core.AddFactory(*factory);
    ASSERT_TRUE(core.Init());

    // The first hour shows every screen: half of it with the flag that the
    // demo blinks by the wall clock held set, half with it held clear.
    for (int i = 0; i < kTicksPerHour; ++i) {
        if (i < kTicksPerHour / 2)
            core.SetFlag("Demo.Flag");
        else
            core.ClearFlag("Demo.Flag");
        core.Tick();
    }
    const Sample first = Take();
    std::size_t actionsOnScreens = 0;
    for (const auto& screen : core.screens)
        actionsOnScreens += screen->actions.size();
    long tickAllocations = 0;
    for (int hour = 1; hour < 24; ++hour) {
        const long before = AllocationCount();
        for (int i = 0; i < kTicksPerHour; ++i)
            core.Tick();
        tickAllocations += AllocationCount() - before;
        const Sample now = Take();
        SCOPED_TRACE("hour " + std::to_string(hour + 1));
        // The plugins' own threads may hold a few blocks at any moment.
        ASSERT_LE(now.liveBlocks, first.liveBlocks + 64);
        ASSERT_EQ(now.drawCapacity, first.drawCapacity);
        ASSERT_EQ(now.actionCapacity, first.actionCapacity);
        ASSERT_LE(now.pending, actionsOnScreens);
        ASSERT_EQ(now.logLines, first.logLines);
    }
    EXPECT_EQ(tickAllocations, 0);
    Stop();
    const std::vector<std::string> calls = dir.Lines("driver_calls.txt");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_GT(std::stol(calls[0].substr(6)), 24L * kTicksPerHour / 10); // it kept drawing
}

} // namespace
