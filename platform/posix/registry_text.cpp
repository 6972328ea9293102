#include "platform/posix/registry_text.h"

namespace platform::regtext {

namespace {

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text)
{
    text = TrimRight(text);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

// Lines without their "\n" or "\r\n"; a UTF-8 byte order mark is dropped.
std::vector<std::string> SplitLines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
    }
    return lines;
}

bool IsKeyOrChild(std::string_view key, std::string_view path)
{
    if (key.size() == path.size())
        return EqualNoCase(key, path);
    return key.size() > path.size() && key[path.size()] == '\\' && EqualNoCase(key.substr(0, path.size()), path);
}

} // namespace

bool RegistryText::Parse(std::string_view text)
{
    preamble.clear();
    sections.clear();
    const std::vector<std::string> lines = SplitLines(text);
    std::size_t first = 0;
    while (first < lines.size() && Trim(lines[first]).empty())
        ++first;
    if (first == lines.size())
        return true;
    if (first != 0 || Trim(lines[0]) != "REGEDIT4")
        return false;

    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view trimmed = Trim(lines[i]);
        if (trimmed.empty())
            continue;
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            sections.push_back({lines[i], std::string(trimmed.substr(1, trimmed.size() - 2)), {}});
            continue;
        }
        Entry entry;
        entry.lines.push_back(lines[i]);
        std::string joined(TrimRight(lines[i]));
        if (joined[0] == '"' || joined[0] == '@') {
            // Long hex values continue on the next line after a trailing "\".
            while (joined.back() == '\\' && i + 1 < lines.size()) {
                joined.pop_back();
                entry.lines.push_back(lines[++i]);
                joined += Trim(lines[i]);
            }
            entry.isValue = ParseValueLine(joined, entry.value);
        }
        if (sections.empty())
            preamble.insert(preamble.end(), entry.lines.begin(), entry.lines.end());
        else
            sections.back().entries.push_back(std::move(entry));
    }
    return true;
}

std::string RegistryText::Format() const
{
    std::string out = "REGEDIT4\n\n";
    for (const std::string& line : preamble)
        out += line + "\n";
    if (!preamble.empty())
        out += "\n";
    for (const Section& section : sections) {
        out += section.header + "\n";
        for (const Entry& entry : section.entries)
            for (const std::string& line : entry.lines)
                out += line + "\n";
        out += "\n";
    }
    return out;
}

bool RegistryText::HasKey(std::string_view path) const
{
    for (const Section& section : sections)
        if (IsKeyOrChild(section.path, path))
            return true;
    return false;
}

const Value* RegistryText::Find(std::string_view path, std::string_view name) const
{
    const Value* found = nullptr;
    for (const Section& section : sections)
        if (EqualNoCase(section.path, path))
            for (const Entry& entry : section.entries)
                if (entry.isValue && EqualNoCase(entry.value.name, name))
                    found = &entry.value;
    return found;
}

void RegistryText::AddKey(std::string_view path, std::string_view root)
{
    for (std::size_t end = root.size(); end <= path.size(); ++end) {
        if (end != path.size() && path[end] != '\\')
            continue;
        const std::string_view key = path.substr(0, end);
        bool present = false;
        for (const Section& section : sections)
            present = present || EqualNoCase(section.path, key);
        if (!present)
            sections.push_back({"[" + std::string(key) + "]", std::string(key), {}});
    }
}

bool RegistryText::Set(std::string_view path, const Value& value)
{
    if (value.name.find_first_of("\r\n") != std::string::npos)
        return false;
    Entry entry;
    entry.lines.push_back(FormatValueLine(value));
    entry.isValue = true;
    entry.value = value;

    const auto matches = [&](const Entry& e) { return e.isValue && EqualNoCase(e.value.name, value.name); };
    Section* lastSection = nullptr;
    Entry* lastEntry = nullptr;
    for (Section& section : sections) {
        if (!EqualNoCase(section.path, path))
            continue;
        lastSection = &section;
        for (Entry& e : section.entries)
            if (matches(e))
                lastEntry = &e;
    }
    if (lastSection == nullptr) {
        sections.push_back({"[" + std::string(path) + "]", std::string(path), {}});
        lastSection = &sections.back();
    }
    if (lastEntry == nullptr) {
        lastSection->entries.push_back(std::move(entry));
        return true;
    }
    *lastEntry = std::move(entry);
    // Earlier duplicates would otherwise shadow nothing but still confuse a reader.
    for (Section& section : sections) {
        if (!EqualNoCase(section.path, path))
            continue;
        std::vector<Entry> kept;
        for (Entry& e : section.entries)
            if (&e == lastEntry || !matches(e))
                kept.push_back(std::move(e));
        section.entries = std::move(kept);
    }
    return true;
}

bool FullKeyPath(std::string_view relative, std::string& out)
{
    if (!relative.empty() && relative.back() == '\\')
        relative.remove_suffix(1);
    out = "HKEY_CURRENT_USER";
    if (relative.empty())
        return true;
    for (std::size_t start = 0;;) {
        const std::size_t end = relative.find('\\', start);
        const std::string_view component = relative.substr(start, end == std::string_view::npos ? end : end - start);
        if (component.empty() || component.size() > 255)
            return false;
        for (char c : component)
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
        out += '\\';
        out += component;
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

} // namespace platform::regtext
