#include "drivers/web-panel/frame_events.h"

#include <algorithm>
#include <cstdio>

#include "drivers/virtual/virtual_settings.h"

namespace webpanel {

const char kKeepAlive[] = ":\n\n";

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

class Base64Writer {
public:
    explicit Base64Writer(std::string& out) : out_(out) {}
    void Bit(std::uint8_t bit)
    {
        byte_ = static_cast<std::uint8_t>(byte_ << 1 | (bit != 0 ? 1 : 0));
        if (++bits_ == 8)
            Byte();
    }
    void Finish()
    {
        if (bits_ > 0) {
            byte_ = static_cast<std::uint8_t>(byte_ << (8 - bits_));
            Byte();
        }
        if (count_ == 0)
            return;
        const std::uint32_t group = group_ << (count_ == 1 ? 16 : 8);
        out_ += kBase64[group >> 18 & 63];
        out_ += kBase64[group >> 12 & 63];
        out_ += count_ == 1 ? '=' : kBase64[group >> 6 & 63];
        out_ += '=';
    }

private:
    void Byte()
    {
        group_ = group_ << 8 | byte_;
        byte_ = 0;
        bits_ = 0;
        if (++count_ == 3) {
            for (int shift = 18; shift >= 0; shift -= 6)
                out_ += kBase64[group_ >> shift & 63];
            group_ = 0;
            count_ = 0;
        }
    }

    std::string& out_;
    std::uint8_t byte_ = 0;
    int bits_ = 0;
    std::uint32_t group_ = 0;
    int count_ = 0;
};

} // namespace

std::vector<Rect> ChangedRects(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                               std::uint32_t width, std::uint32_t height)
{
    std::vector<Rect> rects;
    if (before.size() != after.size() || after.size() != std::size_t{width} * height)
        return {Rect{0, 0, width, height}};
    bool open = false;
    Rect rect;
    std::uint32_t right = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* a = before.data() + std::size_t{y} * width;
        const std::uint8_t* b = after.data() + std::size_t{y} * width;
        std::uint32_t first = 0;
        while (first < width && a[first] == b[first])
            ++first;
        if (first == width) {
            if (open) {
                rect.width = right - rect.x;
                rects.push_back(rect);
                open = false;
            }
            continue;
        }
        std::uint32_t last = width;
        while (a[last - 1] == b[last - 1])
            --last;
        if (!open) {
            rect = Rect{first, y, 0, 0};
            right = last;
            open = true;
        } else {
            rect.x = std::min(rect.x, first);
            right = std::max(right, last);
        }
        rect.height = y + 1 - rect.y;
    }
    if (open) {
        rect.width = right - rect.x;
        rects.push_back(rect);
    }
    return rects;
}

std::string PanelEvent(const Settings& settings)
{
    char text[160];
    std::snprintf(text, sizeof text, "retry: 1000\nevent: panel\ndata: %u %u %s %s %u\n\n",
                  static_cast<unsigned>(settings.geometry.xPixels), static_cast<unsigned>(settings.geometry.yPixels),
                  vdisplay::FormatColour(settings.litColour).c_str(),
                  vdisplay::FormatColour(settings.unlitColour).c_str(), static_cast<unsigned>(settings.scale));
    return text;
}

void AppendRectEvent(std::string& out, const std::vector<std::uint8_t>& picture, std::uint32_t width,
                     const Rect& rect)
{
    char head[64];
    std::snprintf(head, sizeof head, "data: %u %u %u %u ", static_cast<unsigned>(rect.x),
                  static_cast<unsigned>(rect.y), static_cast<unsigned>(rect.width),
                  static_cast<unsigned>(rect.height));
    out += head;
    Base64Writer writer(out);
    for (std::uint32_t y = rect.y; y < rect.y + rect.height; ++y) {
        const std::uint8_t* row = picture.data() + std::size_t{y} * width + rect.x;
        for (std::uint32_t x = 0; x < rect.width; ++x)
            writer.Bit(row[x]);
    }
    writer.Finish();
    out += "\n\n";
}

} // namespace webpanel
