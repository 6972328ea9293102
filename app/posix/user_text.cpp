#include "app/posix/user_text.h"

#include <cstdio>

namespace {

void Append(std::string& out, unsigned char c, bool quoting)
{
    if (c == '\n') {
        out += "\\n";
    } else if (c < 0x20 || c >= 0x7f) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
        out += escaped;
    } else if (quoting && (c == '"' || c == '\\')) {
        out += '\\';
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(c);
    }
}

} // namespace

std::string Printable(const std::string& text)
{
    std::string out;
    for (const char c : text)
        Append(out, static_cast<unsigned char>(c), false);
    return out;
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
        Append(out, static_cast<unsigned char>(c), true);
    return out + "\"";
}

std::string JoinNames(const std::vector<std::string>& names)
{
    if (names.empty())
        return "none";
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty())
            out += ", ";
        out += Printable(name);
    }
    return out;
}
