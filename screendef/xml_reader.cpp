#include "screendef/xml_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

// Inclusive range of positions; empty when start < 0 or end < start.
struct Range {
    std::int32_t start = -1;
    std::int32_t end = -1;

    bool Empty() const { return start < 0 || end < start; }
    std::int32_t Length() const { return Empty() ? 0 : end - start + 1; }
};

std::int32_t FindChar(const char* buffer, std::int32_t from, std::int32_t to, char c)
{
    if (from < 0 || to <= from)
        return -1;
    const void* found = std::memchr(buffer + from, c, static_cast<std::size_t>(to - from));
    return found == nullptr ? -1 : static_cast<std::int32_t>(static_cast<const char*>(found) - buffer);
}

// The cursor of one nesting level: positions inside a buffer it does not own.
struct XmlElementScanner {
    XmlTagIndex* index = nullptr; // of the whole document
    std::int32_t base = 0;        // of the buffer in the document
    const char* buffer = nullptr;
    std::int32_t length = 0;
    std::int32_t position = 0;
    std::int32_t tagStart = -1;
    std::int32_t tagEnd = -1;
    std::int32_t endTagStart = -1;
    std::int32_t endTagEnd = -1;
    Range name;
    Range attributes;
    Range content;
    bool skipped = false;
    bool emptyElement = false;
    // Why FindNext stopped early: an unclosed tag or a missing end tag.
    std::int32_t faultAt = -1;
    bool missingEndTag = false;

    std::string Text(Range r) const
    {
        return r.Empty() ? std::string() : std::string(buffer + r.start, static_cast<std::size_t>(r.Length()));
    }
    std::string_view View(Range r) const
    {
        return r.Empty() ? std::string_view()
                         : std::string_view(buffer + r.start, static_cast<std::size_t>(r.Length()));
    }

    // Moves to the next element at or after `position`; false when the level
    // has no more (complete) elements.
    bool FindNext();
    void Rebase()
    {
        base += position;
        buffer += position;
        length -= position;
        position = 0;
    }

private:
    bool FindEndTag();
};

bool XmlElementScanner::FindNext()
{
    endTagStart = endTagEnd = -1;
    name = attributes = content = Range{};
    skipped = emptyElement = false;

    tagStart = FindChar(buffer, position, length, '<');
    if (tagStart < 0)
        return false;
    tagEnd = FindChar(buffer, tagStart, length, '>');
    if (tagEnd < 0) {
        faultAt = tagStart;
        return false;
    }
    emptyElement = tagEnd - 1 > tagStart && buffer[tagEnd - 1] == '/';

    const std::int32_t last = emptyElement ? tagEnd - 2 : tagEnd - 1;
    name = {tagStart + 1, last};
    const std::int32_t space = FindChar(buffer, name.start, last + 1, ' ');
    if (space >= 0)
        name.end = space - 1;

    const std::int32_t tagLength = tagEnd - tagStart + 1;
    if (!name.Empty() && tagLength - name.Length() > 3)
        attributes = {name.end + 2, last};

    const std::string_view nameText = View(name);
    if (nameText.starts_with("?xml") || nameText.starts_with("!--")) {
        skipped = true;
        position = tagEnd + 1;
        return true;
    }
    if (emptyElement) {
        position = tagEnd + 1;
        return true;
    }
    return FindEndTag();
}

bool XmlElementScanner::FindEndTag()
{
    const std::int32_t found = index->FindEndTag(View(name), base + tagEnd, base + length);
    if (found < 0) {
        faultAt = tagStart;
        missingEndTag = true;
        return false;
    }
    endTagStart = found - base;
    endTagEnd = endTagStart + name.Length() + 2;
    content = {tagEnd + 1, endTagStart - 1};
    const std::int32_t next = FindChar(buffer, endTagEnd, length, '<');
    position = next >= 0 ? next : endTagEnd;
    return true;
}

} // namespace

void XmlReader::SetHandler(XmlHandler* newHandler)
{
    handler = newHandler;
}

bool XmlReader::Parse(const char* data, std::int32_t length)
{
    if (data == nullptr || length < 1)
        return false;
    document.assign(data, static_cast<std::size_t>(length));
    faultOffset = -1;
    faultText.clear();
    tags.Build(data, length);
    ReadLevel(data, 0, length, 0);
    tags = XmlTagIndex(); // its memory is not needed until the next Parse
    return true;
}

bool XmlReader::Parse(std::string_view text)
{
    const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return Parse(text.data(), static_cast<std::int32_t>(std::min(text.size(), limit)));
}

void XmlReader::ReadLevel(const char* buffer, std::int32_t base, std::int32_t length, int depth)
{
    XmlElementScanner scanner;
    scanner.index = &tags;
    scanner.base = base;
    scanner.buffer = buffer;
    scanner.length = length;
    const auto noteFault = [&] {
        if (scanner.faultAt < 0 || faultOffset >= 0)
            return;
        faultOffset = scanner.base + scanner.faultAt;
        faultText = scanner.missingEndTag ? "<" + scanner.Text(scanner.name) + "> has no end tag"
                                          : std::string("tag without \">\"");
    };
    if (!scanner.FindNext()) {
        noteFault();
        return;
    }
    for (;;) {
        elementOffset = scanner.base + scanner.tagStart;
        if (!scanner.skipped && handler != nullptr) {
            const std::string name = scanner.Text(scanner.name);
            const std::string attributes = scanner.Text(scanner.attributes);
            const std::string_view content = scanner.View(scanner.content);
            const bool hasChildren = !scanner.emptyElement && content.find('<') != std::string_view::npos;
            if (hasChildren) {
                if (!name.empty())
                    handler->StartElement(name, attributes);
                if (depth + 1 < kMaxDepth)
                    ReadLevel(content.data(), scanner.base + scanner.content.start,
                              static_cast<std::int32_t>(content.size()), depth + 1);
                elementOffset = scanner.base + scanner.tagStart;
                if (handler != nullptr) // the handler may have detached itself
                    handler->EndElement(name, attributes);
            } else if (!name.empty()) {
                handler->LeafElement(name, std::string(content), attributes);
            }
        }
        scanner.Rebase();
        if (scanner.length < 1)
            return;
        if (!scanner.FindNext()) {
            noteFault();
            return;
        }
    }
}

std::int32_t XmlReader::LineAt(std::int32_t offset) const
{
    const std::size_t end = std::min(document.size(), static_cast<std::size_t>(std::max(offset, 0)));
    return 1 + static_cast<std::int32_t>(
                   std::count(document.begin(), document.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
}
