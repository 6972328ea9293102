#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/action.h"
#include "screendef/screen_file_handler.h"
#include "screendef/xml_reader.h"

class Core;
class ScreenItem;

// One page of the display: its items, actions, name and required flags.
// Loaded once on the start-up thread; Tick and RedrawItems then run on the
// refresh thread while the screen is current. Nothing is locked.
class Screen {
public:
    // `core` is given to every item the screen file creates.
    explicit Screen(Core& core);
    // Destroys the items in list order, before the other members.
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Reads the screen file at `path` ("\"-separated), orders the items by
    // sort key keeping file order among equal keys, prepares each, then links
    // every pair of graphic items whose bounds intersect. Never fails: a
    // missing or bad file gives whatever was read. No log line of its own.
    void Load(const std::string& path);
    // Adds `elapsedMs` to every item's elapsed time (saturating, so a huge
    // refresh period cannot overflow it); an item whose elapsed time reached
    // its refresh period is updated and starts counting from 0.
    void Tick(std::int32_t elapsedMs);
    // Every item queues its full redraw, in item order.
    void RedrawItems();
    // How many coming Tick(elapsedMs) calls would update no item that can
    // still change (see ScreenItem::Still), at most `limit`; `elapsedMs` is
    // positive.
    std::uint32_t TicksBeforeUpdate(std::int32_t elapsedMs, std::uint32_t limit) const;
    // Counts `ticks` such calls at once: only for ticks that update nothing.
    void AdvanceIdle(std::int32_t elapsedMs, std::uint32_t ticks);

    Core& GetCore() const { return core; }

    std::vector<ScreenItem*> items; // owned
    std::vector<Action> actions;
    XmlReader reader;
    ScreenFileHandler handler;
    std::string name;
    std::vector<std::string> requiredFlags;

private:
    Core& core;
};
