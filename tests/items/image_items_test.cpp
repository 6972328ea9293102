#include "items/image_items.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

// An 8-pixel-wide file of `rows` rows, each with its leading `lit` pixels lit;
// or 16 x 4 all lit.
std::vector<unsigned char> File(unsigned lit, std::int32_t rows = 2)
{
    std::vector<unsigned char> data;
    for (std::int32_t r = 0; r < rows; ++r)
        data.insert(data.end(), {static_cast<unsigned char>(0xFFu >> lit), 0xFF, 0xFF, 0xFF});
    return fakes::BitmapFile(8, rows, data);
}

long LitInRow0(const Bitmap& b)
{
    return std::count(b.pixels, b.pixels + b.width, 1);
}

struct ImageItemsTest : ::testing::Test {
    testenv::WorkDir dir;
    Core core;
    fakes::FakeDriver driver;

    void SetUp() override
    {
        for (unsigned lit : {1u, 2u, 3u})
            dir.WriteBytes(std::to_string(lit) + ".bmp", File(lit));
        dir.WriteBytes("big.bmp", fakes::BitmapFile(16, 4, std::vector<unsigned char>(16, 0)));
        core.frameBuffer.Bind(&driver);
        core.frameBuffer.Init();
    }
    void Drain()
    {
        for (const DrawRequest& r : core.drawQueue)
            r.item->Draw(core.frameBuffer, r.rect, r.send, r.mode);
        core.drawQueue.clear();
    }
};

TEST_F(ImageItemsTest, AnimationShowsTheFirstFrameTwiceThenCyclesAndBadFilesInvalidate)
{
    AnimationItem item;
    item.core = &core;
    for (const char* file : {"1.bmp trailing words", "2.bmp", "3.bmp"})
        item.SetParameter("framebitmap", file);
    item.Prepare();
    const long shown[] = {1, 2, 3, 1, 2};
    const std::size_t queued[] = {0, 2, 4, 6, 8};
    for (std::size_t i = 0; i < 5; ++i) {
        item.Update();
        EXPECT_EQ(LitInRow0(item.current), shown[i]) << i;
        EXPECT_EQ(core.drawQueue.size(), queued[i]) << i;
    }

    AnimationItem broken;
    for (const char* file : {"1.bmp", "gone.bmp", "2.bmp"})
        broken.SetParameter("framebitmap", file);
    EXPECT_FALSE(broken.valid);
    EXPECT_EQ(broken.frames.size(), 2u);
    EXPECT_EQ(dir.LogLines().back(), "Animation frame load error: gone.bmp");

    AnimationItem empty;
    empty.Prepare();
    empty.Update();
    EXPECT_EQ(empty.current.size, 0u);

    ImageItem image;
    image.SetParameter("imagebitmap", "no such.bmp");
    EXPECT_FALSE(image.valid);
    EXPECT_EQ(dir.LogLines().back(), "Image load error: no such.bmp");
}

TEST_F(ImageItemsTest, LargerLaterFrameIsClippedToTheFirstFramesRectangle)
{
    AnimationItem item;
    item.core = &core;
    item.SetParameter("x", "4");
    item.SetParameter("framebitmap", "1.bmp");
    item.SetParameter("framebitmap", "big.bmp");
    item.Prepare();
    item.Update();
    item.Update();
    Drain();
    const FrameBuffer& frame = core.frameBuffer;
    EXPECT_EQ(std::count(frame.pixels, frame.pixels + frame.bufferSize, 1), 16);
    EXPECT_EQ(frame.pixels[1 * 122 + 11], 1);
    EXPECT_EQ(driver.regions, (std::vector<fakes::Region>{{4, 0, 16, 4}}));
}

TEST_F(ImageItemsTest, PluginImageRedrawsOnlyWhenThePictureChanges)
{
    std::vector<std::uint8_t> pixels(6, 0);
    PluginImage picture{pixels.data(), 3, 2, 0, 6};
    fakes::FakeData data;
    data.images = {&picture, nullptr};
    core.dataSources.push_back(data.Source());
    PluginImageItem item;
    item.core = &core;
    item.SetParameter("imageid", " img0 ");
    item.Prepare();
    EXPECT_EQ(item.bounds, (Rect{0, 0, 3, 2}));
    item.Update();
    EXPECT_TRUE(core.drawQueue.empty());

    pixels[4] = 1;
    item.Update();
    picture.width = 2; // a size flip; the rectangle stays the one of Prepare
    picture.height = 3;
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 4u);
    EXPECT_EQ(core.drawQueue.back().rect, (Rect{0, 0, 3, 2}));
    picture.size = 60; // does not match its geometry: shown as empty
    item.Update();
    EXPECT_EQ(item.current.size, 0u);

    PluginImageItem none;
    none.core = &core;
    none.SetParameter("imageid", "img1");
    none.Prepare();
    none.Update();
    EXPECT_EQ(none.current.size, 0u);
    none.SetParameter("imageid", "img9 x");
    EXPECT_FALSE(none.valid);
    EXPECT_EQ(dir.LogLines().back(), "Plugin image not found: img9");
}

} // namespace
