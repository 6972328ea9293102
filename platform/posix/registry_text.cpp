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

// Lines without their "\n", carriage returns kept.
std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// A line as the registry editor reads it: without the CR of a CR LF.
std::string_view Content(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool IsHeader(std::string_view line)
{
    const std::string_view text = Trim(Content(line));
    return text == "REGEDIT4" || text == "Windows Registry Editor Version 5.00";
}

bool IsKeyOrChild(std::string_view key, std::string_view path)
{
    if (key.size() == path.size())
        return EqualNoCase(key, path);
    return key.size() > path.size() && key[path.size()] == '\\' && EqualNoCase(key.substr(0, path.size()), path);
}

} // namespace

bool RegistryText::Parse(std::string_view bytes)
{
    preamble.clear();
    sections.clear();
    eol = "\n";
    const std::vector<std::string> lines = SplitLines(DecodeFileText(bytes));
    std::size_t first = 0;
    while (first < lines.size() && Trim(Content(lines[first])).empty())
        ++first;
    if (first == lines.size())
        return true;
    if (!IsHeader(lines[first]))
        return false;
    if (!lines[first].empty() && lines[first].back() == '\r')
        eol = "\r\n";

    for (std::size_t i = first + 1; i < lines.size(); ++i) {
        const std::string_view trimmed = Trim(Content(lines[i]));
        if (trimmed.empty())
            continue;
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            sections.push_back({lines[i], std::string(trimmed.substr(1, trimmed.size() - 2)), {}});
            continue;
        }
        Entry entry;
        entry.lines.push_back(lines[i]);
        std::string joined(TrimRight(Content(lines[i])));
        if (joined[0] == '"' || joined[0] == '@') {
            // Long hex values go on after a trailing "\" with lines of hex
            // bytes; anything else after it is a line of its own.
            while (ContinuesOnNextLine(joined) && i + 1 < lines.size() && IsContinuationLine(Content(lines[i + 1]))) {
                joined.pop_back();
                entry.lines.push_back(lines[++i]);
                joined += Trim(Content(lines[i]));
            }
            entry.isValue = ParseValueLine(joined, entry.value);
            entry.hanging = !entry.isValue && ContinuesOnNextLine(joined);
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
    // Lines kept as read carry their own CR, if any; new ones get the file's.
    std::string out = "REGEDIT4" + eol + eol;
    for (const std::string& line : preamble)
        out += line + "\n";
    if (!preamble.empty())
        out += eol;
    for (const Section& section : sections) {
        out += section.header + "\n";
        for (const Entry& entry : section.entries) {
            for (const std::string& line : entry.lines)
                out += line + "\n";
            if (entry.hanging) // so that nothing after it reads as its continuation
                out += eol;
        }
        out += eol;
    }
    return out;
}

std::string RegistryText::NewLine(std::string line) const
{
    if (eol.size() == 2)
        line.push_back('\r');
    return line;
}

std::vector<std::pair<std::string, Value>> RegistryText::Values() const
{
    std::vector<std::pair<std::string, Value>> values;
    for (const Section& section : sections)
        for (const Entry& entry : section.entries)
            if (entry.isValue)
                values.emplace_back(section.path, entry.value);
    return values;
}

std::vector<std::string> RegistryText::KeptLines() const
{
    std::vector<std::string> kept = preamble;
    for (const Section& section : sections)
        for (const Entry& entry : section.entries)
            if (!entry.isValue)
                kept.insert(kept.end(), entry.lines.begin(), entry.lines.end());
    return kept;
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
            sections.push_back({NewLine("[" + std::string(key) + "]"), std::string(key), {}});
    }
}

bool RegistryText::Set(std::string_view path, const Value& value)
{
    if (value.name.find_first_of("\r\n") != std::string::npos)
        return false;
    Entry entry;
    entry.lines.push_back(NewLine(FormatValueLine(value)));
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
        sections.push_back({NewLine("[" + std::string(path) + "]"), std::string(path), {}});
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
