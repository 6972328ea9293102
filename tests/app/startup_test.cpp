#include "app/startup.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "tests/common/test_env.h"

namespace {

using testenv::LinesStartingWith;

TEST(StartUp, RunsTheTimerOnlyAfterASuccessfulInitAndUntilShutDown)
{
    testenv::EngineDir dir;
    {
        Core failing; // no driver and no screens
        platform::PeriodicTimer timer;
        EXPECT_FALSE(StartUp(failing, timer));
        EXPECT_FALSE(timer.Running());
        ShutDown(failing, timer);
        EXPECT_EQ(dir.LogLines().back(), "Glancer shutting down");
    }
    dir.AddPlugin("recorddriver");
    dir.WriteScreens({{"A", {}, {}}});
    dir.SelectDriver("RecordDriver");
    Core core;
    platform::PeriodicTimer timer;
    ASSERT_TRUE(StartUp(core, timer));
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(core.factories.empty()); // they lived on StartUp's stack
    EXPECT_TRUE(testenv::WaitFor(
        [&] { return testenv::FindLine(dir.Lines("driver_calls.txt"), "writeText 0 0 A") != std::string::npos; }));

    ShutDown(core, timer);
    EXPECT_FALSE(timer.Running());
    const auto log = dir.LogLines();
    EXPECT_EQ(LinesStartingWith(log, "Factory added: ").size(), 12u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
              (std::vector<std::string>{"IDisplayDriver released", "Glancer shutting down"}));
}

} // namespace
