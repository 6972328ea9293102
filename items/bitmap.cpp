#include "items/bitmap.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

bool Consistent(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::uint32_t size)
{
    if (static_cast<std::uint64_t>(width) * height != size || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide)
        return false;
    return size == 0 || (pixels != nullptr && size <= Bitmap::kMaxPixels);
}

} // namespace

Bitmap::~Bitmap()
{
    delete[] pixels;
}

Bitmap::Bitmap(const Bitmap& other)
{
    CopyFrom(other);
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
    CopyFrom(other);
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : pixels(std::exchange(other.pixels, nullptr)), width(std::exchange(other.width, 0)),
      height(std::exchange(other.height, 0)), extra(std::exchange(other.extra, 0)), size(std::exchange(other.size, 0)),
      fileName(std::move(other.fileName))
{
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this != &other) {
        delete[] pixels;
        pixels = std::exchange(other.pixels, nullptr);
        width = std::exchange(other.width, 0);
        height = std::exchange(other.height, 0);
        extra = std::exchange(other.extra, 0);
        size = std::exchange(other.size, 0);
        fileName = std::move(other.fileName);
    }
    return *this;
}

void Bitmap::CopyFrom(const Bitmap& source)
{
    if (&source == this)
        return;
    if (!Consistent(source.pixels, source.width, source.height, source.size)) {
        Reset();
        return;
    }
    Assign(source.pixels, source.width, source.height, source.extra);
}

void Bitmap::CopyFrom(const PluginImage& source)
{
    if (!Consistent(source.pixels, source.width, source.height, source.size)) {
        Reset();
        return;
    }
    Assign(source.pixels, source.width, source.height, source.extra);
}

void Bitmap::Assign(const std::uint8_t* source, std::uint32_t w, std::uint32_t h, std::uint32_t e)
{
    const auto n = static_cast<std::uint32_t>(static_cast<std::uint64_t>(w) * h);
    if (!Resize(n)) {
        Reset();
        return;
    }
    width = w;
    height = h;
    extra = e;
    if (n > 0)
        std::memcpy(pixels, source, n);
}

bool Bitmap::Allocate(std::uint32_t w, std::uint32_t h)
{
    const std::uint64_t n = static_cast<std::uint64_t>(w) * h;
    if (n == 0 || w > kMaxSide || h > kMaxSide || !Resize(static_cast<std::uint32_t>(n))) {
        Reset();
        return false;
    }
    width = w;
    height = h;
    extra = 0;
    std::memset(pixels, 0, size);
    return true;
}

bool Bitmap::Resize(std::uint32_t n)
{
    if (n == size)
        return true;
    delete[] pixels;
    pixels = nullptr;
    size = 0;
    if (n == 0)
        return true;
    pixels = new (std::nothrow) std::uint8_t[n];
    if (pixels == nullptr)
        return false;
    size = n;
    return true;
}

void Bitmap::Reset()
{
    delete[] pixels;
    pixels = nullptr;
    width = 0;
    height = 0;
    extra = 0;
    size = 0;
}

bool Bitmap::SamePixels(const Bitmap& other) const
{
    if (width != other.width || height != other.height || size != other.size)
        return false;
    return size == 0 || std::memcmp(pixels, other.pixels, size) == 0;
}
