#include "drivers/smart-screen/protocol.h"

#include <algorithm>

namespace smartscreen {

namespace {

// Revision A: a command is five bytes of 10-bit coordinates (x, y, end x,
// end y) packed big-end first, then the command byte.
enum : std::uint8_t {
    kAHello = 69,
    kAScreenOff = 108,
    kABrightness = 110,
    kAOrientation = 121,
    kABitmap = 197,
};

// Revision B: [cmd][8 payload bytes][cmd].
enum : std::uint8_t {
    kBHello = 0xCA,
    kBOrientation = 0xCB,
    kBBitmap = 0xCC,
    kBBrightness = 0xCE,
};

// WeAct: [cmd][arguments, little-endian][0x0A].
enum : std::uint8_t {
    kWOrientation = 0x02,
    kWBrightness = 0x03,
    kWBitmap = 0x05,
    kWEnd = 0x0A,
};

// Revision D: two-letter commands.
constexpr std::uint8_t kDInfo[4] = {'G', 0, 0, 0};
constexpr std::uint8_t kDPortrait[4] = {'C', 'H', 0, 0};
constexpr std::uint8_t kDUpsideDown[4] = {'C', 'G', 0, 0};
constexpr std::uint8_t kDBrightness[2] = {'C', 'C'};
constexpr std::uint8_t kDBlock[2] = {'C', 'A'};
constexpr std::uint8_t kDPictureStart[4] = {'D', 0, 0, 0};
constexpr std::uint8_t kDPictureEnd[4] = {'A', 0, 0, 0};
constexpr std::uint8_t kDPacketMark = 'P';

void AppendA(std::uint8_t command, std::uint32_t x, std::uint32_t y, std::uint32_t ex, std::uint32_t ey, Bytes& out)
{
    out.push_back(static_cast<std::uint8_t>(x >> 2));
    out.push_back(static_cast<std::uint8_t>(((x & 3) << 6) | (y >> 4)));
    out.push_back(static_cast<std::uint8_t>(((y & 15) << 4) | (ex >> 6)));
    out.push_back(static_cast<std::uint8_t>(((ex & 63) << 2) | (ey >> 8)));
    out.push_back(static_cast<std::uint8_t>(ey & 255));
    out.push_back(command);
}

void AppendB(std::uint8_t command, std::initializer_list<std::uint32_t> payload, Bytes& out)
{
    out.push_back(command);
    std::size_t written = 0;
    for (std::uint32_t byte : payload) {
        if (written++ < 8)
            out.push_back(static_cast<std::uint8_t>(byte));
    }
    for (; written < 8; ++written)
        out.push_back(0);
    out.push_back(command);
}

void Append(const std::uint8_t* bytes, std::size_t count, Bytes& out)
{
    out.insert(out.end(), bytes, bytes + count);
}

// Many pixels at once, without a capacity check each.
void AppendPixels(const std::uint16_t* pixels, std::size_t count, bool bigEnd, Bytes& out)
{
    const std::size_t at = out.size();
    out.resize(at + 2 * count);
    std::uint8_t* to = out.data() + at;
    for (std::size_t i = 0; i < count; ++i, to += 2) {
        to[bigEnd ? 1 : 0] = static_cast<std::uint8_t>(pixels[i]);
        to[bigEnd ? 0 : 1] = static_cast<std::uint8_t>(pixels[i] >> 8);
    }
}

void AppendBigEnd16(std::uint32_t value, Bytes& out)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void AppendLittleEnd16(std::uint32_t value, Bytes& out)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Revision A and WeAct number their orientations portrait, upside-down
// portrait, landscape, upside-down landscape.
std::uint8_t OrientationCode(std::uint32_t quarters)
{
    static const std::uint8_t kCodes[4] = {0, 2, 1, 3};
    return kCodes[quarters & 3];
}

} // namespace

const char* RevisionName(Revision revision)
{
    switch (revision) {
    case Revision::A:
        return "A";
    case Revision::B:
        return "B";
    case Revision::D:
        return "D";
    case Revision::WeAct:
        break;
    }
    return "WeAct";
}

std::optional<Revision> ParseRevision(const std::string& text)
{
    std::string lower;
    for (char c : text)
        lower.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    if (lower == "a")
        return Revision::A;
    if (lower == "b")
        return Revision::B;
    if (lower == "d")
        return Revision::D;
    if (lower == "weact")
        return Revision::WeAct;
    return std::nullopt;
}

Turn SplitOrientation(Revision revision, std::uint32_t quarters)
{
    quarters &= 3;
    switch (revision) {
    case Revision::B: // portrait and landscape only
        return {quarters & 1, quarters & 2};
    case Revision::D: // upright and upside down only
        return {quarters & 2, quarters & 1};
    case Revision::A:
    case Revision::WeAct:
        break;
    }
    return {quarters, 0};
}

void AppendHello(Revision revision, Bytes& out)
{
    switch (revision) {
    case Revision::A:
        out.insert(out.end(), 6, kAHello);
        return;
    case Revision::B:
        AppendB(kBHello, {'H', 'E', 'L', 'L', 'O'}, out);
        return;
    case Revision::D:
        Append(kDInfo, sizeof kDInfo, out);
        return;
    case Revision::WeAct:
        return;
    }
}

std::size_t HelloAnswerSize(Revision revision)
{
    switch (revision) {
    case Revision::A:
        return 6;
    case Revision::B:
        return 10;
    case Revision::D:
    case Revision::WeAct:
        break;
    }
    return 0;
}

HelloAnswer ReadHelloAnswer(Revision revision, const std::uint8_t* bytes, std::size_t count)
{
    HelloAnswer answer;
    if (revision == Revision::A) {
        // Only the UsbPCMonitor screens answer, with six times their size code.
        if (count < 6 || !std::all_of(bytes, bytes + 6, [&](std::uint8_t b) { return b == bytes[0]; }))
            return answer;
        static const struct {
            std::uint8_t code;
            std::uint32_t width, height;
            const char* model;
        } kSizes[] = {
            {1, 320, 480, "UsbPCMonitor 3.5\""}, {2, 480, 800, "UsbPCMonitor 5\""}, {3, 600, 1024, "UsbPCMonitor 7\""}};
        for (const auto& size : kSizes) {
            if (size.code == bytes[0]) {
                answer = {true, size.width, size.height, size.model};
                return answer;
            }
        }
        return answer;
    }
    if (revision == Revision::B) {
        static const std::uint8_t kHello[5] = {'H', 'E', 'L', 'L', 'O'};
        if (count < 10 || bytes[0] != kBHello || bytes[9] != kBHello || !std::equal(kHello, kHello + 5, bytes + 1))
            return answer;
        answer.recognised = true;
        answer.width = 320;
        answer.height = 480;
        if (bytes[6] == 0x0A) {
            static const char kDigits[] = "0123456789ABCDEF";
            answer.model = std::string("A") + kDigits[bytes[7] >> 4 & 15] + kDigits[bytes[7] & 15];
        }
        return answer;
    }
    return answer;
}

void AppendOrientation(Revision revision, std::uint32_t deviceQuarters, std::uint32_t width, std::uint32_t height,
                       Bytes& out)
{
    switch (revision) {
    case Revision::A:
        // Sixteen bytes: an empty command, the orientation + 100 and the size.
        AppendA(kAOrientation, 0, 0, 0, 0, out);
        out.push_back(static_cast<std::uint8_t>(OrientationCode(deviceQuarters) + 100));
        AppendBigEnd16(width, out);
        AppendBigEnd16(height, out);
        out.insert(out.end(), 5, 0);
        return;
    case Revision::B:
        AppendB(kBOrientation, {deviceQuarters & 1}, out);
        return;
    case Revision::D:
        Append(deviceQuarters == 2 ? kDUpsideDown : kDPortrait, 4, out);
        return;
    case Revision::WeAct:
        out.push_back(kWOrientation);
        out.push_back(OrientationCode(deviceQuarters));
        out.push_back(kWEnd);
        return;
    }
}

void AppendBrightness(Revision revision, std::uint32_t percent, bool fullRange, Bytes& out)
{
    percent = std::min<std::uint32_t>(percent, 100);
    const std::uint32_t byte = percent * 255 / 100;
    switch (revision) {
    case Revision::A: // 0 is the brightest
        AppendA(kABrightness, 255 - byte, 0, 0, 0, out);
        return;
    case Revision::B: // 1 is off, 0 full, on the on/off screens
        AppendB(kBBrightness, {fullRange ? byte : (percent == 0 ? 1u : 0u)}, out);
        return;
    case Revision::D: // 0..500, sent twice as the screen sometimes misses it
        for (int i = 0; i < 2; ++i) {
            Append(kDBrightness, sizeof kDBrightness, out);
            AppendBigEnd16(percent * 5, out);
        }
        return;
    case Revision::WeAct: // level, then a fade time in ms
        out.push_back(kWBrightness);
        out.push_back(static_cast<std::uint8_t>(byte));
        AppendLittleEnd16(0, out);
        out.push_back(kWEnd);
        return;
    }
}

void AppendScreenOff(Revision revision, bool fullRange, Bytes& out)
{
    if (revision == Revision::A)
        AppendA(kAScreenOff, 0, 0, 0, 0, out);
    else
        AppendBrightness(revision, 0, fullRange, out);
}

void AppendBitmap(Revision revision, const Rect& rect, const std::uint16_t* pixels, Bytes& out)
{
    if (rect.width == 0 || rect.height == 0)
        return;
    const std::uint32_t ex = rect.x + rect.width - 1;
    const std::uint32_t ey = rect.y + rect.height - 1;
    const std::size_t count = std::size_t{rect.width} * rect.height;
    switch (revision) {
    case Revision::A:
        AppendA(kABitmap, rect.x, rect.y, ex, ey, out);
        AppendPixels(pixels, count, false, out);
        return;
    case Revision::B:
        AppendB(kBBitmap, {rect.x >> 8, rect.x, rect.y >> 8, rect.y, ex >> 8, ex, ey >> 8, ey}, out);
        AppendPixels(pixels, count, true, out);
        return;
    case Revision::D: {
        Append(kDBlock, sizeof kDBlock, out);
        AppendBigEnd16(rect.x, out);
        AppendBigEnd16(ex, out);
        AppendBigEnd16(rect.y, out);
        AppendBigEnd16(ey, out);
        Append(kDPictureStart, sizeof kDPictureStart, out);
        // Big-endian pixels, in packets of the marker and 63 bytes; a pixel
        // may straddle two packets.
        std::size_t inPacket = kRevisionDPacket;
        for (std::size_t i = 0; i < count; ++i) {
            for (std::uint8_t byte :
                 {static_cast<std::uint8_t>(pixels[i] >> 8), static_cast<std::uint8_t>(pixels[i])}) {
                if (inPacket == kRevisionDPacket) {
                    out.push_back(kDPacketMark);
                    inPacket = 1;
                }
                out.push_back(byte);
                ++inPacket;
            }
        }
        Append(kDPictureEnd, sizeof kDPictureEnd, out);
        return;
    }
    case Revision::WeAct:
        out.push_back(kWBitmap);
        AppendLittleEnd16(rect.x, out);
        AppendLittleEnd16(rect.y, out);
        AppendLittleEnd16(ex, out);
        AppendLittleEnd16(ey, out);
        out.push_back(kWEnd);
        AppendPixels(pixels, count, false, out);
        return;
    }
}

} // namespace smartscreen
