// The "Demo" data source: its clock-driven values, the ball and the flag
// thread. Its tables come from the plugin helper, tested on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "datasources/demo/demo_signals.h"
#include "datasources/demo/flag_blinker.h"
#include "tests/common/test_env.h"

namespace {

using namespace std::chrono_literals;

TEST(DemoSignals, SineCounterAndMessagesFollowTheClock)
{
    EXPECT_NEAR(demo::Sine(0), 50.0, 1e-9);
    EXPECT_NEAR(demo::Sine(2500), 100.0, 1e-9);
    EXPECT_NEAR(demo::Sine(7500), 0.0, 1e-9);
    for (std::int64_t ms = 0; ms < 30000; ms += 37) {
        ASSERT_NEAR(demo::Sine(ms), demo::Sine(ms + demo::kSinePeriodMs), 1e-9);
        ASSERT_TRUE(demo::Sine(ms) >= 0.0 && demo::Sine(ms) <= 100.0) << ms;
    }
    EXPECT_EQ((std::vector{demo::Counter(999), demo::Counter(1000), demo::Counter(-5), demo::Counter(INT64_MAX / 2)}),
              (std::vector{0, 1, 0, INT32_MAX}));

    // Steady for three seconds, then the next one; a few in turn, then round again.
    EXPECT_STREQ(demo::Message(0), demo::Message(2999));
    EXPECT_STRNE(demo::Message(2999), demo::Message(3000));
    std::set<std::string> seen;
    std::int64_t ms = 0;
    while (seen.insert(demo::Message(ms)).second)
        ms += demo::kMessageMs;
    EXPECT_GE(seen.size(), 3u);
    EXPECT_STREQ(demo::Message(ms), demo::Message(0));
}

TEST(DemoSignals, BallStaysWholeInsideAndMovesEveryStep)
{
    constexpr unsigned kSize = demo::kBallSize;
    std::vector<std::uint8_t> pixels(kSize * kSize, 7);
    std::size_t area = 0;
    unsigned minX = kSize, maxX = 0, minY = kSize, maxY = 0;
    for (std::int64_t ms = 0; ms < 120000; ms += demo::kBallStepMs) {
        const demo::Point centre = demo::BallCentre(ms);
        const demo::Point next = demo::BallCentre(ms + demo::kBallStepMs);
        ASSERT_TRUE(next.x != centre.x || next.y != centre.y) << ms;

        demo::DrawBall(pixels.data(), ms);
        std::size_t lit = 0;
        for (unsigned i = 0; i < pixels.size(); ++i) {
            ASSERT_LE(pixels[i], 1);
            if (pixels[i] == 0)
                continue;
            ++lit;
            minX = std::min(minX, i % kSize), maxX = std::max(maxX, i % kSize);
            minY = std::min(minY, i / kSize), maxY = std::max(maxY, i / kSize);
        }
        // The whole disc every time: nothing is cut off at an edge.
        area = area == 0 ? lit : area;
        ASSERT_EQ(lit, area) << ms;
    }
    EXPECT_GT(area, 60u); // a filled disc of radius 5, not a ring
    // It reaches every edge (and bounces back from it).
    EXPECT_EQ((std::vector{minX, minY, maxX, maxY}), (std::vector{0u, 0u, kSize - 1, kSize - 1}));
}

TEST(DemoFlagBlinker, AlternatesAndStopsAtOnceLeavingTheFlagCleared)
{
    std::mutex mutex;
    std::vector<bool> changes;
    auto record = [&](bool set) {
        std::lock_guard<std::mutex> lock(mutex);
        changes.push_back(set);
    };
    demo::FlagBlinker blinker;
    blinker.Start(20ms, record);
    ASSERT_TRUE(testenv::WaitFor([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return changes.size() >= 3;
    }));
    blinker.Stop();
    // Set first, then alternating, and cleared at the end.
    for (std::size_t i = 0; i < changes.size(); ++i)
        EXPECT_EQ(changes[i], i % 2 == 0) << i;
    EXPECT_EQ(changes.size() % 2, 0u) << "the flag was left set";

    // A long period does not hold up the stop, and nothing was set meanwhile.
    changes.clear();
    const auto before = std::chrono::steady_clock::now();
    blinker.Start(1h, record);
    blinker.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_TRUE(changes.empty());
}

} // namespace
