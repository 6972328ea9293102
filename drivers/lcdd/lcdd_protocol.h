#pragma once

// The parts of the LCDd client that read what the server says, kept apart
// from the socket and the thread so that they can be tested alone. The
// server is trusted with nothing: every buffer has a cap and every number a
// range.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace lcdd {

// The longest line kept; the rest of a longer one is dropped. LCDd's own
// lines are well under 200 bytes.
constexpr std::size_t kMaxLine = 4096;

// Cuts the server's bytes into lines ("\n", with or without "\r"). An
// unfinished line is kept up to `maxLine` bytes, so memory stays bounded
// whatever arrives, and each byte is looked at once.
class LineSplitter {
public:
    explicit LineSplitter(std::size_t maxLine = kMaxLine) : maxLine_(maxLine) {}

    // Calls `line(std::string_view)` for each line `bytes` completes; a view
    // lasts until the call returns.
    template <typename OnLine> void Feed(std::string_view bytes, OnLine&& line)
    {
        for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1)) {
            std::string_view whole = bytes.substr(0, end);
            if (!partial_.empty()) {
                Keep(whole);
                whole = partial_;
            } else {
                whole = whole.substr(0, maxLine_);
            }
            if (!whole.empty() && whole.back() == '\r')
                whole.remove_suffix(1);
            line(whole);
            partial_.clear();
        }
        Keep(bytes);
    }
    void Clear() { partial_.clear(); }
    std::size_t Pending() const { return partial_.size(); }

private:
    void Keep(std::string_view bytes) { partial_.append(bytes.substr(0, maxLine_ - partial_.size())); }

    std::size_t maxLine_;
    std::string partial_;
};

// LCDd reads a client in blocks of 1024 bytes and drops a command line that
// reaches it split across two reads. What is sent goes in pieces that end
// at a line end and stay well under that.
constexpr std::size_t kMostPiece = 512;

// The length of the next piece of `pending`: as many whole lines as fit in
// `most` bytes; one longer line whole; all of `pending` when it ends
// without a line end (a line cut short by the socket, sent on).
std::size_t NextPiece(std::string_view pending, std::size_t most = kMostPiece);

// What "hello" is answered with:
// "connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8".
struct Greeting {
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    std::uint32_t cellWidth = 5;
    std::uint32_t cellHeight = 8;
};

// Nothing unless the line is a greeting with a size of 1..255 characters each
// way and, where given, cells of 1..64 pixels each way.
std::optional<Greeting> ParseGreeting(std::string_view line);

// The server's text made fit for log.txt: bytes that are not printable ASCII
// become "\xNN", and only the first `limit` bytes of it are kept, "..."
// marking a cut.
std::string Printable(std::string_view text, std::size_t limit = 120);

// The errors the server reports ("huh? ..."), each distinct one once and
// only the first few: what to log for a line, if anything.
class Complaints {
public:
    static constexpr std::size_t kMost = 32;
    std::optional<std::string> Take(std::string_view line);

private:
    std::set<std::string, std::less<>> seen_;
};

} // namespace lcdd
