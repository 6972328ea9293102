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
class Screen {
public:
    // `core` is given to every item the screen file creates.
    explicit Screen(Core& core);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Reads, orders (stably) and prepares the items, then links overlapping
    // graphic items. Never fails; a bad file gives whatever was read.
    void Load(const std::string& path);
    // Advances every item's elapsed time; updates the ones that are due.
    void Tick(std::int32_t elapsedMs);
    // Every item queues its full redraw, in item order.
    void RedrawItems();

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
