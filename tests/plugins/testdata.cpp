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
// A thread started by init reads "flags.txt" in the working directory every
// 10 ms and applies each new line once: "set NAME" or "clear NAME" through
// the services table. shutdown stops and joins it.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/plugins/test_plugin_util.h"

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

// Applies "flags.txt" line by line on a thread of its own.
class FlagFeeder {
public:
    void Start()
    {
        if (thread.joinable())
            return;
        stop = false;
        thread = std::thread([this] { Run(); });
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
        for (std::size_t applied = 0; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            std::ifstream in("flags.txt");
            std::string line;
            for (std::size_t number = 0; std::getline(in, line); ++number) {
                if (number < applied || in.eof())
                    continue; // a last line without its line break may still be growing
                applied = number + 1;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.rfind("set ", 0) == 0)
                    gServices->vtbl->SetFlag(gServices, line.c_str() + 4);
                else if (line.rfind("clear ", 0) == 0)
                    gServices->vtbl->ClearFlag(gServices, line.c_str() + 6);
            }
        }
    }

    std::thread thread;
    std::atomic<bool> stop{false};
};

FlagFeeder feeder;
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
        char text[32];
        std::snprintf(text, sizeof text, "count %d", static_cast<int>(++textCounter));
        PutText(static_cast<char*>(value), size, text);
    }
}

const IDataVtbl kDataVtbl = {
    [](IData*) {},
    [](IData*) {
        try {
            feeder.Start();
        } catch (...) { // nothing may escape into the program
            LogLine("TestData: flag thread not started");
        }
    },
    [](IData*) { feeder.Stop(); },
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
