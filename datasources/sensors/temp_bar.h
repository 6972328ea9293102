#pragma once

#include <cstdint>

namespace sensors {

// The CPU temperature bar: one byte per pixel (1 lit), rows from the top.
inline constexpr std::uint32_t kTempBarWidth = 40;
inline constexpr std::uint32_t kTempBarHeight = 8;

// A bordered bar filled from the left to `celsius` on a 0..100 °C scale,
// with a notch above and below at `hotMark` (none when 0).
void DrawTempBar(std::uint8_t* pixels, double celsius, double hotMark);

} // namespace sensors
