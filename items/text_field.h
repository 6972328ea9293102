#pragma once

#include <cstdint>
#include <string>

// Cuts, pads and aligns a text to a field of fixed width, or runs it
// through the field as a marquee.
class TextField {
public:
    enum Align : std::uint32_t { kLeft = 0, kRight = 1, kCenter = 2 };
    enum Scroll : std::uint32_t { kNone = 0, kScrollLeft = 1, kScrollRight = 2 };

    // The text to show, exactly fieldSize characters (none when fieldSize <= 0);
    // a marquee advances one step per call.
    std::string Format();

    std::string text;
    std::string output;
    std::int32_t fieldSize = 1;
    std::uint32_t textPos = kLeft;
    std::uint32_t scrollType = kNone;
    std::uint32_t scrollOffset = 0;
};
