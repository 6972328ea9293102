#include "items/bitmap.h"

#include <gtest/gtest.h>

#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

using fakes::BitmapFile;

std::vector<int> Row(const Bitmap& b, std::uint32_t r)
{
    return std::vector<int>(b.pixels + r * b.width, b.pixels + (r + 1) * b.width);
}

TEST(BitmapFile, RowsAreBottomFirstPaddedAndInverted)
{
    testenv::WorkDir dir;
    // 10 wide: 2 bytes and 2 padding bytes per row; the padding would show
    // as lit pixels if it were taken for pixel data.
    dir.WriteBytes("a.bmp", BitmapFile(10, 2, {0x7F, 0xBF, 0, 0, 0xFF, 0x3F, 0, 0}));
    Bitmap b;
    ASSERT_TRUE(b.LoadFile("a.bmp"));
    EXPECT_EQ(b.size, 20u);
    EXPECT_EQ(b.fileName, "a.bmp");
    EXPECT_EQ(Row(b, 1), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Row(b, 0), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));

    // 8 wide: 1 byte and 3 padding bytes; data 4 bytes past the headers;
    // a file cut short reads the missing rows as unlit.
    dir.WriteBytes("b.bmp", BitmapFile(8, 3, {0xAA, 0xAA, 0xAA, 0xAA, 0x0F, 1, 1, 1, 0x00}, 66));
    ASSERT_TRUE(b.LoadFile("b.bmp"));
    EXPECT_EQ(Row(b, 2), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Row(b, 1), std::vector<int>(8, 1));
    EXPECT_EQ(Row(b, 0), std::vector<int>(8, 0));
}

TEST(BitmapFile, UnusableFilesAreRejectedAndLeaveThePictureEmpty)
{
    testenv::WorkDir dir;
    const std::vector<unsigned char> row = {0, 0, 0, 0};
    dir.WriteBytes("ok.bmp", BitmapFile(8, 1, row));
    dir.WriteBytes("short.bmp", std::vector<unsigned char>(30, 0));
    dir.WriteBytes("upside.bmp", BitmapFile(8, -1, row));
    dir.WriteBytes("zero.bmp", BitmapFile(0, 4, row));
    dir.WriteBytes("huge.bmp", BitmapFile(0x7FFFFFFF, 0x7FFFFFFF, row));
    dir.WriteBytes("offset.bmp", BitmapFile(8, 1, row, 0xFFFFFFF0u));
    for (const char* name : {"missing.bmp", "short.bmp", "upside.bmp", "zero.bmp", "huge.bmp", "offset.bmp"}) {
        Bitmap b;
        ASSERT_TRUE(b.LoadFile("ok.bmp"));
        EXPECT_FALSE(b.LoadFile(name)) << name;
        EXPECT_EQ(b.pixels, nullptr) << name;
    }
}

TEST(Bitmap, CopiesReuseTheBufferAndRefuseInconsistentPictures)
{
    Bitmap a, b;
    a.Allocate(4, 2);
    a.pixels[5] = 1;
    b.Allocate(2, 4);
    b.fileName = "b";
    const std::uint8_t* buffer = b.pixels;
    b.CopyFrom(a);
    EXPECT_EQ(b.pixels, buffer);
    EXPECT_EQ(b.width, 4u);
    EXPECT_EQ(b.fileName, "b");
    EXPECT_TRUE(b.SamePixels(a));

    std::uint8_t data[6] = {1, 0, 1, 0, 1, 0};
    for (const PluginImage& bad : {PluginImage{nullptr, 3, 2, 0, 6}, PluginImage{data, 3, 2, 0, 600},
                                   PluginImage{data, 0x10000, 0x10000, 0, 0}}) {
        b.CopyFrom(PluginImage{data, 3, 2, 9, 6});
        EXPECT_EQ(b.extra, 9u);
        b.CopyFrom(bad);
        EXPECT_EQ(b.size, 0u);
        EXPECT_EQ(b.width, 0u);
    }
}

} // namespace
