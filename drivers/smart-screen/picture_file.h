#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drivers/smart-screen/canvas.h"

namespace smartscreen {

// Pictures larger than this many pixels are refused before they are decoded.
constexpr std::uint64_t kMaxPicturePixels = 4096ull * 4096ull;

// Reads a PNG (or another format the decoder knows) as an RGB picture of
// exactly width x height. One of another size is scaled to it; `note` then
// says so. A missing, unreadable or too large file gives nothing, and `note`
// says why. `note` is empty when all went well.
std::optional<Picture> LoadPicture(const std::string& path, std::uint32_t width, std::uint32_t height,
                                   std::string& note);

} // namespace smartscreen
