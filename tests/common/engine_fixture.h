#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"
#include "items/item_factory.h"
#include "screendef/screen.h"
#include "tests/common/test_env.h"

namespace testenv {

// A Core over the plugins copied into `dir`, shut down once at the end.
class CoreTest : public ::testing::Test {
protected:
    using Lines = std::vector<std::string>;

    void TearDown() override { Stop(); }
    // Init without screens fails after the plugins and their catalogue are
    // in place, before any display is chosen.
    void LoadOnly() { EXPECT_FALSE(core.Init()); }
    void Stop()
    {
        if (!stopped)
            core.Shutdown(); // never twice: that would call into unloaded modules
        stopped = true;
    }

    EngineDir dir;
    TextFactory text;
    Core core;
    bool stopped = false;
};

// ... with the text item factory and the recording driver selected, run on
// screens of one text item each.
class EngineTest : public CoreTest {
protected:
    void SetUp() override
    {
        core.AddFactory(text);
        dir.AddPlugin("recorddriver");
        dir.SelectDriver("RecordDriver");
    }
    void Start(const std::vector<EngineDir::ScreenSpec>& screens)
    {
        dir.WriteScreens(screens);
        ASSERT_TRUE(core.Init());
    }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            core.Tick();
    }
    // How many driver calls so far start with `prefix`.
    std::size_t Calls(const std::string& prefix) const
    {
        return LinesStartingWith(dir.Lines("driver_calls.txt"), prefix).size();
    }
};

} // namespace testenv
