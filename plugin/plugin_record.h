#pragma once

#include <string>
#include <vector>

#include "plugin/api/glancer_plugin.h"

// One loaded plugin module. Owns its strings and factory list; the module,
// the factories and the components belong to the module itself.
struct PluginRecord {
    void* module = nullptr; // platform module handle; freed by unloadPlugin
    IModule* moduleInterface = nullptr;
    std::vector<IComponentFactory*> componentFactories;
    IPlugin* plugin = nullptr;
    std::string info1;
    std::string name;
    std::string info2;
    std::string info5;
    std::string info6;
    std::string info3;
    std::string info4;
    std::string fileName;  // as the directory search reported it
    std::string directory; // current directory at load time; empty if unknown
};
