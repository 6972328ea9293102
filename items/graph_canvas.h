#pragma once

#include <cstdint>

#include "items/bitmap.h"

// The chart of a graph item: a sweeping line plot inside a one-pixel border.
class GraphCanvas : public Bitmap {
public:
    // Allocates a cleared plotWidth x plotHeight picture and draws the border.
    void Prepare(std::int32_t width, std::int32_t height, std::int32_t minimum, std::int32_t maximum);
    // Sets the outline of the rectangle, both corners included.
    void DrawFrame(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    // Draws one segment from lastValue to `value` and advances the cursor.
    void Plot(std::int32_t value);
    // Sets one pixel; pixels outside the canvas are skipped.
    void SetPixel(std::int32_t px, std::int32_t py);

    std::int32_t lastValue = 0;
    std::int32_t cursor = 0;
    std::int32_t border = 0;
    std::int32_t plotWidth = 0;
    std::int32_t plotHeight = 0;
    std::int32_t step = 0;
    std::int32_t ready = 0;
    std::int32_t maxValue = 0;
    std::int32_t minValue = 0;
};
