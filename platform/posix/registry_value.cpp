#include <cctype>

#include "platform/posix/registry_text.h"

namespace platform::regtext {

namespace {

void SkipSpace(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
}

bool OnlySpaceFrom(std::string_view text, std::size_t pos)
{
    SkipSpace(text, pos);
    return pos == text.size();
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 1 to `maxDigits` hex digits.
bool ReadHex(std::string_view text, std::size_t& pos, std::size_t maxDigits, std::uint32_t& out)
{
    const std::size_t start = pos;
    out = 0;
    while (pos < text.size() && pos - start < maxDigits && HexDigit(text[pos]) >= 0)
        out = out * 16 + static_cast<std::uint32_t>(HexDigit(text[pos++]));
    return pos > start;
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix)
{
    return text.size() - pos >= prefix.size() && EqualNoCase(text.substr(pos, prefix.size()), prefix);
}

// A quoted text with "\" escapes, from the opening quote at `pos`.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out)
{
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos == text.size())
                return false;
            c = text[pos];
        }
        out.push_back(c);
    }
    return false;
}

bool ReadHexBytes(std::string_view text, std::size_t pos, std::vector<unsigned char>& out)
{
    out.clear();
    SkipSpace(text, pos);
    if (pos == text.size())
        return true;
    for (;;) {
        SkipSpace(text, pos);
        std::uint32_t byte = 0;
        if (!ReadHex(text, pos, 2, byte))
            return false;
        out.push_back(static_cast<unsigned char>(byte));
        SkipSpace(text, pos);
        if (pos == text.size())
            return true;
        if (text[pos++] != ',')
            return false;
    }
}

void AppendQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

bool IsPlainText(const std::vector<unsigned char>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (data[i] == 0 || data[i] == '\n' || data[i] == '\r')
            return false;
    return true;
}

} // namespace

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ParseValueLine(std::string_view line, Value& value)
{
    std::size_t pos = 0;
    if (line.empty())
        return false;
    if (line[0] == '@') {
        value.name.clear();
        pos = 1;
    } else if (!ReadQuoted(line, pos, value.name)) {
        return false;
    }
    SkipSpace(line, pos);
    if (pos == line.size() || line[pos++] != '=')
        return false;
    SkipSpace(line, pos);

    if (pos < line.size() && line[pos] == '"') {
        std::string text;
        if (!ReadQuoted(line, pos, text) || !OnlySpaceFrom(line, pos))
            return false;
        value.type = 1;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (StartsWithNoCase(line, pos, "dword:")) {
        pos += 6;
        std::uint32_t number = 0;
        if (!ReadHex(line, pos, 8, number) || !OnlySpaceFrom(line, pos))
            return false;
        value.type = 4;
        value.data.clear();
        for (int shift = 0; shift < 32; shift += 8)
            value.data.push_back(static_cast<unsigned char>(number >> shift));
        return true;
    }
    if (StartsWithNoCase(line, pos, "hex:")) {
        value.type = 3;
        return ReadHexBytes(line, pos + 4, value.data);
    }
    if (StartsWithNoCase(line, pos, "hex(")) {
        pos += 4;
        if (!ReadHex(line, pos, 8, value.type) || line.substr(pos, 2) != "):")
            return false;
        return ReadHexBytes(line, pos + 2, value.data);
    }
    return false;
}

bool ContinuesOnNextLine(std::string_view line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    if (line.empty() || line.back() != '\\')
        return false;
    std::size_t pos = 0;
    std::string name;
    if (line[0] == '@')
        pos = 1;
    else if (!ReadQuoted(line, pos, name))
        return false;
    SkipSpace(line, pos);
    if (pos == line.size() || line[pos++] != '=')
        return false;
    SkipSpace(line, pos);
    return StartsWithNoCase(line, pos, "hex");
}

bool IsContinuationLine(std::string_view line)
{
    bool digits = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && OnlySpaceFrom(line, i + 1))
            return digits;
        if (HexDigit(c) >= 0)
            digits = true;
        else if (c != ',' && c != ' ' && c != '\t')
            return false;
    }
    return digits;
}

std::string FormatValueLine(const Value& value)
{
    static const char digits[] = "0123456789abcdef";
    std::string line;
    if (value.name.empty())
        line = "@";
    else
        AppendQuoted(line, value.name);
    line.push_back('=');

    if (value.type == 1 && IsPlainText(value.data)) {
        AppendQuoted(line, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
        return line;
    }
    if (value.type == 4 && value.data.size() == 4) {
        line += "dword:";
        for (int i = 3; i >= 0; --i) {
            line.push_back(digits[value.data[static_cast<std::size_t>(i)] >> 4]);
            line.push_back(digits[value.data[static_cast<std::size_t>(i)] & 15]);
        }
        return line;
    }
    if (value.type == 3) {
        line += "hex:";
    } else {
        line += "hex(";
        bool leading = true;
        for (int shift = 28; shift >= 0; shift -= 4) {
            const unsigned digit = (value.type >> shift) & 15;
            leading = leading && digit == 0 && shift != 0;
            if (!leading)
                line.push_back(digits[digit]);
        }
        line += "):";
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i != 0)
            line.push_back(',');
        line.push_back(digits[value.data[i] >> 4]);
        line.push_back(digits[value.data[i] & 15]);
    }
    return line;
}

} // namespace platform::regtext
