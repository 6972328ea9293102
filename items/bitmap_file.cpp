#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "items/bitmap.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kHeaderBytes = 14 + 44;
// Pixel data beyond this reads as unlit; a picture of kMaxFileSide rows of
// kMaxSide pixels needs far less.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

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
    std::string bytes;
    const platform::FileRead read = platform::ReadRegularFile(path, kMaxFileBytes, bytes);
    if (read != platform::FileRead::Ok && read != platform::FileRead::TooLarge)
        return false;
    fileName = path;
    const auto* file = reinterpret_cast<const unsigned char*>(bytes.data());

    // A header cut short reads as zeros: no pixels.
    unsigned char header[kHeaderBytes] = {};
    std::memcpy(header, file, std::min(bytes.size(), kHeaderBytes));
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
    const std::uint64_t stride = (static_cast<std::uint64_t>(W) + 31) / 32 * 4;
    for (std::uint32_t r = 0; r < keptH; ++r) {
        const std::uint64_t start = offset + (topDown ? r : H - 1 - r) * stride;
        if (start >= bytes.size())
            continue; // a row the file lacks stays unlit
        std::uint8_t* target = pixels + static_cast<std::size_t>(r) * keptW;
        for (std::uint32_t c = 0; c < keptW; ++c) {
            const std::uint64_t at = start + c / 8;
            // Bytes the file lacks read as 0xFF: unlit.
            const unsigned byte = at < bytes.size() ? file[at] : 0xFFu;
            target[c] = static_cast<std::uint8_t>(((255u - byte) >> (7 - c % 8)) & 1u);
        }
    }
    return true;
}
