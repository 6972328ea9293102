/*
 * glancer_plugin.hpp - an optional C++ helper for writing Glancer plugins.
 *
 * The contract is glancer_plugin.h and stays usable on its own. This header
 * builds the C tables of that contract from ordinary C++ classes, so a
 * plugin author writes only what their plugin does:
 *
 *     #include "glancer_plugin.hpp"
 *
 *     class Clock : public glancer::DataSource {
 *     public:
 *         Clock() { AddVariable("Clock.Seconds", "Seconds since start", GLANCER_VAR_INT); }
 *         const char* Name() const override { return "Clock"; }
 *         void GetValue(std::uint32_t index, glancer::Value& out) override { out.Integer(Seconds()); }
 *     };
 *
 *     const glancer::About kAbout{"Clock", {"Data source: a seconds counter", "Version 1.0"}};
 *     GLANCER_PLUGIN(kAbout, Clock)
 *
 * GLANCER_PLUGIN defines the exported getInterface, the IModule, one factory
 * per listed class (after the IPlugin factory, in the order given) and the
 * IPlugin record built from the About. Each listed class derives from
 * exactly one of glancer::DisplayDriver, glancer::DataSource or
 * glancer::UserInterface and has a default constructor.
 *
 * Every operation is a virtual function with a harmless default; override
 * what differs. The helper catches every exception at the boundary: a
 * constructor that throws gives no component, an operation that throws
 * logs one line ("<name>: <operation> failed: <reason>") and returns a
 * neutral value. Threads are those of the C contract: [main] operations
 * come from the program's main thread, [tick] ones from the refresh.
 *
 * Requires C++17.
 */
#ifndef GLANCER_PLUGIN_HPP
#define GLANCER_PLUGIN_HPP

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "glancer_plugin.h"

namespace glancer {

// ---- Texts ----------------------------------------------------------------

// Copies at most size-1 bytes of text and terminates; nothing with size 0.
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

// ---- The program's services -------------------------------------------------

namespace detail {
inline CoreServices*& ServicesSlot()
{
    static CoreServices* services = nullptr;
    return services;
}
} // namespace detail

// The services table given to getInterface; null before that (in unit
// tests, say). Every helper below is safe without it and then does nothing.
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

// Sets or clears a flag; screens that require it follow at their next switch.
inline void SetFlag(const char* flag, bool set)
{
    if (CoreServices* services = Services(); services != nullptr)
        (set ? services->vtbl->SetFlag : services->vtbl->ClearFlag)(services, flag);
}

// ---- Settings -----------------------------------------------------------------

// One settings section of the plugin ("Software\Glancer\<section>" on
// Windows, the settings file elsewhere). Numbers are stored as integers
// (dword); a number stored as text is read too, since people edit settings
// by hand.
class Settings {
public:
    // logPrefix starts the log lines about refused values ("Serial LCD").
    // Tests may hand in services of their own.
    explicit Settings(std::string section, std::string logPrefix = std::string(),
                      CoreServices* services = Services())
        : section_(std::move(section)), prefix_(std::move(logPrefix)), services_(services)
    {
    }

    const std::string& Section() const { return section_; }

    // The stored text; empty when the value or the section is missing.
    std::optional<std::string> Text(const char* name) const
    {
        Raw raw = Read(name);
        if (!raw.found)
            return std::nullopt;
        return std::string(raw.bytes);
    }

    std::string Text(const char* name, const std::string& fallback) const
    {
        std::optional<std::string> text = Text(name);
        return text ? *text : fallback;
    }

    // A number stored as an integer or as text, decimal or hexadecimal with
    // 0x (bus addresses are written that way); empty when missing or when
    // the text is not a number.
    std::optional<std::int64_t> Number(const char* name) const
    {
        Raw raw = Read(name);
        if (!raw.found)
            return std::nullopt;
        // Texts are stored with their terminator, so four bytes are an
        // integer unless they are three digits and that terminator.
        const bool threeDigits = raw.length == 4 && raw.bytes[3] == '\0' && IsDigit(raw.bytes[0]) &&
                                 IsDigit(raw.bytes[1]) && IsDigit(raw.bytes[2]);
        if (raw.length == 4 && !threeDigits)
            return services_->vtbl->ReadInt(services_, name, section_.c_str());
        const char* begin = raw.bytes;
        while (*begin == ' ')
            ++begin;
        const bool hex = begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X');
        if (hex)
            begin += 2;
        char* end = nullptr;
        long long parsed = 0;
        if (!hex || std::isxdigit(static_cast<unsigned char>(*begin)))
            parsed = std::strtoll(begin, &end, hex ? 16 : 10);
        if (end == nullptr)
            return std::nullopt;
        while (end != begin && *end == ' ')
            ++end;
        if (end == begin || *end != '\0')
            return std::nullopt;
        return parsed;
    }

    // A number within [low, high]; a missing one reads as fallback, one out
    // of range or not a number logs a line and reads as fallback too.
    std::int64_t Number(const char* name, std::int64_t fallback, std::int64_t low, std::int64_t high) const
    {
        std::optional<std::string> text = Text(name);
        if (!text)
            return fallback;
        std::optional<std::int64_t> value = Number(name);
        if (value && *value >= low && *value <= high)
            return *value;
        if (services_ != nullptr)
            services_->vtbl->Log(services_, (prefix_ + (prefix_.empty() ? "" : ": ") + name + " " +
                                             (value ? std::to_string(*value) : "\"" + *text + "\"") + " is outside " +
                                             std::to_string(low) + ".." + std::to_string(high) + ", using " +
                                             std::to_string(fallback))
                                                .c_str());
        return fallback;
    }

    void WriteText(const char* name, const std::string& text) const
    {
        if (services_ != nullptr)
            services_->vtbl->WriteString(services_, name, text.c_str(), section_.c_str());
    }
    void WriteNumber(const char* name, std::uint32_t value) const
    {
        if (services_ != nullptr)
            services_->vtbl->WriteInt(services_, name, value, section_.c_str());
    }

private:
    struct Raw {
        bool found = false;
        std::size_t length = 0; // bytes the program copied, before its terminator
        char bytes[GLANCER_TEXT_SIZE];
    };

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    Raw Read(const char* name) const
    {
        Raw raw;
        if (services_ == nullptr)
            return raw;
        // The program copies the stored bytes and a terminator and leaves the
        // rest of the buffer alone, so filler shows what was written: all of
        // it untouched for a missing section, "\n" alone for a missing value.
        std::memset(raw.bytes, 0x7f, sizeof raw.bytes);
        services_->vtbl->ReadString(services_, name, section_.c_str(), raw.bytes);
        std::size_t last = sizeof raw.bytes - 1;
        while (last > 0 && raw.bytes[last] == '\x7f')
            --last;
        raw.bytes[sizeof raw.bytes - 1] = '\0';
        if (raw.bytes[0] == '\x7f' && last == 0)
            return raw;
        if (last == 1 && raw.bytes[0] == '\n' && raw.bytes[1] == '\0')
            return raw;
        raw.found = true;
        raw.length = last;
        return raw;
    }

    std::string section_;
    std::string prefix_;
    CoreServices* services_;
};

// Asks one question on the terminal (Linux `glancer configure-driver` and
// `configure-source` run a plugin's Configure there). Shows the current
// value in brackets; false at the end of input; an empty answer means
// "keep". Not for Windows, where Configure shows a dialog instead.
inline bool Ask(const char* prompt, const std::string& current, std::string& answer)
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

// ---- Components ---------------------------------------------------------------

// A display driver. Only the selected driver gets Init and the drawing
// calls; every created driver gets Name, Configure and its destructor.
class DisplayDriver {
public:
    virtual ~DisplayDriver() = default;
    virtual const char* Name() const = 0;   // [main] the driver's identity, as users select it
    virtual void Init() {}                  // [main] before any drawing
    virtual void Shutdown() {}              // [main] last call of the farewell
    virtual bool Configure() { return false; } // [main] true: settings were shown to the user
    virtual DisplayInfo GetDisplayInfo() = 0; // [main] pixels and text cells
    virtual void Clear() {}                 // [tick] screen change; farewell
    virtual void PrepareShutdown() {}       // [main] farewell, before its last text
    virtual void WriteText(const char* /*text*/, std::uint32_t /*column*/, std::uint32_t /*row*/) {} // [tick]
    // [tick] show frame.pixels inside the rectangle (already clipped by the program).
    virtual void UpdateRegion(const FrameBufferHeader& /*frame*/, std::uint32_t /*x*/, std::uint32_t /*y*/,
                              std::uint32_t /*width*/, std::uint32_t /*height*/)
    {
    }
};

// Where getValue writes one value: its area and size come from the program.
class Value {
public:
    Value(void* area, std::uint32_t size) : area_(area), size_(size) {}
    void Text(const char* text) { ::glancer::CopyText(text, static_cast<char*>(area_), size_); }
    void Text(const std::string& text) { Text(text.c_str()); }
    void Integer(std::int32_t value) { Bytes(&value, sizeof value); }
    void Double(double value) { Bytes(&value, sizeof value); }
    // The raw area, for code that writes values itself.
    void* Area() const { return area_; }
    std::uint32_t Size() const { return size_; }

private:
    void Bytes(const void* value, std::uint32_t size)
    {
        if (area_ != nullptr && size_ >= size)
            std::memcpy(area_, value, size);
    }
    void* area_;
    std::uint32_t size_;
};

// A data source. Its variables and pictures are fixed by the end of Init:
// the program reads the lists once, right after Init.
class DataSource {
public:
    struct Entry {
        std::string id;    // "<Source>.<Name>", what screen files name
        std::string name;  // a description for people
        std::uint32_t type; // GLANCER_VAR_...; unused for pictures
    };

    virtual ~DataSource() = default;
    virtual const char* Name() const = 0;       // [main] asked right after construction
    virtual void Init() {}                      // [main] start threads, read settings, add entries
    virtual void Shutdown() {}                  // [main] stop every thread of the source
    virtual bool Configure() { return false; }  // [main] true: settings were shown to the user
    virtual void GetValue(std::uint32_t /*index*/, Value& /*out*/) {} // [tick] index < variables
    virtual PluginImage* GetImage(std::uint32_t /*index*/) { return nullptr; } // [main][tick]

    const std::vector<Entry>& Variables() const { return variables_; }
    const std::vector<Entry>& Pictures() const { return pictures_; }

protected:
    void AddVariable(std::string id, std::string name, std::uint32_t type)
    {
        variables_.push_back(Entry{std::move(id), std::move(name), type});
    }
    void AddPicture(std::string id, std::string name)
    {
        pictures_.push_back(Entry{std::move(id), std::move(name), 0});
    }

private:
    std::vector<Entry> variables_;
    std::vector<Entry> pictures_;
};

// A window of the plugin's own, opened from the tray's "Load GUI".
class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual void Show() = 0; // [main]
};

// What the IPlugin record tells: the plugin's name and up to six lines.
struct About {
    const char* name;
    const char* info[6];
};

// ---- The C tables -------------------------------------------------------------

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
        if (value == nullptr || index >= Of(self)->impl->Variables().size())
            return;
        Guarded(Of(self)->name, "getValue", [&] {
            Value out(value, size);
            Of(self)->impl->GetValue(index, out);
        });
    }
    static PluginImage* GLANCER_CALL GetImage(IData* self, std::uint32_t index)
    {
        if (index >= Of(self)->impl->Pictures().size())
            return nullptr;
        return Guarded<PluginImage*>(Of(self)->name, "getImage", nullptr,
                                     [&] { return Of(self)->impl->GetImage(index); });
    }
    static std::int32_t GLANCER_CALL GetVariableCount(IData* self)
    {
        return static_cast<std::int32_t>(Of(self)->impl->Variables().size());
    }
    static void GLANCER_CALL GetVariableId(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = At(Of(self)->impl->Variables(), index);
        ::glancer::CopyText(entry != nullptr ? entry->id.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static void GLANCER_CALL GetVariableName(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = At(Of(self)->impl->Variables(), index);
        ::glancer::CopyText(entry != nullptr ? entry->name.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static std::uint32_t GLANCER_CALL GetVariableType(IData* self, std::uint32_t index)
    {
        const DataSource::Entry* entry = At(Of(self)->impl->Variables(), index);
        return entry != nullptr ? entry->type : std::uint32_t{GLANCER_VAR_TEXT};
    }
    static std::int32_t GLANCER_CALL GetImageCount(IData* self)
    {
        return static_cast<std::int32_t>(Of(self)->impl->Pictures().size());
    }
    static void GLANCER_CALL GetImageId(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = At(Of(self)->impl->Pictures(), index);
        ::glancer::CopyText(entry != nullptr ? entry->id.c_str() : "", buffer, GLANCER_TEXT_SIZE);
    }
    static void GLANCER_CALL GetImageName(IData* self, std::uint32_t index, char* buffer)
    {
        const DataSource::Entry* entry = At(Of(self)->impl->Pictures(), index);
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
template <int N>
void GLANCER_CALL PluginInfo(IPlugin*, char* buffer, std::uint32_t size)
{
    ::glancer::CopyText(AboutSlot() != nullptr ? AboutSlot()->info[N] : "", buffer, size);
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

// Defines the exported getInterface of a module holding the listed
// component classes; `about` names a glancer::About.
#define GLANCER_PLUGIN(about, ...)                                                                 \
    GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)                      \
    {                                                                                              \
        return ::glancer::detail::Module<__VA_ARGS__>::Export(services, about);                    \
    }

#endif /* GLANCER_PLUGIN_HPP */
