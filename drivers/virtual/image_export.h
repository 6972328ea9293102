#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdisplay {

// Pictures below are width * height bytes, rows from the top, nonzero lit.

enum class ImageFormat { Pbm, Png };

// PNG for a name ending in ".png" (any case), PBM for anything else.
ImageFormat FormatForPath(const std::string& path);

// Binary PBM (P4): lit pixels are black.
void EncodePbm(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t>& out);

// PNG with an 8-bit, two-entry palette: index 0 the unlit colour, index 1 the
// lit one (colours 0xRRGGBB). The image data is deflate-stored, not
// compressed, so no compression library is needed.
void EncodePng(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, std::uint32_t litColour,
               std::uint32_t unlitColour, std::vector<std::uint8_t>& out);

// Encodes by the file name and replaces the file in one step ("<path>.tmp",
// then a rename or swap), so a reader never sees half a picture. `scratch` holds the
// bytes and may be reused between calls. False when the file cannot be written.
bool WriteImageFile(const std::string& path, const std::uint8_t* picture, std::uint32_t width, std::uint32_t height,
                    std::uint32_t litColour, std::uint32_t unlitColour, std::vector<std::uint8_t>& scratch);

} // namespace vdisplay
