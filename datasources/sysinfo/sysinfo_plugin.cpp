// "SystemInfo": a data source describing the machine. Everything is read
// when asked for (no thread of its own). While the CPU load is 75 % or more
// it sets the flag "SystemInfo.HighLoad", so screens can require it.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "datasources/sysinfo/pictures.h"
#include "datasources/sysinfo/system_probe.h"
#include "plugin/api/glancer_plugin.h"

namespace {

CoreServices* services = nullptr;
const char kName[] = "SystemInfo";
const char kHighLoadFlag[] = "SystemInfo.HighLoad";
const double kHighLoad = 75.0;

enum Variable : std::uint32_t { Time, Date, Uptime, UptimeText, CpuLoad, MemoryUsed, HostName, VariableCount };
enum Image : std::uint32_t { CpuBar, Clock, ImageCount };

struct Entry {
    const char* id;
    const char* name;
    std::uint32_t type;
};
const Entry kVariables[VariableCount] = {
    {"SystemInfo.Time", "Time (HH:MM:SS)", GLANCER_VAR_TEXT},
    {"SystemInfo.Date", "Date (YYYY-MM-DD)", GLANCER_VAR_TEXT},
    {"SystemInfo.Uptime", "Uptime in seconds", GLANCER_VAR_INT},
    {"SystemInfo.UptimeText", "Uptime (days, hours and minutes)", GLANCER_VAR_TEXT},
    {"SystemInfo.CpuLoad", "CPU load in percent", GLANCER_VAR_DOUBLE},
    {"SystemInfo.MemoryUsed", "Memory used in percent", GLANCER_VAR_INT},
    {"SystemInfo.Hostname", "Host name", GLANCER_VAR_TEXT},
};
const Entry kImages[ImageCount] = {
    {"SystemInfo.CpuBar", "CPU load bar", 0},
    {"SystemInfo.Clock", "Clock face", 0},
};

void Copy(const char* text, char* buffer, std::uint32_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

struct SystemInfo : IData {
    CpuMeter cpu;
    bool highLoad = false;
    std::uint8_t barPixels[kBarWidth * kBarHeight] = {};
    std::uint8_t clockPixels[kClockSize * kClockSize] = {};
    PluginImage bar{barPixels, kBarWidth, kBarHeight, 0, kBarWidth* kBarHeight};
    PluginImage clock{clockPixels, kClockSize, kClockSize, 0, kClockSize* kClockSize};

    double Load()
    {
        const double load = cpu.Load();
        const bool high = load >= kHighLoad;
        if (high != highLoad && services != nullptr) {
            highLoad = high;
            (high ? services->vtbl->SetFlag : services->vtbl->ClearFlag)(services, kHighLoadFlag);
        }
        return load;
    }
};

SystemInfo* Self(IData* self)
{
    return static_cast<SystemInfo*>(self);
}

void FormatTime(bool date, char* buffer, std::uint32_t size)
{
    std::tm now{};
    char text[64] = "";
    if (LocalTime(now)) {
        if (date)
            std::strftime(text, sizeof text, "%Y-%m-%d", &now);
        else
            std::strftime(text, sizeof text, "%H:%M:%S", &now);
    }
    Copy(text, buffer, size);
}

void FormatUptime(char* buffer, std::uint32_t size)
{
    const long long seconds = UptimeSeconds();
    const long long days = seconds / 86400;
    const int hours = static_cast<int>(seconds / 3600 % 24);
    const int minutes = static_cast<int>(seconds / 60 % 60);
    char text[64];
    if (days > 0)
        std::snprintf(text, sizeof text, "%lldd %02d:%02d", days, hours, minutes);
    else
        std::snprintf(text, sizeof text, "%02d:%02d", hours, minutes);
    Copy(text, buffer, size);
}

void GLANCER_CALL Release(IData* self)
{
    delete Self(self);
}

void GLANCER_CALL Init(IData* self)
{
    Self(self)->cpu.Start();
}

void GLANCER_CALL Shutdown(IData* self)
{
    SystemInfo* info = Self(self);
    if (info->highLoad && services != nullptr)
        services->vtbl->ClearFlag(services, kHighLoadFlag);
    info->highLoad = false;
}

std::uint32_t GLANCER_CALL Configure(IData*)
{
    return 1; // nothing to configure
}

void GLANCER_CALL GetValue(IData* self, std::uint32_t index, void* value, std::uint32_t size)
{
    if (value == nullptr || index >= VariableCount)
        return;
    char* text = static_cast<char*>(value);
    const std::uint32_t type = kVariables[index].type;
    if ((type == GLANCER_VAR_INT && size < sizeof(std::int32_t)) ||
        (type == GLANCER_VAR_DOUBLE && size < sizeof(double)))
        return;
    std::int32_t integer = 0;
    double real = 0.0;
    switch (index) {
    case Time:
        FormatTime(false, text, size);
        return;
    case Date:
        FormatTime(true, text, size);
        return;
    case UptimeText:
        FormatUptime(text, size);
        return;
    case HostName:
        try {
            Copy(Hostname().c_str(), text, size);
        } catch (...) {
            Copy("", text, size);
        }
        return;
    case Uptime: {
        const long long seconds = UptimeSeconds();
        integer = seconds > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(seconds);
        break;
    }
    case MemoryUsed:
        integer = MemoryUsedPercent();
        break;
    case CpuLoad:
        real = Self(self)->Load();
        break;
    default:
        return;
    }
    if (type == GLANCER_VAR_INT)
        std::memcpy(value, &integer, sizeof integer);
    else
        std::memcpy(value, &real, sizeof real);
}

PluginImage* GLANCER_CALL GetImage(IData* self, std::uint32_t index)
{
    SystemInfo* info = Self(self);
    if (index == CpuBar) {
        DrawLoadBar(info->barPixels, info->Load());
        return &info->bar;
    }
    if (index == Clock) {
        std::tm now{};
        if (!LocalTime(now))
            now = std::tm{};
        DrawClock(info->clockPixels, now.tm_hour, now.tm_min, now.tm_sec);
        return &info->clock;
    }
    return nullptr;
}

std::int32_t GLANCER_CALL GetVariableCount(IData*)
{
    return VariableCount;
}
void GLANCER_CALL GetVariableId(IData*, std::uint32_t index, char* buffer)
{
    Copy(index < VariableCount ? kVariables[index].id : "", buffer, GLANCER_TEXT_SIZE);
}
void GLANCER_CALL GetVariableName(IData*, std::uint32_t index, char* buffer)
{
    Copy(index < VariableCount ? kVariables[index].name : "", buffer, GLANCER_TEXT_SIZE);
}
std::uint32_t GLANCER_CALL GetVariableType(IData*, std::uint32_t index)
{
    return index < VariableCount ? kVariables[index].type : std::uint32_t{GLANCER_VAR_TEXT};
}
std::int32_t GLANCER_CALL GetImageCount(IData*)
{
    return ImageCount;
}
void GLANCER_CALL GetImageId(IData*, std::uint32_t index, char* buffer)
{
    Copy(index < ImageCount ? kImages[index].id : "", buffer, GLANCER_TEXT_SIZE);
}
void GLANCER_CALL GetImageName(IData*, std::uint32_t index, char* buffer)
{
    Copy(index < ImageCount ? kImages[index].name : "", buffer, GLANCER_TEXT_SIZE);
}
void GLANCER_CALL GetName(IData*, char* buffer)
{
    Copy(kName, buffer, GLANCER_TEXT_SIZE);
}

const IDataVtbl kDataTable = {
    Release,          Init,          Shutdown,        Configure,       GetValue,      GetImage,
    GetVariableCount, GetVariableId, GetVariableName, GetVariableType, GetImageCount, GetImageId,
    GetImageName,     GetName,
};

// ---- IPlugin, module and factories -------------------------------------------

void GLANCER_CALL PluginNothing(IPlugin*)
{
}
void GLANCER_CALL PluginGetName(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy(kName, buffer, size);
}
void GLANCER_CALL PluginInfo1(IPlugin*, char* buffer, std::uint32_t size)
{
    Copy("Data source: time, date, uptime, CPU load, memory use, host name", buffer, size);
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
    PluginNothing, PluginNothing, PluginNothing, PluginGetName, PluginInfo1,
    PluginInfo2,   PluginNoInfo,  PluginNoInfo,  PluginNoInfo,  PluginNoInfo,
};
IPlugin thePlugin = {&kPluginTable};

void* GLANCER_CALL CreatePlugin(IComponentFactory*)
{
    return &thePlugin;
}
void* GLANCER_CALL CreateData(IComponentFactory*)
{
    SystemInfo* info = new (std::nothrow) SystemInfo();
    if (info == nullptr)
        return nullptr;
    info->vtbl = &kDataTable;
    return static_cast<IData*>(info);
}

const IComponentFactoryVtbl kPluginFactoryTable = {CreatePlugin};
const IComponentFactoryVtbl kDataFactoryTable = {CreateData};
IComponentFactory dataFactory = {&kDataFactoryTable, nullptr, GLANCER_TYPE_DATA};
IComponentFactory pluginFactory = {&kPluginFactoryTable, &dataFactory, GLANCER_TYPE_PLUGIN};

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
