#include "core/core.h"

#include <algorithm>

#include "core/core_services.h"
#include "items/item_factory.h"
#include "plugin/plugin_loader.h"
#include "screendef/screen.h"
#include "screendef/screen_index.h"
#include "support/log_stream.h"
#include "support/settings.h"

namespace {

constexpr std::size_t kReservedDraws = 256;
constexpr std::size_t kReservedActions = 32;

} // namespace

Core::Core() = default;

Core::~Core()
{
    UnbindCoreServices(this);
}

void Core::AddFactory(ItemFactory& factory)
{
    const std::string name = factory.GetTypeName();
    if (factories.emplace(name, &factory).second)
        LogStream << "Factory added: " << name << std::endl;
    else
        LogStream << "Factory not added: " << name << std::endl;
}

ItemFactory* Core::FindFactory(const std::string& typeName) const
{
    const auto found = factories.find(typeName);
    return found == factories.end() ? nullptr : found->second;
}

void Core::LoadPlugins()
{
    BindCoreServices(this);
    loadPlugins(plugins, GetCoreServices());
    for (PluginRecord& record : plugins)
        enumerateFactories(record);
    for (PluginRecord& record : plugins)
        createComponents(record, *this);
    for (PluginRecord& record : plugins)
        readPluginInfo(record);
}

bool Core::Init()
{
    LoadPlugins();
    // dataSources no longer grows; each entry is readable by every thread
    // as soon as it is filled.
    for (std::size_t i = 0; i < dataSources.size(); ++i) {
        fillDataSource(dataSources[i]);
        filledSources.store(i + 1, std::memory_order_release);
    }

    ReadScreens(screens, nullptr);
    if (screens.empty())
        return false;

    drawQueue.reserve(kReservedDraws);
    actionQueue.reserve(kReservedActions);
    pendingActions.reserve(kReservedActions);
    spareActions.reserve(kReservedActions);

    currentScreen = 0;
    for (const Action& action : screens.front()->actions)
        ScheduleAction(action);

    char setting[kSettingsStringSize] = {};
    readSettingString("DRIVER", "", setting);
    if (!SelectDriver(TextFromBuffer(setting, sizeof setting)))
        return false;

    frameBuffer.Init();
    PublishDisplay();
    screens.front()->RedrawItems();
    return true;
}

bool Core::ReadScreens(std::vector<std::unique_ptr<Screen>>& out, std::string* failure)
{
    std::vector<std::string> fileNames;
    {
        ScreenIndexReader index;
        index.Load("screens\\screens.xml");
        if (failure != nullptr && index.reader.FaultOffset() >= 0) {
            *failure = "screens/screens.xml:" + std::to_string(index.reader.LineAt(index.reader.FaultOffset())) + ": " +
                       index.reader.FaultText();
            return false;
        }
        fileNames.swap(index.fileNames);
    }
    if (failure != nullptr && fileNames.empty()) {
        *failure = "screens/screens.xml names no screen file";
        return false;
    }
    for (const std::string& fileName : fileNames) {
        auto screen = std::make_unique<Screen>(*this);
        const std::string text = ReadTextFile("screens\\" + fileName);
        if (failure != nullptr && text.empty()) {
            *failure = "screens/" + fileName + " cannot be read or is empty";
            return false;
        }
        screen->Build(text);
        if (failure != nullptr && screen->reader.FaultOffset() >= 0) {
            *failure = "screens/" + fileName + ":" +
                       std::to_string(screen->reader.LineAt(screen->reader.FaultOffset())) + ": " +
                       screen->reader.FaultText();
            return false;
        }
        out.push_back(std::move(screen));
    }
    return true;
}

void Core::RequestReload()
{
    reloadRequested.store(true, std::memory_order_release);
}

bool Core::ReloadScreens()
{
    std::vector<std::unique_ptr<Screen>> fresh;
    std::string failure;
    if (!ReadScreens(fresh, &failure)) {
        LogStream << "Screens not reloaded: " << failure << std::endl;
        return false;
    }
    // The queues point into the old screens' items and actions.
    drawQueue.clear();
    for (std::vector<Action>* queue : {&actionQueue, &pendingActions}) {
        for (Action& action : *queue)
            spareActions.push_back(std::move(action));
        queue->clear();
    }
    screens.swap(fresh);
    currentScreen = 0;
    actionLoopReported = false;
    StartScreen();
    LogStream << "Screens reloaded: " << screens.size() << " screens" << std::endl;
    return true; // the old screens go with `fresh`
}

bool Core::SelectDriver(const std::string& name)
{
    bool selected = false;
    for (IDisplayDriver* driver : drivers) {
        char buffer[GLANCER_TEXT_SIZE] = {};
        driver->vtbl->getName(driver, buffer);
        const std::string driverName = TextFromBuffer(buffer, sizeof buffer);
        LogStream << "DRIVER: " << driverName << std::endl;
        if (driverName == name) {
            frameBuffer.Bind(driver);
            selected = true;
        }
    }
    return selected;
}

void Core::PublishDisplay()
{
    DisplaySummary summary;
    summary.xPixels = frameBuffer.XPixels();
    summary.yPixels = frameBuffer.YPixels();
    summary.xChars = frameBuffer.XChars();
    summary.yChars = frameBuffer.YChars();
    summary.driverName = frameBuffer.DriverName();
    const std::lock_guard lock(displayMutex);
    display = std::move(summary);
}

DisplaySummary Core::Display() const
{
    const std::lock_guard lock(displayMutex);
    return display;
}

std::size_t Core::FilledSources() const
{
    return filledSources.load(std::memory_order_acquire);
}

bool Core::Shutdown()
{
    // The modules are gone after the first call; a second must not call into them.
    if (shutDown)
        return true;
    shutDown = true;
    frameBuffer.Release();
    for (DataSource& source : dataSources) {
        if (source.component != nullptr) {
            source.component->vtbl->shutdown(source.component);
            source.component->vtbl->release(source.component);
        }
        LogStream << "IData released" << std::endl;
    }
    for (IDisplayDriver* driver : drivers) {
        driver->vtbl->release(driver);
        LogStream << "IDisplayDriver released" << std::endl;
    }
    for (PluginRecord& record : plugins)
        unloadPlugin(record);
    return true;
}

VariableInfo Core::findVariable(const std::string& id) const
{
    return ::findVariable(dataSources, id);
}

ImageInfo Core::findImage(const std::string& id) const
{
    return ::findImage(dataSources, id);
}

void Core::SetFlag(const std::string& flag)
{
    const std::lock_guard lock(flagsMutex);
    if (std::find(flags.begin(), flags.end(), flag) == flags.end())
        flags.push_back(flag);
}

void Core::ClearFlag(const std::string& flag)
{
    const std::lock_guard lock(flagsMutex);
    const auto found = std::find(flags.begin(), flags.end(), flag);
    if (found != flags.end())
        flags.erase(found);
}

bool Core::HasFlag(const std::string& flag) const
{
    const std::lock_guard lock(flagsMutex);
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::vector<std::string> Core::Flags() const
{
    const std::lock_guard lock(flagsMutex);
    return flags;
}

bool Core::AllRequiredFlagsSet(const Screen& screen) const
{
    const std::lock_guard lock(flagsMutex);
    return std::all_of(screen.requiredFlags.begin(), screen.requiredFlags.end(), [this](const std::string& flag) {
        return std::find(flags.begin(), flags.end(), flag) != flags.end();
    });
}

Screen* Core::CurrentScreen() const
{
    return currentScreen < screens.size() ? screens[currentScreen].get() : nullptr;
}
