#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drivers/web-panel/web_settings.h"

namespace webpanel {

// A rectangle of the panel, right and bottom exclusive.
struct Rect {
    std::uint32_t x = 0, y = 0, width = 0, height = 0;
};

// The rectangles in which `after` differs from `before` (both width *
// height bytes, 0 or 1): one per run of changed rows, as wide as the
// changes in it. Empty when nothing changed.
std::vector<Rect> ChangedRects(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                               std::uint32_t width, std::uint32_t height);

// The Server-Sent Events the page reads.
// "panel": the panel's size and theme, sent first on every connection, and
// the reconnection delay (the page comes back by itself after a restart).
std::string PanelEvent(const Settings& settings);
// An unnamed event "x y w h BASE64": the rectangle's pixels one bit each,
// row after row without padding, the first pixel in the top bit.
void AppendRectEvent(std::string& out, const std::vector<std::uint8_t>& picture, std::uint32_t width,
                     const Rect& rect);
// A comment, which the browser ignores; keeps idle connections open.
extern const char kKeepAlive[];

} // namespace webpanel
