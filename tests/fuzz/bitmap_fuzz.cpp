// The bitmap file reader on any file: it always loads, and the picture
// keeps its invariant.
#include <cstdlib>

#include "items/bitmap.h"
#include "tests/fuzz/fuzz_env.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzenv::EnterScratchDirectory();
    fuzzenv::WriteFile("fuzz.bmp", std::string_view(reinterpret_cast<const char*>(data), size));
    Bitmap bitmap;
    if (!bitmap.LoadFile("fuzz.bmp"))
        std::abort();
    if (bitmap.size != bitmap.width * bitmap.height || (bitmap.size == 0) != (bitmap.pixels == nullptr) ||
        bitmap.width > Bitmap::kMaxSide || bitmap.height > Bitmap::kMaxSide)
        std::abort();
    for (std::uint32_t i = 0; i < bitmap.size; ++i)
        if (bitmap.pixels[i] > 1)
            std::abort();
    return 0;
}
