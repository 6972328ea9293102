#pragma once

#include <string>
#include <vector>

// Texts from plugins and settings shown on a terminal: control characters
// and bytes outside ASCII are escaped, so one message stays one line.
std::string Printable(const std::string& text);
// The text in double quotes, escaped like Printable (quotes and backslashes too).
std::string Quoted(const std::string& text);
// "A, B, C", or "none" for an empty list.
std::string JoinNames(const std::vector<std::string>& names);
