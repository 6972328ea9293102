/*
 * glancer_plugin_detail.hpp - the C tables behind glancer_plugin.hpp.
 *
 * Included by glancer_plugin.hpp; nothing here is for plugin authors: the
 * bodies of the helpers declared there, and the C entry points. Each entry
 * point forwards to the C++ object behind it and lets no exception out: one
 * becomes one log line and a neutral result.
 */
#ifndef GLANCER_PLUGIN_DETAIL_HPP
#define GLANCER_PLUGIN_DETAIL_HPP

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "glancer_plugin.hpp"

namespace glancer {
namespace detail {

inline CoreServices*& ServicesSlot()
{
    static CoreServices* services = nullptr;
    return services;
}
// Where misuse messages go when checking; tests put a recorder here.
using MisuseHandler = void (*)(const char* message);
inline MisuseHandler& MisuseSlot()
{
    static MisuseHandler handler = nullptr;
    return handler;
}
} // namespace detail

// A misuse of the helper (see "Checking level" in glancer_plugin.hpp); the
// caller then takes the safe way out, whatever the level.
inline void Misuse(const std::string& message)
{
    if (!GLANCER_CHECKS)
        return;
    if (detail::MisuseHandler handler = detail::MisuseSlot()) {
        handler(message.c_str());
        return;
    }
    Log("plugin misuse: " + message);
    std::fprintf(stderr, "glancer plugin misuse: %s\n", message.c_str());
    std::abort();
}

inline CoreServices* Services()
{
    return detail::ServicesSlot();
}

inline void Log(const char* text)
{
    if (CoreServices* services = Services(); services != nullptr && text != nullptr)
        services->vtbl->Log(services, text);
}
inline void Log(const std::string& text)
{
    Log(text.c_str());
}

inline void SetFlag(const char* flag, bool set)
{
    if (CoreServices* services = Services(); services != nullptr)
        (set ? services->vtbl->SetFlag : services->vtbl->ClearFlag)(services, flag);
}

inline void CopyText(const char* text, char* buffer, std::uint32_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    std::uint32_t n = 0;
    if (text != nullptr)
        while (n + 1 < size && text[n] != '\0') {
            buffer[n] = text[n];
            ++n;
        }
    std::memset(buffer + n, 0, size - n);
}

inline const char* TypeName(std::uint32_t type)
{
    return type == GLANCER_VAR_INT ? "an integer" : type == GLANCER_VAR_DOUBLE ? "a double" : "a text";
}

// ---- Value: a write of the wrong type writes nothing ----
inline void Value::Text(const char* text)
{
    if (Accepts(GLANCER_VAR_TEXT))
        CopyText(text, static_cast<char*>(area_), size_);
}
inline void Value::Integer(std::int32_t value)
{
    if (type_ == GLANCER_VAR_DOUBLE)
        Double(value);
    else if (Accepts(GLANCER_VAR_INT))
        Bytes(&value, sizeof value);
}
inline void Value::Double(double value)
{
    if (Accepts(GLANCER_VAR_DOUBLE))
        Bytes(&value, sizeof value);
}
inline bool Value::Accepts(std::uint32_t written) const
{
    if (type_ == kAnyType || type_ == written)
        return true;
    Misuse(std::string(id_ != nullptr ? id_ : "a variable") + " is " + TypeName(type_) + " variable; GetValue wrote " +
           TypeName(written) + " to it");
    return false;
}
inline void Value::Bytes(const void* value, std::uint32_t size)
{
    if (area_ != nullptr && size_ >= size)
        std::memcpy(area_, value, size);
}

// ---- DataSource: the lists close when the program reads them ----
inline Variable DataSource::AddVariable(std::string id, std::string name, std::uint32_t type)
{
    if (!Open(id))
        return Variable();
    variables_.push_back(Entry{std::move(id), std::move(name), type});
    return Variable(static_cast<std::uint32_t>(variables_.size() - 1), type);
}
inline Picture DataSource::AddPicture(std::string id, std::string name)
{
    if (!Open(id))
        return Picture();
    pictures_.push_back(Entry{std::move(id), std::move(name), 0});
    return Picture(static_cast<std::uint32_t>(pictures_.size() - 1));
}
inline bool DataSource::Open(const std::string& id) const
{
    if (!catalogueRead_.load())
        return true;
    Misuse(id + " was added after the program read the list of variables and pictures; add it in the constructor "
                "or in Init");
    return false;
}

namespace detail {

inline const About*& AboutSlot()
{
    static const About* about = nullptr;
    return about;
}

inline void Report(const char* who, const char* operation, const char* reason)
{
    Log(std::string(who != nullptr ? who : "plugin") + ": " + operation + " failed: " + reason);
}

// Runs body; an exception becomes one log line and the fallback.
template <class Result, class Body>
Result Guarded(const char* who, const char* operation, Result fallback, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::exception& error) {
        try {
            Report(who, operation, error.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            Report(who, operation, "unknown error");
        } catch (...) {
        }
    }
    return fallback;
}

template <class Body>
void Guarded(const char* who, const char* operation, Body&& body) noexcept
{
    Guarded<int>(who, operation, 0, [&] {
        body();
        return 0;
    });
}

// Each component object the program sees: the C interface first, then the
// C++ object behind it.
template <class Interface, class Impl>
struct Object : Interface {
    std::unique_ptr<Impl> impl;
    DisplayInfo info{};
    const char* name = "plugin";
};

// The lists of a data source as the program reads them; the first read
// closes them.
struct Catalogue {
    static const std::vector<DataSource::Entry>& Variables(DataSource& source)
    {
        source.catalogueRead_ = true;
        return source.variables_;
    }
    static const std::vector<DataSource::Entry>& Pictures(DataSource& source)
    {
        source.catalogueRead_ = true;
        return source.pictures_;
    }
};

template <class Impl>
struct DriverTable {
    using Self = Object<IDisplayDriver, Impl>;
    static Self* Of(IDisplayDriver* self) { return static_cast<Self*>(self); }

    static void GLANCER_CALL Release(IDisplayDriver* self)
    {
        Guarded(Of(self)->name, "release", [&] { delete Of(self); });
    }
    static void GLANCER_CALL Init(IDisplayDriver* self)
    {
        Guarded(Of(self)->name, "init", [&] { Of(self)->impl->Init(); });
    }
    static void GLANCER_CALL Shutdown(IDisplayDriver* self)
    {
        Guarded(Of(self)->name, "shutdown", [&] { Of(self)->impl->Shutdown(); });
    }
    static std::uint32_t GLANCER_CALL Configure(IDisplayDriver* self)
    {
        return Guarded<std::uint32_t>(Of(self)->name, "configure", 1u,
                                      [&] { return Of(self)->impl->Configure() ? 0u : 1u; });
    }
    static DisplayInfo* GLANCER_CALL GetDisplayInfo(IDisplayDriver* self, DisplayInfo* out)
    {
        DisplayInfo* target = out != nullptr ? out : &Of(self)->info;
        *target = Guarded<DisplayInfo>(Of(self)->name, "getDisplayInfo", DisplayInfo{},
                                       [&] { return Of(self)->impl->GetDisplayInfo(); });
        return target;
    }
    static void GLANCER_CALL Clear(IDisplayDriver* self)
    {
        Guarded(Of(self)->name, "clear", [&] { Of(self)->impl->Clear(); });
    }
    static void GLANCER_CALL PrepareShutdown(IDisplayDriver* self)
    {
        Guarded(Of(self)->name, "prepareShutdown", [&] { Of(self)->impl->PrepareShutdown(); });
    }
    static void GLANCER_CALL WriteText(IDisplayDriver* self, const char* text, std::uint32_t x, std::uint32_t y)
    {
        if (text != nullptr)
            Guarded(Of(self)->name, "writeText", [&] { Of(self)->impl->WriteText(text, x, y); });
    }
    static void GLANCER_CALL UpdateRegion(IDisplayDriver* self, const FrameBufferHeader* frame, std::uint32_t x,
                                          std::uint32_t y, std::uint32_t width, std::uint32_t height)
    {
        if (frame != nullptr && frame->pixels != nullptr)
            Guarded(Of(self)->name, "updateRegion",
                    [&] { Of(self)->impl->UpdateRegion(*frame, x, y, width, height); });
    }
    static void GLANCER_CALL GetName(IDisplayDriver* self, char* buffer)
    {
        ::glancer::CopyText(Of(self)->name, buffer, GLANCER_TEXT_SIZE);
    }
    static constexpr IDisplayDriverVtbl kTable = {Release,         Init,      Shutdown,     Configure, GetDisplayInfo,
                                                  Clear,           PrepareShutdown, WriteText, UpdateRegion, GetName};
};

template <class Impl>
struct DataTable {
    using Self = Object<IData, Impl>;
    static Self* Of(IData* self) { return static_cast<Self*>(self); }
    static const DataSource::Entry* At(const std::vector<DataSource::Entry>& list, std::uint32_t index)
    {
        return index < list.size() ? &list[index] : nullptr;
    }
    static const DataSource::Entry* VariableAt(IData* self, std::uint32_t index)
    {
        return At(Catalogue::Variables(*Of(self)->impl), index);
    }
    static const DataSource::Entry* PictureAt(IData* self, std::uint32_t index)
    {
        return At(Catalogue::Pictures(*Of(self)->impl), index);
    }

    static void GLANCER_CALL Release(IData* self)
    {
        Guarded(Of(self)->name, "release", [&] { delete Of(self); });
    }
    static void GLANCER_CALL Init(IData* self)
    {
        Guarded(Of(self)->name, "init", [&] { Of(self)->impl->Init(); });
    }
    static void GLANCER_CALL Shutdown(IData* self)
    {
        Guarded(Of(self)->name, "shutdown", [&] { Of(self)->impl->Shutdown(); });
    }
    static std::uint32_t GLANCER_CALL Configure(IData* self)
    {
        return Guarded<std::uint32_t>(Of(self)->name, "configure", 1u,
                                      [&] { return Of(self)->impl->Configure() ? 0u : 1u; });
    }
    static void GLANCER_CALL GetValue(IData* self, std::uint32_t index, void* value, std::uint32_t size)
    {
        const DataSource::Entry* entry = VariableAt(self, index);
        if (value == nullptr || entry == nullptr)
            return;
        Guarded(Of(self)->name, "getValue", [&] {
            Value out(value, size, entry->type, entry->id.c_str());
            Of(self)->impl->GetValue(index, out);
        });
    }
    static PluginImage* GLANCER_CALL GetImage(IData* self, std::uint32_t index)
    {
        if (PictureAt(self, index) == nullptr)
            return nullptr;
        return Guarded<PluginImage*>(Of(self)->name, "getImage", nullptr,
                                     [&] { return Of(self)->impl->GetImage(index); });
    }
    static std::int32_t GLANCER_CALL GetVariableCount(IData* self)
    {
        return static_cast<std::int32_t>(Catalogue::Variables(*Of(self)->impl).size());
    }
    static void GLANCER_CALL GetVariableId(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = VariableAt(self, index);
        ::glancer::CopyText(entry != nullptr ? entry->id.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static void GLANCER_CALL GetVariableName(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = VariableAt(self, index);
        ::glancer::CopyText(entry != nullptr ? entry->name.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static std::uint32_t GLANCER_CALL GetVariableType(IData* self, std::uint32_t index)
    {
        const DataSource::Entry* entry = VariableAt(self, index);
        return entry != nullptr ? entry->type : std::uint32_t{GLANCER_VAR_TEXT};
    }
    static std::int32_t GLANCER_CALL GetImageCount(IData* self)
    {
        return static_cast<std::int32_t>(Catalogue::Pictures(*Of(self)->impl).size());
    }
    static void GLANCER_CALL GetImageId(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = PictureAt(self, index);
        ::glancer::CopyText(entry != nullptr ? entry->id.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static void GLANCER_CALL GetImageName(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = PictureAt(self, index);
        ::glancer::CopyText(entry != nullptr ? entry->name.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static void GLANCER_CALL GetName(IData* self, char* buffer)
    {
        ::glancer::CopyText(Of(self)->name, buffer, GLANCER_TEXT_SIZE);
    }
    static constexpr IDataVtbl kTable = {Release,          Init,          Shutdown,        Configure,
                                         GetValue,         GetImage,      GetVariableCount, GetVariableId,
                                         GetVariableName,  GetVariableType, GetImageCount, GetImageId,
                                         GetImageName,     GetName};
};

template <class Impl>
struct UserInterfaceTable {
    using Self = Object<IUserInterface, Impl>;
    static Self* Of(IUserInterface* self) { return static_cast<Self*>(self); }
    static void GLANCER_CALL Release(IUserInterface* self)
    {
        Guarded("user interface", "release", [&] { delete Of(self); });
    }
    static void GLANCER_CALL Show(IUserInterface* self)
    {
        Guarded("user interface", "show", [&] { Of(self)->impl->Show(); });
    }
    static constexpr IUserInterfaceVtbl kTable = {Release, Show};
};

// Which C interface, table and type code a component class gets.
template <class Impl, class = void>
struct Binding;
template <class Impl>
struct Binding<Impl, std::enable_if_t<std::is_base_of_v<DisplayDriver, Impl>>> {
    using Interface = IDisplayDriver;
    static constexpr std::int32_t kType = GLANCER_TYPE_DISPLAY_DRIVER;
    static const IDisplayDriverVtbl* Table() { return &DriverTable<Impl>::kTable; }
    static const char* NameOf(const Impl& impl) { return impl.Name(); }
};
template <class Impl>
struct Binding<Impl, std::enable_if_t<std::is_base_of_v<DataSource, Impl>>> {
    using Interface = IData;
    static constexpr std::int32_t kType = GLANCER_TYPE_DATA;
    static const IDataVtbl* Table() { return &DataTable<Impl>::kTable; }
    static const char* NameOf(const Impl& impl) { return impl.Name(); }
};
template <class Impl>
struct Binding<Impl, std::enable_if_t<std::is_base_of_v<UserInterface, Impl>>> {
    using Interface = IUserInterface;
    static constexpr std::int32_t kType = GLANCER_TYPE_USER_INTERFACE;
    static const IUserInterfaceVtbl* Table() { return &UserInterfaceTable<Impl>::kTable; }
    static const char* NameOf(const Impl&) { return "user interface"; }
};

template <class Impl>
void* GLANCER_CALL Create(IComponentFactory*)
{
    using B = Binding<Impl>;
    const char* who = AboutSlot() != nullptr ? AboutSlot()->name : "plugin";
    return Guarded<void*>(who, "create", nullptr, [&]() -> void* {
        auto object = std::make_unique<Object<typename B::Interface, Impl>>();
        object->vtbl = B::Table();
        object->impl = std::make_unique<Impl>();
        object->name = B::NameOf(*object->impl);
        if (object->name == nullptr)
            object->name = who;
        return static_cast<typename B::Interface*>(object.release());
    });
}

// ---- IPlugin ----
inline void GLANCER_CALL PluginNothing(IPlugin*) {}
inline void GLANCER_CALL PluginName(IPlugin*, char* buffer, std::uint32_t size)
{
    ::glancer::CopyText(AboutSlot() != nullptr ? AboutSlot()->name : "", buffer, size);
}
inline constexpr const char* About::Texts::*kInfoTexts[6] = {&About::Texts::description, &About::Texts::version,
                                                             &About::Texts::author,      &About::Texts::copyright,
                                                             &About::Texts::website,     &About::Texts::licence};
template <int N>
void GLANCER_CALL PluginInfo(IPlugin*, char* buffer, std::uint32_t size)
{
    ::glancer::CopyText(AboutSlot() != nullptr ? AboutSlot()->info.*kInfoTexts[N] : "", buffer, size);
}
inline constexpr IPluginVtbl kPluginTable = {PluginNothing,  PluginNothing,  PluginNothing,  PluginName,
                                             PluginInfo<0>,  PluginInfo<1>,  PluginInfo<2>,  PluginInfo<3>,
                                             PluginInfo<4>,  PluginInfo<5>};
inline IPlugin thePlugin = {&kPluginTable};
inline void* GLANCER_CALL CreatePlugin(IComponentFactory*)
{
    return &thePlugin;
}
inline constexpr IComponentFactoryVtbl kPluginFactoryTable = {CreatePlugin};

template <class Impl>
inline constexpr IComponentFactoryVtbl kFactoryTable = {Create<Impl>};

inline std::int32_t GLANCER_CALL ModuleVersion(IModule*)
{
    return GLANCER_INTERFACE_VERSION;
}

template <class... Impls>
struct Module {
    static inline IComponentFactory factories[1 + sizeof...(Impls)] = {
        {&kPluginFactoryTable, nullptr, GLANCER_TYPE_PLUGIN},
        {&kFactoryTable<Impls>, nullptr, Binding<Impls>::kType}...};
    static IComponentFactory* GLANCER_CALL First(IModule*) { return &factories[0]; }
    static constexpr IModuleVtbl kTable = {ModuleVersion, First};
    static inline IModule module = {&kTable};

    static IModule* Export(CoreServices* services, const About& about)
    {
        static const About kept = about;
        ServicesSlot() = services;
        AboutSlot() = &kept;
        for (std::size_t i = 0; i + 1 < sizeof factories / sizeof factories[0]; ++i)
            factories[i].next = &factories[i + 1];
        return &module;
    }
};

} // namespace detail
} // namespace glancer

#endif /* GLANCER_PLUGIN_DETAIL_HPP */
