#pragma once

#include <cstdint>

// The data source's pictures: one byte per pixel (1 lit), rows from the top.
inline constexpr std::uint32_t kBarWidth = 40;
inline constexpr std::uint32_t kBarHeight = 8;
inline constexpr std::uint32_t kClockSize = 15;

// A bordered bar filled from the left to `percent` (clamped to 0..100), into
// kBarWidth x kBarHeight pixels.
void DrawLoadBar(std::uint8_t* pixels, double percent);
// A round clock face with hour, minute and second hands, into
// kClockSize x kClockSize pixels.
void DrawClock(std::uint8_t* pixels, int hour, int minute, int second);
