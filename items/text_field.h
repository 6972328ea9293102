#pragma once

#include <cstdint>
#include <string>

// Cuts, pads and aligns a text to a field of fixed width, or runs it
// through the field as a marquee.
class TextField {
public:
    enum Align : std::uint32_t { kLeft = 0, kRight = 1, kCenter = 2 };
    enum Scroll : std::uint32_t { kNone = 0, kScrollLeft = 1, kScrollRight = 2 };
    // Wider than any panel's row of characters; every update formats a field
    // this wide at most.
    static constexpr std::int32_t kMaxFieldSize = 1024;

    // Stores in `output` and gives the text to show: exactly fieldSize
    // characters, none when fieldSize <= 0.
    //  - Still (kNone): the first fieldSize characters, aligned by textPos and
    //    padded with spaces; a text too long keeps its beginning.
    //  - Marquee (kScrollLeft, kScrollRight), only for a text longer than the
    //    field (a shorter one stands still, left-aligned): a fieldSize window
    //    of the endless repetition of text + " * ". Left starts at offset 0
    //    and moves the window one character on per call (the text runs left);
    //    right starts at offset 0 too and moves it one character back (the
    //    text runs right). Either way a cycle takes length + 3 calls.
    // Unknown alignments or scroll types give fieldSize '\0' characters.
    const std::string& Format();

    std::string text;
    std::string output;
    std::int32_t fieldSize = 1;
    std::uint32_t textPos = kLeft;
    std::uint32_t scrollType = kNone;
    std::uint32_t scrollOffset = 0; // next window's offset into the cycle

private:
    void FormatStill(std::size_t width);
    void FormatScrollLeft(std::size_t width);
    void FormatScrollRight(std::size_t width);

    std::string scratch; // reused so a running marquee does not allocate
};
