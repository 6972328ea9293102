#include "drivers/smart-screen/picture_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb_image.h>

namespace smartscreen {

namespace {

std::string Size(std::uint32_t width, std::uint32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// The whole file, or nothing; files larger than any picture we take are
// not read at all.
std::optional<std::vector<unsigned char>> ReadFile(const std::string& path, std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        why = "cannot be opened";
        return std::nullopt;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file);
        bytes.insert(bytes.end(), block, block + got);
        if (bytes.size() > 4 * kMaxPicturePixels) {
            why = "is too large";
            return std::nullopt;
        }
        if (got < sizeof block)
            break;
    }
    return bytes;
}

} // namespace

std::optional<Picture> LoadPicture(const std::string& path, std::uint32_t width, std::uint32_t height,
                                   std::string& note)
{
    note.clear();
    std::string why;
    const std::optional<std::vector<unsigned char>> bytes = ReadFile(path, why);
    if (!bytes) {
        note = path + " " + why;
        return std::nullopt;
    }
    // The size in the header first: the decoder refuses the largest
    // pictures only vaguely, and we want to say why.
    const std::vector<unsigned char>& b = *bytes;
    if (b.size() >= 24 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(&b[12], "IHDR", 4) == 0) {
        const auto be32 = [&](std::size_t at) {
            return std::uint64_t{b[at]} << 24 | std::uint64_t{b[at + 1]} << 16 | std::uint64_t{b[at + 2]} << 8 |
                   b[at + 3];
        };
        if (be32(16) * be32(20) > kMaxPicturePixels) {
            note = path + " is " + std::to_string(be32(16)) + " x " + std::to_string(be32(20)) + ", too large";
            return std::nullopt;
        }
    }
    const int length = static_cast<int>(bytes->size());
    int w = 0, h = 0, channels = 0;
    if (stbi_info_from_memory(bytes->data(), length, &w, &h, &channels) == 0 || w <= 0 || h <= 0) {
        note = path + " is not a PNG picture";
        return std::nullopt;
    }
    if (std::uint64_t(w) * std::uint64_t(h) > kMaxPicturePixels) {
        note = path + " is " + Size(std::uint32_t(w), std::uint32_t(h)) + ", too large";
        return std::nullopt;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> decoded(
        stbi_load_from_memory(bytes->data(), length, &w, &h, &channels, 3), stbi_image_free);
    if (!decoded) {
        note = path + " cannot be decoded (" + stbi_failure_reason() + ")";
        return std::nullopt;
    }
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(std::size_t{width} * height * 3);
    // Nearest pixel: these are themes, not photographs to be filtered.
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::size_t sy = std::size_t(std::uint64_t{y} * std::uint32_t(h) / height);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t sx = std::size_t(std::uint64_t{x} * std::uint32_t(w) / width);
            const stbi_uc* from = decoded.get() + (sy * std::size_t(w) + sx) * 3;
            std::uint8_t* to = &picture.rgb[(std::size_t{y} * width + x) * 3];
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    if (std::uint32_t(w) != width || std::uint32_t(h) != height)
        note = path + " is " + Size(std::uint32_t(w), std::uint32_t(h)) + ", not " + Size(width, height) +
               "; scaled to fit";
    return picture;
}

} // namespace smartscreen
