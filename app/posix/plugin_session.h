#pragma once

class Core;

// The plugins of the working directory, loaded for a subcommand the way the
// program loads them (modules, factories, components, plugin information)
// but without screens, display or timer. Data sources are started (init and
// catalogue) only on request, since listing drivers must not wake them.
// The destructor ends everything in the program's shutdown order: every
// data source shutdown (when started) and release, every driver release,
// then every plugin's shutdown, release and module unload.
//
// Whatever plugins print to standard output while loading or ending is
// discarded, so a subcommand's output stays its own.
class PluginSession {
public:
    explicit PluginSession(Core& core);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // fillDataSource for every data source; once.
    void StartDataSources();

private:
    Core& core;
    bool dataSourcesStarted = false;
};
