#pragma once

// Services that keep settings as the program stores them (integers as four
// bytes, texts with their terminator) in one map for all sections, and keep
// the log lines; for plugin code tested without the program.
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "plugin/api/glancer_plugin.h"

namespace fakesettings {

inline std::map<std::string, std::string> values; // name -> bytes
inline std::vector<std::string> logged;
inline std::mutex logMutex;   // guards `logged` while a plugin's own thread may log
inline bool keyExists = true; // false: ReadString leaves the buffer alone, as for a missing section

inline const CoreServicesVtbl table = [] {
    CoreServicesVtbl t{};
    t.Log = [](CoreServices*, const char* text) {
        std::lock_guard<std::mutex> lock(logMutex);
        logged.push_back(text);
    };
    t.WriteInt = [](CoreServices*, const char* name, std::uint32_t value, const char*) {
        values[name] = std::string(reinterpret_cast<const char*>(&value), 4);
    };
    t.WriteString = [](CoreServices*, const char* name, const char* text, const char*) {
        values[name] = std::string(text, std::strlen(text) + 1);
    };
    t.ReadInt = [](CoreServices*, const char* name, const char*) {
        std::int32_t value = 0;
        if (const auto found = values.find(name); found != values.end() && found->second.size() == 4)
            std::memcpy(&value, found->second.data(), 4);
        return value;
    };
    t.ReadString = [](CoreServices*, const char* name, const char*, char* buffer) {
        const auto found = values.find(name);
        if (found != values.end())
            std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
        else if (keyExists)
            std::memcpy(buffer, "\n", 2);
    };
    return t;
}();
inline CoreServices services{&table};

inline void Reset()
{
    values.clear();
    std::lock_guard<std::mutex> lock(logMutex);
    logged.clear();
    keyExists = true;
}
inline std::vector<std::string> Logged()
{
    std::lock_guard<std::mutex> lock(logMutex);
    return logged;
}
inline void SetInt(const char* name, std::uint32_t value)
{
    table.WriteInt(nullptr, name, value, "");
}
inline void SetText(const char* name, const char* text)
{
    table.WriteString(nullptr, name, text, "");
}

} // namespace fakesettings
