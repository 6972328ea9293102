// The whole engine with real plugins, screen files and bitmaps, ticked by
// hand so every driver call can be checked tick by tick.
#include <gtest/gtest.h>

#include "core/core.h"
#include "items/item_factory.h"
#include "tests/common/test_env.h"

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.AddPlugin("recorddriver");
        dir.AddPlugin("testdata");
        dir.SelectDriver("RecordDriver");
        // Rows bottom first, a 0 bit lit: 1001/0110, 10/01 and 01/10.
        dir.WriteBytes("pic.bmp", testenv::BitmapFile(4, 2, {0x9F, 0, 0, 0, 0x6F, 0, 0, 0}));
        dir.WriteBytes("a1.bmp", testenv::BitmapFile(2, 2, {0xBF, 0, 0, 0, 0x7F, 0, 0, 0}));
        dir.WriteBytes("a2.bmp", testenv::BitmapFile(2, 2, {0x7F, 0, 0, 0, 0xBF, 0, 0, 0}));
        dir.WriteIndex({"main.xml"});
        dir.Write("screens\\main.xml", R"(<?xml version="1.0"?>
<screen>
<name>main</name>
<item type="text" x="0" y="0"><refresh>50</refresh><fieldsize>4</fieldsize><textdata>Hi</textdata></item>
<item type="plugintext" x="0" y="1"><refresh>50</refresh><fieldsize>3</fieldsize><scrolltype>left</scrolltype><varid>text1</varid></item>
<item type="image" x="10" y="0"><imagebitmap>pic.bmp</imagebitmap></item>
<item type="pluginimage" x="20" y="0"><refresh>50</refresh><imageid>img2</imageid></item>
<item type="animation" x="30" y="0"><refresh>100</refresh><framebitmap>a1.bmp</framebitmap><framebitmap>a2.bmp</framebitmap></item>
<item type="graph" x="40" y="0"><width>10</width><height>6</height><varid>int1</varid><maxvalue>100</maxvalue></item>
<item type="text" x="0" y="3"><textdata>gone</textdata><unknownthing>1</unknownthing><varid>x</varid></item>
</screen>
)");
    }

    // The driver calls made by one more tick.
    std::vector<std::string> Tick()
    {
        const std::size_t before = dir.Lines("driver_calls.txt").size();
        core.Tick();
        const auto calls = dir.Lines("driver_calls.txt");
        return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end());
    }

    testenv::EngineDir dir;
    Core core;
};

TEST_F(EndToEnd, DrivesTheDisplayTickByTick)
{
    StandardItemFactories factories;
    for (ItemFactory* factory : factories.All())
        core.AddFactory(*factory);
    ASSERT_TRUE(core.Init());
    EXPECT_EQ(dir.Lines("driver_calls.txt"), (std::vector<std::string>{"init", "getDisplayInfo"}));

    // Tick 1: the start-up redraw of every item (the slow text has not been
    // updated yet, so it writes nothing visible), then the redraws of the
    // items whose first update changed them.
    EXPECT_EQ(Tick(), (std::vector<std::string>{
                          "writeText 0 0 Hi  ",
                          "writeText 0 1 Hel",
                          "updateRegion 10 0 4 2 1001 0110",
                          "updateRegion 20 0 4 4 1010 0101 1010 0101",
                          "updateRegion 30 0 2 2 10 01",
                          "updateRegion 40 0 10 6 1111111111 1000000001 1000000001 1000000001 1000000001 1111111111",
                          "writeText 0 3 ",
                          "writeText 0 0 Hi  ",
                          "writeText 0 1 Hel",
                      }));
    // Only what changed is sent: the marquee every tick, the animation every
    // other refresh (its first frame is shown twice).
    EXPECT_EQ(Tick(), std::vector<std::string>{"writeText 0 1 ell"});
    EXPECT_EQ(Tick(), std::vector<std::string>{"writeText 0 1 llo"});
    EXPECT_EQ(Tick(), (std::vector<std::string>{"writeText 0 1 lo ", "updateRegion 30 0 2 2 01 10"}));
    EXPECT_EQ(Tick(), std::vector<std::string>{"writeText 0 1 o *"});
    EXPECT_EQ(Tick(), (std::vector<std::string>{"writeText 0 1  * ", "updateRegion 30 0 2 2 10 01"}));

    core.Shutdown();
    const auto calls = dir.Lines("driver_calls.txt");
    EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()),
              (std::vector<std::string>{"clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown", "release"}));
}

} // namespace
