#include "drivers/smart-screen/canvas.h"

#include <algorithm>
#include <cstring>

#include "drivers/common/lcd_panel.h"

namespace smartscreen {

namespace {

std::vector<std::uint16_t> ToRgb565(const Picture& picture)
{
    std::vector<std::uint16_t> out(std::size_t{picture.width} * picture.height);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::uint8_t* p = &picture.rgb[3 * i];
        out[i] = Rgb565(std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]);
    }
    return out;
}

// Rectangle [x, x + w) x [y, y + h) of a width x height picture turned
// clockwise by `quarters`.
Rect Turned(Rect rect, std::uint32_t width, std::uint32_t height, std::uint32_t quarters)
{
    switch (quarters & 3) {
    case 1:
        return {height - (rect.y + rect.height), rect.x, rect.height, rect.width};
    case 2:
        return {width - (rect.x + rect.width), height - (rect.y + rect.height), rect.width, rect.height};
    case 3:
        return {rect.y, width - (rect.x + rect.width), rect.height, rect.width};
    default:
        return rect;
    }
}

} // namespace

std::uint16_t Rgb565(std::uint32_t rrggbb)
{
    const std::uint32_t r = rrggbb >> 16 & 0xFF, g = rrggbb >> 8 & 0xFF, b = rrggbb & 0xFF;
    return static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

std::uint32_t LargestScale(std::uint32_t screenWidth, std::uint32_t screenHeight)
{
    const panelcore::Geometry shipped;
    return std::max<std::uint32_t>(1, std::min(screenWidth / shipped.xPixels, screenHeight / shipped.yPixels));
}

Canvas::Canvas(Revision revision, const Layout& layout, const Theme& theme)
    : revision_(revision), layout_(layout), lit_(Rgb565(theme.lit)), unlit_(Rgb565(theme.unlit)),
      background_(ToRgb565(theme.background)), colourMap_(ToRgb565(theme.colourMap))
{
    if (layout_.scale == 0)
        layout_.scale = 1;
}

std::uint16_t Canvas::ScreenPixel(std::uint32_t x, std::uint32_t y, const std::vector<std::uint8_t>& panel) const
{
    const std::uint32_t px = x / layout_.scale, py = y / layout_.scale;
    const std::size_t at = std::size_t{y} * layout_.screenWidth + x;
    const bool inside = px < layout_.panelWidth() && py < layout_.panelHeight();
    if (inside && panel[std::size_t{py} * layout_.panelWidth() + px] != 0)
        return colourMap_.empty() ? lit_ : colourMap_[at];
    return background_.empty() ? unlit_ : background_[at];
}

void Canvas::ScreenRow(std::uint32_t x, std::uint32_t y, std::uint32_t width, const std::vector<std::uint8_t>& panel,
                       std::uint16_t* to) const
{
    const std::uint32_t s = layout_.scale, pw = layout_.panelWidth(), py = y / s;
    const std::uint8_t* row = py < layout_.panelHeight() ? &panel[std::size_t{py} * pw] : nullptr;
    const std::size_t at = std::size_t{y} * layout_.screenWidth + x;
    std::uint32_t px = x / s, within = x % s;
    if (background_.empty() && colourMap_.empty()) {
        // A run of `scale` alike pixels per panel pixel.
        for (std::uint32_t i = 0; i < width; ++px) {
            const std::uint32_t run = std::min(s - within, width - i);
            std::fill_n(to + i, run, row != nullptr && px < pw && row[px] != 0 ? lit_ : unlit_);
            i += run;
            within = 0;
        }
        return;
    }
    for (std::uint32_t i = 0; i < width; ++i) {
        const bool lit = row != nullptr && px < pw && row[px] != 0;
        if (lit)
            to[i] = colourMap_.empty() ? lit_ : colourMap_[at + i];
        else
            to[i] = background_.empty() ? unlit_ : background_[at + i];
        if (++within == s) {
            within = 0;
            ++px;
        }
    }
}

void Canvas::SendScreenRect(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                            const std::vector<std::uint8_t>& panel, Bytes& out)
{
    const std::uint32_t sw = layout_.screenWidth, sh = layout_.screenHeight;
    const std::uint32_t quarters = layout_.softQuarters & 3;
    const Rect device = Turned({x, y, width, height}, sw, sh, quarters);
    scratch_.resize(std::size_t{device.width} * device.height);
    if (quarters == 0) {
        // Row by row; without pictures the rows of one panel row are alike.
        const bool plain = background_.empty() && colourMap_.empty();
        std::uint16_t* to = scratch_.data();
        for (std::uint32_t sy = y; sy < y + height; ++sy, to += width) {
            if (plain && sy > y && sy % layout_.scale != 0)
                std::copy_n(to - width, width, to);
            else
                ScreenRow(x, sy, width, panel, to);
        }
        AppendBitmap(revision_, device, scratch_.data(), out);
        return;
    }
    std::size_t i = 0;
    for (std::uint32_t dy = device.y; dy < device.y + device.height; ++dy) {
        for (std::uint32_t dx = device.x; dx < device.x + device.width; ++dx) {
            // Back from the device's coordinates to the screen as seen.
            std::uint32_t sx = dx, sy = dy;
            if (quarters == 1) {
                sx = dy;
                sy = sh - 1 - dx;
            } else if (quarters == 2) {
                sx = sw - 1 - dx;
                sy = sh - 1 - dy;
            } else {
                sx = sw - 1 - dy;
                sy = dx;
            }
            scratch_[i++] = ScreenPixel(sx, sy, panel);
        }
    }
    AppendBitmap(revision_, device, scratch_.data(), out);
}

std::size_t Canvas::Render(const std::vector<std::uint8_t>& panel, bool everything, Bytes& out, std::uint32_t top,
                           std::uint32_t bottom)
{
    const std::uint32_t pw = layout_.panelWidth(), ph = layout_.panelHeight();
    if (panel.size() != std::size_t{pw} * ph)
        return 0;
    if (everything || shown_.size() != panel.size()) {
        shown_ = panel;
        SendScreenRect(0, 0, layout_.screenWidth, layout_.screenHeight, panel, out);
        return 1;
    }
    // One rectangle per band of text-row height that changed, then bands
    // merged while the merged rectangle costs little more than the two.
    areas_.clear();
    const std::uint32_t band = panelcore::kCellHeight;
    const std::uint32_t last = std::min(ph, bottom);
    for (std::uint32_t first = top / band * band; first < last; first += band) {
        Area area{pw, ph, 0, 0};
        for (std::uint32_t y = std::max(first, top); y < std::min(last, first + band); ++y) {
            const std::uint8_t* now = &panel[std::size_t{y} * pw];
            std::uint8_t* was = &shown_[std::size_t{y} * pw];
            if (std::memcmp(now, was, pw) == 0)
                continue;
            std::uint32_t first = 0, last = pw;
            while (now[first] == was[first])
                ++first;
            while (now[last - 1] == was[last - 1])
                --last;
            std::memcpy(was, now, pw);
            area.x0 = std::min(area.x0, first);
            area.x1 = std::max(area.x1, last);
            area.y0 = std::min(area.y0, y);
            area.y1 = std::max(area.y1, y + 1);
        }
        if (area.x1 == 0)
            continue;
        if (!areas_.empty()) {
            Area& last = areas_.back();
            const auto size = [](const Area& a) { return std::uint64_t{a.x1 - a.x0} * (a.y1 - a.y0); };
            const Area merged{std::min(last.x0, area.x0), last.y0, std::max(last.x1, area.x1), area.y1};
            if (size(merged) <= size(last) + size(area) + 16) {
                last = merged;
                continue;
            }
        }
        areas_.push_back(area);
    }
    const std::uint32_t s = layout_.scale;
    for (const Area& area : areas_)
        SendScreenRect(area.x0 * s, area.y0 * s, (area.x1 - area.x0) * s, (area.y1 - area.y0) * s, panel, out);
    return areas_.size();
}

} // namespace smartscreen
