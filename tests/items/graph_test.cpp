#include "items/graph_item.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <utility>

#include "core/core.h"
#include "tests/common/test_env.h"
#include "tests/items/fake_components.h"

namespace {

using Pixels = std::set<std::pair<int, int>>; // (column, row)

Pixels LitPixels(const Bitmap& b)
{
    Pixels lit;
    for (std::uint32_t r = 0; r < b.height; ++r)
        for (std::uint32_t c = 0; c < b.width; ++c)
            if (b.pixels[r * b.width + c] != 0)
                lit.insert({static_cast<int>(c), static_cast<int>(r)});
    return lit;
}

Pixels Border(int w, int h)
{
    Pixels p;
    for (int c = 0; c < w; ++c)
        p.insert({c, 0}), p.insert({c, h - 1});
    for (int r = 0; r < h; ++r)
        p.insert({0, r}), p.insert({w - 1, r});
    return p;
}

// What one Plot adds to an empty, borderless canvas.
Pixels Segment(std::int32_t height, std::int32_t cursor, std::int32_t from, std::int32_t to)
{
    GraphCanvas canvas;
    canvas.Prepare(24, height, 0, 100);
    std::fill(canvas.pixels, canvas.pixels + canvas.size, std::uint8_t{0});
    canvas.cursor = cursor;
    canvas.lastValue = from;
    canvas.Plot(to);
    return LitPixels(canvas);
}

TEST(GraphCanvas, SegmentsFollowTheTruncatingScale)
{
    EXPECT_EQ(
        Segment(12, 4, 0, 100),
        (Pixels{{7, 0}, {7, 1}, {6, 2}, {6, 3}, {6, 4}, {5, 5}, {5, 6}, {5, 7}, {4, 8}, {4, 9}, {4, 10}, {3, 11}}));
    EXPECT_EQ(Segment(12, 4, 0, 20), (Pixels{{6, 9}, {5, 10}, {4, 10}, {3, 11}}));
    EXPECT_EQ(Segment(12, 4, 20, 0), (Pixels{{4, 9}, {5, 10}, {6, 10}, {7, 11}}));
    EXPECT_EQ(Segment(12, 4, 50, 50), (Pixels{{3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}));
    // Falling steeply is drawn row by row from the new point up.
    EXPECT_EQ(Segment(12, 4, 100, 0),
              (Pixels{{7, 10}, {7, 9}, {6, 8}, {6, 7}, {6, 6}, {5, 5}, {5, 4}, {5, 3}, {4, 2}, {4, 1}, {4, 0}}));
    // Values far beyond the scale cannot overflow; only the rows on the
    // canvas are drawn: a near-vertical line, or nothing when both ends lie
    // below the canvas.
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    const std::int32_t small = std::numeric_limits<std::int32_t>::min();
    Pixels column;
    for (int r = 0; r <= 10; ++r)
        column.insert({4, r});
    column.insert({3, 11});
    EXPECT_EQ(Segment(12, 4, 0, big), column);
    EXPECT_EQ(Segment(12, 4, small, big).size(), 12u);
    EXPECT_TRUE(Segment(12, 4, small, -1).empty());
}

TEST(GraphCanvas, NotReadyOrZeroScalePlotsNothing)
{
    GraphCanvas canvas;
    canvas.Plot(5);
    EXPECT_EQ(canvas.cursor, 0);
    canvas.Prepare(0, 10, 0, 100);
    EXPECT_EQ(canvas.ready, 0);
    canvas.Prepare(-3, 10, 0, 100);
    canvas.DrawFrame(0, 0, 5, 5);
    EXPECT_EQ(canvas.size, 0u);
    canvas.Prepare(8, 8, 0, 0);
    canvas.Plot(5);
    EXPECT_EQ(LitPixels(canvas), Border(8, 8));
}

struct GraphTest : ::testing::Test {
    testenv::WorkDir dir;
    Core core;
    fakes::FakeData data;
    GraphItem item;

    void Make(std::uint32_t type, const char* width, const char* height)
    {
        fakes::FakeData::Variable v;
        v.type = type;
        data.variables = {v};
        core.dataSources.push_back(fakes::MakeSource(data, {"load"}, {}));
        item.core = &core;
        item.SetParameter("x", "2");
        item.SetParameter("width", width);
        item.SetParameter("height", height);
        item.SetParameter("maxvalue", "100");
        item.SetParameter("minvalue", "-50");
        item.SetParameter("varid", "load");
        ASSERT_TRUE(item.valid);
        item.Prepare();
    }
    void Show(std::int32_t value)
    {
        data.variables[0].integer = value;
        item.Update();
    }
};

TEST_F(GraphTest, FirstUpdateRisesFromTheBottomLeftCorner)
{
    Make(GLANCER_VAR_INT, "20", "10");
    EXPECT_EQ(item.bounds, (Rect{2, 0, 22, 10}));
    EXPECT_EQ(LitPixels(item.current), Border(20, 10));
    Show(50);
    Pixels expected = Border(20, 10);
    expected.insert({{2, 5}, {1, 7}});
    EXPECT_EQ(LitPixels(item.current), expected);
    EXPECT_EQ(core.drawQueue.size(), 2u);
    EXPECT_EQ(item.canvas.cursor, 4);
    EXPECT_EQ(item.canvas.lastValue, 50);

    // Capped at maxvalue: the segment ends one row above the canvas.
    Show(1000);
    EXPECT_EQ(item.canvas.lastValue, 100);
    EXPECT_EQ(item.current.pixels[1 * 20 + 5], 1);
    EXPECT_EQ(item.current.pixels[2 * 20 + 4], 1);
}

TEST_F(GraphTest, SweepWipesAfterTheLastColumnAndRedrawsTheBorder)
{
    Make(GLANCER_VAR_INT, "24", "10");
    for (int i = 0; i < 5; ++i)
        Show(50);
    EXPECT_EQ(item.canvas.cursor, 20);
    Show(50);
    EXPECT_EQ(item.canvas.cursor, 0);
    EXPECT_EQ(LitPixels(item.current), Border(24, 10));
    Show(50);
    Pixels expected = Border(24, 10);
    for (int c = 0; c <= 3; ++c)
        expected.insert({c, 4});
    EXPECT_EQ(LitPixels(item.current), expected);

    // Drawing the same segment again changes nothing and queues nothing.
    const std::size_t queued = core.drawQueue.size();
    item.canvas.cursor = 0;
    Show(50);
    EXPECT_EQ(core.drawQueue.size(), queued);
}

TEST_F(GraphTest, DoublesAreTruncatedTowardZero)
{
    Make(GLANCER_VAR_DOUBLE, "20", "10");
    for (auto [value, expected] : {std::pair{7.9, 7}, std::pair{-7.9, -7}, std::pair{1e300, 100}}) {
        data.variables[0].real = value;
        item.Update();
        EXPECT_EQ(item.canvas.lastValue, expected) << value;
    }
}

TEST_F(GraphTest, IncompleteGraphsDoNotFail)
{
    Make(GLANCER_VAR_TEXT, "20", "10");
    item.Update();
    EXPECT_EQ(item.canvas.cursor, 0);
    EXPECT_EQ(data.valueCalls, 0);
    EXPECT_TRUE(core.drawQueue.empty());

    GraphItem bare;
    bare.core = &core;
    bare.SetParameter("varid", "missing");
    bare.SetParameter("colour", "x");
    EXPECT_FALSE(bare.valid);
    bare.Prepare();
    bare.Update();
    EXPECT_EQ(bare.current.size, 0u);
    const auto lines = dir.LogLines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Variable ID not found: missing", "Unknown parameter:colour"}));
}

} // namespace
