#pragma once

// JSON from the outside (a broker's message, a monitor's web server),
// parsed within limits: a document too long or nested too deep is refused
// before the parser sees it, so neither memory nor recursion depends on
// what a sender chooses.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace datavalues {

inline constexpr std::size_t kMaxJsonBytes = 1 << 20;
inline constexpr int kMaxJsonDepth = 128;

// The document, or nothing and a reason for a log line ("is not valid JSON
// (at byte 12)"); its limits are `maxBytes` and kMaxJsonDepth.
std::optional<nlohmann::json> ParseJson(std::string_view text, std::string& problem,
                                        std::size_t maxBytes = kMaxJsonBytes);

// A value as the text a variable shows: a string as its characters (UTF-8),
// a number, true, false or null as JSON writes them, an object or array as
// its compact JSON text.
std::string JsonValueText(const nlohmann::json& value);

// UTF-8 as the single-byte text (Latin-1) that displays draw: a character
// up to U+00FF becomes its byte (the degree sign 0xB0, which a character
// LCD shows as its degree glyph), any other "?".
std::string Latin1(std::string_view utf8);

} // namespace datavalues
