#include "drivers/virtual/image_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drivers/virtual/checksums.h"
#include "tests/common/test_env.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t BigEndian(const Bytes& bytes, std::size_t at)
{
    return std::uint32_t{bytes.at(at)} << 24 | std::uint32_t{bytes.at(at + 1)} << 16 |
           std::uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

struct Chunk {
    std::string type;
    Bytes data;
};

// Splits a PNG into chunks, checking each CRC.
std::vector<Chunk> Chunks(const Bytes& png)
{
    static const Bytes kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(kSignature.begin(), kSignature.end(), png.begin()));
    std::vector<Chunk> chunks;
    for (std::size_t at = 8; at < png.size();) {
        const std::uint32_t length = BigEndian(png, at);
        EXPECT_LE(at + 12 + length, png.size());
        chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                          Bytes(png.begin() + at + 8, png.begin() + at + 8 + length)});
        EXPECT_EQ(BigEndian(png, at + 8 + length), vdisplay::Crc32(png.data() + at + 4, length + 4));
        at += 12 + length;
    }
    return chunks;
}

// Undoes a zlib stream of stored blocks, checking the header, each block's
// lengths and the Adler-32.
Bytes Inflate(const Bytes& stream)
{
    EXPECT_EQ((stream.at(0) * 256 + stream.at(1)) % 31, 0);
    EXPECT_EQ(stream.at(0) & 0x0F, 8); // deflate
    Bytes raw;
    std::size_t at = 2;
    for (bool last = false; !last;) {
        last = (stream.at(at) & 1) != 0;
        EXPECT_EQ(stream.at(at) >> 1, 0); // stored
        const std::size_t length = stream.at(at + 1) | stream.at(at + 2) << 8;
        EXPECT_EQ(length ^ 0xFFFFu, std::size_t(stream.at(at + 3) | stream.at(at + 4) << 8));
        raw.insert(raw.end(), stream.begin() + at + 5, stream.begin() + at + 5 + length);
        at += 5 + length;
    }
    EXPECT_EQ(at + 4, stream.size());
    EXPECT_EQ(BigEndian(stream, at), vdisplay::Adler32(raw.data(), raw.size()));
    return raw;
}

TEST(ImageExport, PngHoldsTheLcdPaletteAndStoredPixelsWithValidChecksums)
{
    // Known check values of both checksums.
    EXPECT_EQ(vdisplay::Crc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(vdisplay::Adler32(reinterpret_cast<const std::uint8_t*>("Wikipedia"), 9), 0x11E60398u);

    // 300 x 250 needs more than one stored block (65535 bytes each).
    for (const auto& [width, height] : {std::pair{5u, 3u}, std::pair{300u, 250u}, std::pair{1u, 1u}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        Bytes picture(std::size_t{width} * height);
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] = (i * 7 / 3 + i / width) % 3 == 0 ? 1 : 0;
        Bytes png;
        vdisplay::EncodePng(picture.data(), width, height, 0x102030, 0xA0B0C0, png);
        const std::vector<Chunk> chunks = Chunks(png);
        ASSERT_EQ(chunks.size(), 4u);
        EXPECT_EQ(chunks[0].type + chunks[1].type + chunks[2].type + chunks[3].type, "IHDRPLTEIDATIEND");
        EXPECT_EQ(BigEndian(chunks[0].data, 0), width);
        EXPECT_EQ(BigEndian(chunks[0].data, 4), height);
        EXPECT_EQ(Bytes(chunks[0].data.begin() + 8, chunks[0].data.end()), (Bytes{8, 3, 0, 0, 0}));
        EXPECT_EQ(chunks[1].data, (Bytes{0xA0, 0xB0, 0xC0, 0x10, 0x20, 0x30})); // unlit first
        EXPECT_TRUE(chunks[3].data.empty());

        // Each row behind a zero byte: no filter.
        Bytes rows;
        for (std::size_t y = 0; y < height; ++y) {
            rows.push_back(0);
            rows.insert(rows.end(), picture.begin() + y * width, picture.begin() + (y + 1) * width);
        }
        EXPECT_EQ(Inflate(chunks[2].data), rows);
    }
}

TEST(ImageExport, PbmPacksRowsAndFilesAreReplacedWhole)
{
    const Bytes picture = {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, //
                           0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    const std::string pbm = std::string("P4\n10 2\n") + "\x80\x80\x7F\xC0"; // lit is black, rows padded

    EXPECT_EQ(vdisplay::FormatForPath("a.PnG"), vdisplay::ImageFormat::Png);
    for (const char* path : {"a.pbm", "png", "a.png.txt", "", "x.pn"})
        EXPECT_EQ(vdisplay::FormatForPath(path), vdisplay::ImageFormat::Pbm) << path;

    testenv::WorkDir dir;
    const std::string png = (dir.Path() / "shot.PNG").string();
    const std::string plain = (dir.Path() / "shot.txt").string();
    std::ofstream(png) << "old content";
    ASSERT_TRUE(vdisplay::WriteImageFile(png, picture.data(), 10, 2, 0, 0xFFFFFF));
    ASSERT_TRUE(vdisplay::WriteImageFile(plain, picture.data(), 10, 2, 0, 0xFFFFFF));
    std::ifstream pngFile(png, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(pngFile)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Chunks(written).size(), 4u);
    EXPECT_EQ(dir.Read("shot.txt"), pbm);
    EXPECT_FALSE(std::filesystem::exists(png + ".tmp"));
    EXPECT_FALSE(
        vdisplay::WriteImageFile((dir.Path() / "missing" / "x.pbm").string(), picture.data(), 10, 2, 0, 0));
}

} // namespace
