#pragma once

#include <cstdint>

#include "items/bitmap.h"

// The chart of a graph item: a sweeping line plot inside a one-pixel border.
// Value 0 lies on the bottom row, maxValue one row above the canvas; each
// Plot draws one segment `step` pixels wide and a cursor reaching the right
// edge wipes the chart and starts again at the left. Arithmetic is exact
// (64-bit), so values far beyond the scale cannot overflow.
class GraphCanvas : public Bitmap {
public:
    // Allocates a cleared width x height picture, draws the border and makes
    // the canvas ready. A size that is not positive or above kMaxSide leaves
    // the canvas empty and not ready.
    void Prepare(std::int32_t width, std::int32_t height, std::int32_t minimum, std::int32_t maximum);
    // Sets the outline of the rectangle, both corners included.
    void DrawFrame(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    // Draws one segment from lastValue to `value`, advances the cursor and
    // makes `value` the lastValue. Does nothing while not ready or while
    // maxValue is 0 (no scale).
    void Plot(std::int32_t value);
    // Sets one pixel; pixels outside the canvas are skipped.
    void SetPixel(std::int64_t px, std::int64_t py);

    std::int32_t lastValue = 0;
    std::int32_t cursor = 0;
    std::int32_t border = 0;
    std::int32_t plotWidth = 0;
    std::int32_t plotHeight = 0;
    std::int32_t step = 0;
    std::int32_t ready = 0;
    std::int32_t maxValue = 0;
    std::int32_t minValue = 0; // kept; the scale runs from 0

private:
    void DrawSegment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    void Wipe();
};
