#pragma once

// The configured commands: section "Commands\1", "Commands\2", ... one per
// command, with Id, Command, Interval (ms), Timeout (ms) and Type.

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/api/glancer_settings.hpp"

namespace commands {

inline constexpr char kSection[] = "Commands";
inline constexpr char kLogPrefix[] = "Commands";
inline constexpr std::int64_t kDefaultInterval = 5000;
inline constexpr std::int64_t kDefaultTimeout = 10000;
inline constexpr std::int64_t kMaxMs = 24 * 3600 * 1000;

struct CommandSpec {
    std::string id;      // the variable is "Command.<id>"
    std::string command; // a shell command line
    std::int64_t intervalMs = kDefaultInterval;
    std::int64_t timeoutMs = kDefaultTimeout;
    std::string type = "text";
};

// The fields of an entry, declared once: read, written, asked on the
// terminal and shown in the dialog from this list, in its order.
const glancer::DeclaredSettings& Fields();
// A field as people see and type it; a typed one is kept as typed, for
// Problem() to judge (a number that is none becomes 0).
std::string FieldText(const CommandSpec& spec, std::size_t field);
void SetField(CommandSpec& spec, std::size_t field, const std::string& text);

// Every entry as stored, numbered from 1 (an entry removed by Configure
// stays as an empty one and is skipped).
std::vector<CommandSpec> ReadStored();
void WriteStored(const std::vector<CommandSpec>& entries);

// The stored entries that are not empty, for editing.
std::vector<CommandSpec> Entries();
// The ids of `entries` but the one at `except`.
std::vector<std::string> IdsExcept(const std::vector<CommandSpec>& entries, std::size_t except);

// Why an entry cannot be used (empty when it can); `others` are the ids
// already taken.
std::string Problem(const CommandSpec& spec, const std::vector<std::string>& others);

// The usable entries; each one refused gets a log line.
std::vector<CommandSpec> ReadCommands();

} // namespace commands
