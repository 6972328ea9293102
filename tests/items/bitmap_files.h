#pragma once

#include <cstdint>
#include <vector>

namespace fakes {

using Bytes = std::vector<unsigned char>;

inline void PutU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A 1-bit bitmap file: 62 bytes of headers (pixel data at `offset`, 62
// unless given), then `data` exactly as stored: rows bottom first, each
// padded to 4 bytes, a 0 bit lit.
inline Bytes BitmapFile(std::int32_t w, std::int32_t h, const Bytes& data, std::uint32_t offset = 62)
{
    Bytes b(62, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 10, offset);
    PutU32(b, 14, 40);
    PutU32(b, 18, static_cast<std::uint32_t>(w));
    PutU32(b, 22, static_cast<std::uint32_t>(h));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A w x h file (w up to 32) whose every row has the leading `lit` pixels lit.
inline Bytes SolidFile(std::int32_t w, std::int32_t h, unsigned lit)
{
    Bytes data;
    for (std::int32_t r = 0; r < h; ++r)
        for (unsigned byte = 0; byte < 4; ++byte) {
            unsigned bits = 0;
            for (unsigned bit = 0; bit < 8; ++bit)
                if (byte * 8 + bit < lit)
                    bits |= 0x80u >> bit;
            data.push_back(static_cast<unsigned char>(~bits & 0xFFu));
        }
    return BitmapFile(w, h, data);
}

} // namespace fakes
