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

// Keeps one picture file, encoded by its name and replaced in one step
// through a spare "<path>.tmp" beside it, so a reader never sees half a
// picture (on Linux: unless it takes longer to read than the writer takes
// to write twice, as the spare is reused). The spare is removed with the
// writer.
class ImageFileWriter {
public:
    explicit ImageFileWriter(std::string path);
    ~ImageFileWriter();
    ImageFileWriter(const ImageFileWriter&) = delete;
    ImageFileWriter& operator=(const ImageFileWriter&) = delete;

    // False when the file cannot be written; it then keeps its picture.
    bool Write(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height, std::uint32_t litColour,
               std::uint32_t unlitColour);

private:
    bool WriteSpare();
    bool Replace();

    const std::string path_;
    const std::string spare_;
    std::vector<std::uint8_t> bytes_;
};

// One picture, once.
bool WriteImageFile(const std::string& path, const std::uint8_t* picture, std::uint32_t width, std::uint32_t height,
                    std::uint32_t litColour, std::uint32_t unlitColour);

} // namespace vdisplay
