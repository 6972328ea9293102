#pragma once

// The latest value of each variable of a data source whose values arrive as
// text on threads of its own (a command's output, a broker's message). The
// arriving thread converts and stores; the refresh only copies a finished
// value under a short lock, so it never waits for a command or the network
// and allocates nothing.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/api/glancer_plugin.hpp"

namespace datavalues {

// "text", "integer" or "double" as a GLANCER_VAR_ type; empty otherwise.
std::optional<std::uint32_t> TypeFromName(const std::string& name);
const char* TypeName(std::uint32_t type);

// Why an entry's Id or Type cannot be used, empty when they can: an Id is
// required, unique among `taken`, without spaces, dots or backslashes.
std::string IdAndTypeProblem(const std::string& id, const std::string& type, const std::vector<std::string>& taken);

// The first line of `bytes` (up to "\n", without a trailing "\r"), as it is.
std::string_view WholeFirstLine(std::string_view bytes);
// The same, at most 255 bytes, control characters and NULs shown as "?".
std::string FirstLine(std::string_view bytes);

// Whole numbers that fit 32 bits, and finite decimals, in the C locale;
// spaces around and a leading "+" are allowed.
std::optional<std::int32_t> ParseInteger(std::string_view text);
std::optional<double> ParseDouble(std::string_view text);

class LatestValues {
public:
    // One slot per variable, of the given GLANCER_VAR_ types, each stale
    // and empty (zero) until its first value.
    explicit LatestValues(const std::vector<std::uint32_t>& types);

    // Converts the first line of `bytes` to the slot's type and keeps it;
    // false when it is not a number of that type, and the slot is then
    // marked stale with its last good value.
    bool Store(std::size_t index, std::string_view bytes);
    // Keeps the last good value, marked stale: a text gets a trailing "?"
    // (a number is shown unchanged; the owner may raise a flag).
    void MarkStale(std::size_t index);
    bool IsStale(std::size_t index) const;

    // [tick] Copies the value; nothing for an unknown index.
    void Read(std::size_t index, glancer::Value& out) const;

private:
    struct Slot {
        std::uint32_t type = GLANCER_VAR_TEXT;
        bool stale = true;
        std::int32_t integer = 0;
        double decimal = 0.0;
        char text[GLANCER_TEXT_SIZE] = {};  // the last good text
        char shown[GLANCER_TEXT_SIZE] = {}; // what Read gives: text, "?" when stale
    };
    static void Show(Slot& slot);

    mutable std::mutex mutex;
    std::vector<Slot> slots; // guarded by mutex; the size is fixed
};

} // namespace datavalues
