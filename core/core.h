#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/action.h"
#include "core/draw_request.h"
#include "core/frame_buffer.h"
#include "plugin/catalogue.h"
#include "plugin/plugin_record.h"

class ItemFactory;
class Screen;
class ScreenItem;

// What the services table reports about the display: zeros and an empty
// name until the frame buffer has been initialised.
struct DisplaySummary {
    std::uint32_t xPixels = 0;
    std::uint32_t yPixels = 0;
    std::uint32_t xChars = 0;
    std::uint32_t yChars = 0;
    std::string driverName;
};

// The one engine object: plugins, catalogue, screens, frame, queues, flags.
// Init and Shutdown run on the main thread; Tick on the timer thread, one at
// a time, only between a successful Init and Shutdown.
class Core {
public:
    // At most this many delay-0 actions of screens started within one tick
    // run in it; more means screens that switch to each other without delay,
    // and the rest is dropped.
    static constexpr std::size_t kMaxActionsPerTick = 100;
    // An hour: the longest a refresh thread sleeps without looking again.
    static constexpr std::uint32_t kMaxIdleTicks = 72000;

    Core();
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // Registers a factory under its type name; the first one of a name stays.
    void AddFactory(ItemFactory& factory);
    // Exact, case-sensitive look-up; null when none.
    ItemFactory* FindFactory(const std::string& typeName) const;

    // Plugins, catalogue, screens, driver, first redraw. False without screens
    // or without the driver named by the setting "DRIVER"; whatever was loaded
    // stays loaded and Shutdown must still run.
    bool Init();
    // Loads the directory's plugins and creates their components, as Init
    // begins; the command-line tools stop there.
    void LoadPlugins();
    // One 50 ms step: item refresh, drawing, action delays, due actions.
    void Tick();
    // How many coming Ticks would only count time (at most kMaxIdleTicks):
    // no item's refresh period or action's delay runs out, nothing is
    // queued to draw or to run.
    std::uint32_t IdleTicksAhead() const;
    // Does what that many Ticks would do, at once; a count beyond
    // IdleTicksAhead is cut to it.
    void SkipIdleTicks(std::uint32_t ticks);
    // Asks for ReloadScreens at the start of the next Tick; any thread. A
    // sleeping refresh timer must be woken for it to happen soon.
    void RequestReload();
    // Reads the screen index and every screen file again (plugins, driver and
    // catalogue stay). Only when every file reads and parses do the new
    // screens replace the old, and the first one starts with a full redraw;
    // otherwise the running screens stay and a line says which file and line
    // failed. On the refresh thread, or while no timer runs.
    bool ReloadScreens();
    // Driver farewell, data sources and drivers released, modules unloaded.
    // Only the first call does anything.
    bool Shutdown();

    // Appends a drawing job, drawn in queue order by the next tick's drawing step.
    void QueueDraw(ScreenItem* item, std::uint32_t x1, std::uint32_t y1, std::uint32_t x2, std::uint32_t y2,
                   std::uint32_t send, std::uint32_t mode);
    // A copy runs at the end of this tick (delay 0) or once its delay has run out.
    void ScheduleAction(const Action& action);
    // "Core.ChangeScreen" and "Core.NextScreen" switch screens; others do nothing.
    void ExecuteAction(const Action& action);
    // Schedules the current screen's actions, clears the display, redraws all items.
    void StartScreen();

    VariableInfo findVariable(const std::string& id) const;
    ImageInfo findImage(const std::string& id) const;

    // Flags are set and cleared by plugins from any thread while ticks read them.
    void SetFlag(const std::string& flag);
    void ClearFlag(const std::string& flag);
    bool HasFlag(const std::string& flag) const;
    std::vector<std::string> Flags() const;

    // The display as published after the frame buffer's Init; any thread.
    DisplaySummary Display() const;
    // How many leading entries of dataSources are filled: any thread may read
    // those, and only those.
    std::size_t FilledSources() const;

    // Null before Init or without screens.
    Screen* CurrentScreen() const;

    std::map<std::string, ItemFactory*> factories; // not owned
    FrameBuffer frameBuffer;
    std::vector<std::unique_ptr<Screen>> screens;
    std::vector<PluginRecord> plugins;
    std::vector<DataSource> dataSources;
    std::vector<IDisplayDriver*> drivers;
    // FIFO queues kept as vectors: a tick consumes them front to back and then
    // empties them, so their storage is reused and steady ticks never allocate.
    std::vector<DrawRequest> drawQueue;
    std::vector<Action> actionQueue;
    std::vector<Action> pendingActions;
    std::size_t currentScreen = 0;
    IUserInterface* userInterface = nullptr;

private:
    bool AllRequiredFlagsSet(const Screen& screen) const;
    void NextScreen();
    bool SelectDriver(const std::string& name);
    // Reads the screens named by the index into `out`. With `failure`, stops
    // at the first file that cannot be read or parsed and says why there;
    // without, keeps whatever each file gave (as start-up does).
    bool ReadScreens(std::vector<std::unique_ptr<Screen>>& out, std::string* failure);
    void PublishDisplay();
    void DrawQueued();
    void AdvancePendingActions();
    void RunDueActions();
    // Drops the draw queue and logs the first failure only.
    void TickFailed(const char* what) noexcept;
    // Spare Action objects whose strings keep their storage for the next copy.
    Action TakeSpareAction();

    std::vector<Action> spareActions;
    bool actionLoopReported = false;
    bool tickFailureReported = false;
    bool shutDown = false;
    std::atomic<std::size_t> filledSources{0};
    std::atomic<bool> reloadRequested{false};

    mutable std::mutex flagsMutex;
    std::vector<std::string> flags; // guarded by flagsMutex

    mutable std::mutex displayMutex;
    DisplaySummary display; // guarded by displayMutex
};
