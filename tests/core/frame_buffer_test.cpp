#include "core/frame_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "items/bitmap.h"
#include "tests/common/test_env.h"
#include "tests/items/fake_components.h"

namespace {

using fakes::FakeDriver;

// A w x h picture with every pixel lit.
Bitmap Lit(std::uint32_t w, std::uint32_t h)
{
    Bitmap b;
    b.Allocate(w, h);
    std::fill(b.pixels, b.pixels + b.size, std::uint8_t{1});
    return b;
}

std::size_t LitCount(const FrameBuffer& frame)
{
    return static_cast<std::size_t>(std::count(frame.pixels, frame.pixels + frame.bufferSize, 1));
}

struct FrameBufferTest : ::testing::Test {
    testenv::WorkDir dir;
    FakeDriver driver;
    FrameBuffer frame;

    void SetUp() override
    {
        frame.Bind(&driver);
        frame.Init();
    }
};

const Rect kAll{0, 0, 1000, 1000};

TEST_F(FrameBufferTest, InitLogsGeometryAndClearsFrame)
{
    EXPECT_EQ(frame.DriverName(), "Fake");
    EXPECT_EQ(frame.bufferSize, 3904u);
    ASSERT_NE(frame.pixels, nullptr);
    EXPECT_EQ(LitCount(frame), 0u);
    EXPECT_EQ(std::count(frame.pixels, frame.pixels + 3904, 0), 3904);
    const std::vector<std::string> expected = {
        "Driver X pixels  : 122", "Driver Y pixels  : 32", "Driver buffersize: 3904",
        "Driver X chars   : 20",  "Driver Y chars   : 4",
    };
    EXPECT_EQ(dir.LogLines(), expected);
    EXPECT_EQ(driver.calls, std::vector<std::string>{"init"});
}

TEST(FrameBufferInit, MissingDriverNullInfoAbsurdSizeAndUnterminatedName)
{
    testenv::WorkDir dir;
    FrameBuffer unbound;
    unbound.Init();
    unbound.Release();
    unbound.Clear();
    unbound.WriteText("x", 0, 0);
    EXPECT_EQ(dir.LogLines(),
              (std::vector<std::string>{"Error initializing display driver.", "Error releasing display driver"}));

    FakeDriver nullInfo;
    nullInfo.nullInfo = true;
    nullInfo.unterminatedName = true;
    FrameBuffer a;
    a.Bind(&nullInfo);
    a.Init();
    EXPECT_EQ(a.bufferSize, 0u);
    EXPECT_EQ(a.XChars(), 0u);
    EXPECT_EQ(a.DriverName(), std::string(256, 'N'));

    // 65536 x 65536 would overflow 32 bits; the frame is treated as empty.
    FakeDriver huge;
    huge.info = {65536, 65536, 20, 4};
    FrameBuffer b;
    b.Bind(&huge);
    b.Init();
    EXPECT_EQ(b.bufferSize, 0u);
    EXPECT_EQ(b.XPixels(), 0u);
    EXPECT_EQ(b.XChars(), 20u);
    Bitmap image = Lit(2, 2);
    b.Blit(image, 0, 0, kAll, true, kDrawModeOr);
    b.ClearRect(0, 0, 10, 10);
    EXPECT_TRUE(huge.regions.empty());
}

TEST_F(FrameBufferTest, BindingAnotherDriverSaysGoodbyeToTheFirst)
{
    FakeDriver second;
    frame.Bind(nullptr);
    EXPECT_EQ(frame.Driver(), &driver);
    frame.Bind(&second);
    EXPECT_EQ(frame.Driver(), &second);
    const std::vector<std::string> farewell = {"init", "clear", "prepareShutdown", "text:Good Bye!@0,0", "shutdown"};
    EXPECT_EQ(driver.calls, farewell);
    EXPECT_TRUE(second.calls.empty());
}

TEST_F(FrameBufferTest, ImageThatSticksOutIsNeitherDrawnNorSent)
{
    Bitmap image = Lit(10, 10);
    frame.Blit(image, 115, 0, kAll, true, kDrawModeOr);
    frame.Blit(image, 0, 23, kAll, true, kDrawModeOr);
    // A negative position arrives wrapped around to a huge unsigned value.
    frame.Blit(image, static_cast<std::uint32_t>(-5), 0, kAll, true, kDrawModeOr);
    frame.Blit(image, 0xFFFFFFFFu, 0xFFFFFFFFu, kAll, true, kDrawModeOr);
    EXPECT_EQ(LitCount(frame), 0u);
    EXPECT_TRUE(driver.regions.empty());

    // Exactly flush with the bottom right corner fits.
    frame.Blit(image, 112, 22, kAll, true, kDrawModeOr);
    EXPECT_EQ(LitCount(frame), 100u);
    ASSERT_EQ(driver.regions.size(), 1u);
    EXPECT_EQ(driver.regions[0].frame, static_cast<const FrameBufferHeader*>(&frame));
}

TEST_F(FrameBufferTest, ModeZeroSendsWithoutDrawingAndOrCombines)
{
    Bitmap image = Lit(4, 4);
    frame.Blit(image, 2, 3, kAll, true, kDrawModeNone);
    EXPECT_EQ(LitCount(frame), 0u);
    ASSERT_EQ(driver.regions.size(), 1u);
    EXPECT_EQ(driver.regions[0].x, 2u);
    EXPECT_EQ(driver.regions[0].y, 3u);
    EXPECT_EQ(driver.regions[0].width, 4u);
    EXPECT_EQ(driver.regions[0].height, 4u);

    // Two overlapping patterns: columns 0,1 lit in one, 1,2 in the other.
    Bitmap left;
    left.Allocate(3, 1);
    left.pixels[0] = left.pixels[1] = 1;
    Bitmap right;
    right.Allocate(3, 1);
    right.pixels[1] = right.pixels[2] = 1;
    frame.Blit(left, 10, 0, kAll, false, kDrawModeOr);
    frame.Blit(right, 11, 0, kAll, false, kDrawModeOr);
    const std::uint8_t* row = frame.pixels;
    EXPECT_EQ(std::vector<std::uint8_t>(row + 10, row + 15), (std::vector<std::uint8_t>{1, 1, 1, 1, 0}));
    EXPECT_EQ(driver.regions.size(), 1u); // send false: nothing more
}

TEST_F(FrameBufferTest, ClipLimitsDrawingButTheWholeImageIsSent)
{
    Bitmap image = Lit(32, 32);
    frame.Blit(image, 0, 0, Rect{10, 10, 20, 20}, true, kDrawModeOr);
    for (std::uint32_t r = 0; r < 32; ++r)
        for (std::uint32_t c = 0; c < 122; ++c)
            ASSERT_EQ(frame.pixels[r * 122 + c], (r >= 10 && r < 20 && c >= 10 && c < 20) ? 1 : 0) << r << "," << c;
    ASSERT_EQ(driver.regions.size(), 1u);
    EXPECT_EQ(driver.regions[0].width, 32u);
    EXPECT_EQ(driver.regions[0].height, 32u);
}

TEST_F(FrameBufferTest, ClearRectIsCutToTheFrame)
{
    std::fill(frame.pixels, frame.pixels + frame.bufferSize, std::uint8_t{1});
    frame.ClearRect(5, 2, 5, 10); // empty width
    frame.ClearRect(9, 9, 3, 3);  // reversed
    frame.ClearRect(0, 0, 0, 0);  // all zero
    EXPECT_EQ(LitCount(frame), 3904u);

    frame.ClearRect(120, 30, 500, 0xFFFFFFFFu);
    EXPECT_EQ(LitCount(frame), 3904u - 4u);
    EXPECT_EQ(frame.pixels[30 * 122 + 120], 0);
    EXPECT_EQ(frame.pixels[31 * 122 + 121], 0);
    EXPECT_EQ(frame.pixels[31 * 122 + 119], 1);
    EXPECT_TRUE(driver.regions.empty());
}

TEST_F(FrameBufferTest, ClearAndWriteTextLeaveTheFrameAlone)
{
    Bitmap image = Lit(1, 1);
    frame.Blit(image, 0, 0, kAll, false, kDrawModeOr);
    frame.Clear();
    frame.WriteText("", 3, 1);
    frame.WriteText("hi", 0, 2);
    EXPECT_EQ(LitCount(frame), 1u);
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"init", "clear", "text:@3,1", "text:hi@0,2"}));
}

} // namespace
