#include "app/posix/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "app/authoring.h"
#include "app/data_source_choice.h"
#include "app/driver_choice.h"
#include "app/posix/plugin_session.h"
#include "app/posix/user_text.h"
#include "app/startup.h"
#include "core/core.h"

namespace {

const char kRestart[] = "Please restart Glancer for the new settings to take effect.";
const char kNoDialog[] = "No configuration dialog available.";

// Exact match first, then one differing only in letter case; -1 when none.
int Resolve(const std::vector<std::string>& names, const std::string& wanted)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted)
            return static_cast<int>(i);
    return wanted.empty() ? -1 : PreselectedDriver(names, wanted);
}

std::vector<std::string> SourceNames(const Core& core)
{
    std::vector<std::string> names;
    for (const DataSource& source : core.dataSources)
        names.push_back(source.name);
    return names;
}

void NotFound(const char* what, const std::string& name, const char* plural, const std::vector<std::string>& found)
{
    std::fprintf(stderr, "glancer: no %s named %s; %s found: %s.\n", what, Quoted(name).c_str(), plural,
                 JoinNames(found).c_str());
}

// The driver a NAME argument means, or -1 after telling the user what exists.
int ResolveDriver(const std::vector<std::string>& names, const std::string& name)
{
    const int found = Resolve(names, name);
    if (found < 0)
        NotFound("display driver", name, "drivers", names);
    return found;
}

} // namespace

int ListDrivers()
{
    Core& core = TheCore();
    const PluginSession session(core);
    const std::vector<std::string> names = DriverNames(core.drivers);
    if (names.empty()) {
        std::fprintf(stderr, "glancer: no plugin in this directory provides a display driver.\n");
        return 0;
    }
    const std::string setting = ReadDriverSetting();
    const int marked = PreselectedDriver(names, setting);
    for (std::size_t i = 0; i < names.size(); ++i)
        std::printf("%c %s\n", static_cast<int>(i) == marked ? '*' : ' ', Printable(names[i]).c_str());
    if (marked >= 0 && names[static_cast<std::size_t>(marked)] != setting)
        std::fprintf(stderr,
                     "glancer: DRIVER is %s, which differs in letter case, so it is not used; run \"glancer "
                     "use-driver %s\".\n",
                     Quoted(setting).c_str(), Printable(names[static_cast<std::size_t>(marked)]).c_str());
    return 0;
}

// Runs `then` on the driver that `name` resolves to among the loaded
// plugins; 1 when it names none (ResolveDriver has said why).
template <class Then> int WithDriverNamed(const std::string& name, Then then)
{
    Core& core = TheCore();
    const PluginSession session(core);
    const std::vector<std::string> names = DriverNames(core.drivers);
    const int found = ResolveDriver(names, name);
    if (found < 0)
        return 1;
    return then(core, names[static_cast<std::size_t>(found)]);
}

int UseDriver(const std::string& name)
{
    return WithDriverNamed(name, [](Core&, const std::string& chosen) {
        StoreDriverSetting(chosen);
        if (ReadDriverSetting() != chosen) {
            std::fprintf(stderr, "glancer: could not store DRIVER in the settings file (see $GLANCER_REGISTRY).\n");
            return 1;
        }
        std::printf("%s\n", kRestart);
        return 0;
    });
}

int ConfigureDriverCommand(const std::string& name)
{
    return WithDriverNamed(name, [](Core& core, const std::string& chosen) {
        if (!ConfigureDriver(core.drivers, chosen))
            std::printf("%s\n", kNoDialog);
        std::fflush(stdout);
        return 0;
    });
}

int ListSources()
{
    Core& core = TheCore();
    const PluginSession session(core);
    const std::vector<std::string> names = SortedDataSourceNames(core.dataSources);
    if (names.empty())
        std::fprintf(stderr, "glancer: no plugin in this directory provides a data source.\n");
    for (const std::string& name : names)
        std::printf("%s\n", Printable(name).c_str());
    return 0;
}

int ConfigureSourceCommand(const std::string& name)
{
    Core& core = TheCore();
    PluginSession session(core);
    const std::vector<std::string> names = SourceNames(core);
    const int found = Resolve(names, name);
    if (found < 0) {
        NotFound("data source", name, "data sources", SortedDataSourceNames(core.dataSources));
        return 1;
    }
    session.StartDataSources();
    if (!ConfigureDataSource(core.dataSources, names[static_cast<std::size_t>(found)]))
        std::printf("%s\n", kNoDialog);
    std::fflush(stdout);
    return 0;
}

int CheckCommand(const std::string& dir)
{
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "glancer: cannot enter %s: %s\n", Quoted(dir).c_str(), std::strerror(errno));
        return 1;
    }
    Core& core = TheCore();
    PluginSession session(core);
    session.StartDataSources();
    return CheckScreens(core, dir, stdout, stderr);
}

int ValuesCommand(const std::string& source)
{
    Core& core = TheCore();
    PluginSession session(core);
    session.StartDataSources();
    return ListValues(core, source, stdout, stderr);
}
