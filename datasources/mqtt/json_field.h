#pragma once

// Picks one field out of a JSON object, such as "temperature" or
// "sensor.temp" (dots separate nested object keys). Small and bounded: at
// most kMaxJson bytes and kMaxDepth levels are looked at, and anything
// malformed up to the field gives nothing.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mqtt {

inline constexpr std::size_t kMaxJson = 64 * 1024;
inline constexpr int kMaxDepth = 32;

// The field's value as text: a string unescaped (a \u escape beyond ASCII
// becomes "?"), a number, true, false or null as written; an object or an
// array as its JSON text. Empty when the payload is not a JSON object, is
// too long, or has no such field.
std::optional<std::string> JsonField(std::string_view json, std::string_view path);

} // namespace mqtt
