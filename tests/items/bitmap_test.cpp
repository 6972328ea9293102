#include "items/bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/common/test_env.h"
#include "tests/items/bitmap_files.h"

namespace {

using fakes::BitmapFile;
using fakes::Bytes;

std::vector<int> Row(const Bitmap& b, std::uint32_t r)
{
    return std::vector<int>(b.pixels + r * b.width, b.pixels + (r + 1) * b.width);
}

TEST(BitmapFile, RowsAreBottomFirstPaddedAndInverted)
{
    testenv::WorkDir dir;
    // 10 x 2: two bytes per row plus two padding bytes. The padding bytes
    // hold values that would show up if they were taken as pixels.
    dir.WriteBytes("a.bmp", BitmapFile(10, 2, {0x7F, 0xBF, 0x00, 0x00, 0xFF, 0x3F, 0x00, 0x00}));
    Bitmap b;
    ASSERT_TRUE(b.LoadFile("a.bmp"));
    EXPECT_EQ(b.width, 10u);
    EXPECT_EQ(b.height, 2u);
    EXPECT_EQ(b.size, 20u);
    EXPECT_EQ(b.fileName, "a.bmp");
    // The first file row is the bottom row; 0x7F gives 1,0,0,0,0,0,0,0 and
    // only the two leading bits of the second byte count.
    EXPECT_EQ(Row(b, 1), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Row(b, 0), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));

    // 8 wide: one byte plus three padding bytes per row.
    dir.WriteBytes("b.bmp", BitmapFile(8, 3, {0x00, 1, 1, 1, 0xFF, 1, 1, 1, 0x0F, 1, 1, 1}));
    ASSERT_TRUE(b.LoadFile("b.bmp"));
    EXPECT_EQ(Row(b, 0), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Row(b, 1), (std::vector<int>(8, 0)));
    EXPECT_EQ(Row(b, 2), (std::vector<int>(8, 1)));

    // The pixel data offset is honoured.
    Bytes shifted = BitmapFile(8, 1, {0xAA, 0xAA, 0xAA, 0xAA, 0x00, 0, 0, 0}, 66);
    dir.WriteBytes("c.bmp", shifted);
    ASSERT_TRUE(b.LoadFile("c.bmp"));
    EXPECT_EQ(Row(b, 0), (std::vector<int>(8, 1)));
}

TEST(BitmapFile, TruncatedDataReadsAsUnlit)
{
    testenv::WorkDir dir;
    // 8 x 3 needs 12 bytes; only the bottom row's first byte is there.
    dir.WriteBytes("t.bmp", BitmapFile(8, 3, {0x00}));
    Bitmap b;
    ASSERT_TRUE(b.LoadFile("t.bmp"));
    EXPECT_EQ(Row(b, 2), (std::vector<int>(8, 1)));
    EXPECT_EQ(Row(b, 1), (std::vector<int>(8, 0)));
    EXPECT_EQ(Row(b, 0), (std::vector<int>(8, 0)));
}

TEST(BitmapFile, UnusableFilesAreRejectedAndLeaveThePictureEmpty)
{
    testenv::WorkDir dir;
    dir.WriteBytes("ok.bmp", BitmapFile(8, 1, {0, 0, 0, 0}));
    dir.WriteBytes("short.bmp", Bytes(30, 0));
    dir.WriteBytes("negative.bmp", BitmapFile(8, -1, {0, 0, 0, 0}));
    dir.WriteBytes("zero.bmp", BitmapFile(0, 4, {0, 0, 0, 0}));
    dir.WriteBytes("negwidth.bmp", BitmapFile(-8, 1, {0, 0, 0, 0}));
    dir.WriteBytes("huge.bmp", BitmapFile(0x7FFFFFFF, 0x7FFFFFFF, {0, 0, 0, 0}));
    dir.WriteBytes("wide.bmp", BitmapFile(5000, 1, {0, 0, 0, 0}));
    dir.WriteBytes("offset.bmp", BitmapFile(8, 1, {0, 0, 0, 0}, 0xFFFFFFF0u));
    for (const char* name : {"missing.bmp", "short.bmp", "negative.bmp", "zero.bmp", "negwidth.bmp", "huge.bmp",
                             "wide.bmp", "offset.bmp"}) {
        Bitmap b;
        ASSERT_TRUE(b.LoadFile("ok.bmp"));
        EXPECT_FALSE(b.LoadFile(name)) << name;
        EXPECT_EQ(b.size, 0u) << name;
        EXPECT_EQ(b.pixels, nullptr) << name;
    }
}

TEST(Bitmap, CopyReusesTheBufferOnlyWhenTheSizeIsUnchanged)
{
    Bitmap a;
    a.Allocate(4, 2);
    a.pixels[5] = 1;
    a.extra = 7;
    a.fileName = "a";
    Bitmap b;
    b.Allocate(2, 4);
    b.fileName = "b";
    const std::uint8_t* buffer = b.pixels;
    b.CopyFrom(a);
    EXPECT_EQ(b.pixels, buffer); // same size: no reallocation
    EXPECT_EQ(b.width, 4u);
    EXPECT_EQ(b.extra, 7u);
    EXPECT_EQ(b.pixels[5], 1);
    EXPECT_EQ(b.fileName, "b");
    EXPECT_TRUE(b.SamePixels(a));

    Bitmap c(a);
    EXPECT_TRUE(c.SamePixels(a));
    EXPECT_NE(c.pixels, a.pixels);
    EXPECT_TRUE(c.fileName.empty());

    // Same bytes in another shape count as a different picture.
    Bitmap d;
    d.Allocate(2, 4);
    d.CopyFrom(Bitmap{});
    EXPECT_EQ(d.pixels, nullptr);
    d.Allocate(8, 1);
    a.pixels[5] = 0;
    EXPECT_FALSE(d.SamePixels(a));
}

TEST(Bitmap, InconsistentPluginPicturesCopyAsEmpty)
{
    std::uint8_t data[6] = {1, 0, 1, 0, 1, 0};
    Bitmap b;
    b.CopyFrom(PluginImage{data, 3, 2, 9, 6});
    EXPECT_EQ(b.size, 6u);
    EXPECT_EQ(b.extra, 9u);
    EXPECT_EQ(b.pixels[2], 1);

    for (const PluginImage& bad : {PluginImage{nullptr, 3, 2, 0, 6}, PluginImage{data, 3, 2, 0, 600},
                                   PluginImage{data, 0x10000, 0x10000, 0, 0}, PluginImage{data, 3, 3, 0, 6}}) {
        b.CopyFrom(PluginImage{data, 3, 2, 0, 6});
        b.CopyFrom(bad);
        EXPECT_EQ(b.size, 0u);
        EXPECT_EQ(b.pixels, nullptr);
    }
}

} // namespace
