#include "datasources/sensors/temp_bar.h"

#include <cmath>
#include <cstring>

namespace sensors {
namespace {

constexpr std::uint32_t kInner = kTempBarWidth - 4;

// Pixels of the inner width for `celsius`, clamped to the scale (NaN: 0).
std::uint32_t Fill(double celsius)
{
    if (!(celsius > 0.0))
        return 0;
    return static_cast<std::uint32_t>(std::lround(std::fmin(celsius, 100.0) * kInner / 100.0));
}

} // namespace

void DrawTempBar(std::uint8_t* pixels, double celsius, double hotMark)
{
    std::memset(pixels, 0, kTempBarWidth * kTempBarHeight);
    const std::uint32_t filled = Fill(celsius);
    for (std::uint32_t y = 1; y + 1 < kTempBarHeight; ++y)
        for (std::uint32_t x = 0; x < kTempBarWidth; ++x) {
            const bool border = y == 1 || y == kTempBarHeight - 2 || x == 0 || x == kTempBarWidth - 1;
            const bool fill = y >= 3 && y < kTempBarHeight - 3 && x >= 2 && x < 2 + filled;
            pixels[y * kTempBarWidth + x] = border || fill ? 1 : 0;
        }
    if (hotMark > 0.0) {
        const std::uint32_t x = 2 + std::min(Fill(hotMark), kInner - 1);
        pixels[x] = 1;
        pixels[(kTempBarHeight - 1) * kTempBarWidth + x] = 1;
    }
}

} // namespace sensors
