#include "items/image_items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/core.h"
#include "tests/common/test_env.h"
#include "tests/items/bitmap_files.h"
#include "tests/items/fake_components.h"

namespace {

using fakes::SolidFile;

// Lit pixels in row 0 of a picture.
long LitInRow0(const Bitmap& b)
{
    return std::count(b.pixels, b.pixels + b.width, 1);
}

// Draws what the queue holds, as a tick would.
void Drain(Core& core)
{
    for (const DrawRequest& r : core.drawQueue)
        r.item->Draw(core.frameBuffer, r.rect, r.send, r.mode);
    core.drawQueue.clear();
}

struct ImageItemsTest : ::testing::Test {
    testenv::WorkDir dir;
    Core core;
    fakes::FakeDriver driver;

    void SetUp() override
    {
        dir.WriteBytes("one.bmp", SolidFile(8, 2, 1));
        dir.WriteBytes("two.bmp", SolidFile(8, 2, 2));
        dir.WriteBytes("three.bmp", SolidFile(8, 2, 3));
        dir.WriteBytes("big.bmp", SolidFile(16, 4, 16));
        core.frameBuffer.Bind(&driver);
        core.frameBuffer.Init();
    }
};

TEST_F(ImageItemsTest, ImageReadsItsFileOnceAndNeverChanges)
{
    ImageItem item;
    item.core = &core;
    item.SetParameter("x", "10");
    item.SetParameter("y", "3");
    item.SetParameter("imagebitmap", "two.bmp");
    ASSERT_TRUE(item.valid);
    item.Prepare();
    EXPECT_EQ(item.bounds, (Rect{10, 3, 18, 5}));
    item.Update();
    EXPECT_TRUE(core.drawQueue.empty());

    ImageItem broken;
    broken.SetParameter("imagebitmap", "no such.bmp");
    broken.SetParameter("imageid", "x");
    EXPECT_FALSE(broken.valid);
    EXPECT_EQ(broken.fileName, "no such.bmp");
    const std::vector<std::string> log = {"Image load error: no such.bmp", "Unknown parameter:imageid"};
    const std::vector<std::string> lines = dir.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), log);
}

TEST_F(ImageItemsTest, AnimationShowsFirstFrameTwiceThenCycles)
{
    AnimationItem item;
    item.core = &core;
    for (const char* file : {"one.bmp trailing", "two.bmp", "three.bmp"})
        item.SetParameter("framebitmap", file);
    ASSERT_TRUE(item.valid);
    item.Prepare();
    EXPECT_EQ(LitInRow0(item.current), 1);

    const long expected[] = {1, 2, 3, 1, 2, 3, 1};
    const std::size_t queued[] = {0, 2, 4, 6, 8, 10, 12};
    for (std::size_t i = 0; i < 7; ++i) {
        item.Update();
        EXPECT_EQ(LitInRow0(item.current), expected[i]) << i;
        EXPECT_EQ(core.drawQueue.size(), queued[i]) << i;
    }

    AnimationItem single;
    single.core = &core;
    single.SetParameter("framebitmap", "one.bmp");
    single.Prepare();
    core.drawQueue.clear();
    for (int i = 0; i < 4; ++i)
        single.Update();
    EXPECT_TRUE(core.drawQueue.empty());
}

TEST_F(ImageItemsTest, LargerLaterFrameIsClippedToTheFirstFramesRectangle)
{
    AnimationItem item;
    item.core = &core;
    item.SetParameter("x", "4");
    item.SetParameter("framebitmap", "one.bmp");
    item.SetParameter("framebitmap", "big.bmp");
    item.Prepare();
    item.Update();
    item.Update();
    Drain(core);
    const FrameBuffer& frame = core.frameBuffer;
    EXPECT_EQ(std::count(frame.pixels, frame.pixels + frame.bufferSize, 1), 8 * 2);
    EXPECT_EQ(frame.pixels[1 * 122 + 11], 1);
    EXPECT_EQ(frame.pixels[2 * 122 + 4], 0);
    ASSERT_EQ(driver.regions.size(), 1u);
    EXPECT_EQ(driver.regions[0].x, 4u);
    EXPECT_EQ(driver.regions[0].width, 16u);
    EXPECT_EQ(driver.regions[0].height, 4u);
}

TEST_F(ImageItemsTest, AnimationFrameErrorsAndNoFrames)
{
    AnimationItem item;
    item.core = &core;
    item.SetParameter("framebitmap", "one.bmp");
    item.SetParameter("framebitmap", "gone.bmp");
    item.SetParameter("framebitmap", "two.bmp");
    EXPECT_FALSE(item.valid);
    EXPECT_EQ(item.frames.size(), 2u);
    EXPECT_EQ(dir.LogLines().back(), "Animation frame load error: gone.bmp");

    AnimationItem empty;
    empty.core = &core;
    empty.Prepare();
    empty.Update();
    empty.Draw(core.frameBuffer, Rect{0, 0, 100, 100}, 1, kDrawModeOr);
    EXPECT_EQ(empty.current.size, 0u);
    EXPECT_TRUE(core.drawQueue.empty());
    EXPECT_TRUE(driver.regions.empty());
}

struct PluginImageTest : ImageItemsTest {
    fakes::FakeData data;
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(6, 0);
    PluginImage picture{pixels.data(), 3, 2, 0, 6};
    PluginImageItem item;

    void SetUp() override
    {
        ImageItemsTest::SetUp();
        data.images = {&picture, nullptr};
        core.dataSources.push_back(fakes::MakeSource(data, {}, {"pic", "none"}));
        item.core = &core;
        item.SetParameter("x", "1");
    }
};

TEST_F(PluginImageTest, RedrawsOnlyWhenThePictureChanges)
{
    item.SetParameter("imageid", "  pic  ");
    ASSERT_TRUE(item.valid);
    item.Prepare();
    EXPECT_EQ(item.bounds, (Rect{1, 0, 4, 2}));
    item.Update();
    item.Update();
    EXPECT_TRUE(core.drawQueue.empty());

    pixels[4] = 1;
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 2u);
    EXPECT_EQ(item.current.pixels[4], 1);

    // A size flip is a change; the rectangle stays the one taken at Prepare.
    picture.width = 2;
    picture.height = 3;
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 4u);
    EXPECT_EQ(core.drawQueue.back().rect, (Rect{1, 0, 4, 2}));

    // Pixels that do not match the stated size, or no pixels, show as empty.
    picture.size = 60;
    item.Update();
    EXPECT_EQ(item.current.size, 0u);
    picture.size = 6;
    picture.pixels = nullptr;
    item.Update();
    EXPECT_EQ(item.current.size, 0u);
    EXPECT_EQ(core.drawQueue.size(), 6u);
}

TEST_F(PluginImageTest, MissingPicturesAreEmpty)
{
    item.SetParameter("imageid", "none");
    item.Prepare();
    item.Update();
    EXPECT_EQ(item.current.size, 0u);
    EXPECT_EQ(item.bounds, (Rect{1, 0, 1, 0}));
    EXPECT_TRUE(core.drawQueue.empty());
    EXPECT_EQ(data.imageCalls, 2);

    PluginImageItem unknown;
    unknown.core = &core;
    unknown.SetParameter("imageid", "nothing here");
    EXPECT_FALSE(unknown.valid);
    EXPECT_EQ(dir.LogLines().back(), "Plugin image not found: nothing");
    unknown.Prepare();
    unknown.Update();
    EXPECT_EQ(unknown.current.size, 0u);
}

} // namespace
