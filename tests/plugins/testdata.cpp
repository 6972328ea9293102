// testdata: a data source named "TestData".
//
// Variables (index: id, type, value):
//   0 "text1"   text    "Hello"
//   1 "int1"    int     42
//   2 "dbl1"    double  2.5
//   3 "counter" int     1, 2, 3, ... one more per getValue
//   4 "ctext"   text    "count 1", "count 2", ... one more per getValue
//   5 "empty"   text    writes nothing
//   6 "settext" text    the setting "Text" in section "TestData" (nothing when unset)
// Images:
//   0 "img1"    8x4, column (n mod 8) lit in every row on the n-th getImage (n from 0)
//   1 "img2"    4x4 checkerboard, top-left lit
//   2 "nullimg" always NULL
//
// A thread started by init reads "flags.txt" in the working directory every
// 10 ms and applies each new line once: "set NAME" or "clear NAME" through
// the services table. shutdown stops and joins it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "plugin/api/glancer_plugin.h"

namespace {

CoreServices* services = nullptr;

void Put(char* buffer, std::uint32_t size, const char* text)
{
    if (buffer == nullptr || size == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length >= size)
        length = size - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

void Log(const char* text)
{
    if (services != nullptr)
        services->vtbl->Log(services, text);
}

struct Variable {
    const char* id;
    const char* name;
    std::uint32_t type;
};
constexpr Variable kVariables[] = {
    {"text1", "Text one", GLANCER_VAR_TEXT},       {"int1", "Integer one", GLANCER_VAR_INT},
    {"dbl1", "Double one", GLANCER_VAR_DOUBLE},    {"counter", "Counter", GLANCER_VAR_INT},
    {"ctext", "Counter text", GLANCER_VAR_TEXT},   {"empty", "Empty", GLANCER_VAR_TEXT},
    {"settext", "Setting text", GLANCER_VAR_TEXT},
};
constexpr const char* kImageIds[] = {"img1", "img2", "nullimg"};
constexpr const char* kImageNames[] = {"Image one", "Image two", "No image"};
constexpr std::uint32_t kVariableCount = sizeof kVariables / sizeof kVariables[0];
constexpr std::uint32_t kImageCount = sizeof kImageIds / sizeof kImageIds[0];

// Applies "flags.txt" line by line on a thread of its own.
class FlagFeeder {
public:
    void Start()
    {
        std::lock_guard lock(mutex);
        if (thread.joinable())
            return;
        stop = false;
        applied = 0;
        thread = std::thread([this] { Run(); });
    }
    void Stop()
    {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        wake.notify_all();
        if (thread.joinable())
            thread.join();
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex);
        while (!stop) {
            lock.unlock();
            Poll();
            lock.lock();
            wake.wait_for(lock, std::chrono::milliseconds(10), [this] { return stop; });
        }
    }
    void Poll()
    {
        std::ifstream in("flags.txt");
        std::string line;
        for (std::size_t number = 0; std::getline(in, line); ++number) {
            if (number < applied || in.eof())
                continue; // a last line without its line break may still be growing
            applied = number + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.rfind("set ", 0) == 0)
                services->vtbl->SetFlag(services, line.c_str() + 4);
            else if (line.rfind("clear ", 0) == 0)
                services->vtbl->ClearFlag(services, line.c_str() + 6);
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
    bool stop = false;       // guarded by mutex
    std::size_t applied = 0; // only the feeder thread touches it while running
};

FlagFeeder feeder;
std::atomic<std::int32_t> counter{0};
std::atomic<std::int32_t> textCounter{0};
std::atomic<std::uint32_t> img1Calls{0};
std::uint8_t img1Pixels[8 * 4];
std::uint8_t img2Pixels[4 * 4];
PluginImage img1{img1Pixels, 8, 4, 0, 8 * 4};
PluginImage img2{img2Pixels, 4, 4, 7, 4 * 4};

void GLANCER_CALL Release(IData*)
{
}
void GLANCER_CALL Init(IData*)
{
    try {
        feeder.Start();
    } catch (...) {
        Log("TestData: flag thread not started");
    }
}
void GLANCER_CALL Shutdown(IData*)
{
    feeder.Stop();
}
std::uint32_t GLANCER_CALL Configure(IData*)
{
    Log("TestData configure");
    return 0;
}

void GLANCER_CALL GetValue(IData*, std::uint32_t index, void* value, std::uint32_t size)
{
    char text[GLANCER_TEXT_SIZE];
    switch (index) {
    case 0:
        Put(static_cast<char*>(value), size, "Hello");
        break;
    case 1:
    case 3:
        if (size >= sizeof(std::int32_t)) {
            const std::int32_t number = index == 1 ? 42 : ++counter;
            std::memcpy(value, &number, sizeof number);
        }
        break;
    case 2:
        if (size >= sizeof(double)) {
            const double number = 2.5;
            std::memcpy(value, &number, sizeof number);
        }
        break;
    case 4:
        std::snprintf(text, sizeof text, "count %d", static_cast<int>(++textCounter));
        Put(static_cast<char*>(value), size, text);
        break;
    case 6:
        text[0] = '\0';
        services->vtbl->ReadString(services, "Text", "TestData", text);
        text[sizeof text - 1] = '\0';
        if (std::strcmp(text, "\n") != 0)
            Put(static_cast<char*>(value), size, text);
        break;
    default:
        break;
    }
}

PluginImage* GLANCER_CALL GetImage(IData*, std::uint32_t index)
{
    if (index == 0) {
        const std::uint32_t lit = img1Calls++ % 8;
        for (std::uint32_t i = 0; i < sizeof img1Pixels; ++i)
            img1Pixels[i] = i % 8 == lit ? 1 : 0;
        return &img1;
    }
    if (index == 1) {
        for (std::uint32_t i = 0; i < sizeof img2Pixels; ++i)
            img2Pixels[i] = ((i / 4) + (i % 4)) % 2 == 0 ? 1 : 0;
        return &img2;
    }
    return nullptr;
}

std::int32_t GLANCER_CALL VariableCount(IData*)
{
    return static_cast<std::int32_t>(kVariableCount);
}
void GLANCER_CALL VariableId(IData*, std::uint32_t index, char* buffer)
{
    Put(buffer, GLANCER_TEXT_SIZE, index < kVariableCount ? kVariables[index].id : "");
}
void GLANCER_CALL VariableName(IData*, std::uint32_t index, char* buffer)
{
    Put(buffer, GLANCER_TEXT_SIZE, index < kVariableCount ? kVariables[index].name : "");
}
std::uint32_t GLANCER_CALL VariableType(IData*, std::uint32_t index)
{
    return index < kVariableCount ? kVariables[index].type : 0;
}
std::int32_t GLANCER_CALL ImageCount(IData*)
{
    return static_cast<std::int32_t>(kImageCount);
}
void GLANCER_CALL ImageId(IData*, std::uint32_t index, char* buffer)
{
    Put(buffer, GLANCER_TEXT_SIZE, index < kImageCount ? kImageIds[index] : "");
}
void GLANCER_CALL ImageName(IData*, std::uint32_t index, char* buffer)
{
    Put(buffer, GLANCER_TEXT_SIZE, index < kImageCount ? kImageNames[index] : "");
}
void GLANCER_CALL Name(IData*, char* buffer)
{
    Put(buffer, GLANCER_TEXT_SIZE, "TestData");
}

const IDataVtbl kDataVtbl = {Release,    Init,         Shutdown,     Configure,  GetValue, GetImage,  VariableCount,
                             VariableId, VariableName, VariableType, ImageCount, ImageId,  ImageName, Name};
IData data{&kDataVtbl};

void GLANCER_CALL PluginNoop(IPlugin*)
{
}
void GLANCER_CALL PluginName(IPlugin*, char* buffer, std::uint32_t size)
{
    Put(buffer, size, "TestData");
}
void GLANCER_CALL PluginInfo(IPlugin*, char* buffer, std::uint32_t size)
{
    Put(buffer, size, "test data source");
}
const IPluginVtbl kPluginVtbl = {PluginNoop, PluginNoop, PluginNoop, PluginName, PluginInfo,
                                 PluginInfo, PluginInfo, PluginInfo, PluginInfo, PluginInfo};
IPlugin plugin{&kPluginVtbl};

void* GLANCER_CALL CreateData(IComponentFactory*)
{
    return &data;
}
void* GLANCER_CALL CreatePlugin(IComponentFactory*)
{
    return &plugin;
}
const IComponentFactoryVtbl kDataFactoryVtbl = {CreateData};
const IComponentFactoryVtbl kPluginFactoryVtbl = {CreatePlugin};
IComponentFactory dataFactory{&kDataFactoryVtbl, nullptr, GLANCER_TYPE_DATA};
IComponentFactory pluginFactory{&kPluginFactoryVtbl, &dataFactory, GLANCER_TYPE_PLUGIN};

std::int32_t GLANCER_CALL Version(IModule*)
{
    return GLANCER_INTERFACE_VERSION;
}
IComponentFactory* GLANCER_CALL First(IModule*)
{
    return &pluginFactory;
}
const IModuleVtbl kModuleVtbl = {Version, First};
IModule module{&kModuleVtbl};

} // namespace

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* coreServices)
{
    services = coreServices;
    return &module;
}
