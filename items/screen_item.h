#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/draw_request.h"
#include "items/bitmap.h"

class Core;
class FrameBuffer;

// Base of everything a screen shows. Created by a factory, configured with
// SetParameter, prepared once, updated when its refresh period has run out,
// drawn for every DrawRequest naming it.
class ScreenItem {
public:
    ScreenItem() = default;
    virtual ~ScreenItem() = default;
    ScreenItem(const ScreenItem&) = delete;
    ScreenItem& operator=(const ScreenItem&) = delete;

    virtual std::int32_t GetSortKey() const { return 0; }
    virtual void Prepare() {}
    virtual void Update() {}
    virtual void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode);
    virtual void SetTypeParameter(const std::string& name, const std::string& value);
    // True when Update can no longer change what the item shows, so the
    // refresh need not wake for it (a fixed text already formatted, a bitmap).
    virtual bool Still() const { return false; }

    // "x", "y" and "refresh" are read as numbers here; every other name goes
    // to SetTypeParameter unchanged.
    void SetParameter(const std::string& name, const std::string& value);
    // Queues: a clear of `bounds`, each overlapping item clipped to it, this item.
    void QueueRedraw();
    // Compares `bounds` as unsigned values; rectangles that touch at an edge
    // or corner count as intersecting.
    bool Intersects(const ScreenItem& other) const;

    std::int32_t refresh = 1000;
    std::int32_t elapsed = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool valid = true;
    bool graphic = false;
    Core* core = nullptr;
    std::vector<ScreenItem*> overlaps; // not owned
    Rect bounds;

protected:
    // Logs "Unknown parameter:" + name.
    static void LogUnknownParameter(const std::string& name);
    // Stream-style reads: leading white space skipped, stops at the first
    // character that cannot continue the number; false (leaving `out` alone)
    // when there is no number or it does not fit 32 bits.
    static bool ReadInt(const std::string& value, std::int32_t& out);
    // The value's first word: leading white space skipped, up to the next.
    static std::string FirstWord(const std::string& value);
};

// An item that keeps a picture and combines it into the frame.
class GraphicItem : public ScreenItem {
public:
    GraphicItem() { graphic = true; }
    // Blits `current` at (x, y), clipped to the request; a picture at a
    // negative position is not drawn. Shared by every concrete graphic type.
    void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode) override;

    Bitmap current;
    Bitmap previous;

protected:
    // bounds = (x, y, x + width, y + height) of `current`.
    void SetBoundsFromCurrent();
    // Copies `current` into `previous`, `next` into `current`, queues a
    // redraw when the pixels changed. A null plugin picture shows as empty.
    void ShowPicture(const Bitmap& next);
    void ShowPicture(const PluginImage* next);
};

// Erases rectangles (the frame's ClearRect, whatever send and mode say);
// the one instance is shared by all screens and has no drawing state.
class PlaceholderItem : public GraphicItem {
public:
    void Draw(FrameBuffer& frame, Rect clip, std::uint32_t send, std::uint32_t mode) override;
    void SetTypeParameter(const std::string&, const std::string&) override {}
    // The process-wide instance.
    static PlaceholderItem& Instance();
};
