#include "datasources/mqtt/json_field.h"

#include <charconv>

#include "datasources/common/json_text.h"

namespace mqtt {
namespace {

const nlohmann::json* Step(const nlohmann::json& at, std::string_view key)
{
    if (at.is_object()) {
        const auto found = at.find(key); // the parser kept the last of duplicate keys
        return found != at.end() ? &*found : nullptr;
    }
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), index);
    if (!at.is_array() || key.empty() || error != std::errc() || end != key.data() + key.size() || index >= at.size())
        return nullptr;
    return &at[index];
}

} // namespace

JsonFieldResult JsonField(std::string_view json, std::string_view path)
{
    std::string problem;
    const std::optional<nlohmann::json> document = datavalues::ParseJson(json, problem);
    if (!document)
        return {JsonFieldResult::Invalid, problem};
    const nlohmann::json* at = &*document;
    for (std::string_view rest = path; at != nullptr;) {
        const std::size_t dot = rest.find('.');
        at = Step(*at, rest.substr(0, dot));
        if (dot == std::string_view::npos)
            break;
        rest.remove_prefix(dot + 1);
    }
    if (at == nullptr)
        return {JsonFieldResult::Missing, "has no field " + std::string(path)};
    return {JsonFieldResult::Found, datavalues::Latin1(datavalues::JsonValueText(*at))};
}

} // namespace mqtt
