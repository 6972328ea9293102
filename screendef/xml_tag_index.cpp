#include "screendef/xml_tag_index.h"

#include <algorithm>
#include <cstring>

namespace {

// Polynomial hashes modulo the prime 2^61 - 1, portable to 32-bit targets.
constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;
constexpr std::uint64_t kBase = 1'000'003;

std::uint64_t Reduce(std::uint64_t x)
{
    x = (x & kPrime) + (x >> 61);
    return x >= kPrime ? x - kPrime : x;
}

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b)
{
    const std::uint64_t low31 = (std::uint64_t{1} << 31) - 1;
    const std::uint64_t aHigh = a >> 31, aLow = a & low31, bHigh = b >> 31, bLow = b & low31;
    const std::uint64_t middle = aHigh * bLow + aLow * bHigh;
    // a * b = aHigh * bHigh * 2^62 + middle * 2^31 + aLow * bLow, and 2^61 = 1.
    const std::uint64_t sum =
        (aHigh * bHigh << 1) + (middle >> 30) + ((middle & ((std::uint64_t{1} << 30) - 1)) << 31) + aLow * bLow;
    return Reduce(Reduce(sum));
}

// Horner's rule from the last byte, so that the hashes of all the names
// that end at one ">" come out of a single walk back from it.
std::uint64_t Prepend(char c, std::uint64_t hash)
{
    return Reduce(MulMod(hash, kBase) + static_cast<unsigned char>(c) + 1);
}

std::uint64_t Hash(std::string_view text)
{
    std::uint64_t hash = 0;
    for (auto it = text.rbegin(); it != text.rend(); ++it)
        hash = Prepend(*it, hash);
    return hash;
}

} // namespace

void XmlTagIndex::Build(const char* newText, std::int32_t length)
{
    text = newText;
    candidates.clear();
    byName.clear();
    std::size_t opens = 0;
    for (std::int32_t i = 0; i < length; ++i)
        opens += text[i] == '<';
    candidates.reserve(opens);
    // Each ">" ends the names of the "<" after the previous ">". Walking back
    // from it covers each byte of the text once; a name holds no space, so
    // the walk stops at one.
    std::int32_t previous = -1;
    for (std::int32_t end = 0; end < length; ++end) {
        if (text[end] != '>')
            continue;
        std::uint64_t hash = 0;     // of text[i + 1, end)
        std::uint64_t nextHash = 0; // of text[i + 2, end)
        for (std::int32_t i = end - 1; i > previous && text[i] != ' '; --i) {
            if (text[i] == '<') {
                const std::int32_t nameLength = end - i - 1;
                Add(hash, nameLength, i, false);
                if (nameLength >= 1 && text[i + 1] == '/')
                    Add(nextHash, nameLength - 1, i, true);
            }
            nextHash = hash;
            hash = Prepend(text[i], hash);
        }
        previous = end;
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.key != b.key ? a.key < b.key : a.position < b.position;
    });
}

void XmlTagIndex::Add(std::uint64_t hash, std::int32_t nameLength, std::int32_t position, bool endTag)
{
    candidates.push_back({Key(hash, nameLength), position, endTag ? ~nameLength : nameLength});
}

std::uint64_t XmlTagIndex::Key(std::uint64_t hash, std::int32_t nameLength)
{
    return hash ^ static_cast<std::uint64_t>(nameLength) * 0x9E3779B97F4A7C15u;
}

const XmlTagIndex::Tags& XmlTagIndex::TagsNamed(std::string_view name)
{
    if (const auto found = byName.find(name); found != byName.end())
        return found->second;
    Tags& tags = byName[std::string(name)];
    const auto nameLength = static_cast<std::int32_t>(name.size());
    const Candidate key{Key(Hash(name), nameLength), 0, 0};
    const auto less = [](const Candidate& a, const Candidate& b) { return a.key < b.key; };
    const auto [first, last] = std::equal_range(candidates.begin(), candidates.end(), key, less);
    for (auto it = first; it != last; ++it) {
        // Equal keys of different names are possible, if unlikely.
        const bool endTag = it->length < 0;
        const std::int32_t start = it->position + (endTag ? 2 : 1);
        if ((endTag ? ~it->length : it->length) == nameLength &&
            (name.empty() || std::memcmp(text + start, name.data(), name.size()) == 0)) {
            tags.positions.push_back(it->position);
            tags.endTag.push_back(endTag);
        }
    }
    // A "<" starts at most one of the two for a given name, so the order
    // by position is strict. From the back: an end tag closes its own
    // level; a bare tag opens one, closed where its next level closes, and
    // after that its own level continues.
    const auto count = static_cast<std::int32_t>(tags.positions.size());
    tags.closing.assign(tags.positions.size(), -1);
    for (std::int32_t i = count - 1; i >= 0; --i) {
        if (tags.endTag[static_cast<std::size_t>(i)]) {
            tags.closing[static_cast<std::size_t>(i)] = i;
            continue;
        }
        const std::int32_t inner = i + 1 < count ? tags.closing[static_cast<std::size_t>(i + 1)] : -1;
        if (inner >= 0 && inner + 1 < count)
            tags.closing[static_cast<std::size_t>(i)] = tags.closing[static_cast<std::size_t>(inner + 1)];
    }
    return tags;
}

std::int32_t XmlTagIndex::FindEndTag(std::string_view name, std::int32_t tagEnd, std::int32_t limit)
{
    const Tags& tags = TagsNamed(name);
    const auto next = std::upper_bound(tags.positions.begin(), tags.positions.end(), tagEnd);
    if (next == tags.positions.end())
        return -1;
    const std::int32_t closing = tags.closing[static_cast<std::size_t>(next - tags.positions.begin())];
    if (closing < 0)
        return -1;
    const std::int32_t position = tags.positions[static_cast<std::size_t>(closing)];
    const auto endLength = static_cast<std::int32_t>(name.size()) + 3;
    return position + endLength <= limit ? position : -1;
}
