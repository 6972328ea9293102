// "System": a data source describing the machine: CPU load, memory, uptime,
// network rates, disk space, the host name, time and date, a CPU load bar
// and a clock face. A sampler thread of its own reads the machine once a
// second, so a refresh only copies cached values. While the CPU load is
// 75 % or more it sets the flag "System.HighLoad", so screens can require
// it. Settings, section "System": DiskPath (any path on the disk to report;
// "/" or "C:\" when unset), read at init.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>

#include "datasources/system/pictures.h"
#include "datasources/system/probe.h"
#include "datasources/system/sampler.h"
#include "datasources/system/value_text.h"
#include "datasources/system/variables.h"
#include "plugin/api/glancer_plugin.h"

namespace {

CoreServices* services = nullptr;
const char kName[] = "System";
const char kSection[] = "System";
const char kHighLoadFlag[] = "System.HighLoad";
#ifdef _WIN32
const char kDefaultDiskPath[] = "C:\\";
#else
const char kDefaultDiskPath[] = "/";
#endif

enum Image : std::uint32_t { CpuBar, Clock, ImageCount };
const char* const kImageIds[ImageCount] = {"System.CpuBar", "System.Clock"};
const char* const kImageNames[ImageCount] = {"CPU load bar", "Clock face"};

std::string ReadDiskPath()
{
    char buffer[GLANCER_TEXT_SIZE] = "";
    if (services != nullptr)
        services->vtbl->ReadString(services, "DiskPath", kSection, buffer);
    buffer[GLANCER_TEXT_SIZE - 1] = '\0';
    const std::string value = buffer;
    return value.empty() || value == "\n" ? std::string(kDefaultDiskPath) : value; // "\n": never set
}

bool LocalTime(std::tm& out)
{
    const std::time_t now = std::time(nullptr);
#ifdef _WIN32
    return localtime_s(&out, &now) == 0;
#else
    return ::localtime_r(&now, &out) != nullptr;
#endif
}

void ReportHighLoad(bool high)
{
    if (services != nullptr)
        (high ? services->vtbl->SetFlag : services->vtbl->ClearFlag)(services, kHighLoadFlag);
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
    std::printf("System data source settings (press Enter to keep a value).\n");
    std::string answer;
    if (!Ask("Disk to report (any path on it)", ReadDiskPath(), answer) || answer.empty())
        return 0;
    if (!MakeSystemProbe()->Disk(answer))
        std::printf("  Cannot read that disk now; it shows as \"?\" until it can.\n");
    services->vtbl->WriteString(services, "DiskPath", answer.c_str(), kSection);
    return 0;
#endif
}

// ---- IData ------------------------------------------------------------------

struct SystemData : IData {
    std::unique_ptr<Sampler> sampler;
    std::uint8_t barPixels[kBarWidth * kBarHeight] = {};
    std::uint8_t clockPixels[kClockSize * kClockSize] = {};
    PluginImage bar{barPixels, kBarWidth, kBarHeight, 0, kBarWidth* kBarHeight};
    PluginImage clock{clockPixels, kClockSize, kClockSize, 0, kClockSize* kClockSize};

    Readings Latest() const { return sampler != nullptr ? sampler->Latest() : Readings{}; }
};

SystemData* Self(IData* self)
{
    return static_cast<SystemData*>(self);
}

void GLANCER_CALL Release(IData* self)
{
    delete Self(self); // stops the sampler if shutdown never came
}

void GLANCER_CALL Init(IData* self)
{
    SystemData* data = Self(self);
    if (data->sampler != nullptr)
        return;
    try {
        data->sampler = std::make_unique<Sampler>(MakeSystemProbe(), ReadDiskPath(), ReportHighLoad);
        data->sampler->Start();
    } catch (...) {
        data->sampler.reset(); // values stay at zero
    }
}

void GLANCER_CALL Shutdown(IData* self)
{
    SystemData* data = Self(self);
    if (data->sampler != nullptr)
        data->sampler->Stop();
}

std::uint32_t GLANCER_CALL DataConfigure(IData*)
{
    try {
        return Configure();
    } catch (...) {
        return 1;
    }
}

void GLANCER_CALL GetValue(IData* self, std::uint32_t index, void* value, std::uint32_t size)
{
    std::tm now{};
    const bool clock = (index == Time || index == Date) && LocalTime(now);
    WriteValue(index, Self(self)->Latest(), clock ? &now : nullptr, value, size);
}

PluginImage* GLANCER_CALL GetImage(IData* self, std::uint32_t index)
{
    SystemData* data = Self(self);
    if (index == CpuBar) {
        DrawLoadBar(data->barPixels, data->Latest().cpuLoad);
        return &data->bar;
    }
    if (index == Clock) {
        std::tm now{};
        if (!LocalTime(now))
            now = std::tm{};
        DrawClock(data->clockPixels, now.tm_hour, now.tm_min, now.tm_sec);
        return &data->clock;
    }
    return nullptr;
}

std::int32_t GLANCER_CALL GetVariableCount(IData*)
{
    return VariableCount;
}
void GLANCER_CALL GetVariableId(IData*, std::uint32_t index, char* buffer)
{
    CopyText(index < VariableCount ? kVariables[index].id : "", buffer, GLANCER_TEXT_SIZE);
}
void GLANCER_CALL GetVariableName(IData*, std::uint32_t index, char* buffer)
{
    CopyText(index < VariableCount ? kVariables[index].name : "", buffer, GLANCER_TEXT_SIZE);
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
    CopyText(index < ImageCount ? kImageIds[index] : "", buffer, GLANCER_TEXT_SIZE);
}
void GLANCER_CALL GetImageName(IData*, std::uint32_t index, char* buffer)
{
    CopyText(index < ImageCount ? kImageNames[index] : "", buffer, GLANCER_TEXT_SIZE);
}
void GLANCER_CALL GetName(IData*, char* buffer)
{
    CopyText(kName, buffer, GLANCER_TEXT_SIZE);
}

const IDataVtbl kDataTable = {
    Release,          Init,          Shutdown,        DataConfigure,   GetValue,      GetImage,
    GetVariableCount, GetVariableId, GetVariableName, GetVariableType, GetImageCount, GetImageId,
    GetImageName,     GetName,
};

// ---- IPlugin, module and factories -------------------------------------------

void GLANCER_CALL PluginNothing(IPlugin*)
{
}
void GLANCER_CALL PluginGetName(IPlugin*, char* buffer, std::uint32_t size)
{
    CopyText(kName, buffer, size);
}
void GLANCER_CALL PluginInfo1(IPlugin*, char* buffer, std::uint32_t size)
{
    CopyText("Data source: CPU, memory, network, disk, uptime, host name, time and date", buffer, size);
}
void GLANCER_CALL PluginInfo2(IPlugin*, char* buffer, std::uint32_t size)
{
    CopyText(GLANCER_PLUGIN_VERSION, buffer, size);
}
void GLANCER_CALL PluginNoInfo(IPlugin*, char* buffer, std::uint32_t size)
{
    CopyText("", buffer, size);
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
    SystemData* data = new (std::nothrow) SystemData();
    if (data == nullptr)
        return nullptr;
    data->vtbl = &kDataTable;
    return static_cast<IData*>(data);
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
