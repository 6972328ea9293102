// Start-up cost: Init of a Core over ten plugins (the shipped ones, some
// loaded twice under other names) and the demo screens, then Shutdown,
// which is not timed. Runs in a scratch directory of its own.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core/core.h"
#include "items/item_factory.h"
#include "support/log_stream.h"

namespace {

namespace fs = std::filesystem;

// The working directory for every iteration: plugins, demo screens and a
// settings file choosing the Virtual display, with its view turned off.
fs::path MakeWorkDir()
{
    const fs::path dir = fs::temp_directory_path() / ("glancer-init-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(GLANCER_SOURCE_DIR "/examples/demo/screens", dir / "screens", fs::copy_options::recursive);
    const char* const plugins[] = {"virtual", "system", "demo",   "system", "demo",
                                   "system",  "demo",   "system", "demo",   "demo"};
    int copy = 0;
    for (const char* name : plugins)
        fs::copy_file(fs::path(GLANCER_PLUGIN_DIR) / (std::string(name) + ".so"),
                      dir / (std::to_string(copy++) + name + ".so"));
    std::ofstream(dir / "registry.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Glancer]\n"
                                           "\"DRIVER\"=\"Virtual display\"\n\n"
                                           "[HKEY_CURRENT_USER\\Software\\Glancer\\VirtualDisplay]\n"
                                           "\"Output\"=\"/nonexistent\"\n";
    ::setenv("GLANCER_REGISTRY", (dir / "registry.reg").c_str(), 1);
    return dir;
}

void InitTenPluginsAndTheDemo(benchmark::State& state)
{
    const fs::path dir = MakeWorkDir();
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    ReopenLog();
    for (auto _ : state) {
        StandardItemFactories factories;
        Core core;
        for (ItemFactory* factory : factories.All())
            core.AddFactory(*factory);
        if (!core.Init())
            state.SkipWithError("Init failed; see log.txt");
        state.PauseTiming();
        core.Shutdown();
        state.ResumeTiming();
    }
    CloseLog();
    fs::current_path(previous);
    fs::remove_all(dir);
}
BENCHMARK(InitTenPluginsAndTheDemo)->Unit(benchmark::kMillisecond);

} // namespace
