#pragma once

#include <cstdint>
#include <string>

#include "plugin/api/glancer_plugin.h"

// A picture of one byte per pixel (0 unlit, 1 lit), rows from the top.
// The first five fields have the PluginImage layout.
class Bitmap {
public:
    Bitmap() = default;
    ~Bitmap();
    Bitmap(const Bitmap& other);            // copy rule below; fileName is not copied
    Bitmap& operator=(const Bitmap& other); // copy rule below; fileName is kept
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;

    // Takes width, height, extra and size from the source, reallocating only
    // when the size changes, then copies `size` pixel bytes.
    void CopyFrom(const Bitmap& source);
    void CopyFrom(const PluginImage& source);
    // Reads an uncompressed 1-bit bitmap file; false when it cannot be used.
    bool LoadFile(const std::string& path);
    // Releases the pixels; the picture becomes empty.
    void Reset();
    // Same size and same pixel bytes.
    bool SamePixels(const Bitmap& other) const;

    std::uint8_t* pixels = nullptr; // owned; null when size is 0
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t extra = 0;
    std::uint32_t size = 0;
    std::string fileName;
};
