// glancer.exe check [DIR] and glancer.exe values [SOURCE]: the authoring
// commands of the Linux program, for a GUI program started from a console.
#include "app/win32/commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/authoring.h"
#include "app/startup.h"
#include "core/core.h"
#include "core/core_services.h"
#include "plugin/catalogue.h"
#include "plugin/plugin_loader.h"
#include "support/log_stream.h"

namespace {

// A GUI program has no console of its own; output goes to the one it was
// started from, if any (otherwise it is lost, and only the status tells).
void UseParentConsole()
{
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    std::FILE* ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
}

// The plugins loaded as a run loads them, data sources filled, without
// screens, display or timer; `command` runs between loading and unloading.
template <class Command> int WithPlugins(Command command)
{
    Core& core = TheCore();
    core.LoadPlugins();
    for (DataSource& source : core.dataSources)
        fillDataSource(source);
    const int status = command(core);
    std::fflush(stdout);
    std::fflush(stderr);
    core.Shutdown(); // data sources, drivers and modules, as a run ends
    return status;
}

} // namespace

bool IsCommand(int argc, char** argv)
{
    return argc >= 2 && (std::strcmp(argv[1], "check") == 0 || std::strcmp(argv[1], "values") == 0);
}

int RunCommand(int argc, char** argv)
{
    DisableLog(); // log.txt belongs to a running instance
    UseParentConsole();
    if (argc > 3) {
        std::fprintf(stderr, "glancer: %s takes at most one argument\n", argv[1]);
        return 2;
    }
    const std::string argument = argc == 3 ? argv[2] : "";
    if (std::strcmp(argv[1], "values") == 0)
        return WithPlugins([&](Core& core) { return ListValues(core, argument, stdout, stderr); });
    if (!argument.empty() && !SetCurrentDirectoryA(argument.c_str())) {
        std::fprintf(stderr, "glancer: cannot enter \"%s\"\n", argument.c_str());
        return 1;
    }
    return WithPlugins([&](Core& core) { return CheckScreens(core, argument, stdout, stderr); });
}
