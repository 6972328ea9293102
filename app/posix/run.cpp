#include "app/posix/run.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

#include "app/driver_choice.h"
#include "app/posix/user_text.h"
#include "app/startup.h"
#include "core/core.h"
#include "platform/platform.h"

namespace {

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

void ReportInitFailure(Core& core)
{
    if (core.screens.empty()) {
        std::fprintf(stderr, "glancer: no screens found in screens/screens.xml\n");
        return;
    }
    const std::string setting = ReadDriverSetting();
    const std::string state =
        setting.empty() || setting == "\n" ? std::string("DRIVER is not set") : "DRIVER is " + Quoted(setting);
    std::fprintf(stderr,
                 "glancer: no display driver selected (%s); drivers found: %s. Run \"glancer use-driver NAME\".\n",
                 state.c_str(), JoinNames(DriverNames(core.drivers)).c_str());
}

} // namespace

void BlockStopSignals()
{
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A plugin writing to a closed pipe or socket must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
}

int RunEngine()
{
    Core& core = TheCore();
    platform::PeriodicTimer timer;
    if (!StartUp(core, timer)) {
        ReportInitFailure(core);
        std::fflush(stderr);
    }
    const sigset_t signals = StopSignals();
    int received = 0;
    while (sigwait(&signals, &received) != 0) {
    }
    ShutDown(core, timer);
    return 0;
}
