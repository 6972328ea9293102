#include "items/text_field.h"

#include <algorithm>

namespace {

constexpr char kSeparator[] = " * ";
constexpr std::size_t kSeparatorLength = sizeof kSeparator - 1;

} // namespace

const std::string& TextField::Format()
{
    output.clear();
    if (fieldSize <= 0)
        return output;
    const auto width = static_cast<std::size_t>(fieldSize);
    if (scrollType == kNone)
        FormatStill(width);
    else if (scrollType == kScrollLeft)
        FormatScrollLeft(width);
    else if (scrollType == kScrollRight)
        FormatScrollRight(width);
    output.resize(width, '\0');
    return output;
}

void TextField::FormatStill(std::size_t width)
{
    const std::size_t n = text.size();
    switch (textPos) {
    case kLeft:
        output.assign(text, 0, width);
        output.resize(width, ' ');
        break;
    case kRight: {
        const std::size_t shown = std::min(n, width);
        output.assign(width - shown, ' ');
        output.append(text, 0, shown);
        break;
    }
    case kCenter:
        if (n < width)
            output.assign((width - n) / 2, ' ');
        output.append(text, 0, width);
        output.resize(width, ' ');
        break;
    default:
        break;
    }
}

void TextField::FormatScrollLeft(std::size_t width)
{
    const std::size_t n = text.size();
    if (n <= width) {
        output.assign(text);
        output.resize(width, ' ');
        return;
    }
    const std::size_t offset = scrollOffset;
    scratch.assign(text);
    scratch.append(kSeparator);
    scratch.append(text, 0, std::min<std::size_t>(offset, n));
    scratch.erase(0, std::min(offset, scratch.size()));
    scrollOffset = offset < scratch.size() ? scrollOffset + 1 : 0;
    output.assign(scratch, 0, width);
    output.resize(width, ' ');
}

void TextField::FormatScrollRight(std::size_t width)
{
    const std::size_t n = text.size();
    if (n <= width) {
        output.assign(text);
        output.resize(width, ' ');
        return;
    }
    // The window's offset into the cycle text + " * "; it steps backwards.
    const std::size_t cycle = n + kSeparatorLength;
    const std::size_t offset = scrollOffset < cycle ? scrollOffset : 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t at = (offset + i) % cycle;
        output.push_back(at < n ? text[at] : kSeparator[at - n]);
    }
    scrollOffset = static_cast<std::uint32_t>(offset == 0 ? cycle - 1 : offset - 1);
}
