#include "items/graph_item.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "core/core.h"
#include "tests/items/fakes.h"

namespace {

using Pixels = std::set<std::pair<int, int>>; // (column, row)

Pixels LitPixels(const Bitmap& b)
{
    Pixels lit;
    for (std::uint32_t i = 0; i < b.size; ++i)
        if (b.pixels[i] != 0)
            lit.insert({static_cast<int>(i % b.width), static_cast<int>(i / b.width)});
    return lit;
}

// The border of a w x 10 graph plus `extra`.
Pixels Framed(int w, Pixels extra = {})
{
    for (int c = 0; c < w; ++c)
        extra.insert({{c, 0}, {c, 9}});
    for (int r = 0; r < 10; ++r)
        extra.insert({{0, r}, {w - 1, r}});
    return extra;
}

TEST(GraphCanvas, SegmentsFollowTheTruncatingScale)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    Pixels column{{3, 11}}; // far beyond the scale only rows on the canvas are walked
    for (int r = 0; r <= 10; ++r)
        column.insert({4, r});
    const struct {
        std::int32_t from, to;
        Pixels lit;
    } cases[] = {
        {0, 100, {{7, 0}, {7, 1}, {6, 2}, {6, 3}, {6, 4}, {5, 5}, {5, 6}, {5, 7}, {4, 8}, {4, 9}, {4, 10}, {3, 11}}},
        {0, 20, {{6, 9}, {5, 10}, {4, 10}, {3, 11}}},
        {20, 0, {{4, 9}, {5, 10}, {6, 10}, {7, 11}}},
        {50, 50, {{3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}},
        {0, kMax, column},
        {kMin, -1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " to " << c.to);
        GraphCanvas canvas; // a cleared 24 x 12 canvas scaled to 100, at column 4
        canvas.Prepare(24, 12, 0, 100);
        std::fill(canvas.pixels, canvas.pixels + canvas.size, std::uint8_t{0});
        canvas.cursor = 4;
        canvas.lastValue = c.from;
        canvas.Plot(c.to);
        EXPECT_EQ(LitPixels(canvas), c.lit);
    }
}

TEST(GraphItem, RisesFromTheBottomLeftWipesAfterTheLastColumnAndCapsValues)
{
    Core core;
    fakes::FakeData data;
    core.dataSources.push_back(data.Source());
    GraphItem item;
    item.core = &core;
    for (auto [name, value] : {std::pair{"x", "2"},
                               {"width", "24"},
                               {"height", "10"},
                               {"maxvalue", "100"},
                               {"minvalue", "-50"}, // the scale still runs from 0
                               {"varid", "var"}})
        item.SetParameter(name, value);
    item.Prepare();
    const auto show = [&](std::int32_t value) {
        data.integer = value;
        item.Update();
        return LitPixels(item.current);
    };
    EXPECT_EQ(item.bounds, (Rect{2, 0, 26, 10}));
    EXPECT_EQ(show(50), Framed(24, {{2, 5}, {1, 7}}));
    EXPECT_EQ(core.drawQueue.size(), 2u);
    for (int i = 0; i < 4; ++i)
        show(50);
    EXPECT_EQ(show(50), Framed(24));
    EXPECT_EQ(show(50), Framed(24, {{0, 4}, {1, 4}, {2, 4}, {3, 4}}));

    show(1000); // capped at maxvalue
    EXPECT_EQ(item.canvas.lastValue, 100);
    data.type = item.variable.type = GLANCER_VAR_DOUBLE;
    for (auto [value, expected] : {std::pair{7.9, 7}, {-7.9, -7}, {1e300, 100}}) {
        data.real = value;
        item.Update();
        EXPECT_EQ(item.canvas.lastValue, expected) << value;
    }

    // Without a scale, or with a variable that is no number, only the border is drawn.
    item.SetParameter("maxvalue", "0");
    item.Prepare();
    EXPECT_EQ(show(50), Framed(24));
    const int calls = data.valueCalls;
    item.variable.type = GLANCER_VAR_TEXT;
    item.Update();
    EXPECT_EQ(data.valueCalls, calls);
}

} // namespace
