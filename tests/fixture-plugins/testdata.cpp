// testdata: a data source named "TestData", described by a stub IPlugin of
// the same name.
//
// Variables (index: id, type, value):
//   0 "text1"  text  "Hello"
//   1 "int1"   int   42
//   2 "ctext"  text  "count 1", "count 2", ... one more per getValue
// Image 0 "img2": 4x4 checkerboard, top-left lit.
// configure stands for a dialog of its own: it logs "TestData configure".
//
// With a file "busy.txt" in the working directory at init, a thread of its
// own (every 10 ms until shutdown) and every getValue of "ctext" call the
// log, catalogue and settings services; init waits for the thread's first
// round, which logs "TestData thread sees N data sources".
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

#include "tests/fixture-plugins/test_plugin_util.h"

namespace {

struct Variable {
    const char* id;
    const char* name;
    std::uint32_t type;
};
constexpr Variable kVariables[] = {
    {"text1", "Text one", GLANCER_VAR_TEXT},
    {"int1", "Integer one", GLANCER_VAR_INT},
    {"ctext", "Counter text", GLANCER_VAR_TEXT},
};
constexpr std::uint32_t kVariableCount = std::size(kVariables);

std::atomic<bool> busy{false};

// One call of each log, catalogue and settings service; gives the number of
// data sources seen.
std::int32_t CallServices(const char* who)
{
    const CoreServicesVtbl& s = *gServices->vtbl;
    char buffer[GLANCER_TEXT_SIZE];
    s.Log(gServices, who);
    const std::int32_t sources = s.CountDataSources(gServices);
    for (std::int32_t i = 0; i < sources; ++i) {
        s.DataSourceName(gServices, buffer, sizeof buffer, static_cast<std::uint32_t>(i));
        const std::string name = buffer;
        for (std::int32_t v = 0; v < s.CountVariables(gServices, name.c_str()); ++v) {
            s.VariableId(gServices, name.c_str(), static_cast<std::uint32_t>(v), buffer, sizeof buffer);
            s.VariableName(gServices, name.c_str(), static_cast<std::uint32_t>(v), buffer, sizeof buffer);
        }
        for (std::int32_t m = 0; m < s.CountImages(gServices, name.c_str()); ++m) {
            s.ImageId(gServices, name.c_str(), static_cast<std::uint32_t>(m), buffer, sizeof buffer);
            s.ImageName(gServices, name.c_str(), static_cast<std::uint32_t>(m), buffer, sizeof buffer);
            s.ImageWidth(gServices, name.c_str(), static_cast<std::uint32_t>(m));
            s.ImageHeight(gServices, name.c_str(), static_cast<std::uint32_t>(m));
        }
    }
    s.WriteInt(gServices, "Calls", static_cast<std::uint32_t>(s.ReadInt(gServices, "Calls", "TestData") + 1),
               "TestData");
    s.ReadString(gServices, "Missing", "TestData", buffer);
    return sources;
}

// Calls the services from a thread of its own while the program runs.
class BusyThread {
public:
    void Start()
    {
        if (thread.joinable())
            return;
        stop = false;
        firstRound = false;
        thread = std::thread([this] { Run(); });
        // The first round runs while the program is still starting.
        std::unique_lock<std::mutex> lock(mutex);
        roundDone.wait_for(lock, std::chrono::seconds(10), [this] { return firstRound; });
    }
    void Stop()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }

private:
    void Run()
    {
        for (; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            BusyRound();
    }

    void BusyRound()
    {
        const std::int32_t sources = CallServices("TestData thread");
        const std::lock_guard<std::mutex> lock(mutex);
        if (firstRound)
            return;
        const std::string line = "TestData thread sees " + std::to_string(sources) + " data sources";
        LogLine(line.c_str());
        firstRound = true;
        roundDone.notify_all();
    }

    std::thread thread;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable roundDone;
    bool firstRound = false; // guarded by mutex
};

BusyThread busyThread;
std::atomic<std::int32_t> textCounter{0};
std::uint8_t checkerPixels[4 * 4] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
PluginImage checker{checkerPixels, 4, 4, 7, 4 * 4};

// Fills a catalogue buffer from the table, or with "" past its end.
void Describe(std::uint32_t index, char* buffer, const char* Variable::*field)
{
    PutText(buffer, GLANCER_TEXT_SIZE, index < kVariableCount ? kVariables[index].*field : "");
}

void GLANCER_CALL GetValue(IData*, std::uint32_t index, void* value, std::uint32_t size)
{
    if (index == 0) {
        PutText(static_cast<char*>(value), size, "Hello");
    } else if (index == 1 && size >= sizeof(std::int32_t)) {
        const std::int32_t number = 42;
        std::memcpy(value, &number, sizeof number);
    } else if (index == 2) {
        if (busy)
            CallServices("TestData getValue");
        char text[32];
        std::snprintf(text, sizeof text, "count %d", static_cast<int>(++textCounter));
        PutText(static_cast<char*>(value), size, text);
    }
}

const IDataVtbl kDataVtbl = {
    [](IData*) {},
    [](IData*) {
        try {
            busy = std::ifstream("busy.txt").good();
            if (busy)
                busyThread.Start();
        } catch (...) { // nothing may escape into the program
            LogLine("TestData: busy thread not started");
        }
    },
    [](IData*) { busyThread.Stop(); },
    [](IData*) -> std::uint32_t { return LogLine("TestData configure"), 0; },
    GetValue,
    [](IData*, std::uint32_t index) { return index == 0 ? &checker : nullptr; },
    [](IData*) { return static_cast<std::int32_t>(kVariableCount); },
    [](IData*, std::uint32_t index, char* buffer) { Describe(index, buffer, &Variable::id); },
    [](IData*, std::uint32_t index, char* buffer) { Describe(index, buffer, &Variable::name); },
    [](IData*, std::uint32_t index) { return index < kVariableCount ? kVariables[index].type : 0u; },
    [](IData*) -> std::int32_t { return 1; },
    [](IData*, std::uint32_t index, char* buffer) { PutText(buffer, GLANCER_TEXT_SIZE, index == 0 ? "img2" : ""); },
    [](IData*, std::uint32_t index, char* buffer) {
        PutText(buffer, GLANCER_TEXT_SIZE, index == 0 ? "Checkerboard" : "");
    },
    [](IData*, char* buffer) { PutText(buffer, GLANCER_TEXT_SIZE, "TestData"); },
};
IData data{&kDataVtbl};

StubPlugin plugin{{&kStubPluginVtbl}, "TestData"};

StubFactory dataFactory{{&kStubFactoryVtbl, nullptr, GLANCER_TYPE_DATA}, &data};
StubFactory pluginFactory{{&kStubFactoryVtbl, &dataFactory.base, GLANCER_TYPE_PLUGIN}, &plugin.base};
StubModule module{{&kStubModuleVtbl}, GLANCER_INTERFACE_VERSION, &pluginFactory.base};

} // namespace

GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)
{
    gServices = services;
    return &module.base;
}
