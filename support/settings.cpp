#include "support/settings.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "support/log_stream.h"

namespace {

// The key path lives in a buffer of this many characters, terminator
// included, wherever it is handed to the registry.
constexpr std::size_t kKeyPathSize = 260;

const char* Text(const char* text)
{
    return text != nullptr ? text : "";
}

// "Software\Glancer\" + section; false when that does not fit the path
// buffer, in which case the key is treated as one that cannot be created or
// opened, and `path` is cut to what the buffer would hold (for the log).
bool BuildKeyPath(const char* section, std::string& path)
{
    path = "Software\\Glancer\\";
    path += Text(section);
    if (path.size() < kKeyPathSize)
        return true;
    path.resize(kKeyPathSize - 1);
    return false;
}

void WriteValue(const char* name, std::uint32_t type, const void* data, std::size_t size, const char* section,
                const char* failure)
{
    std::string path;
    platform::SettingsKey key;
    if (!BuildKeyPath(section, path) || !key.Create(path))
        LogStream << "Error : Could not create registry key HKEY_CURRENT_USER\\" << path << std::endl;
    if (!key.SetValue(Text(name), type, data, size))
        LogStream << failure << path << "\\" << Text(name) << std::endl;
}

// The value's bytes, or false when the key or the value is missing.
// `keyFound` tells the two apart.
bool ReadValue(const char* name, const char* section, std::vector<unsigned char>& data, bool& keyFound)
{
    std::string path;
    platform::SettingsKey key;
    keyFound = BuildKeyPath(section, path) && key.Open(path);
    return keyFound && key.QueryValue(Text(name), data);
}

} // namespace

void writeSettingInt(const char* name, std::uint32_t value, const char* section)
{
    WriteValue(name, platform::kSettingDword, &value, sizeof value, section,
               "Error : Could not write setting to HKEY_CURRENT_USER\\");
}

void writeSettingDouble(const char* name, double value, const char* section)
{
    WriteValue(name, platform::kSettingQword, &value, sizeof value, section,
               "Error : Could not write setting to HKEY_CURRENT_USER\\");
}

void writeSettingString(const char* name, const char* value, const char* section)
{
    const char* text = Text(value);
    WriteValue(name, platform::kSettingString, text, std::strlen(text) + 1, section,
               "Error : Could not write setting string to HKEY_CURRENT_USER\\");
}

std::int32_t readSettingInt(const char* name, const char* section)
{
    return readSettingInt(name, section, 0);
}

std::int32_t readSettingInt(const char* name, const char* section, std::int32_t missing)
{
    std::vector<unsigned char> data;
    bool keyFound = false;
    std::int32_t value = missing;
    if (ReadValue(name, section, data, keyFound) && data.size() == sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

double readSettingDouble(const char* name, const char* section)
{
    std::vector<unsigned char> data;
    bool keyFound = false;
    double value = 0.0;
    if (ReadValue(name, section, data, keyFound) && data.size() == sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

void readSettingString(const char* name, const char* section, char* buffer)
{
    if (buffer == nullptr)
        return;
    std::vector<unsigned char> data;
    bool keyFound = false;
    if (!ReadValue(name, section, data, keyFound)) {
        if (keyFound)
            std::memcpy(buffer, "\n", 2);
        return;
    }
    const std::size_t length = std::min<std::size_t>(data.size(), kSettingsStringSize - 1);
    if (length != 0)
        std::memcpy(buffer, data.data(), length);
    buffer[length] = '\0';
}
