#pragma once

#include <cstdint>

class ScreenItem;

// A clip rectangle in pixels: columns x1..x2-1, rows y1..y2-1.
struct Rect {
    std::uint32_t x1 = 0;
    std::uint32_t y1 = 0;
    std::uint32_t x2 = 0;
    std::uint32_t y2 = 0;

    bool operator==(const Rect&) const = default;
};

// Draw modes for Blit.
inline constexpr std::uint32_t kDrawModeNone = 0;
inline constexpr std::uint32_t kDrawModeOr = 2;

// One queued drawing job, drawn in queue order by the next tick.
struct DrawRequest {
    ScreenItem* item = nullptr; // not owned; the placeholder item clears
    Rect rect;
    std::uint32_t send = 0; // nonzero: push the drawn rectangle to the driver
    std::uint32_t mode = 0; // kDrawModeOr combines with OR
};
