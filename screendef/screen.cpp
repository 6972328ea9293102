#include "screendef/screen.h"

#include <algorithm>
#include <limits>

#include "items/screen_item.h"
#include "screendef/screen_index.h"

namespace {

std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b)
{
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace

Screen::Screen(Core& core) : core(core)
{
    handler.SetScreen(this);
}

Screen::~Screen()
{
    for (ScreenItem* item : items)
        delete item;
    items.clear();
}

void Screen::Load(const std::string& path)
{
    reader.SetHandler(&handler);
    reader.Parse(ReadTextFile(path));

    std::stable_sort(items.begin(), items.end(),
                     [](const ScreenItem* a, const ScreenItem* b) { return a->GetSortKey() < b->GetSortKey(); });
    for (ScreenItem* item : items)
        item->Prepare();

    for (ScreenItem* a : items) {
        if (!a->graphic)
            continue;
        for (ScreenItem* b : items)
            if (b != a && b->graphic && a->Intersects(*b))
                a->overlaps.push_back(b);
    }
}

void Screen::Tick(std::int32_t elapsedMs)
{
    for (ScreenItem* item : items) {
        item->elapsed = SaturatingAdd(item->elapsed, elapsedMs);
        if (item->elapsed >= item->refresh) {
            item->Update();
            item->elapsed = 0;
        }
    }
}

std::uint32_t Screen::TicksBeforeUpdate(std::int32_t elapsedMs, std::uint32_t limit) const
{
    std::uint32_t idle = limit;
    for (const ScreenItem* item : items) {
        if (item->Still())
            continue;
        // Idle while elapsed + elapsedMs * t stays below refresh.
        const std::int64_t left = static_cast<std::int64_t>(item->refresh) - item->elapsed;
        const std::int64_t ticks = left > 0 ? (left - 1) / elapsedMs : 0;
        idle = static_cast<std::uint32_t>(std::min<std::int64_t>(idle, ticks));
    }
    return idle;
}

void Screen::AdvanceIdle(std::int32_t elapsedMs, std::uint32_t ticks)
{
    const std::int64_t total = static_cast<std::int64_t>(elapsedMs) * ticks;
    const auto step =
        static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
    for (ScreenItem* item : items)
        item->elapsed = SaturatingAdd(item->elapsed, step);
}

void Screen::RedrawItems()
{
    for (ScreenItem* item : items)
        item->QueueRedraw();
}
