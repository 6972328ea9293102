// The "Demo" data source: its clock-driven values, the ball, the flag
// thread, and the module as the program sees it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "datasources/demo/demo_signals.h"
#include "datasources/demo/flag_blinker.h"
#include "platform/platform.h"
#include "plugin/api/glancer_plugin.h"

namespace {

using namespace std::chrono_literals;

TEST(DemoSignals, SineCounterAndMessagesFollowTheClock)
{
    EXPECT_NEAR(demo::Sine(0), 50.0, 1e-9);
    EXPECT_NEAR(demo::Sine(2500), 100.0, 1e-9);
    EXPECT_NEAR(demo::Sine(7500), 0.0, 1e-9);
    for (std::int64_t ms = 0; ms < 30000; ms += 37) {
        EXPECT_NEAR(demo::Sine(ms), demo::Sine(ms + demo::kSinePeriodMs), 1e-9);
        ASSERT_GE(demo::Sine(ms), 0.0);
        ASSERT_LE(demo::Sine(ms), 100.0);
    }

    EXPECT_EQ(demo::Counter(999), 0);
    EXPECT_EQ(demo::Counter(1000), 1);
    EXPECT_EQ(demo::Counter(-5), 0);
    EXPECT_EQ(demo::Counter(INT64_MAX / 2), INT32_MAX);

    // Steady for three seconds, then the next one; a few in turn, then round again.
    EXPECT_STREQ(demo::Message(0), demo::Message(2999));
    EXPECT_STRNE(demo::Message(2999), demo::Message(3000));
    std::set<std::string> seen;
    std::int64_t ms = 0;
    for (; seen.insert(demo::Message(ms)).second; ms += demo::kMessageMs) {
    }
    EXPECT_GE(seen.size(), 3u);
    EXPECT_STREQ(demo::Message(ms), demo::Message(0));
}

TEST(DemoSignals, BallStaysWholeInsideAndMovesEveryStep)
{
    std::vector<std::uint8_t> pixels(demo::kBallSize * demo::kBallSize, 7);
    std::size_t area = 0;
    unsigned minX = demo::kBallSize, maxX = 0, minY = demo::kBallSize, maxY = 0;
    for (std::int64_t ms = 0; ms < 120000; ms += demo::kBallStepMs) {
        const demo::Point centre = demo::BallCentre(ms);
        EXPECT_EQ(demo::BallCentre(ms + demo::kBallStepMs - 1).x, centre.x);
        const demo::Point next = demo::BallCentre(ms + demo::kBallStepMs);
        ASSERT_TRUE(next.x != centre.x || next.y != centre.y) << ms;

        demo::DrawBall(pixels.data(), ms);
        std::size_t lit = 0;
        for (unsigned y = 0; y < demo::kBallSize; ++y)
            for (unsigned x = 0; x < demo::kBallSize; ++x) {
                const std::uint8_t p = pixels[y * demo::kBallSize + x];
                ASSERT_LE(p, 1);
                if (p == 0)
                    continue;
                ++lit;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
        // The whole disc every time: nothing is cut off at an edge.
        if (area == 0)
            area = lit;
        ASSERT_EQ(lit, area) << ms;
    }
    EXPECT_GT(area, 60u); // a filled disc of radius 5, not a ring
    // It reaches every edge (and bounces back from it).
    EXPECT_EQ(minX, 0u);
    EXPECT_EQ(minY, 0u);
    EXPECT_EQ(maxX, demo::kBallSize - 1);
    EXPECT_EQ(maxY, demo::kBallSize - 1);
}

TEST(DemoFlagBlinker, AlternatesAndStopsAtOnceLeavingTheFlagCleared)
{
    std::mutex mutex;
    std::vector<bool> changes;
    auto record = [&](bool set) {
        std::lock_guard<std::mutex> lock(mutex);
        changes.push_back(set);
    };
    auto count = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return changes.size();
    };

    demo::FlagBlinker blinker;
    blinker.Start(20ms, record);
    for (auto deadline = std::chrono::steady_clock::now() + 10s; count() < 3;) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(5ms);
    }
    blinker.Stop();
    ASSERT_GE(changes.size(), 3u);
    for (std::size_t i = 0; i < changes.size(); ++i)
        EXPECT_EQ(changes[i], i % 2 == 0) << i; // set first
    if (changes.size() % 2 == 1)
        ADD_FAILURE() << "the flag was left set";

    // A long period does not hold up the stop, and nothing was set meanwhile.
    changes.clear();
    const auto before = std::chrono::steady_clock::now();
    blinker.Start(1h, record);
    blinker.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_TRUE(changes.empty());
}

// ---- The module, loaded as the program loads it --------------------------

int flagCalls = 0; // only the main thread of this test touches it
void GLANCER_CALL NoLog(CoreServices*, const char*) {}
void GLANCER_CALL CountFlag(CoreServices*, const char*)
{
    ++flagCalls;
}

TEST(DemoModule, ReportsItsVariablesAndHonoursBufferSizes)
{
    std::string error;
    const std::string path = std::string(GLANCER_TEST_PLUGIN_DIR) + "/demo" + (platform::ModulePattern() + 1);
    platform::ModuleHandle module = platform::LoadModule(path, error);
    ASSERT_NE(module, nullptr) << error;
    CoreServicesVtbl table{};
    table.Log = NoLog;
    table.SetFlag = CountFlag;
    table.ClearFlag = CountFlag;
    CoreServices services{&table};
    auto entry = reinterpret_cast<GetInterfaceFunction>(platform::FindSymbol(module, "getInterface"));
    ASSERT_NE(entry, nullptr);
    IModule* im = entry(&services);
    ASSERT_EQ(im->vtbl->getInterfaceVersion(im), GLANCER_INTERFACE_VERSION);

    IData* data = nullptr;
    char text[GLANCER_TEXT_SIZE];
    for (IComponentFactory* f = im->vtbl->getFirstFactory(im); f != nullptr; f = f->next) {
        if (f->type == GLANCER_TYPE_PLUGIN) {
            auto* plugin = static_cast<IPlugin*>(f->vtbl->create(f));
            plugin->vtbl->getName(plugin, text, sizeof text);
            EXPECT_STREQ(text, "Demo");
        } else if (f->type == GLANCER_TYPE_DATA) {
            data = static_cast<IData*>(f->vtbl->create(f));
        }
    }
    ASSERT_NE(data, nullptr);
    data->vtbl->getName(data, text);
    EXPECT_STREQ(text, "Demo");
    data->vtbl->init(data);

    std::vector<std::pair<std::string, std::uint32_t>> variables;
    for (std::int32_t i = 0; i < data->vtbl->getVariableCount(data); ++i) {
        data->vtbl->getVariableId(data, static_cast<std::uint32_t>(i), text);
        variables.emplace_back(text, data->vtbl->getVariableType(data, static_cast<std::uint32_t>(i)));
    }
    EXPECT_EQ(variables, (std::vector<std::pair<std::string, std::uint32_t>>{
                             {"Demo.Sine", GLANCER_VAR_DOUBLE},
                             {"Demo.Counter", GLANCER_VAR_INT},
                             {"Demo.Message", GLANCER_VAR_TEXT}}));
    ASSERT_EQ(data->vtbl->getImageCount(data), 1);
    data->vtbl->getImageId(data, 0, text);
    EXPECT_STREQ(text, "Demo.Ball");

    // Short buffers: a clipped, terminated text; numbers too big are not written.
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    data->vtbl->getValue(data, 2, buffer, 5);
    EXPECT_EQ(std::strlen(buffer), 4u);
    EXPECT_EQ(buffer[5], 'x');
    std::memset(buffer, 'x', sizeof buffer);
    data->vtbl->getValue(data, 0, buffer, 4);
    data->vtbl->getValue(data, 1, buffer, 3);
    data->vtbl->getValue(data, 9, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'x'));
    double sine = -1;
    data->vtbl->getValue(data, 0, &sine, sizeof sine);
    EXPECT_TRUE(sine >= 0 && sine <= 100);

    const PluginImage* ball = data->vtbl->getImage(data, 0);
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->width, 32u);
    EXPECT_EQ(ball->height, 32u);
    EXPECT_EQ(ball->size, 32u * 32u);
    EXPECT_EQ(data->vtbl->getImage(data, 1), nullptr);
    EXPECT_NE(data->vtbl->configure(data), 0u);

    const auto before = std::chrono::steady_clock::now();
    data->vtbl->shutdown(data);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(flagCalls, 0); // the first set is 15 s away
    data->vtbl->release(data);
    platform::FreeModule(module);
}

} // namespace
