#include "drivers/charpanel/glyph_palette.h"

#include <algorithm>
#include <bit>

namespace charpanel {
namespace {

std::uint32_t Distance(Pattern a, Pattern b)
{
    return static_cast<std::uint32_t>(std::popcount(a ^ b));
}

// Showing nothing for a cell with lit pixels costs this much more than
// its wrong pixels: a line drawn a row off reads better than a gap in it.
constexpr std::uint32_t kBlankPenalty = 8;

// How wrong `shown` is for a cell of pattern `cell`: wrong pixels relative
// to the cell's lit ones, so a cell of a thin line counts as much as a
// cell of a thick frame.
std::uint32_t Cost(Pattern cell, Pattern shown)
{
    const std::uint32_t wrong = Distance(cell, shown) + (shown == 0 ? kBlankPenalty : 0);
    return wrong * 256 / std::max<std::uint32_t>(Distance(cell, 0), 1);
}

std::uint32_t BlankError(Pattern pattern)
{
    return std::min(Cost(pattern, 0), Cost(pattern, kFullPattern));
}

bool Trivial(Pattern pattern)
{
    return pattern == 0 || pattern == kFullPattern;
}

// Lines: k < 8 is a horizontal one on row k, 8 + k a vertical one in
// column k.
constexpr std::size_t kLines = 13;
Pattern Line(std::size_t k)
{
    if (k < 8)
        return Pattern{0x1F} << (5 * k);
    Pattern column = 0;
    for (std::uint32_t row = 0; row < 8; ++row)
        column |= Pattern{0x10} >> (k - 8) << (5 * row);
    return column;
}

bool IsLoaded(const std::array<GlyphPalette::Slot, kGlyphSlots>& loaded, Pattern pattern)
{
    return std::any_of(loaded.begin(), loaded.end(),
                       [&](const GlyphPalette::Slot& slot) { return slot.used && slot.pattern == pattern; });
}

} // namespace

GlyphPalette::GlyphPalette(std::size_t cellCapacity)
{
    distinct_.reserve(cellCapacity);
    chosen_.reserve(kGlyphSlots);
}

void GlyphPalette::CountDistinct(const std::vector<Pattern>& cells)
{
    distinct_.clear();
    for (Pattern pattern : cells) {
        if (Trivial(pattern))
            continue;
        auto found = std::find_if(distinct_.begin(), distinct_.end(),
                                  [&](const Counted& entry) { return entry.pattern == pattern; });
        if (found != distinct_.end())
            ++found->count;
        else
            distinct_.push_back(Counted{pattern, 1, BlankError(pattern)});
    }
}

void GlyphPalette::Greedy(const std::array<Slot, kGlyphSlots>& loaded)
{
    chosen_.clear();
    const std::size_t candidates = distinct_.size() + kLines;
    while (chosen_.size() < kGlyphSlots) {
        std::uint64_t bestGain = 0;
        Pattern best = 0;
        bool bestLoaded = false;
        for (std::size_t i = 0; i < candidates; ++i) {
            const Pattern candidate = i < distinct_.size() ? distinct_[i].pattern : Line(i - distinct_.size());
            if (std::find(chosen_.begin(), chosen_.end(), candidate) != chosen_.end())
                continue;
            std::uint64_t gain = 0;
            for (const Counted& entry : distinct_) {
                const std::uint32_t d = Cost(entry.pattern, candidate);
                if (d < entry.error)
                    gain += std::uint64_t{entry.count} * (entry.error - d);
            }
            const bool isLoaded = IsLoaded(loaded, candidate);
            // Ties keep what the panel holds, so nothing is reloaded for them.
            if (gain > bestGain || (gain == bestGain && gain > 0 && isLoaded && !bestLoaded)) {
                bestGain = gain;
                best = candidate;
                bestLoaded = isLoaded;
            }
        }
        if (bestGain == 0)
            break;
        chosen_.push_back(best);
        for (Counted& entry : distinct_)
            entry.error = std::min(entry.error, Cost(entry.pattern, best));
    }
}

void GlyphPalette::Place(const std::array<Slot, kGlyphSlots>& loaded)
{
    // Chosen patterns already loaded stay where they are.
    slots_ = {};
    for (std::uint32_t i = 0; i < kGlyphSlots; ++i)
        if (loaded[i].used && std::find(chosen_.begin(), chosen_.end(), loaded[i].pattern) != chosen_.end())
            slots_[i] = loaded[i];
    for (Pattern pattern : chosen_) {
        if (IsLoaded(slots_, pattern))
            continue;
        // A slot nobody needs; one never loaded before one that was.
        std::uint32_t target = kGlyphSlots;
        for (std::uint32_t i = 0; i < kGlyphSlots && target == kGlyphSlots; ++i)
            if (!slots_[i].used && !loaded[i].used)
                target = i;
        for (std::uint32_t i = 0; i < kGlyphSlots && target == kGlyphSlots; ++i)
            if (!slots_[i].used)
                target = i;
        slots_[target] = Slot{pattern, true};
    }
    // Slots left over keep their old pattern: nothing to send for them.
    for (std::uint32_t i = 0; i < kGlyphSlots; ++i)
        if (!slots_[i].used && loaded[i].used && !IsLoaded(slots_, loaded[i].pattern))
            slots_[i] = loaded[i];
}

const std::array<GlyphPalette::Slot, kGlyphSlots>& GlyphPalette::Choose(const std::vector<Pattern>& cells,
                                                                        const std::array<Slot, kGlyphSlots>& loaded)
{
    CountDistinct(cells);
    if (distinct_.size() <= kGlyphSlots) {
        chosen_.clear();
        for (const Counted& entry : distinct_)
            chosen_.push_back(entry.pattern);
    } else {
        Greedy(loaded);
    }
    Place(loaded);
    return slots_;
}

std::uint8_t GlyphPalette::CodeFor(Pattern pattern) const
{
    if (pattern == 0)
        return ' ';
    if (pattern == kFullPattern)
        return kFullBlock;
    // Nearest of: blank, the slots in order, the full block.
    std::uint8_t code = ' ';
    std::uint32_t best = Cost(pattern, 0);
    for (std::uint32_t i = 0; i < kGlyphSlots; ++i) {
        if (!slots_[i].used)
            continue;
        const std::uint32_t d = Cost(pattern, slots_[i].pattern);
        if (d < best) {
            best = d;
            code = static_cast<std::uint8_t>(i);
        }
    }
    if (Cost(pattern, kFullPattern) < best)
        code = kFullBlock;
    return code;
}

} // namespace charpanel
