#pragma once

#include <cstdint>

// Persistent settings under the program's key ("Software\Glancer\" in
// HKEY_CURRENT_USER on Windows; a registry-export file on Linux) plus an
// optional section (sub-key path, "\"-separated; empty: the key itself).
// Every call opens, does one value and closes: nothing is cached.
void writeSettingInt(const char* name, std::uint32_t value, const char* section);
void writeSettingDouble(const char* name, double value, const char* section);
void writeSettingString(const char* name, const char* value, const char* section);
// 0 when missing or unreadable.
std::int32_t readSettingInt(const char* name, const char* section);
// The same with `missing` for a missing or unreadable value.
std::int32_t readSettingInt(const char* name, const char* section, std::int32_t missing);
// 0.0 when missing or unreadable.
double readSettingDouble(const char* name, const char* section);
// `buffer` holds 256 bytes. A missing value gives "\n"; a missing key leaves
// the buffer unchanged. Longer stored texts are cut to 255 bytes.
void readSettingString(const char* name, const char* section, char* buffer);

inline constexpr unsigned kSettingsStringSize = 256;
