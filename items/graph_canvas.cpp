#include "items/graph_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

void GraphCanvas::Prepare(std::int32_t w, std::int32_t h, std::int32_t minimum, std::int32_t maximum)
{
    minValue = minimum;
    maxValue = maximum;
    step = 4;
    plotWidth = w;
    plotHeight = h;
    ready = 0;
    if (w <= 0 || h <= 0 || !Allocate(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)))
        return;
    ready = 1;
    border = 1;
    DrawFrame(0, 0, w - 1, h - 1);
}

void GraphCanvas::SetPixel(std::int64_t px, std::int64_t py)
{
    if (px < 0 || py < 0 || px >= plotWidth || py >= plotHeight || px >= width || py >= height)
        return;
    pixels[static_cast<std::size_t>(py) * width + static_cast<std::size_t>(px)] |= 1;
}

void GraphCanvas::DrawFrame(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    // Only the part of each edge that can lie on the canvas is walked.
    const std::int64_t left = std::max<std::int64_t>(x1, 0);
    const std::int64_t right = std::min<std::int64_t>(x2, plotWidth - 1);
    const std::int64_t top = std::max<std::int64_t>(y1, 0);
    const std::int64_t bottom = std::min<std::int64_t>(y2, plotHeight - 1);
    for (std::int64_t c = left; c <= right; ++c) {
        SetPixel(c, y1);
        SetPixel(c, y2);
    }
    for (std::int64_t r = top; r <= bottom; ++r) {
        SetPixel(x1, r);
        SetPixel(x2, r);
    }
}

void GraphCanvas::Plot(std::int32_t value)
{
    if (ready == 0 || maxValue == 0)
        return;
    const std::int64_t h = plotHeight;
    const std::int64_t a = h * lastValue / maxValue;
    const std::int64_t b = h * value / maxValue;
    const std::int64_t x0 = std::max<std::int64_t>(cursor - 1, 0);
    const std::int64_t x1 = static_cast<std::int64_t>(cursor) + step - 1;
    DrawSegment(x0, h - a - 1, x1, h - b - 1);
    lastValue = value;

    cursor += step;
    if (cursor >= plotWidth) {
        cursor = 0;
        Wipe();
    }
}

void GraphCanvas::DrawSegment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = y1 - y0;
    if (dy == 0) {
        for (std::int64_t c = x0; c <= x1; ++c)
            SetPixel(c, y0);
        return;
    }
    if (dx <= 0)
        return;
    const std::int64_t steps = std::llabs(dy);
    if (steps / dx <= 1) {
        // Column by column, away from the end the value moved to.
        for (std::int64_t k = 1; k <= dx; ++k) {
            if (dy < 0)
                SetPixel(x1 - k, y1 - k * dy / dx);
            else
                SetPixel(x0 + k, y0 + k * dy / dx);
        }
        return;
    }
    // Row by row from the new point back to the previous one; only the rows
    // that lie on the canvas are walked.
    const std::int64_t dir = dy < 0 ? 1 : -1; // row = y1 + dir * k
    std::int64_t first = dir > 0 ? -y1 : y1 - plotHeight + 1;
    std::int64_t last = dir > 0 ? plotHeight - 1 - y1 : y1;
    first = std::max<std::int64_t>(first, 1);
    last = std::min(last, steps);
    for (std::int64_t k = first; k <= last; ++k)
        SetPixel(x1 - k * dx / steps, y1 + dir * k);
}

void GraphCanvas::Wipe()
{
    if (size > 0)
        std::memset(pixels, 0, size);
    if (ready == 1 && border == 1)
        DrawFrame(0, 0, plotWidth - 1, plotHeight - 1);
}
