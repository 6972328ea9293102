#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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

// The one engine object: plugins, catalogue, screens, frame, queues, flags.
// Init and Shutdown run on the main thread; Tick on the timer thread, one at
// a time, only between a successful Init and Shutdown.
class Core {
public:
    Core();
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    void AddFactory(ItemFactory& factory);
    ItemFactory* FindFactory(const std::string& typeName) const;

    bool Init();
    void Tick();
    bool Shutdown();

    void QueueDraw(ScreenItem* item, std::uint32_t x1, std::uint32_t y1, std::uint32_t x2, std::uint32_t y2,
                   std::uint32_t send, std::uint32_t mode);
    void ScheduleAction(const Action& action);
    void ExecuteAction(const Action& action);
    void StartScreen();

    VariableInfo findVariable(const std::string& id) const;
    ImageInfo findImage(const std::string& id) const;

    // Flags are set and cleared by plugins from any thread while ticks read them.
    void SetFlag(const std::string& flag);
    void ClearFlag(const std::string& flag);
    bool HasFlag(const std::string& flag) const;
    std::vector<std::string> Flags() const;

    Screen* CurrentScreen() const;

    std::map<std::string, ItemFactory*> factories; // not owned
    FrameBuffer frameBuffer;
    std::vector<std::unique_ptr<Screen>> screens;
    std::vector<PluginRecord> plugins;
    std::vector<DataSource> dataSources;
    std::vector<IDisplayDriver*> drivers;
    std::deque<DrawRequest> drawQueue;
    std::deque<Action> actionQueue;
    std::vector<Action> pendingActions;
    std::size_t currentScreen = 0;
    IUserInterface* userInterface = nullptr;

private:
    bool AllRequiredFlagsSet(const Screen& screen) const;
    void NextScreen();
    bool SelectDriver(const std::string& name);

    mutable std::mutex flagsMutex;
    std::vector<std::string> flags; // guarded by flagsMutex
};
