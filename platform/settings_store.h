#pragma once

// The persistent key/value store behind the settings: the registry of the
// current user (HKEY_CURRENT_USER) on Windows; on other systems a file in
// the registry's export text format that stands in for it, so a settings
// file can move between the two. Key paths are relative to the user's root
// and "\"-separated; key and value names compare case-insensitively.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Value types, numbered as the registry numbers them.
inline constexpr std::uint32_t kSettingString = 1; // REG_SZ: text and its terminator
inline constexpr std::uint32_t kSettingDword = 4;  // REG_DWORD: 4 bytes, little-endian
inline constexpr std::uint32_t kSettingQword = 11; // REG_QWORD: 8 bytes, little-endian

// One open key. Keys come into being only through Create. Each operation is
// complete in itself and safe to run from several threads and processes at
// once (each with its own SettingsKey).
class SettingsKey {
public:
    SettingsKey();
    ~SettingsKey(); // closes
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // Creates the key (with any missing parents) or opens it, for writing.
    // False when it cannot be created; the key is then closed.
    bool Create(const std::string& path);
    // Opens an existing key for reading. False when it does not exist or
    // cannot be read; the key is then closed.
    bool Open(const std::string& path);
    // Sets a value on a key opened by Create; false when the key is not open
    // for writing or the value cannot be stored.
    bool SetValue(const std::string& name, std::uint32_t type, const void* data, std::size_t size);
    // The stored bytes of a value of a key opened by Open, whatever its type;
    // false when the key is not open or the value does not exist.
    bool QueryValue(const std::string& name, std::vector<unsigned char>& data) const;
    void Close();

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace platform
