#include "items/screen_item.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <sstream>

#include "core/core.h"
#include "core/frame_buffer.h"
#include "support/log_stream.h"

void ScreenItem::Draw(FrameBuffer&, Rect, std::uint32_t, std::uint32_t)
{
}

void ScreenItem::SetTypeParameter(const std::string&, const std::string&)
{
}

void ScreenItem::SetParameter(const std::string& name, const std::string& value)
{
    if (name == "x")
        ReadInt(value, x);
    else if (name == "y")
        ReadInt(value, y);
    else if (name == "refresh")
        ReadInt(value, refresh);
    else
        SetTypeParameter(name, value);
}

void ScreenItem::QueueRedraw()
{
    if (core == nullptr)
        return;
    const Rect r = bounds;
    core->QueueDraw(&PlaceholderItem::Instance(), r.x1, r.y1, r.x2, r.y2, 0, kDrawModeNone);
    for (ScreenItem* other : overlaps)
        core->QueueDraw(other, r.x1, r.y1, r.x2, r.y2, 0, kDrawModeOr);
    core->QueueDraw(this, r.x1, r.y1, r.x2, r.y2, 1, kDrawModeOr);
}

bool ScreenItem::Intersects(const ScreenItem& other) const
{
    const Rect& a = bounds;
    const Rect& b = other.bounds;
    return std::max(a.x1, b.x1) <= std::min(a.x2, b.x2) && std::max(a.y1, b.y1) <= std::min(a.y2, b.y2);
}

void ScreenItem::LogUnknownParameter(const std::string& name)
{
    LogStream << "Unknown parameter:" << name << std::endl;
}

bool ScreenItem::ReadInt(const std::string& value, std::int32_t& out)
{
    std::istringstream stream(value);
    long long number = 0;
    if (!(stream >> number))
        return false;
    if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
        return false;
    out = static_cast<std::int32_t>(number);
    return true;
}

std::string ScreenItem::FirstWord(const std::string& value)
{
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto begin = std::find_if_not(value.begin(), value.end(), isSpace);
    return std::string(begin, std::find_if(begin, value.end(), isSpace));
}

void GraphicItem::Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode)
{
    if (x < 0 || y < 0)
        return;
    frame.Blit(current, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), clip, (send & 0xFFu) != 0, mode);
}

void GraphicItem::SetBoundsFromCurrent()
{
    const auto left = static_cast<std::uint32_t>(x);
    const auto top = static_cast<std::uint32_t>(y);
    bounds = Rect{left, top, left + current.width, top + current.height};
}

void GraphicItem::ShowPicture(const Bitmap& next)
{
    previous.CopyFrom(current);
    current.CopyFrom(next);
    if (!current.SamePixels(previous))
        QueueRedraw();
}

void GraphicItem::ShowPicture(const PluginImage* next)
{
    previous.CopyFrom(current);
    if (next != nullptr)
        current.CopyFrom(*next);
    else
        current.Reset();
    if (!current.SamePixels(previous))
        QueueRedraw();
}

void PlaceholderItem::Draw(FrameBuffer& frame, Rect clip, std::uint32_t, std::uint32_t)
{
    frame.ClearRect(clip.x1, clip.y1, clip.x2, clip.y2);
}

PlaceholderItem& PlaceholderItem::Instance()
{
    static PlaceholderItem instance;
    return instance;
}
