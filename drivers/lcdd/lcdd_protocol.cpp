#include "drivers/lcdd/lcdd_protocol.h"

#include <algorithm>
#include <charconv>

namespace lcdd {

namespace {

// The next word of `text`, which loses it and the spaces before it.
std::string_view NextWord(std::string_view& text)
{
    const std::size_t start = std::min(text.find_first_not_of(' '), text.size());
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

// Digits only: a sign or an overflow would wrap round into a plausible size.
bool ReadSize(std::string_view word, std::uint32_t most, std::uint32_t& value)
{
    std::uint32_t read = 0;
    const char* end = word.data() + word.size();
    if (word.empty() || word.front() < '0' || word.front() > '9' ||
        std::from_chars(word.data(), end, read).ptr != end || read < 1 || read > most)
        return false;
    value = read;
    return true;
}

} // namespace

std::size_t NextPiece(std::string_view pending, std::size_t most)
{
    const std::size_t end = pending.substr(0, most).rfind('\n');
    if (end != std::string_view::npos)
        return end + 1;
    const std::size_t first = pending.find('\n');
    return first != std::string_view::npos ? first + 1 : pending.size();
}

std::optional<Greeting> ParseGreeting(std::string_view line)
{
    if (NextWord(line) != "connect")
        return std::nullopt;
    while (!line.empty() && NextWord(line) != "lcd") {
    }
    Greeting greeting;
    for (std::string_view key; !(key = NextWord(line)).empty();) {
        const std::string_view value = NextWord(line);
        bool good = true;
        if (key == "wid")
            good = ReadSize(value, 255, greeting.columns);
        else if (key == "hgt")
            good = ReadSize(value, 255, greeting.rows);
        else if (key == "cellwid")
            good = ReadSize(value, 64, greeting.cellWidth);
        else if (key == "cellhgt")
            good = ReadSize(value, 64, greeting.cellHeight);
        if (!good)
            return std::nullopt;
    }
    if (greeting.columns == 0 || greeting.rows == 0)
        return std::nullopt;
    return greeting;
}

std::string Printable(std::string_view text, std::size_t limit)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(std::min(text.size(), limit) + 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = byte >= 0x20 && byte < 0x7f;
        if (shown.size() + (plain ? 1 : 4) > limit)
            return shown + "...";
        if (plain) {
            shown += c;
        } else {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
        }
    }
    return shown;
}

std::optional<std::string> Complaints::Take(std::string_view line)
{
    if (line.substr(0, 4) != "huh?" || seen_.size() >= kMost)
        return std::nullopt;
    std::string shown = Printable(line);
    if (!seen_.insert(shown).second)
        return std::nullopt;
    return "LCDd: the server answered: " + shown;
}

} // namespace lcdd
