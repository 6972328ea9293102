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
    // At most this many actions run in one tick; more means screens whose
    // delay-0 actions switch to each other, and the rest waits for the next tick.
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
    // One 50 ms step: item refresh, drawing, action delays, due actions.
    void Tick();
    // How many coming Ticks would only count time (at most kMaxIdleTicks):
    // no item's refresh period or action's delay runs out, nothing is
    // queued to draw or to run.
    std::uint32_t IdleTicksAhead() const;
    // Does what that many Ticks would do, at once; a count beyond
    // IdleTicksAhead is cut to it.
    void SkipIdleTicks(std::uint32_t ticks);
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
    // True once the catalogue is complete (or on the thread filling it): only
    // then may other threads read dataSources.
    bool CatalogueReadable() const;

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
    void PublishDisplay();
    void DrawQueued();
    void AdvancePendingActions();
    void RunDueActions();
    // Spare Action objects whose strings keep their storage for the next copy.
    Action TakeSpareAction();

    std::vector<Action> spareActions;
    bool actionLoopReported = false;
    bool shutDown = false;
    std::atomic<bool> catalogueReady{false};

    mutable std::mutex flagsMutex;
    std::vector<std::string> flags; // guarded by flagsMutex

    mutable std::mutex displayMutex;
    DisplaySummary display; // guarded by displayMutex
};
