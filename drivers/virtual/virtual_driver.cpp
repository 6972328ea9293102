// "Virtual display": a display driver that emulates an LCD panel, for
// working on screens without the hardware. The panel is shown in a window
// (Windows) or the terminal (elsewhere) and can be kept as a picture file.
// Settings, section "VirtualDisplay": see virtual_settings.h.
#include <cstring>
#include <memory>
#include <new>

#include "drivers/virtual/panel_view.h"
#include "drivers/virtual/presenter.h"
#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_plugin.h"

namespace {

using namespace vdisplay;

CoreServices* services = nullptr;
const char kName[] = "Virtual display";

void Copy(const char* text, char* buffer, std::uint32_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

// ---- IDisplayDriver -------------------------------------------------------

struct VirtualDriver : IDisplayDriver {
    Settings settings;
    bool settingsRead = false;
    DisplayInfo info{};
    std::unique_ptr<PanelView> view; // outlives the presenter, which shows into it
    Presenter presenter;
    bool running = false;

    ~VirtualDriver() { Shutdown(); }

    const Settings& CurrentSettings()
    {
        if (!settingsRead) {
            settings = ReadSettings(services);
            settingsRead = true;
        }
        return settings;
    }

    void Init()
    {
        if (running)
            return;
        CurrentSettings();
        view = MakePlatformView();
        if (view != nullptr && !view->Start(settings, services))
            view.reset();
        running = true;
        presenter.Start(settings, view.get(), services);
    }

    void Shutdown()
    {
        if (!running)
            return;
        presenter.Stop();
        if (view != nullptr)
            view->Stop();
        view.reset();
        running = false;
    }
};

VirtualDriver* Self(IDisplayDriver* self)
{
    return static_cast<VirtualDriver*>(self);
}

void GLANCER_CALL DriverRelease(IDisplayDriver* self)
{
    try {
        delete Self(self);
    } catch (...) {
    }
}

void GLANCER_CALL DriverInit(IDisplayDriver* self)
{
    try {
        Self(self)->Init();
    } catch (...) {
        // Without memory or a thread the panel stays unseen; the program runs on.
        if (services != nullptr)
            services->vtbl->Log(services, "Virtual display: could not start; nothing is shown");
    }
}

void GLANCER_CALL DriverShutdown(IDisplayDriver* self)
{
    try {
        Self(self)->Shutdown();
    } catch (...) {
    }
}

std::uint32_t GLANCER_CALL DriverConfigure(IDisplayDriver*)
{
    try {
        return RunConfigureDialog(services);
    } catch (...) {
        return 1;
    }
}

DisplayInfo* GLANCER_CALL DriverGetDisplayInfo(IDisplayDriver* self, DisplayInfo* out)
{
    VirtualDriver* driver = Self(self);
    DisplayInfo* target = out != nullptr ? out : &driver->info;
    try {
        const Geometry& geometry = driver->CurrentSettings().geometry;
        target->xPixels = geometry.xPixels;
        target->yPixels = geometry.yPixels;
        target->xChars = geometry.xChars;
        target->yChars = geometry.yChars;
    } catch (...) {
        *target = DisplayInfo{};
    }
    return target;
}

// Drawing only takes a lock, which throws only when the system is broken.
void GLANCER_CALL DriverClear(IDisplayDriver* self)
{
    try {
        Self(self)->presenter.Clear();
    } catch (...) {
    }
}

void GLANCER_CALL DriverPrepareShutdown(IDisplayDriver*)
{
}

void GLANCER_CALL DriverWriteText(IDisplayDriver* self, const char* text, std::uint32_t x, std::uint32_t y)
{
    try {
        Self(self)->presenter.WriteText(text, x, y);
    } catch (...) {
    }
}

void GLANCER_CALL DriverUpdateRegion(IDisplayDriver* self, const FrameBufferHeader* frame, std::uint32_t x,
                                     std::uint32_t y, std::uint32_t width, std::uint32_t height)
{
    try {
        if (frame != nullptr)
            Self(self)->presenter.CopyRegion(*frame, x, y, width, height);
    } catch (...) {
    }
}

void GLANCER_CALL DriverGetName(IDisplayDriver*, char* buffer)
{
    Copy(kName, buffer, GLANCER_TEXT_SIZE);
}

const IDisplayDriverVtbl kDriverTable = {
    DriverRelease,         DriverInit,      DriverShutdown,     DriverConfigure, DriverGetDisplayInfo, DriverClear,
    DriverPrepareShutdown, DriverWriteText, DriverUpdateRegion, DriverGetName,
};

// ---- IPlugin --------------------------------------------------------------

void GLANCER_CALL PluginNothing(IPlugin*)
{
}
void GLANCER_CALL PluginGetName(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy(kName, buffer, size);
}
void GLANCER_CALL PluginInfo1(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("Display driver: an emulated LCD panel, text and graphics", buffer, size);
}
void GLANCER_CALL PluginInfo2(IPlugin*, char* buffer, std::uint32_t size)
{
#ifdef _WIN32
    Copy("Shown in a window of its own", buffer, size);
#else
    Copy("Shown in the terminal with half-block characters", buffer, size);
#endif
}
void GLANCER_CALL PluginInfo3(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("Can keep the panel as a PNG or PBM picture (setting Snapshot)", buffer, size);
}
void GLANCER_CALL PluginInfo4(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("Version " GLANCER_PLUGIN_VERSION, buffer, size);
}
void GLANCER_CALL PluginNoInfo(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("", buffer, size);
}

const IPluginVtbl kPluginTable = {
    PluginNothing, PluginNothing, PluginNothing, PluginGetName, PluginInfo1,
    PluginInfo2,   PluginInfo3,   PluginInfo4,   PluginNoInfo,  PluginNoInfo,
};
IPlugin thePlugin = {&kPluginTable};

// ---- Module and factories -------------------------------------------------

void* GLANCER_CALL CreatePlugin(IComponentFactory*)
{
    return &thePlugin;
}

void* GLANCER_CALL CreateDriver(IComponentFactory*)
{
    try {
        VirtualDriver* driver = new VirtualDriver();
        driver->vtbl = &kDriverTable;
        return static_cast<IDisplayDriver*>(driver);
    } catch (...) {
        return nullptr;
    }
}

const IComponentFactoryVtbl kPluginFactoryTable = {CreatePlugin};
const IComponentFactoryVtbl kDriverFactoryTable = {CreateDriver};
IComponentFactory driverFactory = {&kDriverFactoryTable, nullptr, GLANCER_TYPE_DISPLAY_DRIVER};
IComponentFactory pluginFactory = {&kPluginFactoryTable, &driverFactory, GLANCER_TYPE_PLUGIN};

std::int32_t GLANCER_CALL ModuleVersion(IModule*)
{
    return GLANCER_INTERFACE_VERSION;
}
IComponentFactory* GLANCER_CALL ModuleFirstFactory(IModule*)
{
    return &pluginFactory;
}
const IModuleVtbl kModuleTable = {ModuleVersion, ModuleFirstFactory};
IModule theModule = {&kModuleTable};

} // namespace

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* coreServices)
{
    services = coreServices;
    return &theModule;
}
