/*
 * glancer_plugin.hpp - an optional C++ helper for writing Glancer plugins.
 *
 * The contract is glancer_plugin.h and stays usable on its own. This header
 * builds the C tables of that contract from ordinary C++ classes, so a
 * plugin author writes only what their plugin does. A whole data source
 * (the build compiles this very text, so it stays correct):
 *
 *     #include <chrono>
 *
 *     #include "glancer_plugin.hpp"
 *
 *     class Clock : public glancer::DataSource {
 *     public:
 *         const char* Name() const override { return "Clock"; }
 *         void GetValue(std::uint32_t index, glancer::Value& out) override
 *         {
 *             const auto elapsed = std::chrono::steady_clock::now() - start;
 *             if (seconds == index)
 *                 out.Integer(static_cast<std::int32_t>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count()));
 *         }
 *
 *     private:
 *         const glancer::Variable seconds = AddVariable("Clock.Seconds", "Seconds since start", GLANCER_VAR_INT);
 *         const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
 *     };
 *
 *     const glancer::About kAbout{"Clock", {"Data source: a seconds counter", "1.0"}};
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
 * More, each in a header of its own:
 *   glancer_settings.hpp  settings read, validated, asked on the terminal and
 *                         shown in a Windows dialog from one list (included
 *                         here);
 *   glancer_kit.hpp       for data sources with threads of their own: the
 *                         latest values, a worker thread, a trouble reporter.
 *
 * Checking level: GLANCER_CHECKS is 1 unless NDEBUG is defined. At 1 a
 * misuse of the helper (a value of the wrong type, a variable added after
 * the program read the list, settings read before getInterface) logs a
 * message saying what went wrong, prints it on stderr and aborts; at 0 it
 * takes the safe way out quietly (the write or the variable is dropped, the
 * setting reads as its default).
 *
 * Requires C++17.
 */
#ifndef GLANCER_PLUGIN_HPP
#define GLANCER_PLUGIN_HPP

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "glancer_plugin.h"

#ifndef GLANCER_CHECKS
#ifdef NDEBUG
#define GLANCER_CHECKS 0
#else
#define GLANCER_CHECKS 1
#endif
#endif

namespace glancer {

// The services table given to getInterface; null before that (in unit
// tests, say). Every helper below is safe without it and then does nothing.
inline CoreServices* Services();
inline void Log(const char* text);
inline void Log(const std::string& text);
// Sets or clears a flag; screens that require it follow at their next switch.
inline void SetFlag(const char* flag, bool set);
// Copies at most size-1 bytes of text and zero-fills the rest; nothing with size 0.
inline void CopyText(const char* text, char* buffer, std::uint32_t size);

// ---- Components ---------------------------------------------------------------

// A display driver. Only the selected driver gets Init and the drawing
// calls; every created driver gets Name, Configure and its destructor.
class DisplayDriver {
public:
    virtual ~DisplayDriver() = default;
    virtual const char* Name() const = 0;      // [main] the driver's identity, as users select it
    virtual void Init() {}                     // [main] before any drawing
    virtual void Shutdown() {}                 // [main] last call of the farewell
    virtual bool Configure() { return false; } // [main] true: settings were shown to the user
    virtual DisplayInfo GetDisplayInfo() = 0;  // [main] pixels and text cells, asked after Init
    virtual void Clear() {}                    // [tick] screen change; farewell
    virtual void PrepareShutdown() {}          // [main] farewell, before its last text
    virtual void WriteText(const char* /*text*/, std::uint32_t /*column*/, std::uint32_t /*row*/) {} // [tick]
    // [tick] show frame.pixels inside the rectangle (already clipped by the program).
    virtual void UpdateRegion(const FrameBufferHeader& /*frame*/, std::uint32_t /*x*/, std::uint32_t /*y*/,
                              std::uint32_t /*width*/, std::uint32_t /*height*/)
    {
    }
};

// A variable of a data source, as AddVariable gives it: its index (what
// GetValue is asked for) and its type. A default one, or one refused, is
// not valid and every write to it is dropped.
class Variable {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    Variable() = default;
    Variable(std::uint32_t index, std::uint32_t type) : index_(index), type_(type) {}
    std::uint32_t Index() const { return index_; }
    std::uint32_t Type() const { return type_; }
    bool Valid() const { return index_ != kNone; }
    bool operator==(std::uint32_t index) const { return Valid() && index_ == index; }

private:
    std::uint32_t index_ = kNone;
    std::uint32_t type_ = GLANCER_VAR_TEXT;
};

// A picture of a data source, as AddPicture gives it.
class Picture {
public:
    Picture() = default;
    explicit Picture(std::uint32_t index) : index_(index) {}
    std::uint32_t Index() const { return index_; }
    bool Valid() const { return index_ != Variable::kNone; }
    bool operator==(std::uint32_t index) const { return Valid() && index_ == index; }

private:
    std::uint32_t index_ = Variable::kNone;
};

// Where getValue writes one value: its area and size come from the program,
// and so does the variable's type, which every write must match (an integer
// may go to a double variable). A write of the wrong type is a misuse and
// writes nothing, so the variable reads as empty text or 0.
class Value {
public:
    static constexpr std::uint32_t kAnyType = 0xFFFFFFFFu; // a Value that checks nothing
    Value(void* area, std::uint32_t size, std::uint32_t type = kAnyType, const char* id = nullptr)
        : area_(area), size_(size), type_(type), id_(id)
    {
    }
    inline void Text(const char* text);
    void Text(const std::string& text) { Text(text.c_str()); }
    inline void Integer(std::int32_t value);
    inline void Double(double value);
    std::uint32_t Type() const { return type_; }
    // The raw area, for code that writes values itself.
    void* Area() const { return area_; }
    std::uint32_t Size() const { return size_; }

private:
    inline bool Accepts(std::uint32_t written) const;
    inline void Bytes(const void* value, std::uint32_t size);
    void* area_;
    std::uint32_t size_;
    std::uint32_t type_;
    const char* id_;
};

namespace detail {
struct Catalogue;
}

// A data source. Its variables and pictures are fixed by the end of Init:
// the program reads the lists once, right after Init; adding one later is a
// misuse and gives a handle that is not valid.
class DataSource {
public:
    struct Entry {
        std::string id;     // "<Source>.<Name>", what screen files name
        std::string name;   // a description for people
        std::uint32_t type; // GLANCER_VAR_...; unused for pictures
    };

    virtual ~DataSource() = default;
    virtual const char* Name() const = 0;      // [main] asked right after construction
    virtual void Init() {}                     // [main] start threads, read settings, add entries
    virtual void Shutdown() {}                 // [main] stop every thread of the source
    virtual bool Configure() { return false; } // [main] true: settings were shown to the user
    virtual void GetValue(std::uint32_t /*index*/, Value& /*out*/) {} // [tick] index < variables
    virtual PluginImage* GetImage(std::uint32_t /*index*/) { return nullptr; } // [main][tick]

    const std::vector<Entry>& Variables() const { return variables_; }
    const std::vector<Entry>& Pictures() const { return pictures_; }

protected:
    // Gives the variable's handle; compare it with GetValue's index.
    inline Variable AddVariable(std::string id, std::string name, std::uint32_t type);
    inline Picture AddPicture(std::string id, std::string name);

private:
    friend struct detail::Catalogue;
    inline bool Open(const std::string& id) const;

    std::vector<Entry> variables_; // fixed once catalogueRead_ is set
    std::vector<Entry> pictures_;
    std::atomic<bool> catalogueRead_{false};
};

// A window of the plugin's own, opened from the tray's "Load GUI".
class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual void Show() = 0; // [main]
};

// What the IPlugin record tells: the plugin's name and up to six texts,
// which the program keeps and shows but never interprets. Unset ones are
// empty.
struct About {
    struct Texts {
        const char* description = nullptr; // "Data source: ..." or "Display driver: ..."
        const char* version = nullptr;
        const char* author = nullptr;
        const char* copyright = nullptr;
        const char* website = nullptr;
        const char* licence = nullptr;
    };
    const char* name = nullptr;
    Texts info;
};

} // namespace glancer

#include "glancer_plugin_detail.hpp"
#include "glancer_settings.hpp"

// Defines the exported getInterface of a module holding the listed
// component classes; `about` names a glancer::About.
#define GLANCER_PLUGIN(about, ...)                                                                                     \
    GLANCER_EXPORT IModule* GLANCER_CALL getInterface(CoreServices* services)                                          \
    {                                                                                                                  \
        return ::glancer::detail::Module<__VA_ARGS__>::Export(services, about);                                        \
    }

#endif /* GLANCER_PLUGIN_HPP */
