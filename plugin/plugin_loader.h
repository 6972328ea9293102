#pragma once

#include <string>
#include <vector>

#include "plugin/plugin_record.h"

class Core;

// Scans the current directory for plugin modules and loads each one.
void loadPlugins(std::vector<PluginRecord>& plugins, CoreServices* services);
// Loads one module by full path and calls getInterface; false when skipped.
bool loadPluginLibrary(PluginRecord& record, const std::string& path, CoreServices* services);
// Walks the module's factory chain into record.componentFactories.
void enumerateFactories(PluginRecord& record);
// Creates one component per known factory and hands it to the Core.
void createComponents(PluginRecord& record, Core& core);
// init of the IPlugin, then its name and six info texts.
void readPluginInfo(PluginRecord& record);
// shutdown and release of the IPlugin, then frees the module.
void unloadPlugin(PluginRecord& record);
