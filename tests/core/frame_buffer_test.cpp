#include "core/frame_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "items/bitmap.h"
#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

Bitmap Lit(std::uint32_t w, std::uint32_t h)
{
    Bitmap b;
    b.Allocate(w, h);
    std::fill(b.pixels, b.pixels + b.size, std::uint8_t{1});
    return b;
}

struct FrameBufferTest : ::testing::Test {
    testenv::WorkDir dir;
    fakes::FakeDriver driver;
    FrameBuffer frame;
    const Rect all{0, 0, 1000, 1000};

    void SetUp() override
    {
        frame.Bind(&driver);
        frame.Init();
    }
    long LitCount() const { return std::count(frame.pixels, frame.pixels + frame.bufferSize, 1); }
};

TEST_F(FrameBufferTest, ADriverNameWithoutTerminatorStopsAtTheBuffer)
{
    EXPECT_EQ(frame.DriverName(), std::string(256, 'N'));
}

TEST(FrameBufferInit, WithoutUsableGeometryNothingIsDrawn)
{
    testenv::WorkDir dir;
    FrameBuffer unbound;
    unbound.Init();
    unbound.Release();
    EXPECT_EQ(dir.LogLines(),
              (std::vector<std::string>{"Error initializing display driver.", "Error releasing display driver"}));

    fakes::FakeDriver nullInfo, huge;
    nullInfo.nullInfo = true;
    huge.info = {65536, 65536, 20, 4}; // the product overflows 32 bits
    for (fakes::FakeDriver* driver : {&nullInfo, &huge}) {
        FrameBuffer frame;
        frame.Bind(driver);
        frame.Init();
        EXPECT_EQ(frame.bufferSize, 0u);
        frame.Blit(Lit(2, 2), 0, 0, Rect{0, 0, 9, 9}, true, kDrawModeOr);
        frame.ClearRect(0, 0, 9, 9);
        EXPECT_EQ(driver->calls, fakes::Calls{"init"});
    }
}

TEST_F(FrameBufferTest, BlitDrawsWithinFrameAndClipButSendsTheWholeImage)
{
    const Bitmap image = Lit(10, 10);
    for (auto [x, y] : {std::pair{115u, 0u}, {0u, 23u}, {0xFFFFFFFBu, 0u}, {0xFFFFFFFFu, 0xFFFFFFFFu}})
        frame.Blit(image, x, y, all, true, kDrawModeOr); // sticks out: neither drawn nor sent
    frame.Blit(image, 2, 3, all, true, kDrawModeNone);   // sent, not drawn
    EXPECT_EQ(LitCount(), 0);
    frame.Blit(image, 112, 22, all, false, kDrawModeOr); // flush with the corner
    EXPECT_EQ(LitCount(), 100);

    std::uint8_t left[] = {1, 1, 0}, right[] = {0, 1, 1};
    Bitmap a, b;
    a.CopyFrom(PluginImage{left, 3, 1, 0, 3});
    b.CopyFrom(PluginImage{right, 3, 1, 0, 3});
    frame.Blit(a, 10, 0, all, false, kDrawModeOr);
    frame.Blit(b, 11, 0, all, false, kDrawModeOr);
    EXPECT_EQ(std::vector<int>(frame.pixels + 9, frame.pixels + 15), (std::vector<int>{0, 1, 1, 1, 1, 0}));

    std::fill(frame.pixels, frame.pixels + frame.bufferSize, std::uint8_t{0});
    frame.Blit(Lit(32, 32), 0, 0, Rect{10, 10, 20, 20}, true, kDrawModeOr);
    EXPECT_EQ(LitCount(), 100);
    EXPECT_TRUE(frame.pixels[10 * 122 + 10] && frame.pixels[19 * 122 + 19]);
    EXPECT_EQ(driver.calls, (fakes::Calls{"init", "region:2,3,10,10", "region:0,0,32,32"}));
}

TEST_F(FrameBufferTest, ClearRectIsCutToTheFrame)
{
    std::fill(frame.pixels, frame.pixels + frame.bufferSize, std::uint8_t{1});
    frame.ClearRect(5, 2, 5, 10);
    frame.ClearRect(9, 9, 3, 3);
    frame.ClearRect(0, 0, 0, 0);
    EXPECT_EQ(LitCount(), 3904);
    frame.ClearRect(120, 30, 500, 0xFFFFFFFFu);
    EXPECT_EQ(LitCount(), 3904 - 4);
    EXPECT_EQ(frame.pixels[31 * 122 + 121], 0);
}

} // namespace
