#include "app/posix/plugin_session.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "core/core.h"
#include "core/core_services.h"
#include "plugin/catalogue.h"
#include "plugin/plugin_loader.h"

namespace {

// Points standard output at /dev/null for its lifetime.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && null >= 0)
            ::dup2(null, STDOUT_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (saved >= 0) {
            ::dup2(saved, STDOUT_FILENO);
            ::close(saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved = -1;
};

} // namespace

PluginSession::PluginSession(Core& core) : core(core)
{
    const QuietStdout quiet;
    core.LoadPlugins();
}

void PluginSession::StartDataSources()
{
    if (dataSourcesStarted)
        return;
    const QuietStdout quiet;
    for (DataSource& source : core.dataSources)
        fillDataSource(source);
    dataSourcesStarted = true;
}

PluginSession::~PluginSession()
{
    const QuietStdout quiet;
    for (DataSource& source : core.dataSources) {
        if (source.component == nullptr)
            continue;
        if (dataSourcesStarted)
            source.component->vtbl->shutdown(source.component);
        source.component->vtbl->release(source.component);
    }
    for (IDisplayDriver* driver : core.drivers)
        if (driver != nullptr)
            driver->vtbl->release(driver);
    for (PluginRecord& record : core.plugins)
        unloadPlugin(record);
    core.dataSources.clear();
    core.drivers.clear();
    core.plugins.clear();
}
