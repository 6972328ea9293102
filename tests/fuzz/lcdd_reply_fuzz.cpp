// What an LCDd server says, as its client reads it: the bytes in chunks
// through the line splitter, each line as a greeting and as a complaint to
// log. Whatever arrives, the caps and ranges must hold.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "drivers/lcdd/lcdd_protocol.h"

namespace {

constexpr std::size_t kCap = 64; // small, so that inputs reach it

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

bool InRange(std::uint32_t value, std::uint32_t most)
{
    return value >= 1 && value <= most;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    // The first byte sets how the bytes arrive: one at a time up to 32 together.
    const std::size_t chunk = rest.empty() ? 1 : static_cast<std::uint8_t>(rest.front()) % 32 + 1;
    lcdd::LineSplitter lines(kCap);
    lcdd::Complaints complaints;
    while (!rest.empty()) {
        const std::string_view piece = rest.substr(0, chunk);
        rest.remove_prefix(piece.size());
        lines.Feed(piece, [&](std::string_view line) {
            Check(line.size() <= kCap && line.find('\n') == std::string_view::npos);
            if (const auto greeting = lcdd::ParseGreeting(line))
                Check(InRange(greeting->columns, 255) && InRange(greeting->rows, 255) &&
                      InRange(greeting->cellWidth, 64) && InRange(greeting->cellHeight, 64));
            if (const auto complaint = complaints.Take(line)) {
                Check(complaint->size() < 200);
                for (const char c : *complaint)
                    Check(c >= 0x20 && c < 0x7f);
            }
        });
        Check(lines.Pending() <= kCap);
    }
    return 0;
}
