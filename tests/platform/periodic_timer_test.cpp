#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

template <class Condition> bool WaitFor(Condition condition)
{
    const auto deadline = Clock::now() + 10s;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

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

    ASSERT_TRUE(timer.Start(5, 1, [&] { ++ticks; })); // restartable
    ASSERT_TRUE(WaitFor([&] { return ticks > stopped; }));
}

TEST(PeriodicTimer, StopWaitsForARunningTick)
{
    platform::PeriodicTimer timer;
    std::atomic<bool> inTick{false};
    std::atomic<int> finished{0};
    ASSERT_TRUE(timer.Start(5, 1, [&] {
        inTick = true;
        std::this_thread::sleep_for(50ms);
        inTick = false;
        ++finished;
    }));
    ASSERT_TRUE(WaitFor([&] { return inTick.load(); }));
    timer.Stop();
    EXPECT_FALSE(inTick);
    const int count = finished;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(finished, count);
}

TEST(PeriodicTimer, OverrunningTicksNeitherOverlapNorBurst)
{
    platform::PeriodicTimer timer;
    std::atomic<int> active{0};
    std::atomic<bool> overlapped{false};
    std::mutex mutex;
    std::vector<Clock::time_point> starts;
    std::vector<Clock::time_point> ends;
    ASSERT_TRUE(timer.Start(5, 1, [&] {
        overlapped = overlapped || ++active > 1;
        Clock::time_point start = Clock::now();
        std::size_t index;
        {
            std::lock_guard<std::mutex> lock(mutex);
            starts.push_back(start);
            index = starts.size();
        }
        if (index == 3)
            std::this_thread::sleep_for(100ms); // twenty periods
        {
            std::lock_guard<std::mutex> lock(mutex);
            ends.push_back(Clock::now());
        }
        --active;
    }));
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return starts.size() >= 8;
    }));
    timer.Stop();
    EXPECT_FALSE(overlapped);

    // After the long third tick the schedule starts afresh: the missed
    // ticks are not run back to back.
    std::lock_guard<std::mutex> lock(mutex);
    const Clock::time_point longEnd = ends[2];
    int soon = 0;
    for (const Clock::time_point& start : starts)
        soon += start >= longEnd && start < longEnd + 3ms;
    EXPECT_LE(soon, 1);
}

TEST(PeriodicTimer, StopFromInsideTheTick)
{
    platform::PeriodicTimer timer;
    std::atomic<int> ticks{0};
    ASSERT_TRUE(timer.Start(5, 1, [&] {
        if (++ticks == 3)
            timer.Stop();
    }));
    ASSERT_TRUE(WaitFor([&] { return !timer.Running(); }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks, 3);
}

} // namespace
