#pragma once

#include "platform/platform.h"

class Core;

// Live reload of the screens while Glancer runs: a reload is asked of the
// Core and the refresh timer woken for it, so it happens between two
// ticks on the refresh thread.
class ScreenWatch {
public:
    // Changes closer together than this make one reload.
    static constexpr std::uint32_t kQuietMs = 100;

    ScreenWatch(Core& core, platform::PeriodicTimer& timer);
    ~ScreenWatch(); // stops watching
    ScreenWatch(const ScreenWatch&) = delete;
    ScreenWatch& operator=(const ScreenWatch&) = delete;

    // Watches the working directory's "screens" folder for saved screen files
    // and bitmaps, unless the dword "WatchScreens" of the program's own key
    // is 0 (missing counts as 1). Logs which.
    void Start();
    void Stop();
    // Reloads now (a hang-up signal, a menu command).
    void Reload();

private:
    Core& core;
    platform::PeriodicTimer& timer;
    platform::FolderWatch watch;
};
