#pragma once

#include <cstdint>
#include <string>

#include "plugin/api/glancer_plugin.h"

// A picture of one byte per pixel (0 unlit, 1 lit), rows from the top.
// The first five fields have the PluginImage layout. Invariant: size is
// width * height, and pixels is non-null exactly when size is above 0.
class Bitmap {
public:
    // Pictures larger than this are refused (plugins, canvases).
    static constexpr std::uint32_t kMaxSide = 4096;
    static constexpr std::uint32_t kMaxPixels = kMaxSide * kMaxSide;
    // Pictures read from files are cut to this, larger than any panel.
    static constexpr std::uint32_t kMaxFileSide = 1024;

    Bitmap() = default;
    ~Bitmap();
    Bitmap(const Bitmap& other);            // copy rule below; fileName is not copied
    Bitmap& operator=(const Bitmap& other); // copy rule below; fileName is kept
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;

    // Takes width, height, extra and size from the source, reallocating only
    // when the size changes, then copies `size` pixel bytes. A source that
    // breaks the invariant (null pixels, size != width * height, too large)
    // leaves this picture empty.
    void CopyFrom(const Bitmap& source);
    void CopyFrom(const PluginImage& source);
    // Makes a cleared w x h picture, reusing the buffer when the size is
    // unchanged; false (and empty) when it is empty, too large or cannot be
    // allocated.
    bool Allocate(std::uint32_t w, std::uint32_t h);
    // Reads an uncompressed 1-bit bitmap file, bottom row first (top row
    // first when the height is negative), rows padded to 4 bytes, a 0 bit
    // lit. False (and empty) only when the file cannot be opened or is not a
    // regular file (a device or a pipe). Whatever
    // else the file holds gives a picture: bytes the file lacks (a short
    // header or missing rows) read as unlit, a width below 1 or a height of 0
    // gives an empty picture, and of a larger picture only the top-left
    // kMaxFileSide x kMaxFileSide corner is read.
    bool LoadFile(const std::string& path);
    // Releases the pixels; the picture becomes empty.
    void Reset();
    // Same width, height and pixel bytes.
    bool SamePixels(const Bitmap& other) const;

    std::uint8_t* pixels = nullptr; // owned; null when size is 0
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t extra = 0;
    std::uint32_t size = 0;
    std::string fileName;

private:
    // Takes geometry and bytes from a source known to be consistent.
    void Assign(const std::uint8_t* source, std::uint32_t w, std::uint32_t h, std::uint32_t e);
    // A buffer of n bytes (reused when n equals size); false when it cannot be had.
    bool Resize(std::uint32_t n);
};
