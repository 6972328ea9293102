// Reading a screen file must stay linear in its size, however deep the
// nesting, however long the names and however many near misses of an end
// tag the text holds. Complexity() reports the fitted order.
#include <benchmark/benchmark.h>

#include <string>

#include "screendef/xml_reader.h"

namespace {

struct Counter : XmlHandler {
    void StartElement(const std::string&, const std::string&) override { ++events; }
    void LeafElement(const std::string&, const std::string&, const std::string&) override { ++events; }
    void EndElement(const std::string&, const std::string&) override { ++events; }
    long events = 0;
};

// Nesting as deep as the reader goes, with names of `nameLength` bytes,
// around `nearMisses` end tags that differ from the real one in their last
// byte.
std::string Document(int nameLength, int nearMisses)
{
    const std::string name(static_cast<std::size_t>(nameLength), 'n');
    std::string document;
    for (int i = 0; i < XmlReader::kMaxDepth; ++i)
        document += "<" + name + ">";
    const std::string miss = "</" + name.substr(1) + "x>";
    for (int i = 0; i < nearMisses; ++i)
        document += miss + "<v>1</v>";
    for (int i = 0; i < XmlReader::kMaxDepth; ++i)
        document += "</" + name + ">";
    return document;
}

void BM_ReadDeepFileWithNearMisses(benchmark::State& state)
{
    const std::string document = Document(32, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Counter counter;
        XmlReader reader;
        reader.SetHandler(&counter);
        reader.Parse(document);
        benchmark::DoNotOptimize(counter.events);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document.size()));
    state.SetComplexityN(static_cast<std::int64_t>(document.size()));
}
BENCHMARK(BM_ReadDeepFileWithNearMisses)->RangeMultiplier(4)->Range(1 << 8, 1 << 16)->Complexity();

} // namespace
