// Screen index and screen files end to end: the input is split at lines
// "=====" into the index (screens/screens.xml) and the files 1, 2, ...
// (each written both as screens/N.xml and as N.bmp, so screens can name
// them as screen files and as pictures). The engine then loads them and
// runs a few ticks against a driver that does nothing, so every item runs
// on the parameters the fuzzer chose.
#include <string>

#include "tests/fuzz/fuzz_env.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzenv::EnterScratchDirectory();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kSeparator = "\n=====\n";
    constexpr int kMaxFiles = 4;
    for (int part = 0; part <= kMaxFiles; ++part) {
        const std::size_t end = input.find(kSeparator);
        const std::string_view text = input.substr(0, end);
        if (part == 0) {
            fuzzenv::WriteFile("screens/screens.xml", text);
        } else {
            fuzzenv::WriteFile("screens/" + std::to_string(part) + ".xml", text);
            fuzzenv::WriteFile(std::to_string(part) + ".bmp", text);
        }
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + kSeparator.size());
    }
    fuzzenv::FuzzData plugin;
    fuzzenv::RunEngine(plugin, 40);
    return 0;
}
