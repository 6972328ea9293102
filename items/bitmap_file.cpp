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

} // namespace

bool Bitmap::LoadFile(const std::string& path)
{
    Reset();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();
    file.seekg(0, std::ios::beg);

    unsigned char header[kHeaderBytes];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return false;
    const std::uint32_t offset = ReadU32(header + 10);
    const std::int32_t w = ReadI32(header + 18);
    const std::int32_t h = ReadI32(header + 22);
    if (w <= 0 || h <= 0 || static_cast<std::uint32_t>(w) > kMaxSide || static_cast<std::uint32_t>(h) > kMaxSide)
        return false;
    if (fileSize < 0 || static_cast<std::uint64_t>(offset) >= static_cast<std::uint64_t>(fileSize))
        return false;

    const auto W = static_cast<std::uint32_t>(w);
    const auto H = static_cast<std::uint32_t>(h);
    const std::uint32_t rowBytes = (W + 7) / 8;
    const std::uint32_t stride = (rowBytes + 3) / 4 * 4;

    // Bytes the file lacks stay 0xFF, which inverts to unlit.
    std::vector<unsigned char> rows(static_cast<std::size_t>(stride) * H, 0xFF);
    file.seekg(offset, std::ios::beg);
    file.read(reinterpret_cast<char*>(rows.data()), static_cast<std::streamsize>(rows.size()));

    if (!Allocate(W, H))
        return false;
    for (std::uint32_t r = 0; r < H; ++r) {
        const unsigned char* source = rows.data() + static_cast<std::size_t>(H - 1 - r) * stride;
        std::uint8_t* target = pixels + static_cast<std::size_t>(r) * W;
        for (std::uint32_t c = 0; c < W; ++c) {
            const unsigned lit = 255u - source[c / 8];
            target[c] = static_cast<std::uint8_t>((lit >> (7 - c % 8)) & 1u);
        }
    }
    fileName = path;
    return true;
}
