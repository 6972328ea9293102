#include "datasources/common/json_text.h"

#include <algorithm>

namespace datavalues {
namespace {

// How deep the brackets go, strings skipped; stops counting past `limit`.
int Depth(std::string_view text, int limit)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit)
                return deepest;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

} // namespace

std::optional<nlohmann::json> ParseJson(std::string_view text, std::string& problem, std::size_t maxBytes)
{
    if (text.size() > maxBytes) {
        problem = "is longer than " + std::to_string(maxBytes) + " bytes";
        return std::nullopt;
    }
    if (Depth(text, kMaxJsonDepth) > kMaxJsonDepth) {
        problem = "is nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
        return std::nullopt;
    }
    try {
        return nlohmann::json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::parse_error& error) {
        problem = "is not valid JSON (at byte " + std::to_string(error.byte) + ")";
    }
    return std::nullopt;
}

std::string Latin1(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0x80) {
            out += static_cast<char>(lead);
        } else if (length == 2 && i + 1 < utf8.size()) {
            const unsigned code = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            out += code <= 0xFF ? static_cast<char>(code) : '?';
        } else {
            out += '?';
        }
        i += length;
    }
    return out;
}

std::string JsonValueText(const nlohmann::json& value)
{
    if (value.is_string())
        return value.get_ref<const std::string&>();
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace datavalues
