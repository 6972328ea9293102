// Values and pictures from a plugin: fixed screens with every plugin-fed
// item, fed from the fuzzer's bytes at every tick (unterminated texts,
// NaN and huge numbers, pictures whose geometry contradicts itself).
#include "tests/fuzz/fuzz_env.h"

namespace {

constexpr const char* kScreen = R"(<screen><name>A</name>
<item type="plugintext" x="0" y="0"><fieldsize>8</fieldsize><varid>Fuzz.Text</varid><refresh>50</refresh></item>
<item type="plugintext" x="2" y="1"><fieldsize>30</fieldsize><scrolltype>left</scrolltype><varid>Fuzz.Double</varid><refresh>50</refresh></item>
<item type="plugintext" x="0" y="2"><fieldsize>5</fieldsize><textpos>center</textpos><varid>Fuzz.Int</varid><refresh>50</refresh></item>
<item type="plugintext" x="0" y="3"><fieldsize>20</fieldsize><scrolltype>right</scrolltype><varid>Fuzz.Text</varid><refresh>100</refresh></item>
<item type="graph" x="0" y="0"><width>60</width><height>20</height><maxvalue>100</maxvalue><minvalue>-5</minvalue><varid>Fuzz.Double</varid><refresh>50</refresh></item>
<item type="graph" x="60" y="20"><width>62</width><height>12</height><maxvalue>3</maxvalue><varid>Fuzz.Int</varid><refresh>50</refresh></item>
<item type="pluginimage" x="10" y="4"><imageid>Fuzz.Image</imageid><refresh>50</refresh></item>
<item type="pluginimage" x="100" y="20"><imageid>Fuzz.Other</imageid><refresh>50</refresh></item>
<action><id>Core.NextScreen</id><delay>300</delay></action>
</screen>)";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool written = [] {
        fuzzenv::EnterScratchDirectory();
        fuzzenv::WriteFile("screens/screens.xml",
                           "<screens><screenfile>a.xml</screenfile><screenfile>a.xml</screenfile></screens>");
        fuzzenv::WriteFile("screens/a.xml", kScreen);
        return true;
    }();
    (void)written;
    fuzzenv::ByteSource source(data, size);
    fuzzenv::FuzzData plugin;
    plugin.source = &source;
    // Prepare already asks for pictures; then ticks until the bytes run out.
    fuzzenv::RunEngine(plugin, 30);
    return 0;
}
