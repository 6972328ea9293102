#pragma once

// In-process doubles of a display driver and a data component for unit
// tests of items and the frame buffer: they fill the plugin vtables with
// recording functions, so no module has to be loaded.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/api/glancer_plugin.h"
#include "plugin/catalogue.h"

namespace fakes {

struct Region {
    const FrameBufferHeader* frame;
    std::uint32_t x, y, width, height;
};

struct FakeDriver : IDisplayDriver {
    FakeDriver() { vtbl = &kVtbl; }

    std::vector<std::string> calls; // operation names, and "text:<t>@x,y"
    std::vector<Region> regions;
    DisplayInfo info{122, 32, 20, 4};
    bool nullInfo = false;
    std::string name = "Fake";
    bool unterminatedName = false;

    static FakeDriver& Of(IDisplayDriver* self) { return *static_cast<FakeDriver*>(self); }
    static void Release(IDisplayDriver* self) { Of(self).calls.push_back("release"); }
    static void Init(IDisplayDriver* self) { Of(self).calls.push_back("init"); }
    static void Shutdown(IDisplayDriver* self) { Of(self).calls.push_back("shutdown"); }
    static std::uint32_t Configure(IDisplayDriver*) { return 1; }
    static DisplayInfo* GetDisplayInfo(IDisplayDriver* self, DisplayInfo* out)
    {
        if (Of(self).nullInfo)
            return nullptr;
        *out = Of(self).info;
        return out;
    }
    static void Clear(IDisplayDriver* self) { Of(self).calls.push_back("clear"); }
    static void PrepareShutdown(IDisplayDriver* self) { Of(self).calls.push_back("prepareShutdown"); }
    static void WriteText(IDisplayDriver* self, const char* text, std::uint32_t x, std::uint32_t y)
    {
        Of(self).calls.push_back("text:" + std::string(text) + "@" + std::to_string(x) + "," + std::to_string(y));
    }
    static void UpdateRegion(IDisplayDriver* self, const FrameBufferHeader* frame, std::uint32_t x, std::uint32_t y,
                             std::uint32_t w, std::uint32_t h)
    {
        Of(self).regions.push_back({frame, x, y, w, h});
    }
    static void GetName(IDisplayDriver* self, char* buffer)
    {
        if (Of(self).unterminatedName)
            std::memset(buffer, 'N', GLANCER_TEXT_SIZE);
        else
            std::strcpy(buffer, Of(self).name.c_str());
    }
    static constexpr IDisplayDriverVtbl kVtbl = {
        Release, Init, Shutdown, Configure, GetDisplayInfo, Clear, PrepareShutdown, WriteText, UpdateRegion, GetName};
};

// Variables and images served by index.
struct FakeData : IData {
    struct Variable {
        std::uint32_t type = GLANCER_VAR_INT;
        std::int32_t integer = 0;
        double real = 0.0;
        std::string text;
        bool fillWholeBuffer = false; // writes 256 non-zero bytes, no terminator
        bool writeNothing = false;
    };

    FakeData() { vtbl = &kVtbl; }

    std::vector<Variable> variables;
    std::vector<PluginImage*> images; // null: getImage gives none
    int valueCalls = 0;
    int imageCalls = 0;

    static FakeData& Of(IData* self) { return *static_cast<FakeData*>(self); }
    static void Nop(IData*) {}
    static std::uint32_t Configure(IData*) { return 1; }
    static void GetValue(IData* self, std::uint32_t index, void* value, std::uint32_t size)
    {
        FakeData& data = Of(self);
        ++data.valueCalls;
        const Variable& v = data.variables.at(index);
        if (v.writeNothing)
            return;
        if (v.fillWholeBuffer)
            std::memset(value, 'Z', size);
        else if (v.type == GLANCER_VAR_TEXT && size == GLANCER_TEXT_SIZE)
            std::strcpy(static_cast<char*>(value), v.text.c_str());
        else if (v.type == GLANCER_VAR_INT && size == 4)
            std::memcpy(value, &v.integer, 4);
        else if (v.type == GLANCER_VAR_DOUBLE && size == 8)
            std::memcpy(value, &v.real, 8);
    }
    static PluginImage* GetImage(IData* self, std::uint32_t index)
    {
        ++Of(self).imageCalls;
        return Of(self).images.at(index);
    }
    static std::int32_t Count(IData*) { return 0; }
    static void Text(IData*, std::uint32_t, char* buffer) { buffer[0] = 0; }
    static std::uint32_t Type(IData*, std::uint32_t) { return 0; }
    static void Name(IData*, char* buffer) { buffer[0] = 0; }
    static constexpr IDataVtbl kVtbl = {Nop,  Nop,  Nop,  Configure, GetValue, GetImage, Count,
                                        Text, Text, Type, Count,     Text,     Text,     Name};

    // A catalogue entry for variable `index`, as findVariable gives it.
    VariableInfo Info(std::uint32_t index, const std::string& id)
    {
        return VariableInfo{this, index, variables.at(index).type, true, id, id};
    }
};

// A DataSource record that declares the given variables and images by id.
inline DataSource MakeSource(FakeData& data, const std::vector<std::string>& variableIds,
                             const std::vector<std::string>& imageIds)
{
    DataSource source;
    source.component = &data;
    source.name = "fake";
    for (std::uint32_t i = 0; i < variableIds.size(); ++i)
        source.variables[variableIds[i]] = data.Info(i, variableIds[i]);
    for (std::uint32_t i = 0; i < imageIds.size(); ++i)
        source.images[imageIds[i]] = ImageInfo{&data, i, true, imageIds[i], imageIds[i]};
    return source;
}

} // namespace fakes
