#include "items/screen_item.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "items/text_items.h"

namespace {

TEST(ScreenItem, CommonParametersReadALeadingNumber)
{
    ScreenItem item;
    item.SetParameter("x", "  12ab");
    EXPECT_EQ(item.x, 12);
    for (const char* bad : {"ab", "", "99999999999"})
        item.SetParameter("x", bad);
    EXPECT_EQ(item.x, 12);
    item.SetParameter("refresh", "\t-50");
    EXPECT_EQ(item.refresh, -50);
}

TEST(ScreenItem, RedrawClearsRepaintsOverlapsThenDrawsItself)
{
    Core core;
    TextItem text;
    text.core = &core;
    text.QueueRedraw();
    GraphicItem item, first, second;
    item.core = &core;
    item.bounds = Rect{5, 6, 15, 16};
    item.overlaps = {&first, &second};
    item.QueueRedraw();

    ScreenItem* placeholder = &PlaceholderItem::Instance();
    const Rect r{5, 6, 15, 16};
    const std::vector<DrawRequest> expected = {{placeholder, Rect{}, 0, kDrawModeNone},
                                               {&text, Rect{}, 1, kDrawModeOr},
                                               {placeholder, r, 0, kDrawModeNone},
                                               {&first, r, 0, kDrawModeOr},
                                               {&second, r, 0, kDrawModeOr},
                                               {&item, r, 1, kDrawModeOr}};
    ASSERT_EQ(core.drawQueue.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(core.drawQueue[i].item, expected[i].item) << i;
        EXPECT_EQ(core.drawQueue[i].rect, expected[i].rect) << i;
        EXPECT_EQ(core.drawQueue[i].send, expected[i].send) << i;
        EXPECT_EQ(core.drawQueue[i].mode, expected[i].mode) << i;
    }
}

TEST(ScreenItem, RectanglesTouchingAtAnEdgeIntersect)
{
    GraphicItem a, b;
    a.bounds = Rect{0, 0, 10, 10};
    for (auto [other, expected] : {std::pair{Rect{10, 0, 20, 10}, true},
                                   {Rect{10, 10, 20, 20}, true},
                                   {Rect{11, 0, 20, 10}, false},
                                   {Rect{0, 11, 10, 20}, false}}) {
        b.bounds = other;
        EXPECT_EQ(a.Intersects(b), expected);
        EXPECT_EQ(b.Intersects(a), expected);
    }
}

} // namespace
