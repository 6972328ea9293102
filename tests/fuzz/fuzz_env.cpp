#include "tests/fuzz/fuzz_env.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/core.h"
#include "items/item_factory.h"
#include "support/log_stream.h"

namespace fuzzenv {

namespace {

IDisplayDriver& NullDriver()
{
    static constexpr IDisplayDriverVtbl kVtbl = {
        [](IDisplayDriver*) {},
        [](IDisplayDriver*) {},
        [](IDisplayDriver*) {},
        [](IDisplayDriver*) -> std::uint32_t { return 1; },
        [](IDisplayDriver*, DisplayInfo* out) {
            return (*out = DisplayInfo{122, 32, 20, 4}, out);
        },
        [](IDisplayDriver*) {},
        [](IDisplayDriver*) {},
        [](IDisplayDriver*, const char*, std::uint32_t, std::uint32_t) {},
        [](IDisplayDriver*, const FrameBufferHeader*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        [](IDisplayDriver*, char* buffer) { std::strcpy(buffer, "Null"); },
    };
    static IDisplayDriver driver{&kVtbl};
    return driver;
}

FuzzData& Of(IData* self)
{
    return *static_cast<FuzzData*>(self);
}

ByteSource& SourceOf(IData* self)
{
    static ByteSource none;
    return Of(self).source != nullptr ? *Of(self).source : none;
}

const char* const kVariables[] = {"Fuzz.Int", "Fuzz.Double", "Fuzz.Text"};
const std::uint32_t kTypes[] = {GLANCER_VAR_INT, GLANCER_VAR_DOUBLE, GLANCER_VAR_TEXT};
const char* const kImages[] = {"Fuzz.Image", "Fuzz.Other"};

void GetValue(IData* self, std::uint32_t, void* value, std::uint32_t size)
{
    // Any bytes at all, texts included: no terminator is promised.
    const std::string_view bytes = SourceOf(self).Bytes(size);
    std::memset(value, 0, size);
    if (!bytes.empty())
        std::memcpy(value, bytes.data(), bytes.size());
}

PluginImage* GetImage(IData* self, std::uint32_t)
{
    FuzzData& data = Of(self);
    ByteSource& source = SourceOf(self);
    if (source.Byte() % 8 == 0)
        return nullptr;
    PluginImage& picture = data.picture;
    picture.width = source.Byte() % 4 == 0 ? source.U32() : source.Byte() % 40;
    picture.height = source.Byte() % 4 == 0 ? source.U32() : source.Byte() % 40;
    picture.extra = source.Byte();
    picture.size = source.Byte() % 4 == 0 ? source.U32() % 4096 : picture.width * picture.height % 4096;
    data.pixels.assign(picture.size, 0);
    for (std::uint8_t& pixel : data.pixels)
        pixel = source.Byte() % 3;
    picture.pixels = source.Byte() % 16 == 0 ? nullptr : data.pixels.data();
    return &picture;
}

void CopyName(const char* name, char* buffer)
{
    std::snprintf(buffer, GLANCER_TEXT_SIZE, "%s", name);
}

constexpr IDataVtbl kDataVtbl = {
    [](IData*) {},
    [](IData*) {},
    [](IData*) {},
    [](IData*) -> std::uint32_t { return 1; },
    GetValue,
    GetImage,
    [](IData*) -> std::int32_t { return 3; },
    [](IData*, std::uint32_t i, char* buffer) { CopyName(kVariables[i % 3], buffer); },
    [](IData*, std::uint32_t i, char* buffer) { CopyName(kVariables[i % 3], buffer); },
    [](IData*, std::uint32_t i) { return kTypes[i % 3]; },
    [](IData*) -> std::int32_t { return 2; },
    [](IData*, std::uint32_t i, char* buffer) { CopyName(kImages[i % 2], buffer); },
    [](IData*, std::uint32_t i, char* buffer) { CopyName(kImages[i % 2], buffer); },
    [](IData*, char* buffer) { CopyName("Fuzz", buffer); },
};

} // namespace

std::uint32_t ByteSource::U32()
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | Byte();
    return value;
}

std::string_view ByteSource::Bytes(std::size_t count)
{
    const std::size_t n = at < size ? std::min(count, size - at) : 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + at, n);
    at += n;
    return bytes;
}

FuzzData::FuzzData()
{
    vtbl = &kDataVtbl;
}

void EnterScratchDirectory()
{
    static bool entered = false;
    if (entered)
        return;
    entered = true;
    char scratch[] = "/tmp/glancer-fuzz-XXXXXX";
    if (::mkdtemp(scratch) == nullptr || ::chdir(scratch) != 0)
        std::abort();
    ::mkdir("screens", 0700);
    WriteFile("registry.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Glancer]\n\"DRIVER\"=\"Null\"\n");
    ::setenv("GLANCER_REGISTRY", (std::string(scratch) + "/registry.reg").c_str(), 1);
    DisableLog();
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void RunEngine(FuzzData& data, int ticks, void (*beforeTick)(FuzzData&))
{
    Core core;
    StandardItemFactories factories;
    for (ItemFactory* factory : factories.All())
        core.AddFactory(*factory);
    core.drivers.push_back(&NullDriver());
    DataSource source;
    source.component = &data;
    core.dataSources.push_back(source);
    if (core.Init()) {
        for (int i = 0; i < ticks; ++i) {
            if (beforeTick != nullptr)
                beforeTick(data);
            core.Tick();
        }
    }
    core.Shutdown();
}

} // namespace fuzzenv
