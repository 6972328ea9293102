#include "datasources/system/pictures.h"

#include <cmath>
#include <cstring>

namespace {

void Hand(std::uint8_t* pixels, double turns, double length)
{
    const double pi = 3.14159265358979323846;
    const double centre = (kClockSize - 1) / 2.0;
    const double dx = std::sin(2 * pi * turns);
    const double dy = -std::cos(2 * pi * turns);
    for (int step = 0; step <= static_cast<int>(length * 2); ++step) {
        const double t = step / 2.0;
        const long x = std::lround(centre + dx * t);
        const long y = std::lround(centre + dy * t);
        if (x >= 0 && y >= 0 && x < static_cast<long>(kClockSize) && y < static_cast<long>(kClockSize))
            pixels[y * kClockSize + x] = 1;
    }
}

} // namespace

void DrawLoadBar(std::uint8_t* pixels, double percent)
{
    std::memset(pixels, 0, kBarWidth * kBarHeight);
    if (!(percent > 0.0))
        percent = 0.0; // NaN included
    if (percent > 100.0)
        percent = 100.0;
    const std::uint32_t inner = kBarWidth - 4;
    const std::uint32_t filled = static_cast<std::uint32_t>(std::lround(percent * inner / 100.0));
    for (std::uint32_t y = 0; y < kBarHeight; ++y) {
        for (std::uint32_t x = 0; x < kBarWidth; ++x) {
            const bool border = y == 0 || y == kBarHeight - 1 || x == 0 || x == kBarWidth - 1;
            const bool fill = y >= 2 && y < kBarHeight - 2 && x >= 2 && x < 2 + filled;
            pixels[y * kBarWidth + x] = border || fill ? 1 : 0;
        }
    }
}

void DrawClock(std::uint8_t* pixels, int hour, int minute, int second)
{
    std::memset(pixels, 0, kClockSize * kClockSize);
    const int centre = static_cast<int>(kClockSize / 2);
    for (int y = 0; y < static_cast<int>(kClockSize); ++y) {
        for (int x = 0; x < static_cast<int>(kClockSize); ++x) {
            const int d = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            if (d >= 43 && d <= 56)
                pixels[y * kClockSize + x] = 1;
        }
    }
    Hand(pixels, ((hour % 12) + minute / 60.0) / 12.0, 3.0);
    Hand(pixels, (minute + second / 60.0) / 60.0, 5.0);
    Hand(pixels, second / 60.0, 6.0);
}
