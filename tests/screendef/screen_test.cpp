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

using screendef_test::ItemJournal;
using screendef_test::Recorded;
using screendef_test::RecordingFactory;
using Labels = std::vector<std::string>;

// A graphic recording item of the given rectangle.
std::string Graphic(const std::string& label, int x, int y, int w, int h)
{
    return "<item type=rec x=" + std::to_string(x) + " y=" + std::to_string(y) + "><label>" + label +
           "</label><graphic>1</graphic><w>" + std::to_string(w) + "</w><h>" + std::to_string(h) + "</h></item>";
}

Labels LabelsOf(const std::vector<ScreenItem*>& items)
{
    Labels labels;
    for (ScreenItem* item : items)
        labels.push_back(Recorded(item).label);
    return labels;
}

class ScreenTest : public ::testing::Test {
protected:
    ScreenTest() { core.AddFactory(factory); }

    testenv::WorkDir dir;
    ItemJournal journal;
    RecordingFactory factory{journal};
    Core core;
};

TEST_F(ScreenTest, LoadsTheScreensOfTheIndexInOrder)
{
    dir.Write("screens\\screens.xml", "<screens>\r\n<screenfile>a.xml</screenfile>\r\n"
                                      "<screenfile>sub\\b.xml</screenfile>\r\n<screenfile>sub/c.xml</screenfile>\r\n"
                                      "<screenfile>missing.xml</screenfile>\r\n<screenfile>screens.xml</screenfile>\r\n"
                                      "</screens>\r\n");
    dir.Write("screens\\a.xml", "<screen>\r\n  <name>A</name>\r\n  <item type=rec>\r\n"
                                "    <label>line1\r\nline2</label>\r\n  </item>\r\n</screen>\r\n");
    dir.Write("screens\\sub\\b.xml", "<screen><name>B</name><action><id>Core.NextScreen</id></action></screen>");
    dir.Write("screens\\sub\\c.xml", "<screen><name>C</name><requireflag>F</requireflag></screen>");

    ScreenIndexReader index;
    index.Load("screens\\screens.xml");
    std::vector<std::unique_ptr<Screen>> screens;
    for (const std::string& file : index.fileNames) {
        screens.push_back(std::make_unique<Screen>(core));
        screens.back()->Load("screens\\" + file);
    }

    ASSERT_EQ(screens.size(), 5u);
    EXPECT_EQ(screens[0]->name, "A");
    ASSERT_EQ(screens[0]->items.size(), 1u);
    EXPECT_EQ(Recorded(screens[0]->items[0]).label, "line1\nline2");
    EXPECT_EQ(screens[1]->name, "B");
    EXPECT_EQ(screens[1]->actions.size(), 1u);
    EXPECT_EQ(screens[2]->name, "C");
    EXPECT_EQ(screens[2]->requiredFlags, Labels{"F"});

    for (std::size_t i : {3u, 4u}) { // unreadable file; the index itself
        Screen& empty = *screens[i];
        EXPECT_TRUE(empty.name.empty() && empty.items.empty() && empty.actions.empty() && empty.requiredFlags.empty());
        empty.Tick(50);
        empty.RedrawItems();
    }
    EXPECT_TRUE(core.drawQueue.empty());
}

TEST_F(ScreenTest, LinksIntersectingGraphicItemsBothWays)
{
    dir.Write("screens\\o.xml", "<screen>" + Graphic("A", 0, 0, 10, 10) + Graphic("B", 10, 0, 10, 10) +
                                    Graphic("C", 30, 30, 5, 5) +
                                    "<item type=rec x=0 y=0><label>T</label><w>100</w><h>100</h></item>" +
                                    Graphic("D", 5, 5, 1, 1) + "</screen>");
    Screen screen(core);
    screen.Load("screens\\o.xml");
    ASSERT_EQ(LabelsOf(screen.items), (Labels{"A", "B", "C", "T", "D"}));
    EXPECT_EQ(LabelsOf(screen.items[0]->overlaps), (Labels{"B", "D"}));
    EXPECT_EQ(LabelsOf(screen.items[1]->overlaps), Labels{"A"});
    EXPECT_TRUE(screen.items[2]->overlaps.empty());
    EXPECT_TRUE(screen.items[3]->overlaps.empty());
    EXPECT_EQ(LabelsOf(screen.items[4]->overlaps), Labels{"A"});
}

TEST_F(ScreenTest, OrdersStablyPreparesAndDestroysInListOrder)
{
    std::string document = "<screen>";
    Labels expected[3];
    for (int i = 0; i < 40; ++i) {
        const int key = i == 39 ? -1 : (i % 3 == 0 ? 1 : 0);
        document +=
            "<item type=rec><label>i" + std::to_string(i) + "</label><key>" + std::to_string(key) + "</key></item>";
        expected[key + 1].push_back("i" + std::to_string(i));
    }
    document += "</screen>";
    dir.Write("screens\\many.xml", document);

    Labels order = expected[0];
    order.insert(order.end(), expected[1].begin(), expected[1].end());
    order.insert(order.end(), expected[2].begin(), expected[2].end());
    Labels prepared;
    Labels destroyed;
    for (const std::string& label : order) {
        prepared.push_back("prepare " + label);
        destroyed.push_back("destroy " + label);
    }

    {
        Screen screen(core);
        screen.Load("screens\\many.xml");
        EXPECT_EQ(LabelsOf(screen.items), order);
        EXPECT_EQ(journal.events, prepared);
        journal.events.clear();
    }
    EXPECT_EQ(journal.events, destroyed);
}

TEST_F(ScreenTest, TickUpdatesItemsWhoseRefreshPeriodRanOut)
{
    dir.Write("screens\\t.xml", "<screen>"
                                "<item type=rec refresh=0><label>zero</label></item>"
                                "<item type=rec><label>default</label></item>"
                                "<item type=rec refresh=120><label>r120</label></item>"
                                "<item type=rec refresh=-5><label>negative</label></item>"
                                "<item type=rec refresh=2147483647><label>huge</label></item>"
                                "</screen>");
    Screen screen(core);
    screen.Load("screens\\t.xml");
    ASSERT_EQ(screen.items.size(), 5u);
    screen.items[4]->elapsed = std::numeric_limits<std::int32_t>::max() - 10;

    for (int tick = 0; tick < 60; ++tick)
        screen.Tick(50);
    EXPECT_EQ(Recorded(screen.items[0]).updates, 60);
    EXPECT_EQ(Recorded(screen.items[1]).updates, 3);
    EXPECT_EQ(Recorded(screen.items[2]).updates, 20);
    EXPECT_EQ(Recorded(screen.items[3]).updates, 60);
    EXPECT_EQ(Recorded(screen.items[4]).updates, 1); // saturated, not wrapped
    EXPECT_EQ(screen.items[4]->elapsed, 59 * 50);
    EXPECT_EQ(screen.items[1]->elapsed, 0);
    EXPECT_EQ(screen.items[2]->elapsed, 0);
}

TEST_F(ScreenTest, RedrawItemsQueuesEachItemInListOrder)
{
    dir.Write("screens\\r.xml", "<screen>" + Graphic("A", 0, 0, 4, 4) + Graphic("B", 2, 2, 4, 4) + "</screen>");
    Screen screen(core);
    screen.Load("screens\\r.xml");
    screen.RedrawItems();
    std::vector<ScreenItem*> sent;
    for (const DrawRequest& request : core.drawQueue)
        if (request.send != 0)
            sent.push_back(request.item);
    EXPECT_EQ(sent, screen.items);
    EXPECT_EQ(core.drawQueue.size(), 6u);
}

} // namespace
