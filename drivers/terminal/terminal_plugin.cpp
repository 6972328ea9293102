// "Terminal": a display driver that shows the panel in a terminal. Settings,
// section "Terminal": XChars, YChars, XPixels, YPixels (the geometry; missing
// or out of range gives 20 x 4 characters and 122 x 32 pixels) and Output
// (where frames go; see PanelWriter). They are read when the driver starts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "drivers/terminal/panel_writer.h"
#include "plugin/api/glancer_plugin.h"

namespace {

CoreServices* services = nullptr;
const char kSection[] = "Terminal";
const char kName[] = "Terminal";

struct Setting {
    const char* name;
    const char* prompt;
    std::uint32_t PanelGeometry::*field;
    std::uint32_t limit;
};
const Setting kGeometrySettings[] = {
    {"XChars", "Text columns", &PanelGeometry::xChars, 256},
    {"YChars", "Text rows", &PanelGeometry::yChars, 64},
    {"XPixels", "Pixel columns", &PanelGeometry::xPixels, 1024},
    {"YPixels", "Pixel rows", &PanelGeometry::yPixels, 1024},
};

void Copy(const char* text, char* buffer, std::uint32_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

PanelGeometry ReadGeometry()
{
    PanelGeometry geometry;
    if (services == nullptr)
        return geometry;
    for (const Setting& setting : kGeometrySettings) {
        const std::int32_t value = services->vtbl->ReadInt(services, setting.name, kSection);
        if (value > 0 && static_cast<std::uint32_t>(value) <= setting.limit)
            geometry.*setting.field = static_cast<std::uint32_t>(value);
    }
    return geometry;
}

std::string ReadOutput()
{
    char buffer[GLANCER_TEXT_SIZE] = "";
    if (services != nullptr)
        services->vtbl->ReadString(services, "Output", kSection, buffer);
    buffer[GLANCER_TEXT_SIZE - 1] = '\0';
    const std::string value = buffer;
    return value == "\n" ? std::string() : value; // "\n": never set
}

#ifndef _WIN32
// Asks on the terminal; an empty answer (or end of input) keeps the value.
bool Ask(const char* prompt, const std::string& current, std::string& answer)
{
    std::printf("%s [%s]: ", prompt, current.c_str());
    std::fflush(stdout);
    char line[GLANCER_TEXT_SIZE];
    if (std::fgets(line, sizeof line, stdin) == nullptr) {
        std::printf("\n");
        return false;
    }
    answer = line;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    return true;
}
#endif

std::uint32_t Configure()
{
#ifdef _WIN32
    return 1; // the Windows program has no console to ask on
#else
    if (services == nullptr)
        return 1;
    const PanelGeometry geometry = ReadGeometry();
    std::printf("Terminal display settings (press Enter to keep a value).\n");
    std::string answer;
    for (const Setting& setting : kGeometrySettings) {
        const std::uint32_t current = geometry.*setting.field;
        if (!Ask(setting.prompt, std::to_string(current), answer))
            return 0;
        if (answer.empty())
            continue;
        char* end = nullptr;
        const unsigned long value = std::strtoul(answer.c_str(), &end, 10);
        if (*end != '\0' || value == 0 || value > setting.limit) {
            std::printf("  Not a number from 1 to %u; keeping %u.\n", setting.limit, current);
            continue;
        }
        services->vtbl->WriteInt(services, setting.name, static_cast<std::uint32_t>(value), kSection);
    }
    const std::string output = ReadOutput();
    if (!Ask("Output file (- for this terminal)", output.empty() ? "-" : output, answer))
        return 0;
    if (!answer.empty())
        services->vtbl->WriteString(services, "Output", answer == "-" ? "" : answer.c_str(), kSection);
    return 0;
#endif
}

// ---- IDisplayDriver -------------------------------------------------------

struct TerminalDriver : IDisplayDriver {
    PanelGeometry geometry;
    DisplayInfo info{};
    PanelWriter writer;
};

TerminalDriver* Self(IDisplayDriver* self)
{
    return static_cast<TerminalDriver*>(self);
}

void GLANCER_CALL DriverRelease(IDisplayDriver* self)
{
    delete Self(self);
}

void GLANCER_CALL DriverInit(IDisplayDriver* self)
{
    TerminalDriver* driver = Self(self);
    try {
        driver->geometry = ReadGeometry();
        driver->writer.Start(driver->geometry, ReadOutput());
    } catch (...) {
        // Without memory or a thread the panel stays invisible; the program runs on.
    }
}

void GLANCER_CALL DriverShutdown(IDisplayDriver* self)
{
    Self(self)->writer.Stop();
}

std::uint32_t GLANCER_CALL DriverConfigure(IDisplayDriver*)
{
    try {
        return Configure();
    } catch (...) {
        return 1;
    }
}

DisplayInfo* GLANCER_CALL DriverGetDisplayInfo(IDisplayDriver* self, DisplayInfo* out)
{
    TerminalDriver* driver = Self(self);
    DisplayInfo* target = out != nullptr ? out : &driver->info;
    target->xPixels = driver->geometry.xPixels;
    target->yPixels = driver->geometry.yPixels;
    target->xChars = driver->geometry.xChars;
    target->yChars = driver->geometry.yChars;
    return target;
}

void GLANCER_CALL DriverClear(IDisplayDriver* self)
{
    Self(self)->writer.Clear();
}

void GLANCER_CALL DriverPrepareShutdown(IDisplayDriver*)
{
}

void GLANCER_CALL DriverWriteText(IDisplayDriver* self, const char* text, std::uint32_t x, std::uint32_t y)
{
    Self(self)->writer.WriteText(text, x, y);
}

void GLANCER_CALL DriverUpdateRegion(IDisplayDriver* self, const FrameBufferHeader* frame, std::uint32_t x,
                                     std::uint32_t y, std::uint32_t width, std::uint32_t height)
{
    if (frame != nullptr)
        Self(self)->writer.CopyRegion(*frame, x, y, width, height);
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

void GLANCER_CALL PluginRelease(IPlugin*)
{
}
void GLANCER_CALL PluginInit(IPlugin*)
{
}
void GLANCER_CALL PluginShutdown(IPlugin*)
{
}
void GLANCER_CALL PluginGetName(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy(kName, buffer, size);
}
void GLANCER_CALL PluginInfo1(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("Display driver: the panel drawn in a terminal", buffer, size);
}
void GLANCER_CALL PluginInfo2(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy(GLANCER_PLUGIN_VERSION, buffer, size);
}
void GLANCER_CALL PluginNoInfo(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("", buffer, size);
}

const IPluginVtbl kPluginTable = {
    PluginRelease, PluginInit,   PluginShutdown, PluginGetName, PluginInfo1,
    PluginInfo2,   PluginNoInfo, PluginNoInfo,   PluginNoInfo,  PluginNoInfo,
};
IPlugin thePlugin = {&kPluginTable};

// ---- Module and factories -------------------------------------------------

void* GLANCER_CALL CreatePlugin(IComponentFactory*)
{
    return &thePlugin;
}

void* GLANCER_CALL CreateDriver(IComponentFactory*)
{
    TerminalDriver* driver = new (std::nothrow) TerminalDriver();
    if (driver == nullptr)
        return nullptr;
    driver->vtbl = &kDriverTable;
    return static_cast<IDisplayDriver*>(driver);
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
