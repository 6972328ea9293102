#include "items/screen_item.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "items/graph_item.h"
#include "items/image_items.h"
#include "items/text_items.h"
#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

TEST(ScreenItem, CommonParametersReadALeadingNumber)
{
    ScreenItem item;
    item.SetParameter("x", "  12ab");
    for (const char* bad : {"ab", "", "99999999999"})
        item.SetParameter("x", bad);
    item.SetParameter("refresh", "\t-50");
    EXPECT_EQ(item.x, 12);
    EXPECT_EQ(item.refresh, -50);
}

TEST(ScreenItem, BadReferencesAreLoggedAndLeaveAnItemThatIsSafeToRun)
{
    testenv::WorkDir dir;
    Core core;
    fakes::FakeData data;
    core.dataSources.push_back(data.Source());
    ImageItem image;
    AnimationItem animation;
    PluginImageItem pluginImage;
    PluginTextItem pluginText;
    GraphItem graph;
    TextItem text;
    const struct {
        ScreenItem* item;
        const char *name, *value, *log;
    } cases[] = {
        {&image, "imagebitmap", "no such.bmp", "Image load error: no such.bmp"},
        {&animation, "framebitmap", " gone.bmp trailing", "Animation frame load error: gone.bmp"},
        {&pluginImage, "imageid", "img9 x", "Plugin image not found: img9"},
        {&pluginText, "varid", "nope", "Variable ID not found: nope"},
        {&graph, "varid", "missing", "Variable ID not found: missing"},
        {&text, "X", "3", "Unknown parameter:X"}, // names are case-sensitive; unknown ones only log
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        c.item->core = &core;
        c.item->SetParameter(c.name, c.value);
        EXPECT_EQ(c.item->valid, c.item == &text);
        EXPECT_EQ(dir.LogLines().back(), c.log);
        c.item->Prepare();
        c.item->Update();
    }
    EXPECT_EQ(data.valueCalls, 0);
}

TEST(ScreenItem, RedrawClearsRepaintsOverlapsThenDrawsItself)
{
    Core core;
    GraphicItem item, first, second;
    item.core = &core;
    item.bounds = Rect{5, 6, 15, 16};
    item.overlaps = {&first, &second};
    item.QueueRedraw();

    ScreenItem* const order[] = {&PlaceholderItem::Instance(), &first, &second, &item};
    ASSERT_EQ(core.drawQueue.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const DrawRequest& r = core.drawQueue[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.item, order[i]);
        EXPECT_EQ(r.rect, item.bounds);
        EXPECT_EQ(r.mode, i == 0 ? kDrawModeNone : kDrawModeOr); // the placeholder clears
        EXPECT_EQ(r.send, i == 3 ? 1u : 0u);                     // only the item itself is sent to the panel
    }
}

} // namespace
