#pragma once

#include <cstdint>
#include <string>

#include "plugin/catalogue.h"

// Reads a variable's current value from its component into `out` as text:
// a text up to its first zero byte (at most the 256 bytes of the buffer,
// even when the plugin leaves out the terminator), an integer in decimal,
// a double as the standard stream formats it (6 significant digits). An unknown type or a missing component gives the
// empty text without calling anything. Reuses the capacity of `out`.
void ReadVariableText(const VariableInfo& variable, std::string& out);

// Reads a numeric variable: an integer as is, a double truncated toward
// zero and saturated to 32 bits (NaN reads as 0). False for a text
// variable, an unknown type or a missing component.
bool ReadVariableNumber(const VariableInfo& variable, std::int32_t& out);
