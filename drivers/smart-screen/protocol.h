#pragma once

// The bytes each kind of USB smart screen takes. Pure encoders: what to
// send is decided above, how it travels below.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace smartscreen {

enum class Revision { A, B, D, WeAct };

using Bytes = std::vector<std::uint8_t>;

// "A", "B", "D", "WeAct".
const char* RevisionName(Revision revision);
std::optional<Revision> ParseRevision(const std::string& text);

// A rectangle in the device's own coordinates (after its orientation).
struct Rect {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// How an orientation is split between the device and us: the code the
// device is told, and the quarter turns (clockwise) we still apply to the
// picture before sending it in the device's coordinates.
struct Turn {
    std::uint32_t deviceQuarters = 0; // what the device is told to do
    std::uint32_t softQuarters = 0;   // what is left to us
};
Turn SplitOrientation(Revision revision, std::uint32_t quarters);

// What the screen answers to Hello with, as far as it tells its size.
struct HelloAnswer {
    bool recognised = false; // the answer is this revision's
    std::uint32_t width = 0; // native portrait size; 0 when not told
    std::uint32_t height = 0;
    std::string model; // for the log: "UsbPCMonitor 5\"", "A11"
};

// Bytes of the question; how many answer bytes to wait for (0: none).
void AppendHello(Revision revision, Bytes& out);
std::size_t HelloAnswerSize(Revision revision);
HelloAnswer ReadHelloAnswer(Revision revision, const std::uint8_t* bytes, std::size_t count);

// `quarters` as SplitOrientation's deviceQuarters; width and height are
// the device's coordinate space after it (revision A wants them).
void AppendOrientation(Revision revision, std::uint32_t deviceQuarters, std::uint32_t width, std::uint32_t height,
                       Bytes& out);
// 0..100 %; `fullRange` is false on the revision B screens that only know on
// and off.
void AppendBrightness(Revision revision, std::uint32_t percent, bool fullRange, Bytes& out);
void AppendScreenOff(Revision revision, bool fullRange, Bytes& out);
// RGB565 pixels of `rect`, rows from the top, in host order.
void AppendBitmap(Revision revision, const Rect& rect, const std::uint16_t* pixels, Bytes& out);

// Revision D sends a picture as packets of a marker byte and up to 63 data bytes.
constexpr std::size_t kRevisionDPacket = 64;

} // namespace smartscreen
