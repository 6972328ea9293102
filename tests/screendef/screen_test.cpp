#include "screendef/screen.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/core.h"
#include "screendef/screen_index.h"
#include "tests/common/test_env.h"
#include "tests/screendef/recording_item.h"

namespace {

using namespace screendef_test;
using Lines = std::vector<std::string>;

std::string Item(const std::string& label, const std::string& leaves = "", const std::string& attributes = "")
{
    return "<item type=rec" + attributes + "><label>" + label + "</label>" + leaves + "</item>";
}

std::string Graphic(const std::string& label, int x, int y, int w, int h)
{
    return Item(label, "<graphic/><w>" + std::to_string(w) + "</w><h>" + std::to_string(h) + "</h>",
                " x=" + std::to_string(x) + " y=" + std::to_string(y));
}

Lines LabelsOf(const std::vector<ScreenItem*>& items)
{
    Lines labels;
    for (ScreenItem* item : items)
        labels.push_back(Recorded(item).label);
    return labels;
}

class ScreenTest : public ::testing::Test {
protected:
    ScreenTest() { core.AddFactory(factory); }
    Screen& Load(const std::string& content)
    {
        dir.Write("screens\\s.xml", content);
        screen.Load("screens\\s.xml");
        return screen;
    }

    testenv::WorkDir dir;
    Lines journal;
    RecordingFactory factory{journal};
    Core core;
    Screen screen{core};
};

TEST_F(ScreenTest, LoadsTheScreensOfTheIndexInOrder)
{
    dir.Write("screens\\screens.xml",
              "<screens>\r\n<screenfile>a.xml</screenfile>\r\n<screenfile>sub\\b.xml</screenfile>"
              "<screenfile>sub/c.xml</screenfile><screenfile>none.xml</screenfile>"
              "<screenfile>screens.xml</screenfile></screens>");
    dir.Write("screens\\a.xml", "<screen>\r\n  <name>A</name>\r\n  " + Item("1\r\n2") + "\r\n</screen>\r\n");
    dir.Write("screens\\sub\\b.xml", "<screen><name>B</name></screen>");
    dir.Write("screens\\sub\\c.xml", "<screen><name>C</name></screen>");
    ScreenIndexReader index;
    index.Load("screens\\screens.xml");
    std::vector<std::unique_ptr<Screen>> screens;
    Lines names;
    for (const std::string& file : index.fileNames) {
        screens.push_back(std::make_unique<Screen>(core));
        screens.back()->Load("screens\\" + file);
        names.push_back(screens.back()->name);
    }
    EXPECT_EQ(names, (Lines{"A", "B", "C", "", ""}));
    EXPECT_EQ(LabelsOf(screens[0]->items), Lines{"1\n2"});
    screens[3]->Tick(50); // an empty screen does nothing
    screens[3]->RedrawItems();
    EXPECT_TRUE(screens[3]->items.empty() && screens[4]->items.empty() && core.drawQueue.empty());
}

TEST_F(ScreenTest, LinksIntersectingGraphicItemsBothWays)
{
    Load("<screen>" + Graphic("A", 0, 0, 10, 10) + Graphic("B", 10, 0, 10, 10) + Graphic("C", 30, 30, 5, 5) +
         Item("T", "<w>99</w><h>99</h>") + Graphic("D", 5, 5, 1, 1) + "</screen>");
    ASSERT_EQ(LabelsOf(screen.items), (Lines{"A", "B", "C", "T", "D"}));
    EXPECT_EQ(LabelsOf(screen.items[0]->overlaps), (Lines{"B", "D"}));
    EXPECT_EQ(LabelsOf(screen.items[1]->overlaps), Lines{"A"});
    EXPECT_TRUE(screen.items[2]->overlaps.empty() && screen.items[3]->overlaps.empty());
    EXPECT_EQ(LabelsOf(screen.items[4]->overlaps), Lines{"A"});
}

TEST_F(ScreenTest, OrdersStablyPreparesAndDestroysInListOrder)
{
    std::string document = "<screen>";
    Lines byKey[3];
    for (int i = 0; i < 40; ++i) {
        const int key = i == 39 ? -1 : (i % 3 == 0 ? 1 : 0);
        document += Item("i" + std::to_string(i), "<key>" + std::to_string(key) + "</key>");
        byKey[key + 1].push_back("i" + std::to_string(i));
    }
    Lines order = byKey[0], prepared, destroyed;
    order.insert(order.end(), byKey[1].begin(), byKey[1].end());
    order.insert(order.end(), byKey[2].begin(), byKey[2].end());
    for (const std::string& label : order) {
        prepared.push_back("prepare " + label);
        destroyed.push_back("destroy " + label);
    }
    {
        Screen own(core);
        dir.Write("screens\\many.xml", document + "</screen>");
        own.Load("screens\\many.xml");
        EXPECT_EQ(LabelsOf(own.items), order);
        EXPECT_EQ(journal, prepared);
        journal.clear();
    }
    EXPECT_EQ(journal, destroyed);
}

TEST_F(ScreenTest, TickUpdatesItemsWhoseRefreshPeriodRanOut)
{
    Load("<screen>" + Item("0", "", " refresh=0") + Item("default") + Item("120", "", " refresh=120") +
         Item("-5", "", " refresh=-5") + Item("max", "", " refresh=2147483647") + "</screen>");
    ASSERT_EQ(screen.items.size(), 5u);
    screen.items[4]->elapsed = std::numeric_limits<std::int32_t>::max() - 10;
    for (int tick = 0; tick < 60; ++tick)
        screen.Tick(50);
    std::vector<int> updates;
    for (ScreenItem* item : screen.items)
        updates.push_back(Recorded(item).updates);
    EXPECT_EQ(updates, (std::vector<int>{60, 3, 20, 60, 1})); // the last saturated instead of wrapping
    EXPECT_EQ(screen.items[4]->elapsed, 59 * 50);
}

} // namespace
