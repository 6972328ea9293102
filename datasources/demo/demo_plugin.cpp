// "Demo": a data source whose values move on their own, for trying screens
// out: a sine wave, a seconds counter, rotating messages, a bouncing ball
// and a flag that is set and cleared every 15 seconds. The values follow
// from a steady clock and are computed when asked for; only the flag has a
// thread, because flags must change even when nobody reads a value.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

#include "datasources/demo/demo_signals.h"
#include "datasources/demo/flag_blinker.h"
#include "plugin/api/glancer_plugin.h"

namespace {

CoreServices* services = nullptr;
const char kName[] = "Demo";
const char kFlag[] = "Demo.Flag";
constexpr std::chrono::milliseconds kFlagPeriod{15000};

enum Variable : std::uint32_t { Sine, Counter, Message, VariableCount };
enum Image : std::uint32_t { Ball, ImageCount };

struct Entry {
    const char* id;
    const char* name;
    std::uint32_t type;
};
const Entry kVariables[VariableCount] = {
    {"Demo.Sine", "Sine wave, 0..100, period 10 s", GLANCER_VAR_DOUBLE},
    {"Demo.Counter", "Seconds counter", GLANCER_VAR_INT},
    {"Demo.Message", "A message that changes every 3 s", GLANCER_VAR_TEXT},
};
const Entry kImages[ImageCount] = {
    {"Demo.Ball", "Bouncing ball (32 x 32)", 0},
};

void Copy(const char* text, char* buffer, std::uint32_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

void ChangeFlag(bool set)
{
    if (services != nullptr)
        (set ? services->vtbl->SetFlag : services->vtbl->ClearFlag)(services, kFlag);
}

struct DemoData : IData {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now(); // written in init, before any tick
    demo::FlagBlinker blinker;
    // getImage may come from the main and the tick thread; the blinker
    // never touches the picture.
    std::mutex imageMutex;
    std::uint8_t ballPixels[demo::kBallSize * demo::kBallSize] = {};
    PluginImage ball{ballPixels, demo::kBallSize, demo::kBallSize, 0, demo::kBallSize * demo::kBallSize};

    std::int64_t Elapsed() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
};

DemoData* Self(IData* self)
{
    return static_cast<DemoData*>(self);
}

void GLANCER_CALL Release(IData* self)
{
    delete Self(self);
}

void GLANCER_CALL Init(IData* self)
{
    DemoData* data = Self(self);
    data->start = DemoData::Clock::now();
    try {
        data->blinker.Start(kFlagPeriod, ChangeFlag);
    } catch (...) {
        if (services != nullptr)
            services->vtbl->Log(services, "Demo: could not start the flag thread");
    }
}

void GLANCER_CALL Shutdown(IData* self)
{
    Self(self)->blinker.Stop();
}

std::uint32_t GLANCER_CALL Configure(IData*)
{
    return 1; // nothing to configure
}

void GLANCER_CALL GetValue(IData* self, std::uint32_t index, void* value, std::uint32_t size)
{
    if (value == nullptr || index >= VariableCount)
        return;
    const std::int64_t ms = Self(self)->Elapsed();
    switch (index) {
    case Sine:
        if (size >= sizeof(double)) {
            const double real = demo::Sine(ms);
            std::memcpy(value, &real, sizeof real);
        }
        return;
    case Counter:
        if (size >= sizeof(std::int32_t)) {
            const std::int32_t integer = demo::Counter(ms);
            std::memcpy(value, &integer, sizeof integer);
        }
        return;
    case Message:
        Copy(demo::Message(ms), static_cast<char*>(value), size);
        return;
    default:
        return;
    }
}

PluginImage* GLANCER_CALL GetImage(IData* self, std::uint32_t index)
{
    if (index != Ball)
        return nullptr;
    DemoData* data = Self(self);
    std::lock_guard<std::mutex> lock(data->imageMutex);
    demo::DrawBall(data->ballPixels, data->Elapsed());
    return &data->ball;
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
    Copy("Data source: moving demo values, a bouncing ball and a blinking flag", buffer, size);
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
    DemoData* data = new (std::nothrow) DemoData();
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
