#include "plugin/plugin_loader.h"

#include <algorithm>
#include <cstddef>

#include "core/core.h"
#include "platform/platform.h"
#include "plugin/catalogue.h"
#include "support/log_stream.h"

namespace {

// A chain longer than this is taken for a broken module, not walked on.
constexpr std::size_t kMaxFactories = 1024;

GetInterfaceFunction EntryOf(void* symbol)
{
    GetInterfaceFunction entry = nullptr;
    static_assert(sizeof entry == sizeof symbol, "function and data pointers differ in size");
    std::copy_n(reinterpret_cast<const unsigned char*>(&symbol), sizeof symbol,
                reinterpret_cast<unsigned char*>(&entry));
    return entry;
}

std::string PluginText(IPlugin* plugin, void (GLANCER_CALL* IPluginVtbl::*operation)(IPlugin*, char*, std::uint32_t))
{
    char buffer[GLANCER_TEXT_SIZE] = {};
    (plugin->vtbl->*operation)(plugin, buffer, sizeof buffer);
    return TextFromBuffer(buffer, sizeof buffer);
}

} // namespace

void loadPlugins(std::vector<PluginRecord>& plugins, CoreServices* services)
{
    platform::ModuleSearch search;
    if (!search.First()) {
        LogStream << "No plugin .DLL files found." << std::endl;
        return;
    }
    for (;;) {
        std::string path;
        if (platform::FullPath(search.FileName(), path)) {
            LogStream << path << std::endl;
            PluginRecord record;
            if (loadPluginLibrary(record, path, services)) {
                record.fileName = search.FileName();
                if (!platform::CurrentDirectory(record.directory))
                    record.directory.clear();
                plugins.push_back(std::move(record));
            }
        } else {
            // Loading by a bare name would search the system's library path.
            LogStream << search.FileName() << std::endl;
            LogStream << "Error opening dll: " << search.FileName() << std::endl;
        }

        const platform::ModuleSearch::Result next = search.Next();
        if (next == platform::ModuleSearch::Result::NoMoreFiles) {
            LogStream << "No more plugin .DLL files." << std::endl;
            break;
        }
        if (next == platform::ModuleSearch::Result::Failed) {
            LogStream << "Couldn't find next file." << std::endl;
            break;
        }
    }
}

bool loadPluginLibrary(PluginRecord& record, const std::string& path, CoreServices* services)
{
    std::string errorText;
    platform::ModuleHandle module = platform::LoadModule(path, errorText);
    if (module == nullptr) {
        LogStream << "Error opening dll: " << path << std::endl;
        if (!errorText.empty())
            LogStream << "LoadLibrary() error: " << errorText << std::endl;
        return false;
    }
    void* symbol = platform::FindSymbol(module, "getInterface");
    if (symbol == nullptr) {
        LogStream << "Not valid Glancer plugin: " << path << std::endl;
        platform::FreeModule(module);
        return false;
    }
    record.module = module;
    record.moduleInterface = EntryOf(symbol)(services);
    return true;
}

void enumerateFactories(PluginRecord& record)
{
    IModule* module = record.moduleInterface;
    if (module == nullptr) {
        LogStream << "ERROR: component==NULL" << std::endl;
        return;
    }
    const std::int32_t version = module->vtbl->getInterfaceVersion(module);
    LogStream << "interface version: " << version << std::endl;
    if (version != GLANCER_INTERFACE_VERSION)
        return;

    IComponentFactory* factory = module->vtbl->getFirstFactory(module);
    if (factory == nullptr) {
        LogStream << "fail" << std::endl;
        return;
    }
    auto& list = record.componentFactories;
    while (factory != nullptr) {
        if (std::find(list.begin(), list.end(), factory) != list.end()) {
            LogStream << "Factory chain loops back, walk stopped" << std::endl;
            return;
        }
        if (list.size() == kMaxFactories) {
            LogStream << "Factory chain too long, walk stopped" << std::endl;
            return;
        }
        LogStream << "ok " << factory->type << std::endl;
        list.push_back(factory);
        factory = factory->next;
    }
    LogStream << "next factory not found" << std::endl;
}

void createComponents(PluginRecord& record, Core& core)
{
    for (IComponentFactory* factory : record.componentFactories) {
        const std::int32_t type = factory->type;
        if (type < GLANCER_TYPE_PLUGIN || type > GLANCER_TYPE_USER_INTERFACE)
            continue;
        void* component = factory->vtbl->create(factory);
        if (component == nullptr) {
            LogStream << "Component not created: " << type << std::endl;
            continue;
        }
        switch (type) {
        case GLANCER_TYPE_PLUGIN:
            record.plugin = static_cast<IPlugin*>(component);
            LogStream << "IPlugin created" << std::endl;
            break;
        case GLANCER_TYPE_DISPLAY_DRIVER:
            core.drivers.push_back(static_cast<IDisplayDriver*>(component));
            LogStream << "IDisplayDriver created" << std::endl;
            break;
        case GLANCER_TYPE_DATA:
            addDataSource(core.dataSources, static_cast<IData*>(component));
            LogStream << "IData created" << std::endl;
            break;
        default:
            core.userInterface = static_cast<IUserInterface*>(component);
            LogStream << "IUserInterface created" << std::endl;
            break;
        }
    }
}

void readPluginInfo(PluginRecord& record)
{
    IPlugin* plugin = record.plugin;
    if (plugin == nullptr)
        return;
    plugin->vtbl->init(plugin);
    record.name = PluginText(plugin, &IPluginVtbl::getName);
    record.info1 = PluginText(plugin, &IPluginVtbl::getInfo1);
    record.info2 = PluginText(plugin, &IPluginVtbl::getInfo2);
    record.info3 = PluginText(plugin, &IPluginVtbl::getInfo3);
    record.info4 = PluginText(plugin, &IPluginVtbl::getInfo4);
    record.info5 = PluginText(plugin, &IPluginVtbl::getInfo5);
    record.info6 = PluginText(plugin, &IPluginVtbl::getInfo6);
    LogStream << "Plugin name: " << record.name << std::endl;
}

void unloadPlugin(PluginRecord& record)
{
    if (IPlugin* plugin = record.plugin) {
        plugin->vtbl->shutdown(plugin);
        plugin->vtbl->release(plugin);
        record.plugin = nullptr;
    }
    if (record.module != nullptr) {
        platform::FreeModule(record.module);
        record.module = nullptr;
    }
}
