#include "app/startup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/core.h"
#include "tests/common/engine_env.h"

namespace {

using testenv::FindLine;
using testenv::LinesStartingWith;

const std::vector<std::string> kHeader = {
    "--------------------------------------------",
    "Glancer starting",
    "Factory added: text",
    "Factory added: plugintext",
    "Factory added: image",
    "Factory added: pluginimage",
    "Factory added: animation",
    "Factory added: graph",
};

TEST(StartUp, RunsTheTimerUntilShutDown)
{
    testenv::EngineDir dir;
    dir.AddPlugin("recorddriver");
    dir.WriteIndex({"a.xml"});
    dir.WriteTextScreen("a.xml", "A", {}, {});
    dir.SelectDriver("RecordDriver");
    Core core;
    platform::PeriodicTimer timer;
    ASSERT_TRUE(StartUp(core, timer));
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(core.factories.empty());
    for (int i = 0; i < 200 && LinesStartingWith(dir.Lines("driver_calls.txt"), "writeText").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(LinesStartingWith(dir.Lines("driver_calls.txt"), "writeText 0 0 A").empty());

    ShutDown(core, timer);
    EXPECT_FALSE(timer.Running());
    const auto log = dir.LogLines();
    ASSERT_GE(log.size(), kHeader.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 8), kHeader);
    EXPECT_EQ(log.back(), "Glancer shutting down");
    EXPECT_EQ(log[log.size() - 2], "IDisplayDriver released");
    const auto calls = dir.Lines("driver_calls.txt");
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()),
              (std::vector<std::string>{"clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown", "release"}));
}

TEST(StartUp, FailedInitStartsNoTimer)
{
    testenv::EngineDir dir;
    dir.AddPlugin("testdata");
    Core core;
    platform::PeriodicTimer timer;
    EXPECT_FALSE(StartUp(core, timer));
    EXPECT_FALSE(timer.Running());
    ShutDown(core, timer);
    const auto log = dir.LogLines();
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"Error releasing display driver", "IData released", "Glancer shutting down"}));
}

TEST(StartUp, TheProcessHasOneCore)
{
    EXPECT_EQ(&TheCore(), &TheCore());
}

} // namespace
