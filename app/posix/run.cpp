#include "app/posix/run.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include "app/driver_choice.h"
#include "app/posix/user_text.h"
#include "app/screen_watch.h"
#include "app/startup.h"
#include "core/core.h"
#include "platform/platform.h"
#include "support/log_stream.h"

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

// Whether this process has a controlling terminal that still answers. A
// terminal that went away leaves /dev/tty unopenable or hung up.
bool TerminalPresent()
{
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0)
        return false;
    pollfd state{tty, 0, 0};
    const bool hungUp = ::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    ::close(tty);
    return !hungUp;
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
    // SIGHUP is "read the screens again", as daemons take it, unless it
    // says that the terminal Glancer was started in has gone away.
    const bool startedInTerminal = TerminalPresent();
    ScreenWatch watch(core, timer);
    if (timer.Running())
        watch.Start();
    const sigset_t signals = StopSignals();
    for (;;) {
        int received = 0;
        if (sigwait(&signals, &received) != 0)
            continue;
        if (received != SIGHUP || (startedInTerminal && !TerminalPresent()))
            break;
        LogStream << "Reload asked by SIGHUP" << std::endl;
        if (timer.Running())
            watch.Reload();
    }
    watch.Stop();
    ShutDown(core, timer);
    return 0;
}
