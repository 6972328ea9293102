#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/common/test_env.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using testenv::WaitFor;

TEST(PeriodicTimer, TicksUntilStoppedAndNeverAfter)
{
    platform::PeriodicTimer timer;
    std::atomic<int> ticks{0};
    EXPECT_FALSE(timer.Start(0, 0, [] {}));
    ASSERT_TRUE(timer.Start(5, 1, [&] { ++ticks; }));
    EXPECT_TRUE(timer.Running());
    EXPECT_FALSE(timer.Start(5, 1, [] {}));
    ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }));
    timer.Stop();
    EXPECT_FALSE(timer.Running());
    const int stopped = ticks;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks, stopped);
    timer.Stop(); // harmless when stopped
}

TEST(PeriodicTimer, StopWaitsForARunningTickOrReturnsAtOnceFromInsideOne)
{
    platform::PeriodicTimer timer;
    std::atomic<bool> inTick{false};
    ASSERT_TRUE(timer.Start(5, 1, [&] {
        inTick = true;
        std::this_thread::sleep_for(50ms);
        inTick = false;
    }));
    ASSERT_TRUE(WaitFor([&] { return inTick.load(); }));
    timer.Stop();
    EXPECT_FALSE(inTick);

    std::atomic<int> ticks{0};
    ASSERT_TRUE(timer.Start(5, 1, [&] {
        if (++ticks == 3)
            timer.Stop();
    }));
    ASSERT_TRUE(WaitFor([&] { return !timer.Running(); }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks, 3);
}

TEST(PeriodicTimer, OverrunningTicksNeitherOverlapNorBurst)
{
    platform::PeriodicTimer timer;
    std::atomic<int> active{0}, finished{0};
    std::atomic<bool> overlapped{false};
    std::vector<Clock::time_point> starts; // touched by ticks only until Stop
    Clock::time_point longEnd;
    ASSERT_TRUE(timer.Start(5, 1, [&] {
        overlapped = overlapped || ++active > 1;
        starts.push_back(Clock::now());
        if (starts.size() == 3) {
            std::this_thread::sleep_for(100ms); // twenty periods
            longEnd = Clock::now();
        }
        --active;
        ++finished;
    }));
    ASSERT_TRUE(WaitFor([&] { return finished >= 8; }));
    timer.Stop();
    EXPECT_FALSE(overlapped);

    // After the long tick the schedule starts afresh: the missed ticks are
    // not run back to back.
    int soon = 0;
    for (const Clock::time_point& start : starts)
        soon += start >= longEnd && start < longEnd + 3ms;
    EXPECT_LE(soon, 1);
}

TEST(PeriodicTimer, SleepsThroughTheStepsATickSkipsAndStopWakesIt)
{
    platform::PeriodicTimer timer;
    std::vector<std::uint32_t> skipped; // touched by ticks only until Stop
    std::atomic<int> calls{0};
    ASSERT_TRUE(timer.Start(5, 1, [&](std::uint32_t steps) {
        skipped.push_back(steps);
        ++calls;
        return calls < 3 ? std::uint32_t{4} : std::uint32_t{3600 * 200}; // then an hour
    }));
    ASSERT_TRUE(WaitFor([&] { return calls >= 3; }));
    timer.Stop(); // returns at once, or this test times out
    EXPECT_EQ(skipped, (std::vector<std::uint32_t>{0, 4, 4}));
}

TEST(PeriodicTimer, WakeCutsASleepShortAndCountsTheStepsThatPassed)
{
    platform::PeriodicTimer timer;
    timer.Wake(); // not running: nothing
    std::atomic<std::uint32_t> skipped{0};
    std::atomic<int> calls{0};
    ASSERT_TRUE(timer.Start(5, 1, [&](std::uint32_t steps) {
        skipped = steps;
        ++calls;
        return std::uint32_t{3600 * 200}; // an hour
    }));
    ASSERT_TRUE(WaitFor([&] { return calls == 1; }));
    const auto woken = Clock::now();
    std::this_thread::sleep_for(30ms); // steps pass while it sleeps
    timer.Wake();
    ASSERT_TRUE(WaitFor([&] { return calls == 2; }));
    const auto stepsPassed = static_cast<std::uint32_t>((Clock::now() - woken) / 5ms);
    EXPECT_GE(skipped.load(), 5u);
    EXPECT_LE(skipped.load(), stepsPassed + 1);
    timer.Stop();
}

} // namespace
