#include "core/frame_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <ostream>

#include "items/bitmap.h"
#include "support/log_stream.h"

namespace {

// A frame this large is no display; it is treated as having no pixels.
constexpr std::uint64_t kMaxFrameBytes = 64ull << 20;

} // namespace

FrameBuffer::FrameBuffer() : FrameBufferHeader{nullptr, 0, 0, 0, 0, 0}
{
}

FrameBuffer::~FrameBuffer()
{
    delete[] pixels;
}

void FrameBuffer::Bind(IDisplayDriver* newDriver)
{
    if (newDriver == nullptr)
        return;
    if (driver != nullptr)
        Release();
    driver = newDriver;
}

void FrameBuffer::Init()
{
    if (driver == nullptr) {
        LogStream << "Error initializing display driver." << std::endl;
        return;
    }
    driver->vtbl->init(driver);

    char name[GLANCER_TEXT_SIZE] = {};
    driver->vtbl->getName(driver, name);
    const void* end = std::memchr(name, 0, sizeof name);
    driverName.assign(name, end != nullptr ? static_cast<const char*>(end) - name : sizeof name);

    DisplayInfo info{};
    const DisplayInfo* reported = driver->vtbl->getDisplayInfo(driver, &info);
    displayInfo = reported != nullptr ? *reported : DisplayInfo{};
    xPixels = displayInfo.xPixels;
    yPixels = displayInfo.yPixels;
    xChars = displayInfo.xChars;
    yChars = displayInfo.yChars;
    std::uint64_t bytes = static_cast<std::uint64_t>(xPixels) * yPixels;
    if (bytes > kMaxFrameBytes) {
        xPixels = 0;
        yPixels = 0;
        bytes = 0;
    }
    bufferSize = static_cast<std::uint32_t>(bytes);

    LogStream << "Driver X pixels  : " << xPixels << std::endl;
    LogStream << "Driver Y pixels  : " << yPixels << std::endl;
    LogStream << "Driver buffersize: " << bufferSize << std::endl;
    LogStream << "Driver X chars   : " << xChars << std::endl;
    LogStream << "Driver Y chars   : " << yChars << std::endl;

    delete[] pixels;
    pixels = nullptr;
    if (bufferSize > 0)
        pixels = new (std::nothrow) std::uint8_t[bufferSize]();
    if (pixels == nullptr) {
        xPixels = 0;
        yPixels = 0;
        bufferSize = 0;
    }
}

void FrameBuffer::Release()
{
    if (driver == nullptr) {
        LogStream << "Error releasing display driver" << std::endl;
        return;
    }
    driver->vtbl->clear(driver);
    driver->vtbl->prepareShutdown(driver);
    driver->vtbl->writeText(driver, "Good Bye!", 0, 0);
    driver->vtbl->shutdown(driver);
}

void FrameBuffer::Clear()
{
    if (driver != nullptr)
        driver->vtbl->clear(driver);
}

void FrameBuffer::WriteText(const std::string& text, std::uint32_t x, std::uint32_t y)
{
    if (driver != nullptr)
        driver->vtbl->writeText(driver, text.c_str(), x, y);
}

void FrameBuffer::ClearRect(std::uint32_t x1, std::uint32_t y1, std::uint32_t x2, std::uint32_t y2)
{
    if (bufferSize == 0 || (x1 | y1 | x2 | y2) == 0)
        return;
    x2 = std::min(x2, xPixels);
    y2 = std::min(y2, yPixels);
    if (x2 <= x1 || y2 <= y1)
        return;
    for (std::uint32_t row = y1; row < y2; ++row)
        std::memset(pixels + static_cast<std::size_t>(row) * xPixels + x1, 0, x2 - x1);
}

void FrameBuffer::Blit(const Bitmap& image, std::uint32_t x, std::uint32_t y, Rect clip, bool send, std::uint32_t mode)
{
    if (bufferSize == 0 || image.size == 0 || image.pixels == nullptr)
        return;
    if (static_cast<std::uint64_t>(image.width) * image.height != image.size)
        return;
    // 64-bit sums: a wrapped position (a negative item coordinate) never fits.
    const std::uint64_t right = static_cast<std::uint64_t>(x) + image.width;
    const std::uint64_t bottom = static_cast<std::uint64_t>(y) + image.height;
    if (right > xPixels || bottom > yPixels)
        return;

    const std::uint32_t cx1 = std::max(x, clip.x1);
    const std::uint32_t cx2 = std::min(static_cast<std::uint32_t>(right), clip.x2);
    const std::uint32_t cy1 = std::max(y, clip.y1);
    const std::uint32_t cy2 = std::min(static_cast<std::uint32_t>(bottom), clip.y2);
    if (mode == kDrawModeOr && cy2 > cy1 && cx2 > cx1) {
        for (std::uint32_t row = cy1; row < cy2; ++row) {
            std::uint8_t* target = pixels + static_cast<std::size_t>(row) * xPixels + cx1;
            const std::uint8_t* source = image.pixels + static_cast<std::size_t>(row - y) * image.width + (cx1 - x);
            for (std::uint32_t n = cx2 - cx1; n > 0; --n)
                *target++ |= *source++;
        }
    }
    if (send && driver != nullptr)
        driver->vtbl->updateRegion(driver, static_cast<const FrameBufferHeader*>(this), x, y, image.width,
                                   image.height);
}
