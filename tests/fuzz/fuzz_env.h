#pragma once

// What the fuzz targets share: a scratch working directory, a display
// driver that does nothing, a data source whose values and pictures come
// from the fuzzer's bytes, and a run of the whole engine over the screen
// files in the scratch directory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/api/glancer_plugin.h"

namespace fuzzenv {

// Makes a fresh scratch directory the working directory (once per
// process), selects the driver "Null" in a settings file of its own and
// silences the log.
void EnterScratchDirectory();
void WriteFile(const std::string& path, std::string_view bytes);

// Bytes handed out front to back; zeros once they run out.
class ByteSource {
public:
    ByteSource() = default;
    ByteSource(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::uint32_t U32();
    std::string_view Bytes(std::size_t count);
    bool Empty() const { return at >= size; }

private:
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
};

// Variables "Fuzz.Int", "Fuzz.Double", "Fuzz.Text", pictures "Fuzz.Image"
// and "Fuzz.Other", each answer taken from `source`. Pictures are
// consistent with their buffer only in that the buffer holds `size` bytes:
// width, height and size may contradict each other.
struct FuzzData : IData {
    FuzzData();
    ByteSource* source = nullptr;
    PluginImage picture{};
    std::vector<std::uint8_t> pixels;
};

// Loads screens/screens.xml and its screen files into a Core with the six
// item factories, the null driver and `data`, runs `ticks` ticks (calling
// `beforeTick` first, when given) and shuts the Core down.
void RunEngine(FuzzData& data, int ticks, void (*beforeTick)(FuzzData&) = nullptr);

} // namespace fuzzenv
