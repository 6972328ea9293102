#include "app/startup.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "tests/common/test_env.h"

namespace {

TEST(StartUp, RunsTheTimerOnlyAfterASuccessfulInitAndUntilShutDown)
{
    testenv::EngineDir dir;
    {
        Core failing; // no driver and no screens
        platform::PeriodicTimer timer;
        EXPECT_FALSE(StartUp(failing, timer));
        EXPECT_FALSE(timer.Running());
        ShutDown(failing, timer);
    }
    dir.AddPlugin("recorddriver");
    dir.WriteScreens({{"A", {}, {}}});
    dir.SelectDriver("RecordDriver");
    Core core;
    platform::PeriodicTimer timer;
    ASSERT_TRUE(StartUp(core, timer));
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(core.factories.size(), 6u); // kept for reloads
    EXPECT_TRUE(testenv::WaitFor(
        [&] { return testenv::FindLine(dir.Lines("driver_calls.txt"), "writeText 0 0 A") != std::string::npos; }));

    ShutDown(core, timer);
    EXPECT_FALSE(timer.Running());
    EXPECT_EQ(dir.Lines("driver_calls.txt").back(), "release");
}

} // namespace
