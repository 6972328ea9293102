#include "drivers/virtual/virtual_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vdisplay {

const char kSettingsSection[] = "VirtualDisplay";

namespace {

void Log(CoreServices* services, const std::string& text)
{
    if (services != nullptr)
        services->vtbl->Log(services, ("Virtual display: " + text).c_str());
}

// What is stored under `name`, as text; false when it is not stored. The
// services copy a value's bytes and a terminator and leave the rest of the
// buffer alone, so a buffer filled with 0x7f first tells the cases apart: a
// missing key leaves it as it was, a missing value gives "\n" followed by
// untouched bytes, while an integer such as 10 or 127 (bytes 0A or 7F, then
// zeros) always leaves zeros behind its first byte.
bool ReadRaw(CoreServices* services, const char* name, std::string& text)
{
    char buffer[GLANCER_TEXT_SIZE];
    std::memset(buffer, 0x7f, sizeof buffer);
    services->vtbl->ReadString(services, name, kSettingsSection, buffer);
    buffer[GLANCER_TEXT_SIZE - 1] = '\0';
    if (buffer[0] == '\x7f' && buffer[1] == '\x7f')
        return false;
    if (buffer[0] == '\n' && buffer[1] == '\0' && buffer[2] == '\x7f')
        return false;
    text = buffer;
    return true;
}

// A number stored as an integer, or as text holding one. An integer also
// reads as text, its bytes taken as characters: 50 reads as "2". When the
// text is exactly the integer's bytes the integer is meant; only text of
// three or more digits fills the same four bytes, and no integer setting
// is that large.
bool ReadNumber(CoreServices* services, const char* name, std::int64_t& value)
{
    std::string text;
    if (!ReadRaw(services, name, text))
        return false;
    const std::int32_t integer = services->vtbl->ReadInt(services, name, kSettingsSection);
    char bytes[5] = {};
    std::memcpy(bytes, &integer, sizeof integer);
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (text.size() < 3 && text == bytes)
        value = integer;
    else if (!text.empty() && *end == '\0')
        value = parsed;
    else
        value = integer;
    return true;
}

void ReadRanged(CoreServices* services, const char* name, std::uint32_t low, std::uint32_t high, std::uint32_t& field)
{
    std::int64_t value = 0;
    if (!ReadNumber(services, name, value))
        return;
    if (value >= low && value <= high) {
        field = static_cast<std::uint32_t>(value);
        return;
    }
    Log(services, std::string(name) + " " + std::to_string(value) + " is outside " + std::to_string(low) + ".." +
                      std::to_string(high) + ", using " + std::to_string(field));
}

void ReadPosition(CoreServices* services, const char* name, std::int32_t& field)
{
    std::int64_t value = 0;
    if (ReadNumber(services, name, value) && value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())
        field = static_cast<std::int32_t>(value);
}

void ReadColour(CoreServices* services, const char* name, std::uint32_t& field)
{
    std::string text;
    if (!ReadRaw(services, name, text))
        return;
    if (!ParseColour(text.c_str(), field))
        Log(services, std::string(name) + " \"" + text + "\" is not a colour RRGGBB, using " + FormatColour(field));
}

void ReadText(CoreServices* services, const char* name, std::string& field)
{
    std::string text;
    if (ReadRaw(services, name, text))
        field = text;
}

void WriteColour(CoreServices* services, const char* name, std::uint32_t colour)
{
    services->vtbl->WriteString(services, name, FormatColour(colour).c_str(), kSettingsSection);
}

} // namespace

Settings ReadSettings(CoreServices* services)
{
    Settings settings;
    if (services == nullptr)
        return settings;
    ReadRanged(services, "XPixels", 1, kMaxPixels, settings.geometry.xPixels);
    ReadRanged(services, "YPixels", 1, kMaxPixels, settings.geometry.yPixels);
    ReadRanged(services, "XChars", 1, kMaxChars, settings.geometry.xChars);
    ReadRanged(services, "YChars", 1, kMaxChars, settings.geometry.yChars);
    ReadColour(services, "LitColour", settings.litColour);
    ReadColour(services, "UnlitColour", settings.unlitColour);
    ReadRanged(services, "Scale", 1, kMaxScale, settings.scale);
    ReadPosition(services, "WindowX", settings.windowX);
    ReadPosition(services, "WindowY", settings.windowY);
    ReadText(services, "Snapshot", settings.snapshot);
    ReadRanged(services, "SnapshotInterval", 0, kMaxSnapshotInterval, settings.snapshotInterval);
    ReadText(services, "Output", settings.output);
    std::uint32_t border = settings.border ? 1 : 0;
    ReadRanged(services, "Border", 0, 1, border);
    settings.border = border != 0;
    return settings;
}

void WriteSettings(CoreServices* services, const Settings& settings)
{
    if (services == nullptr)
        return;
    const CoreServicesVtbl& s = *services->vtbl;
    s.WriteInt(services, "XPixels", settings.geometry.xPixels, kSettingsSection);
    s.WriteInt(services, "YPixels", settings.geometry.yPixels, kSettingsSection);
    s.WriteInt(services, "XChars", settings.geometry.xChars, kSettingsSection);
    s.WriteInt(services, "YChars", settings.geometry.yChars, kSettingsSection);
    s.WriteInt(services, "SnapshotInterval", settings.snapshotInterval, kSettingsSection);
    WriteColour(services, "LitColour", settings.litColour);
    WriteColour(services, "UnlitColour", settings.unlitColour);
    s.WriteInt(services, "Scale", settings.scale, kSettingsSection);
    // Stored as the registry's unsigned DWORD; ReadInt gives the signed value back.
    s.WriteInt(services, "WindowX", static_cast<std::uint32_t>(settings.windowX), kSettingsSection);
    s.WriteInt(services, "WindowY", static_cast<std::uint32_t>(settings.windowY), kSettingsSection);
    s.WriteString(services, "Snapshot", settings.snapshot.c_str(), kSettingsSection);
    s.WriteString(services, "Output", settings.output.c_str(), kSettingsSection);
    s.WriteInt(services, "Border", settings.border ? 1 : 0, kSettingsSection);
}

bool ParseColour(const char* text, std::uint32_t& colour)
{
    if (text == nullptr)
        return false;
    std::uint32_t value = 0;
    for (int i = 0; i < 6; ++i) {
        const char c = text[i];
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return false; // also stops at the terminator of a short text
        value = value << 4 | digit;
    }
    if (text[6] != '\0')
        return false;
    colour = value;
    return true;
}

std::string FormatColour(std::uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour & 0xFFFFFFu));
    return text;
}

} // namespace vdisplay
