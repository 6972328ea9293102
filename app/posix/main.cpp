// glancer: drives a display panel from the plugins and screens in the
// current directory, or, given a subcommand, lists and chooses drivers and
// configures plugins.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/posix/commands.h"
#include "app/posix/init_command.h"
#include "app/posix/run.h"
#include "support/log_stream.h"

namespace {

const char kUsage[] = "Usage: glancer [COMMAND]\n"
                      "\n"
                      "Without a command, glancer shows the screens of screens/screens.xml on the\n"
                      "display driver chosen with use-driver, using the plugins (*.so) of the current\n"
                      "directory, until it receives SIGINT or SIGTERM or its terminal closes. It reads\n"
                      "the screens again when a file in screens/ is saved and on SIGHUP. Its log is log.txt.\n"
                      "\n"
                      "Commands:\n"
                      "  init [DIR]               prepare a working directory (default ~/.local/share/glancer):\n"
                      "                           links to the installed plugins, a copy of the example screens\n"
                      "  drivers                  list the display drivers; * marks the chosen one\n"
                      "  use-driver NAME          choose the display driver for the next start\n"
                      "  configure-driver NAME    open a display driver's own settings\n"
                      "  sources                  list the data sources\n"
                      "  configure-source NAME    open a data source's own settings\n"
                      "  check [DIR]              check the screens of DIR (default: here) without a panel\n"
                      "  values [SOURCE]          list every variable's value and picture's size\n"
                      "  -h, --help               show this help\n"
                      "  -V, --version            show the version\n"
                      "\n"
                      "Settings are kept in $GLANCER_REGISTRY, else $XDG_CONFIG_HOME/glancer/registry.reg,\n"
                      "else ~/.config/glancer/registry.reg.\n";

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "glancer: %s (see \"glancer --help\")\n", message.c_str());
    return 2;
}

bool Is(const char* argument, const char* name)
{
    return std::strcmp(argument, name) == 0;
}

int RunCommand(int argc, char** argv)
{
    const char* command = argv[1];
    if (Is(command, "-h") || Is(command, "--help") || Is(command, "help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (Is(command, "-V") || Is(command, "--version") || Is(command, "version")) {
        std::printf("glancer %s\n", GLANCER_VERSION);
        return 0;
    }
    if (Is(command, "init")) {
        if (argc > 3)
            return UsageError("init takes at most one DIR");
        return InitCommand(argc == 3 ? argv[2] : "");
    }
    if (Is(command, "check") || Is(command, "values")) {
        if (argc > 3)
            return UsageError(std::string(command) + " takes at most one argument");
        const std::string argument = argc == 3 ? argv[2] : "";
        return Is(command, "check") ? CheckCommand(argument) : ValuesCommand(argument);
    }
    const bool list = Is(command, "drivers") || Is(command, "sources");
    const bool named = Is(command, "use-driver") || Is(command, "configure-driver") || Is(command, "configure-source");
    if (!list && !named)
        return UsageError(std::string("unknown argument \"") + command + "\"");
    if (list && argc > 2)
        return UsageError(std::string("unknown argument \"") + argv[2] + "\"");
    if (named && argc != 3)
        return UsageError(std::string(command) + (argc < 3 ? " needs a NAME" : " takes one NAME"));

    if (Is(command, "drivers"))
        return ListDrivers();
    if (Is(command, "sources"))
        return ListSources();
    if (Is(command, "use-driver"))
        return UseDriver(argv[2]);
    if (Is(command, "configure-driver"))
        return ConfigureDriverCommand(argv[2]);
    return ConfigureSourceCommand(argv[2]);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        ReopenLog(); // every start recreates log.txt, even one that fails at once
        BlockStopSignals();
        return RunEngine();
    }
    // Subcommands must leave the log of an instance in this directory alone.
    DisableLog();
    return RunCommand(argc, argv);
}
