#include "items/graph_item.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "core/core.h"
#include "tests/common/test_env.h"
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

Pixels Border(int w, int h)
{
    Pixels p;
    for (int c = 0; c < w; ++c)
        p.insert({{c, 0}, {c, h - 1}});
    for (int r = 0; r < h; ++r)
        p.insert({{0, r}, {w - 1, r}});
    return p;
}

// What one Plot adds to a cleared 24 x `height` canvas scaled to 100.
Pixels Segment(std::int32_t height, std::int32_t from, std::int32_t to)
{
    GraphCanvas canvas;
    canvas.Prepare(24, height, 0, 100);
    std::fill(canvas.pixels, canvas.pixels + canvas.size, std::uint8_t{0});
    canvas.cursor = 4;
    canvas.lastValue = from;
    canvas.Plot(to);
    return LitPixels(canvas);
}

TEST(GraphCanvas, SegmentsFollowTheTruncatingScale)
{
    EXPECT_EQ(
        Segment(12, 0, 100),
        (Pixels{{7, 0}, {7, 1}, {6, 2}, {6, 3}, {6, 4}, {5, 5}, {5, 6}, {5, 7}, {4, 8}, {4, 9}, {4, 10}, {3, 11}}));
    EXPECT_EQ(Segment(12, 0, 20), (Pixels{{6, 9}, {5, 10}, {4, 10}, {3, 11}}));
    EXPECT_EQ(Segment(12, 20, 0), (Pixels{{4, 9}, {5, 10}, {6, 10}, {7, 11}}));
    EXPECT_EQ(Segment(12, 50, 50), (Pixels{{3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}));
    // Far beyond the scale nothing overflows and only rows on the canvas are walked.
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    Pixels column{{3, 11}};
    for (int r = 0; r <= 10; ++r)
        column.insert({4, r});
    EXPECT_EQ(Segment(12, 0, big), column);
    EXPECT_TRUE(Segment(12, std::numeric_limits<std::int32_t>::min(), -1).empty());
}

struct GraphTest : ::testing::Test {
    testenv::WorkDir dir;
    Core core;
    fakes::FakeData data;
    GraphItem item;

    void Make(std::uint32_t type, const char* width, const char* maxvalue = "100")
    {
        data.type = type;
        core.dataSources.push_back(data.Source());
        item.core = &core;
        for (auto [name, value] : {std::pair{"x", "2"},
                                   {"width", width},
                                   {"height", "10"},
                                   {"maxvalue", maxvalue},
                                   {"minvalue", "-50"},
                                   {"varid", "var"}})
            item.SetParameter(name, value);
        item.Prepare();
    }
    void Show(std::int32_t value)
    {
        data.integer = value;
        item.Update();
    }
};

TEST_F(GraphTest, FirstUpdateRisesFromTheBottomLeftCorner)
{
    Make(GLANCER_VAR_INT, "20");
    EXPECT_EQ(item.bounds, (Rect{2, 0, 22, 10}));
    EXPECT_EQ(LitPixels(item.current), Border(20, 10));
    Show(50);
    Pixels expected = Border(20, 10);
    expected.insert({{2, 5}, {1, 7}});
    EXPECT_EQ(LitPixels(item.current), expected);
    EXPECT_EQ(core.drawQueue.size(), 2u);
    Show(1000); // capped at maxvalue
    EXPECT_EQ(item.canvas.lastValue, 100);
}

TEST_F(GraphTest, SweepWipesAfterTheLastColumnAndRedrawsTheBorder)
{
    Make(GLANCER_VAR_INT, "24");
    for (int i = 0; i < 6; ++i)
        Show(50);
    EXPECT_EQ(item.canvas.cursor, 0);
    EXPECT_EQ(LitPixels(item.current), Border(24, 10));
    Show(50);
    Pixels expected = Border(24, 10);
    expected.insert({{1, 4}, {2, 4}, {3, 4}, {0, 4}});
    EXPECT_EQ(LitPixels(item.current), expected);
}

TEST_F(GraphTest, DoublesAreTruncatedTowardZero)
{
    Make(GLANCER_VAR_DOUBLE, "20");
    for (auto [value, expected] : {std::pair{7.9, 7}, {-7.9, -7}, {1e300, 100}}) {
        data.real = value;
        item.Update();
        EXPECT_EQ(item.canvas.lastValue, expected) << value;
    }
}

TEST_F(GraphTest, GraphsWithoutAScaleOrANumberDrawOnlyTheirBorder)
{
    Make(GLANCER_VAR_INT, "20", "0");
    Show(50);
    EXPECT_EQ(LitPixels(item.current), Border(20, 10));
    item.variable.type = GLANCER_VAR_TEXT;
    item.Update();
    EXPECT_EQ(data.valueCalls, 1);

    GraphItem bare;
    bare.SetParameter("varid", "missing");
    EXPECT_FALSE(bare.valid);
    bare.Prepare();
    bare.Update();
    EXPECT_EQ(bare.current.size, 0u);
    EXPECT_EQ(dir.LogLines().back(), "Variable ID not found: missing");
}

} // namespace
