#include "datasources/common/latest_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace datavalues {

std::optional<std::uint32_t> TypeFromName(const std::string& name)
{
    if (name == "text")
        return GLANCER_VAR_TEXT;
    if (name == "integer")
        return GLANCER_VAR_INT;
    if (name == "double")
        return GLANCER_VAR_DOUBLE;
    return std::nullopt;
}

const char* TypeName(std::uint32_t type)
{
    return type == GLANCER_VAR_INT ? "integer" : type == GLANCER_VAR_DOUBLE ? "double" : "text";
}

std::string IdAndTypeProblem(const std::string& id, const std::string& type, const std::vector<std::string>& taken)
{
    if (id.empty())
        return "has no Id";
    if (id.find_first_of(" .\\") != std::string::npos)
        return "Id \"" + id + "\" has a space, dot or backslash";
    if (std::find(taken.begin(), taken.end(), id) != taken.end())
        return "Id \"" + id + "\" is used twice";
    if (!TypeFromName(type))
        return "Type \"" + type + "\" is not text, integer or double";
    return {};
}

std::string_view WholeFirstLine(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\n'));
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.remove_suffix(1);
    return bytes;
}

std::string FirstLine(std::string_view bytes)
{
    std::string line(WholeFirstLine(bytes).substr(0, GLANCER_TEXT_SIZE - 1));
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return line;
}

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    return text;
}

template <class Number> std::optional<Number> Parse(std::string_view text)
{
    text = Trimmed(text);
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text)
{
    return Parse<std::int32_t>(text);
}

std::optional<double> ParseDouble(std::string_view text)
{
    const std::optional<double> value = Parse<double>(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

LatestValues::LatestValues(const std::vector<std::uint32_t>& types)
{
    slots.resize(types.size());
    for (std::size_t i = 0; i < types.size(); ++i) {
        slots[i].type = types[i];
        Show(slots[i]);
    }
}

void LatestValues::Show(Slot& slot)
{
    glancer::CopyText(slot.text, slot.shown, sizeof slot.shown);
    if (slot.stale && slot.type == GLANCER_VAR_TEXT) {
        const std::size_t length = std::min(std::strlen(slot.shown), sizeof slot.shown - 2);
        slot.shown[length] = '?';
        slot.shown[length + 1] = '\0';
    }
}

bool LatestValues::Store(std::size_t index, std::string_view bytes)
{
    // A number is read from the whole line: cut first, padding could hide its last digits.
    const std::string_view whole = WholeFirstLine(bytes);
    const std::string line = FirstLine(bytes);
    std::optional<std::int32_t> integer;
    std::optional<double> decimal;
    std::lock_guard lock(mutex);
    if (index >= slots.size())
        return false;
    Slot& slot = slots[index];
    if ((slot.type == GLANCER_VAR_INT && !(integer = ParseInteger(whole))) ||
        (slot.type == GLANCER_VAR_DOUBLE && !(decimal = ParseDouble(whole)))) {
        slot.stale = true;
        Show(slot);
        return false;
    }
    slot.integer = integer.value_or(0);
    slot.decimal = decimal.value_or(0.0);
    glancer::CopyText(line.c_str(), slot.text, sizeof slot.text);
    slot.stale = false;
    Show(slot);
    return true;
}

void LatestValues::MarkStale(std::size_t index)
{
    std::lock_guard lock(mutex);
    if (index < slots.size() && !slots[index].stale) {
        slots[index].stale = true;
        Show(slots[index]);
    }
}

bool LatestValues::IsStale(std::size_t index) const
{
    std::lock_guard lock(mutex);
    return index < slots.size() && slots[index].stale;
}

void LatestValues::Read(std::size_t index, glancer::Value& out) const
{
    std::lock_guard lock(mutex);
    if (index >= slots.size())
        return;
    const Slot& slot = slots[index];
    if (slot.type == GLANCER_VAR_INT)
        out.Integer(slot.integer);
    else if (slot.type == GLANCER_VAR_DOUBLE)
        out.Double(slot.decimal);
    else
        out.Text(slot.shown);
}

} // namespace datavalues
