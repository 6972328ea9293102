#include "core/core_services.h"

#include <atomic>
#include <cstring>
#include <string>

#include "core/core.h"
#include "support/log_stream.h"
#include "support/settings.h"

namespace {

std::atomic<Core*> boundCore{nullptr};

const char* OrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

// The data sources filled so far, which any thread may read.
struct FilledCatalogue {
    const DataSource* sources = nullptr;
    std::size_t count = 0;
};

FilledCatalogue Catalogue()
{
    const Core* core = boundCore.load(std::memory_order_acquire);
    if (core == nullptr)
        return {};
    const std::size_t count = core->FilledSources();
    return {count > 0 ? core->dataSources.data() : nullptr, count};
}

const DataSource* FindSource(const char* name)
{
    const FilledCatalogue catalogue = Catalogue();
    if (name == nullptr)
        return nullptr;
    for (std::size_t i = 0; i < catalogue.count; ++i)
        if (catalogue.sources[i].name == name)
            return &catalogue.sources[i];
    return nullptr;
}

std::int32_t CountOf(std::size_t size)
{
    return size > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(size);
}

template <class List>
void CopyElement(const char* dataSource, const List DataSource::*list, std::uint32_t index, char* buffer,
                 std::uint32_t size)
{
    const DataSource* source = FindSource(dataSource);
    if (source == nullptr || index >= (source->*list).size())
        return;
    const std::string& text = (source->*list)[index];
    CopyOut(text.data(), text.size(), buffer, size);
}

std::uint32_t ImageDimension(const char* dataSource, std::uint32_t index, bool width)
{
    const DataSource* source = FindSource(dataSource);
    if (source == nullptr || index >= source->imageSizes.size())
        return 0;
    return width ? source->imageSizes[index].first : source->imageSizes[index].second;
}

DisplaySummary Display()
{
    const Core* core = boundCore.load(std::memory_order_acquire);
    return core != nullptr ? core->Display() : DisplaySummary{};
}

// Every entry point runs its body through this: nothing may unwind into a plugin.
template <class Result, class Body> Result Guarded(Result fallback, Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <class Body> void Guarded(Body body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}

void GLANCER_CALL Log(CoreServices*, const char* text)
{
    Guarded([&] { LogStream << OrEmpty(text) << std::endl; });
}

void GLANCER_CALL WriteInt(CoreServices*, const char* name, std::uint32_t value, const char* section)
{
    Guarded([&] { writeSettingInt(OrEmpty(name), value, OrEmpty(section)); });
}

void GLANCER_CALL WriteDouble(CoreServices*, const char* name, double value, const char* section)
{
    Guarded([&] { writeSettingDouble(OrEmpty(name), value, OrEmpty(section)); });
}

void GLANCER_CALL WriteString(CoreServices*, const char* name, const char* text, const char* section)
{
    Guarded([&] { writeSettingString(OrEmpty(name), OrEmpty(text), OrEmpty(section)); });
}

std::int32_t GLANCER_CALL ReadInt(CoreServices*, const char* name, const char* section)
{
    return Guarded(std::int32_t{0}, [&] { return readSettingInt(OrEmpty(name), OrEmpty(section)); });
}

double GLANCER_CALL ReadDouble(CoreServices*, const char* name, const char* section)
{
    return Guarded(0.0, [&] { return readSettingDouble(OrEmpty(name), OrEmpty(section)); });
}

void GLANCER_CALL ReadString(CoreServices*, const char* name, const char* section, char* buffer)
{
    if (buffer == nullptr)
        return;
    Guarded([&] { readSettingString(OrEmpty(name), OrEmpty(section), buffer); });
}

std::int32_t GLANCER_CALL CountDataSources(CoreServices*)
{
    return CountOf(Catalogue().count);
}

void GLANCER_CALL DataSourceName(CoreServices*, char* buffer, std::uint32_t size, std::uint32_t index)
{
    const FilledCatalogue catalogue = Catalogue();
    if (index >= catalogue.count)
        return;
    const std::string& name = catalogue.sources[index].name;
    CopyOut(name.data(), name.size(), buffer, size);
}

std::int32_t GLANCER_CALL CountVariables(CoreServices*, const char* dataSource)
{
    const DataSource* source = FindSource(dataSource);
    return source != nullptr ? CountOf(source->variableIds.size()) : 0;
}

void GLANCER_CALL VariableId(CoreServices*, const char* dataSource, std::uint32_t index, char* buffer,
                             std::uint32_t size)
{
    CopyElement(dataSource, &DataSource::variableIds, index, buffer, size);
}

void GLANCER_CALL VariableName(CoreServices*, const char* dataSource, std::uint32_t index, char* buffer,
                               std::uint32_t size)
{
    CopyElement(dataSource, &DataSource::variableNames, index, buffer, size);
}

std::int32_t GLANCER_CALL CountImages(CoreServices*, const char* dataSource)
{
    const DataSource* source = FindSource(dataSource);
    return source != nullptr ? CountOf(source->imageIds.size()) : 0;
}

void GLANCER_CALL ImageId(CoreServices*, const char* dataSource, std::uint32_t index, char* buffer, std::uint32_t size)
{
    CopyElement(dataSource, &DataSource::imageIds, index, buffer, size);
}

void GLANCER_CALL ImageName(CoreServices*, const char* dataSource, std::uint32_t index, char* buffer,
                            std::uint32_t size)
{
    CopyElement(dataSource, &DataSource::imageNames, index, buffer, size);
}

std::uint32_t GLANCER_CALL ImageWidth(CoreServices*, const char* dataSource, std::uint32_t index)
{
    return ImageDimension(dataSource, index, true);
}

std::uint32_t GLANCER_CALL ImageHeight(CoreServices*, const char* dataSource, std::uint32_t index)
{
    return ImageDimension(dataSource, index, false);
}

void GLANCER_CALL DriverName(CoreServices*, char* buffer, std::uint32_t size)
{
    Guarded([&] {
        const DisplaySummary display = Display();
        CopyOut(display.driverName.data(), display.driverName.size(), buffer, size);
    });
}

std::uint32_t GLANCER_CALL DisplayXPixels(CoreServices*)
{
    return Guarded(std::uint32_t{0}, [] { return Display().xPixels; });
}

std::uint32_t GLANCER_CALL DisplayYPixels(CoreServices*)
{
    return Guarded(std::uint32_t{0}, [] { return Display().yPixels; });
}

std::uint32_t GLANCER_CALL DisplayXChars(CoreServices*)
{
    return Guarded(std::uint32_t{0}, [] { return Display().xChars; });
}

std::uint32_t GLANCER_CALL DisplayYChars(CoreServices*)
{
    return Guarded(std::uint32_t{0}, [] { return Display().yChars; });
}

void GLANCER_CALL SetFlag(CoreServices*, const char* flag)
{
    Core* core = boundCore.load(std::memory_order_acquire);
    if (core != nullptr && flag != nullptr)
        Guarded([&] { core->SetFlag(flag); });
}

void GLANCER_CALL ClearFlag(CoreServices*, const char* flag)
{
    Core* core = boundCore.load(std::memory_order_acquire);
    if (core != nullptr && flag != nullptr)
        Guarded([&] { core->ClearFlag(flag); });
}

const CoreServicesVtbl kServicesVtbl = {
    Log,           WriteInt,      WriteDouble,      WriteString,    ReadInt,
    ReadDouble,    ReadString,    CountDataSources, DataSourceName, CountVariables,
    VariableId,    VariableName,  CountImages,      ImageId,        ImageName,
    ImageWidth,    ImageHeight,   DriverName,       DisplayXPixels, DisplayYPixels,
    DisplayXChars, DisplayYChars, SetFlag,          ClearFlag,
};

CoreServices services{&kServicesVtbl};

} // namespace

CoreServices* GetCoreServices()
{
    return &services;
}

void BindCoreServices(Core* core)
{
    boundCore.store(core, std::memory_order_release);
}

void UnbindCoreServices(Core* core)
{
    Core* expected = core;
    boundCore.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

void CopyOut(const char* text, std::size_t length, char* buffer, std::uint32_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    const std::size_t room = size - 1;
    const std::size_t copied = text != nullptr && length < room ? length : (text != nullptr ? room : 0);
    if (copied > 0)
        std::memcpy(buffer, text, copied);
    std::memset(buffer + copied, 0, room - copied);
    buffer[room] = '\0';
}
