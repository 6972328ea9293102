#pragma once

#include <cstddef>
#include <cstdint>

namespace vdisplay {

// CRC-32 as PNG chunks use it (reflected, polynomial 0xEDB88320). Pass the
// previous result as `crc` to continue over more bytes.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

// Adler-32 as zlib streams end with. Pass the previous result to continue.
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler = 1);

} // namespace vdisplay
