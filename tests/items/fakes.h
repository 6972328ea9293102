#pragma once

// In-process doubles for item, frame-buffer and choice tests: a display
// driver and a data component whose vtables record calls.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/api/glancer_plugin.h"
#include "plugin/catalogue.h"

namespace fakes {

using Calls = std::vector<std::string>;

// Records calls by name; texts as "text:<t>@x,y", regions as "region:x,y,w,h".
// configure counts and answers `configureResult` (0: has a dialog); without
// a name, getName fills the buffer with 'N' and no terminator.
struct FakeDriver : IDisplayDriver {
    explicit FakeDriver(const char* name = nullptr, std::uint32_t configureResult = 1)
        : name(name), configureResult(configureResult)
    {
        vtbl = &kVtbl;
    }
    Calls calls;
    DisplayInfo info{122, 32, 20, 4};
    bool nullInfo = false; // getDisplayInfo gives null
    const char* name;
    std::uint32_t configureResult;
    int configured = 0;

    static FakeDriver& Of(IDisplayDriver* self) { return *static_cast<FakeDriver*>(self); }
    static void Log(IDisplayDriver* self, std::string call) { Of(self).calls.push_back(std::move(call)); }
    static constexpr IDisplayDriverVtbl kVtbl = {
        [](IDisplayDriver* s) { Log(s, "release"); },
        [](IDisplayDriver* s) { Log(s, "init"); },
        [](IDisplayDriver* s) { Log(s, "shutdown"); },
        [](IDisplayDriver* s) { return ++Of(s).configured, Of(s).configureResult; },
        [](IDisplayDriver* s, DisplayInfo* out) { return Of(s).nullInfo ? nullptr : (*out = Of(s).info, out); },
        [](IDisplayDriver* s) { Log(s, "clear"); },
        [](IDisplayDriver* s) { Log(s, "prepareShutdown"); },
        [](IDisplayDriver* s, const char* t, std::uint32_t x, std::uint32_t y) {
            Log(s, "text:" + std::string(t) + "@" + std::to_string(x) + "," + std::to_string(y));
        },
        [](IDisplayDriver* s, const FrameBufferHeader*, std::uint32_t x, std::uint32_t y, std::uint32_t w,
           std::uint32_t h) {
            Log(s, "region:" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
                       std::to_string(h));
        },
        [](IDisplayDriver* s, char* buffer) {
            if (Of(s).name != nullptr)
                std::strcpy(buffer, Of(s).name);
            else
                std::memset(buffer, 'N', GLANCER_TEXT_SIZE);
        },
    };
};

// One variable "var" (index 0) and images "img0", "img1", ... by index. A
// text as long as the buffer arrives without a terminator. configure counts
// and answers `configureResult`.
struct FakeData : IData {
    explicit FakeData(std::uint32_t configureResult = 0) : configureResult(configureResult) { vtbl = &kVtbl; }
    std::uint32_t configureResult;
    int configured = 0;
    std::uint32_t type = GLANCER_VAR_INT;
    std::int32_t integer = 0;
    double real = 0.0;
    std::string text;
    int valueCalls = 0;
    std::vector<PluginImage*> images;

    static FakeData& Of(IData* self) { return *static_cast<FakeData*>(self); }
    static void GetValue(IData* self, std::uint32_t, void* value, std::uint32_t size)
    {
        FakeData& d = Of(self);
        ++d.valueCalls;
        if (d.type == GLANCER_VAR_TEXT)
            std::strncpy(static_cast<char*>(value), d.text.c_str(), size);
        else
            std::memcpy(value, d.type == GLANCER_VAR_INT ? static_cast<const void*>(&d.integer) : &d.real, size);
    }
    static std::uint32_t Configure(IData* self) { return ++Of(self).configured, Of(self).configureResult; }
    static constexpr IDataVtbl kVtbl = {
        nullptr, nullptr, nullptr, Configure, GetValue, [](IData* s, std::uint32_t i) { return Of(s).images.at(i); },
        nullptr, nullptr, nullptr, nullptr,   nullptr,  nullptr,
        nullptr, nullptr,
    };

    DataSource Source()
    {
        DataSource s;
        s.component = this;
        s.variables["var"] = VariableInfo{this, 0, type, true, "var", "var"};
        for (std::uint32_t i = 0; i < images.size(); ++i)
            s.images["img" + std::to_string(i)] = ImageInfo{this, i, true, "", ""};
        return s;
    }
};

} // namespace fakes
