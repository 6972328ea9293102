#pragma once

// The registry export text format ("REGEDIT4") that stands in for the
// Windows registry on POSIX systems:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Glancer]
//   "DRIVER"="Terminal"
//   "count"=dword:0000002a
//   "ratio"=hex(b):00,00,00,00,00,00,f8,3f
//
// Lines the parser does not understand (comments, deletions, other value
// kinds, a hex value cut short) are kept byte for byte and written back
// unchanged, carriage returns included; blank lines only separate sections
// and are regenerated, with the line ending of the file's first line. Key
// and value names compare case-insensitively (ASCII), as in the registry.
//
// Read as leniently as the registry editor imports: blank lines before the
// header, a UTF-8 byte order mark, CR LF line ends, and the
// "Windows Registry Editor Version 5.00" header, also in UTF-16LE with its
// byte order mark. The file is always written back as REGEDIT4 text.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::regtext {

struct Value {
    std::string name; // empty: the key's default value, written "@"
    std::uint32_t type = 0;
    std::vector<unsigned char> data;
};

class RegistryText {
public:
    // Replaces the content with the file's bytes. An empty or blank file is
    // a valid file without keys; anything whose first non-blank line is not
    // a header is not a registry file: false, and the content is then empty.
    bool Parse(std::string_view bytes);
    std::string Format() const;

    // `path` is a full key path ("HKEY_CURRENT_USER\Software\Glancer\a").
    // A key exists when it or one of its sub-keys has a section.
    bool HasKey(std::string_view path) const;
    // The value's last occurrence in the key's sections, or null.
    const Value* Find(std::string_view path, std::string_view name) const;
    // Adds a section for the key and for each missing parent key whose path
    // is at least as long as `root`, parents first.
    void AddKey(std::string_view path, std::string_view root);
    // Sets the value in the key (adding its section when missing), in place
    // of its earlier occurrence. False when the name cannot be stored
    // (it contains a line break).
    bool Set(std::string_view path, const Value& value);

    // For checks: every value with its key path, in file order, and every
    // line kept as read that is not part of a value.
    std::vector<std::pair<std::string, Value>> Values() const;
    std::vector<std::string> KeptLines() const;

private:
    struct Entry {
        std::vector<std::string> lines; // as read without "\n", or as formatted when set
        bool isValue = false;
        bool hanging = false; // a hex value ending in "\" with no continuation
        Value value;
    };
    struct Section {
        std::string header;
        std::string path;
        std::vector<Entry> entries;
    };

    // A line made here, with the CR that lines read from a CR LF file carry.
    std::string NewLine(std::string line) const;

    std::string eol = "\n"; // "\r\n" when the header line ended so
    std::vector<std::string> preamble;
    std::vector<Section> sections;
};

bool EqualNoCase(std::string_view a, std::string_view b);

// The text of a settings file: a UTF-8 byte order mark dropped, UTF-16LE
// (recognised by its byte order mark) decoded to UTF-8, other bytes as they are.
std::string DecodeFileText(std::string_view bytes);

// A hex value line ("name"=hex...) ending in "\": the registry editor
// continues it on the next line.
bool ContinuesOnNextLine(std::string_view line);
// A continuation line: hex bytes and commas, perhaps ending in "\".
bool IsContinuationLine(std::string_view line);

// One value line, continuation lines already joined: "name"="text",
// "name"=dword:..., "name"=hex:... or "name"=hex(type):...; false when it
// is none of these.
bool ParseValueLine(std::string_view line, Value& value);
// The line for a value: text only for a type-1 value that is one
// terminated text without line breaks, dword only for a 4-byte type-4
// value, hex otherwise, so any value survives the round trip.
std::string FormatValueLine(const Value& value);

// Turns a "\"-separated path below HKEY_CURRENT_USER into the full key path
// as it appears in the file. One trailing separator is allowed; false for
// an empty component, a component longer than 255 characters or a control
// character, which the registry would refuse too.
bool FullKeyPath(std::string_view relative, std::string& out);

} // namespace platform::regtext
