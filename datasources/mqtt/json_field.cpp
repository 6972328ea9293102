#include "datasources/mqtt/json_field.h"

namespace mqtt {
namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : text(text) {}

    // At an object: the value of `path` inside it, if there is one.
    std::optional<std::string> Find(std::string_view path, int depth)
    {
        const std::string_view key = path.substr(0, path.find('.'));
        const bool last = key.size() == path.size();
        if (depth > kMaxDepth || !Take('{'))
            return std::nullopt;
        if (Take('}'))
            return std::nullopt;
        do {
            std::string name;
            if (!String(name) || !Take(':'))
                return std::nullopt;
            Spaces();
            if (name == key) {
                if (!last)
                    return Peek() == '{' ? Find(path.substr(key.size() + 1), depth + 1) : std::nullopt;
                if (Peek() == '"')
                    return String(name) ? std::optional(name) : std::nullopt;
                const std::size_t start = at;
                return Skip(depth) ? std::optional(std::string(Trimmed(text.substr(start, at - start)))) : std::nullopt;
            }
            if (!Skip(depth))
                return std::nullopt;
        } while (Take(','));
        return std::nullopt;
    }

private:
    static std::string_view Trimmed(std::string_view value)
    {
        while (!value.empty() && IsSpace(value.back()))
            value.remove_suffix(1);
        return value;
    }
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    void Spaces()
    {
        while (at < text.size() && IsSpace(text[at]))
            ++at;
    }
    char Peek()
    {
        Spaces();
        return at < text.size() ? text[at] : '\0';
    }
    bool Take(char c)
    {
        if (Peek() != c)
            return false;
        ++at;
        return true;
    }

    // A string at the cursor, unescaped.
    bool String(std::string& out)
    {
        out.clear();
        if (!Take('"'))
            return false;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= text.size())
                return false;
            const char e = text[at++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                if (at + 4 > text.size())
                    return false;
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    const char h = text[at++];
                    const int digit = h >= '0' && h <= '9'   ? h - '0'
                                      : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                      : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                             : -1;
                    if (digit < 0)
                        return false;
                    code = code * 16 + static_cast<unsigned>(digit);
                }
                out += code < 0x80 ? static_cast<char>(code) : '?';
                break;
            }
            default:
                out += e; // \" \\ \/
            }
        }
        return false;
    }

    // Steps over one value of any kind.
    bool Skip(int depth)
    {
        if (depth > kMaxDepth)
            return false;
        const char c = Peek();
        if (c == '"') {
            std::string ignored;
            return String(ignored);
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++at;
            if (Take(close))
                return true;
            do {
                if (c == '{') {
                    std::string ignored;
                    if (!String(ignored) || !Take(':'))
                        return false;
                }
                if (!Skip(depth + 1))
                    return false;
            } while (Take(','));
            return Take(close);
        }
        const std::size_t start = at;
        while (at < text.size() && text[at] != ',' && text[at] != '}' && text[at] != ']' && !IsSpace(text[at]))
            ++at;
        return at > start;
    }

    std::string_view text;
    std::size_t at = 0;
};

} // namespace

std::optional<std::string> JsonField(std::string_view json, std::string_view path)
{
    if (json.size() > kMaxJson || path.empty())
        return std::nullopt;
    return Scanner(json).Find(path, 0);
}

} // namespace mqtt
