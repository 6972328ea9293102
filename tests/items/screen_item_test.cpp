#include "items/screen_item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/core.h"
#include "items/graph_item.h"
#include "items/image_items.h"
#include "items/item_factory.h"
#include "items/text_items.h"
#include "tests/common/test_env.h"
#include "tests/items/fake_components.h"

namespace {

Rect R(std::uint32_t x1, std::uint32_t y1, std::uint32_t x2, std::uint32_t y2)
{
    return Rect{x1, y1, x2, y2};
}

TEST(ScreenItem, CommonParametersReadLeadingNumbers)
{
    testenv::WorkDir dir;
    TextItem item;
    item.SetParameter("x", "  12ab");
    EXPECT_EQ(item.x, 12);
    item.SetParameter("x", "ab");
    item.SetParameter("x", "");
    item.SetParameter("x", "99999999999");
    EXPECT_EQ(item.x, 12);
    item.SetParameter("y", "\t-3");
    item.SetParameter("refresh", "+250ms");
    EXPECT_EQ(item.y, -3);
    EXPECT_EQ(item.refresh, 250);
    // A capital X is no common parameter.
    item.SetParameter("X", "5");
    EXPECT_EQ(item.x, 12);

    // The base class ignores everything else without a word.
    ScreenItem plain;
    plain.SetParameter("textdata", "hello");
    plain.SetParameter("refresh", "0");
    EXPECT_EQ(plain.refresh, 0);
    EXPECT_EQ(dir.LogLines(), std::vector<std::string>{"Unknown parameter:X"});
}

TEST(ScreenItem, TextRedrawQueuesPlaceholderThenItself)
{
    Core core;
    TextItem item;
    item.core = &core;
    item.QueueRedraw();
    ASSERT_EQ(core.drawQueue.size(), 2u);
    const DrawRequest& clear = core.drawQueue[0];
    EXPECT_EQ(clear.item, &PlaceholderItem::Instance());
    EXPECT_EQ(clear.rect, R(0, 0, 0, 0));
    EXPECT_EQ(clear.send, 0u);
    EXPECT_EQ(clear.mode, kDrawModeNone);
    const DrawRequest& self = core.drawQueue[1];
    EXPECT_EQ(self.item, &item);
    EXPECT_EQ(self.send, 1u);
    EXPECT_EQ(self.mode, kDrawModeOr);
}

TEST(ScreenItem, GraphicRedrawRepaintsOverlapsInOrderBeforeItself)
{
    Core core;
    GraphicItem item, first, second;
    item.core = &core;
    item.bounds = R(5, 6, 15, 16);
    item.overlaps = {&first, &second};
    item.QueueRedraw();
    ASSERT_EQ(core.drawQueue.size(), 4u);
    const ScreenItem* order[] = {&PlaceholderItem::Instance(), &first, &second, &item};
    for (std::size_t i = 0; i < 4; ++i) {
        const DrawRequest& request = core.drawQueue[i];
        EXPECT_EQ(request.item, order[i]) << i;
        EXPECT_EQ(request.rect, R(5, 6, 15, 16)) << i;
        EXPECT_EQ(request.send, i == 3 ? 1u : 0u) << i;
        EXPECT_EQ(request.mode, i == 0 ? kDrawModeNone : kDrawModeOr) << i;
    }
}

TEST(ScreenItem, TouchingRectanglesIntersect)
{
    GraphicItem a, b;
    a.bounds = R(0, 0, 10, 10);
    b.bounds = R(10, 0, 20, 10);
    EXPECT_TRUE(a.Intersects(b));
    EXPECT_TRUE(b.Intersects(a));
    b.bounds = R(10, 10, 20, 20); // corner
    EXPECT_TRUE(a.Intersects(b));
    b.bounds = R(11, 0, 20, 10);
    EXPECT_FALSE(a.Intersects(b));
    EXPECT_FALSE(b.Intersects(a));
    b.bounds = R(0, 11, 10, 20);
    EXPECT_FALSE(a.Intersects(b));
}

struct DrawTest : ::testing::Test {
    testenv::WorkDir dir;
    fakes::FakeDriver driver;
    FrameBuffer frame;
    GraphicItem item;

    void SetUp() override
    {
        frame.Bind(&driver);
        frame.Init();
        item.current.Allocate(4, 4);
        std::fill(item.current.pixels, item.current.pixels + 16, std::uint8_t{1});
    }
    std::size_t Lit() const
    {
        return static_cast<std::size_t>(std::count(frame.pixels, frame.pixels + frame.bufferSize, 1));
    }
};

TEST_F(DrawTest, OnlyTheLowByteOfSendCountsAndNegativePositionsAreSkipped)
{
    item.x = 3;
    item.y = 2;
    item.Draw(frame, R(0, 0, 200, 200), 0x100, kDrawModeOr);
    EXPECT_EQ(Lit(), 16u);
    EXPECT_TRUE(driver.regions.empty());
    item.Draw(frame, R(0, 0, 200, 200), 0x101, kDrawModeOr);
    ASSERT_EQ(driver.regions.size(), 1u);
    EXPECT_EQ(driver.regions[0].x, 3u);
    EXPECT_EQ(driver.regions[0].y, 2u);

    // The placeholder clears its request's rectangle whatever send and mode say.
    PlaceholderItem::Instance().Draw(frame, R(3, 2, 5, 6), 1, kDrawModeOr);
    EXPECT_EQ(Lit(), 8u);
    EXPECT_EQ(driver.regions.size(), 1u);

    for (auto [px, py] : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{-100, -100}}) {
        item.x = px;
        item.y = py;
        item.Draw(frame, R(0, 0, 200, 200), 1, kDrawModeOr);
    }
    EXPECT_EQ(Lit(), 8u);
    EXPECT_EQ(driver.regions.size(), 1u);
}

TEST(ItemFactory, CreatesFreshItemsOfEachType)
{
    ItemFactory base("thing");
    std::unique_ptr<ScreenItem> plain(base.Create());
    EXPECT_EQ(base.GetTypeName(), "thing");
    EXPECT_FALSE(plain->graphic);

    TextFactory text;
    PluginTextFactory pluginText;
    ImageFactory image;
    PluginImageFactory pluginImage;
    AnimationFactory animation;
    GraphFactory graph;
    const std::pair<ItemFactory*, bool> factories[] = {{&text, false},       {&pluginText, false}, {&image, true},
                                                       {&pluginImage, true}, {&animation, true},   {&graph, true}};
    const char* names[] = {"text", "plugintext", "image", "pluginimage", "animation", "graph"};
    for (std::size_t i = 0; i < 6; ++i) {
        ItemFactory& factory = *factories[i].first;
        EXPECT_EQ(factory.GetTypeName(), names[i]);
        ScreenItem* item = factory.Create();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->graphic, factories[i].second) << names[i];
        EXPECT_EQ(item->refresh, 1000);
        EXPECT_EQ(item->x, 0);
        EXPECT_TRUE(item->valid);
        EXPECT_EQ(item->bounds, Rect{});
        factory.Destroy(item);
        factory.Destroy(nullptr);
    }
    std::unique_ptr<ScreenItem> made(image.Create());
    EXPECT_NE(dynamic_cast<ImageItem*>(made.get()), nullptr);
    EXPECT_EQ(static_cast<ImageItem&>(*made).current.size, 0u);
}

} // namespace
