#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "items/bitmap.h"

namespace {

constexpr std::size_t kHeaderBytes = 14 + 44;

std::uint32_t ReadU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t ReadI32(const unsigned char* p)
{
    return static_cast<std::int32_t>(ReadU32(p)); // two's complement conversion since C++20
}

// Reads up to `size` bytes at `position`; bytes the file lacks keep their value.
void ReadAt(std::ifstream& file, std::uint64_t position, unsigned char* target, std::size_t size)
{
    file.clear();
    if (position > static_cast<std::uint64_t>(INT64_MAX) || !file.seekg(static_cast<std::streamoff>(position)))
        return;
    file.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(size));
}

} // namespace

bool Bitmap::LoadFile(const std::string& path)
{
    Reset();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    fileName = path;

    // A header cut short reads as zeros: no pixels.
    unsigned char header[kHeaderBytes] = {};
    ReadAt(file, 0, header, sizeof header);
    const std::uint32_t offset = ReadU32(header + 10);
    const std::int32_t w = ReadI32(header + 18);
    const std::int32_t h = ReadI32(header + 22);
    if (w <= 0 || h == 0 || h == INT32_MIN)
        return true;
    const bool topDown = h < 0; // the other row order of the format
    const auto W = static_cast<std::uint32_t>(w);
    const auto H = static_cast<std::uint32_t>(topDown ? -h : h);

    // Only the top-left kMaxFileSide x kMaxFileSide corner is kept, so a
    // tiny file claiming a huge picture costs at most that much memory.
    const std::uint32_t keptW = std::min(W, kMaxFileSide);
    const std::uint32_t keptH = std::min(H, kMaxFileSide);
    if (!Allocate(keptW, keptH))
        return true;
    file.clear();
    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();
    const std::uint64_t stride = (static_cast<std::uint64_t>(W) + 31) / 32 * 4;
    std::vector<unsigned char> row((keptW + 7) / 8);
    for (std::uint32_t r = 0; r < keptH; ++r) {
        const std::uint64_t fileRow = topDown ? r : H - 1 - r;
        const std::uint64_t position = offset + fileRow * stride;
        std::fill(row.begin(), row.end(), 0xFF); // bytes the file lacks: unlit
        if (fileSize < 0 || position < static_cast<std::uint64_t>(fileSize))
            ReadAt(file, position, row.data(), row.size());
        std::uint8_t* target = pixels + static_cast<std::size_t>(r) * keptW;
        for (std::uint32_t c = 0; c < keptW; ++c)
            target[c] = static_cast<std::uint8_t>(((255u - row[c / 8]) >> (7 - c % 8)) & 1u);
    }
    return true;
}
