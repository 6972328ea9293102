#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Finds end tags for the XML reader in time linear in the document,
// whatever the nesting depth and the lengths of the names.
//
// A tag name never holds ">", so every "<" of the document starts at most
// one possible start tag "<name>" and one possible end tag "</name>", each
// ending at the first ">" after it. Build indexes these once by a hash of
// their names (leaving out names with a space, which no element name
// has); the first query for a name checks its candidates byte by
// byte and precomputes, for each of its tags, where the nesting count
// first drops below its level.
class XmlTagIndex {
public:
    void Build(const char* text, std::int32_t length);
    // The end tag "</name>" of an element whose start tag ends at `tagEnd`:
    // the first one after it that is not taken by a nested bare "<name>"
    // lying between; -1 when there is none that ends before `limit`.
    // Positions count from the start of the text given to Build.
    std::int32_t FindEndTag(std::string_view name, std::int32_t tagEnd, std::int32_t limit);

private:
    struct Candidate {
        std::uint64_t key;     // of the name's hash and length
        std::int32_t position; // of the "<"
        std::int32_t length;   // of the name; for an end tag, ~length
    };
    struct Tags {
        std::vector<std::int32_t> positions; // of "<name>" and "</name>", in order
        std::vector<bool> endTag;
        // For the tag at index i: the index of the first end tag at or after
        // it where the count of bare tags minus end tags since i is not
        // above 0, or -1.
        std::vector<std::int32_t> closing;
    };
    const Tags& TagsNamed(std::string_view name);
    void Add(std::uint64_t hash, std::int32_t nameLength, std::int32_t position, bool endTag);
    static std::uint64_t Key(std::uint64_t hash, std::int32_t nameLength);

    const char* text = nullptr;
    std::vector<Candidate> candidates; // sorted by key, then position
    std::map<std::string, Tags, std::less<>> byName;
};
