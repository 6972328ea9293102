// The steady-state refresh path: one screen of every item type, each due on
// every tick, drawn through the frame buffer into a driver that does nothing.
// The "allocs" counter is heap allocations per tick, which should stay 0.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "core/core.h"
#include "items/graph_item.h"
#include "items/image_items.h"
#include "items/text_items.h"
#include "screendef/screen.h"
#include "support/log_stream.h"
#include "tests/common/alloc_counter.h"

namespace {

struct NullDriver : IDisplayDriver {
    static void Nop(IDisplayDriver*) {}
    static std::uint32_t NoDialog(IDisplayDriver*) { return 1; }
    static DisplayInfo* Info(IDisplayDriver*, DisplayInfo* out) { return (*out = DisplayInfo{122, 32, 20, 4}, out); }
    static void Text(IDisplayDriver*, const char*, std::uint32_t, std::uint32_t) {}
    static void Region(IDisplayDriver*, const FrameBufferHeader*, std::uint32_t, std::uint32_t, std::uint32_t,
                       std::uint32_t)
    {
    }
    static void Name(IDisplayDriver*, char* buffer) { buffer[0] = 0; }
    static constexpr IDisplayDriverVtbl kVtbl = {Nop, Nop, Nop, NoDialog, Info, Nop, Nop, Text, Region, Name};
    NullDriver() { vtbl = &kVtbl; }
};

// Variable 0 counts up on every read (text, int or double by index 0..2);
// image 0 is a fixed 32 x 16 picture.
struct CountingData : IData {
    int counter = 0;
    std::uint8_t pixels[32 * 16] = {};
    PluginImage image{pixels, 32, 16, 0, 32 * 16};

    static CountingData& Of(IData* self) { return *static_cast<CountingData*>(self); }
    static void GetValue(IData* self, std::uint32_t index, void* value, std::uint32_t)
    {
        const int v = ++Of(self).counter % 100;
        if (index == 0)
            std::snprintf(static_cast<char*>(value), GLANCER_TEXT_SIZE, "value %d", v);
        else if (index == 1)
            *static_cast<std::int32_t*>(value) = v;
        else
            *static_cast<double*>(value) = v / 3.0;
    }
    static constexpr IDataVtbl kVtbl = {
        nullptr, nullptr, nullptr, nullptr, GetValue, [](IData* s, std::uint32_t) { return &Of(s).image; },
        nullptr, nullptr, nullptr, nullptr, nullptr,  nullptr,
        nullptr, nullptr,
    };
    CountingData() { vtbl = &kVtbl; }
};

template <class Item> Item& Add(Screen& screen, Core& core, std::int32_t x, std::int32_t y)
{
    auto* item = new Item;
    item->core = &core;
    item->refresh = 0;
    item->x = x;
    item->y = y;
    screen.items.push_back(item);
    return *item;
}

void SteadyTick(benchmark::State& state)
{
    DisableLog();
    NullDriver driver;
    CountingData data;
    Core core;
    core.frameBuffer.Bind(&driver);
    core.frameBuffer.Init();
    auto screen = std::make_unique<Screen>(core);

    auto& marquee = Add<TextItem>(*screen, core, 0, 0);
    marquee.field.text = "A marquee that is longer than its field";
    marquee.field.fieldSize = 20;
    marquee.field.scrollType = TextField::kScrollLeft;
    for (std::uint32_t type : {GLANCER_VAR_TEXT, GLANCER_VAR_INT, GLANCER_VAR_DOUBLE}) {
        auto& text = Add<PluginTextItem>(*screen, core, 0, static_cast<std::int32_t>(type + 1));
        text.field.fieldSize = 20;
        text.variable = VariableInfo{&data, type, type, true, "", ""};
    }
    auto& graph = Add<GraphItem>(*screen, core, 0, 0);
    graph.width = 60;
    graph.height = 32;
    graph.maxValue = 100;
    graph.variable = VariableInfo{&data, 1, GLANCER_VAR_INT, true, "", ""};
    auto& picture = Add<PluginImageItem>(*screen, core, 60, 0);
    picture.image = ImageInfo{&data, 0, true, "", ""};
    auto& animation = Add<AnimationItem>(*screen, core, 60, 16);
    for (int f = 0; f < 2; ++f) {
        Bitmap frame;
        frame.Allocate(32, 16);
        frame.pixels[f] = 1;
        animation.frames.push_back(std::move(frame));
    }
    for (ScreenItem* item : screen->items)
        item->Prepare();
    graph.overlaps = {&picture};
    core.screens.push_back(std::move(screen));
    core.currentScreen = 0;
    core.drawQueue.reserve(64);
    for (int i = 0; i < 200; ++i) // warm up until every buffer has its final size
        core.Tick();

    const long before = AllocationCount();
    for (auto _ : state)
        core.Tick();
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(AllocationCount() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(SteadyTick);

} // namespace
