#pragma once

// Terminal questions for `glancer configure-driver` (Linux): each shows the
// current value, keeps it on an empty answer and stores a new one at once.
#include <cstdint>

namespace glancer {
class Settings;
}

namespace charpanel {

// False at the end of input (stop asking).
bool AskText(const glancer::Settings& settings, const char* name, const char* prompt, const char* fallback);
// Refuses answers outside [low, high] and asks again.
bool AskNumber(const glancer::Settings& settings, const char* name, const char* prompt, std::int64_t fallback,
               std::int64_t low, std::int64_t high);

} // namespace charpanel
