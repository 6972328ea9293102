#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "screendef/xml_tag_index.h"

// Receives the elements the reader finds, in document order. Arguments are
// valid only during the call.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // An element with child elements, before its content. Not sent when the
    // name is empty.
    virtual void StartElement(const std::string& name, const std::string& attributes) = 0;
    // An element without child elements, with its raw text. Not sent when
    // the name is empty.
    virtual void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) = 0;
    // An element with child elements, after its content; always sent.
    virtual void EndElement(const std::string& name, const std::string& attributes) = 0;
};

// A small event reader for the screen-file dialect: start, end and
// empty-element tags with raw attribute text and raw element text. It skips
// the XML declaration and comments, decodes no entities, knows no CDATA, and
// never reports an error: malformed structure ends the current level, and the
// enclosing level goes on with its EndElement and next sibling.
//
// Details of the dialect:
// - A tag name ends at the first space (byte 32) only; a comment ends at the
//   first ">" after "<!--".
// - An element has children when its content holds a "<" anywhere.
// - The end tag of an element is its first "</name>", skipping one for every
//   nested bare "<name>" (a same-name start tag with attributes does not nest).
// - After an element with children the level always goes on with the next
//   sibling, however the nested level ended.
// - At most kMaxDepth levels are read: an element with children at the
//   deepest level still gets StartElement and EndElement, but nothing inside
//   it is reported. This keeps hostile nesting from exhausting the stack.
// - Reading takes time linear in the text (up to a logarithm), whatever the
//   nesting and the names: end tags are found through an index built once.
class XmlReader {
public:
    static constexpr int kMaxDepth = 200;

    XmlReader() = default;
    virtual ~XmlReader() = default;
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Receiver of all later events; null: Parse reports nothing.
    void SetHandler(XmlHandler* handler);
    // False (and no event) for a null text or a length below 1. Otherwise
    // keeps a copy of the text, sends every event before returning, and gives
    // true whether the text was well formed or not.
    bool Parse(const char* data, std::int32_t length);
    // The same for a whole string; a text beyond the i32 range is read up to
    // that length.
    bool Parse(std::string_view text);

    // During a handler call: where the element's start tag begins in the
    // text, counted in bytes from its start.
    std::int32_t ElementOffset() const { return elementOffset; }
    // After Parse: where the first malformed part began (-1 when the text was
    // well formed) and what was wrong with it, such as "<item> has no end tag".
    std::int32_t FaultOffset() const { return faultOffset; }
    const std::string& FaultText() const { return faultText; }
    // The 1-based line of a byte offset in the last parsed text.
    std::int32_t LineAt(std::int32_t offset) const;

private:
    // A level of `length` bytes at `buffer`, which lies `base` bytes into the text.
    void ReadLevel(const char* buffer, std::int32_t base, std::int32_t length, int depth);

    std::string document;
    XmlTagIndex tags;
    XmlHandler* handler = nullptr;
    std::int32_t elementOffset = 0;
    std::int32_t faultOffset = -1;
    std::string faultText;
};
