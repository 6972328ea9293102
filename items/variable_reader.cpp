#include "items/variable_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

std::int32_t ReadInt(const VariableInfo& variable)
{
    std::int32_t value = 0;
    variable.component->vtbl->getValue(variable.component, variable.index, &value, sizeof value);
    return value;
}

double ReadDouble(const VariableInfo& variable)
{
    double value = 0.0;
    variable.component->vtbl->getValue(variable.component, variable.index, &value, sizeof value);
    return value;
}

} // namespace

void ReadVariableText(const VariableInfo& variable, std::string& out)
{
    out.clear();
    if (variable.component == nullptr)
        return;
    switch (variable.type) {
    case GLANCER_VAR_TEXT: {
        char buffer[GLANCER_TEXT_SIZE] = {};
        variable.component->vtbl->getValue(variable.component, variable.index, buffer, sizeof buffer);
        const void* end = std::memchr(buffer, 0, sizeof buffer);
        out.assign(buffer, end != nullptr ? static_cast<const char*>(end) - buffer : sizeof buffer);
        break;
    }
    case GLANCER_VAR_INT: {
        char digits[16];
        const auto result = std::to_chars(digits, digits + sizeof digits, ReadInt(variable));
        out.assign(digits, result.ptr);
        break;
    }
    case GLANCER_VAR_DOUBLE: {
        // General format with precision 6 is what an ostream writes by default.
        char digits[64];
        const auto result =
            std::to_chars(digits, digits + sizeof digits, ReadDouble(variable), std::chars_format::general, 6);
        out.assign(digits, result.ptr);
        break;
    }
    default:
        break;
    }
}

bool ReadVariableNumber(const VariableInfo& variable, std::int32_t& out)
{
    if (variable.component == nullptr)
        return false;
    if (variable.type == GLANCER_VAR_INT) {
        out = ReadInt(variable);
        return true;
    }
    if (variable.type != GLANCER_VAR_DOUBLE)
        return false;
    const double value = std::trunc(ReadDouble(variable));
    if (std::isnan(value))
        out = 0;
    else if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        out = std::numeric_limits<std::int32_t>::min();
    else if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        out = std::numeric_limits<std::int32_t>::max();
    else
        out = static_cast<std::int32_t>(value);
    return true;
}
