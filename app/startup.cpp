#include "app/startup.h"

#include "core/core.h"
#include "items/item_factory.h"
#include "support/log_stream.h"

Core& TheCore()
{
    static Core core;
    return core;
}

bool StartUp(Core& core, platform::PeriodicTimer& timer)
{
    LogStream << "--------------------------------------------" << std::endl;
    LogStream << "Glancer starting" << std::endl;

    // The factories live as long as the process: a reload reads screen files too.
    static StandardItemFactories factories;
    for (ItemFactory* factory : factories.All())
        core.AddFactory(*factory);

    const bool initialised = core.Init();
    if (initialised) {
        // The timer sleeps through the ticks that would only count time and
        // the Core counts them when it wakes: the same ticks, fewer wake-ups.
        timer.Start(50, 25, [&core](std::uint32_t skipped) {
            core.SkipIdleTicks(skipped);
            core.Tick();
            return core.IdleTicksAhead();
        });
    }
    return initialised;
}

void ShutDown(Core& core, platform::PeriodicTimer& timer)
{
    timer.Stop();
    core.Shutdown();
    LogStream << "Glancer shutting down" << std::endl;
}
