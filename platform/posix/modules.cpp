#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/platform.h"

namespace platform {

namespace {
constexpr std::size_t kMaxPath = 260;

bool HasModuleSuffix(const std::string& name)
{
    const std::string suffix = std::string(ModulePattern()).substr(1);
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}
} // namespace

ModuleHandle LoadModule(const std::string& path, std::string& errorText)
{
    errorText.clear();
    ModuleHandle module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = ::dlerror();
        if (error != nullptr)
            errorText = error;
    }
    return module;
}

void* FindSymbol(ModuleHandle module, const char* name)
{
    if (module == nullptr || name == nullptr)
        return nullptr;
    return ::dlsym(module, name);
}

void FreeModule(ModuleHandle module)
{
    if (module != nullptr)
        ::dlclose(module);
}

const char* ModulePattern()
{
    return "*.so";
}

struct ModuleSearch::State {
    std::vector<std::string> names;
    std::size_t current = 0;
};

ModuleSearch::ModuleSearch() : state(std::make_unique<State>())
{
}

ModuleSearch::~ModuleSearch() = default;

bool ModuleSearch::First()
{
    state->names.clear();
    state->current = 0;
    DIR* directory = ::opendir(".");
    if (directory == nullptr)
        return false;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        struct stat info {};
        if (HasModuleSuffix(name) && ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            state->names.push_back(name);
    }
    ::closedir(directory);
    std::sort(state->names.begin(), state->names.end());
    return !state->names.empty();
}

ModuleSearch::Result ModuleSearch::Next()
{
    if (state->current + 1 >= state->names.size()) {
        state->current = state->names.size();
        return Result::NoMoreFiles;
    }
    ++state->current;
    return Result::Found;
}

const std::string& ModuleSearch::FileName() const
{
    static const std::string none;
    return state->current < state->names.size() ? state->names[state->current] : none;
}

bool FullPath(const std::string& name, std::string& out)
{
    std::string path;
    if (!name.empty() && name[0] == '/') {
        path = name;
    } else {
        if (!CurrentDirectory(path))
            return false;
        if (path.back() != '/')
            path += '/';
        path += name;
    }
    if (path.size() >= kMaxPath)
        return false;
    out = path;
    return true;
}

bool CurrentDirectory(std::string& out)
{
    char buffer[kMaxPath];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return false;
    out = buffer;
    return true;
}

} // namespace platform
