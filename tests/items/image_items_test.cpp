#include "items/image_items.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/core.h"
#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

std::vector<int> Row(const Bitmap& b, std::uint32_t r)
{
    return std::vector<int>(b.pixels + r * b.width, b.pixels + (r + 1) * b.width);
}

TEST(BitmapFile, RowsAreBottomFirstPaddedAndInverted)
{
    testenv::WorkDir dir;
    // 10 wide: 2 bytes and 2 padding bytes per row; the padding would show
    // as lit pixels if it were taken for pixel data.
    dir.WriteBytes("a.bmp", testenv::BitmapFile(10, 2, {0x7F, 0xBF, 0, 0, 0xFF, 0x3F, 0, 0}));
    Bitmap b;
    ASSERT_TRUE(b.LoadFile("a.bmp"));
    EXPECT_EQ(Row(b, 1), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Row(b, 0), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));

    // 8 wide: 1 byte and 3 padding bytes; data 4 bytes past the headers;
    // a file cut short reads the missing rows as unlit.
    dir.WriteBytes("b.bmp", testenv::BitmapFile(8, 3, {0xAA, 0xAA, 0xAA, 0xAA, 0x0F, 1, 1, 1, 0x00}, 66));
    ASSERT_TRUE(b.LoadFile("b.bmp"));
    EXPECT_EQ(Row(b, 2), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Row(b, 1), std::vector<int>(8, 1));
    EXPECT_EQ(Row(b, 0), std::vector<int>(8, 0));
}

TEST(BitmapFile, OnlyAMissingFileFailsAndOddFilesReadSafely)
{
    testenv::WorkDir dir;
    const std::vector<unsigned char> row = {0x7F, 0, 0, 0};
    std::vector<unsigned char> eleven = testenv::BitmapFile(8, 1, row);
    eleven.resize(11);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        std::uint32_t width, height;
        int litInFirstRow; // -1: no pixels
    };
    const std::vector<Case> cases = {
        {"short.bmp", std::vector<unsigned char>(30, 0), 0, 0, -1},
        {"eleven.bmp", eleven, 0, 0, -1},
        {"zero.bmp", testenv::BitmapFile(0, 4, row), 0, 0, -1},
        {"flat.bmp", testenv::BitmapFile(8, 0, row), 0, 0, -1},
        {"topdown.bmp", testenv::BitmapFile(8, -2, {0x7F, 0, 0, 0, 0xFF, 0, 0, 0}), 8, 2, 1},
        {"offset.bmp", testenv::BitmapFile(8, 1, row, 0xFFFFFFF0u), 8, 1, 0},
        {"huge.bmp", testenv::BitmapFile(0x7FFFFFFF, 0x7FFFFFFF, row), Bitmap::kMaxFileSide, Bitmap::kMaxFileSide, 0},
    };
    for (const Case& c : cases)
        dir.WriteBytes(c.name, c.bytes);
    Bitmap b;
    EXPECT_FALSE(b.LoadFile("missing.bmp"));
    EXPECT_FALSE(b.LoadFile("/dev/zero")); // would never end
    for (const Case& c : cases) {
        ASSERT_TRUE(b.LoadFile(c.name)) << c.name;
        EXPECT_EQ(b.width, c.width) << c.name;
        EXPECT_EQ(b.height, c.height) << c.name;
        if (c.litInFirstRow < 0)
            EXPECT_EQ(b.pixels, nullptr) << c.name;
        else
            EXPECT_EQ(std::count(b.pixels, b.pixels + b.width, 1), c.litInFirstRow) << c.name;
    }
}

TEST(ImageItems, BitmapPathsWrittenWithBackslashesAreFound)
{
    testenv::WorkDir dir;
    dir.WriteBytes("screens/logo.bmp", testenv::BitmapFile(8, 1, {0, 0, 0, 0}));
    ImageItem image;
    image.SetParameter("imagebitmap", "screens\\logo.bmp");
    AnimationItem animation;
    animation.SetParameter("framebitmap", "screens\\logo.bmp");
    EXPECT_TRUE(image.valid);
    EXPECT_EQ(image.current.width, 8u);
    EXPECT_TRUE(animation.valid);
}

TEST(PluginImageItem, RedrawsOnlyWhenThePictureChanges)
{
    Core core;
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
    std::vector<std::uint8_t> row(Bitmap::kMaxSide + 1, 1);
    for (PluginImage bad : {PluginImage{pixels.data(), 3, 2, 0, 60}, PluginImage{nullptr, 3, 2, 0, 6},
                            PluginImage{pixels.data(), 0x10000, 0x10000, 0, 0},
                            PluginImage{row.data(), Bitmap::kMaxSide + 1, 1, 0, Bitmap::kMaxSide + 1}}) {
        picture = bad; // contradicts itself or is too wide: shown as empty
        item.Update();
        EXPECT_EQ(item.current.size, 0u);
    }

    PluginImageItem none; // the plugin has no picture for it
    none.core = &core;
    none.SetParameter("imageid", "img1");
    none.Prepare();
    none.Update();
    EXPECT_EQ(none.current.size, 0u);
}

} // namespace
