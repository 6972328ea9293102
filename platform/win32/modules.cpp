#include <windows.h>

#include "platform/platform.h"

namespace platform {

ModuleHandle LoadModule(const std::string& path, std::string& errorText)
{
    errorText.clear();
    // A bad module must not stop a tray program with a system error box.
    DWORD previousMode = 0;
    const BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD error = module == nullptr ? GetLastError() : 0;
    if (modeSet)
        SetThreadErrorMode(previousMode, nullptr);
    if (module == nullptr) {
        char* text = nullptr;
        const DWORD length = FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
            MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
        if (length != 0 && text != nullptr)
            errorText.assign(text, length);
        if (text != nullptr)
            LocalFree(text);
    }
    return module;
}

void* FindSymbol(ModuleHandle module, const char* name)
{
    if (module == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void FreeModule(ModuleHandle module)
{
    if (module != nullptr)
        FreeLibrary(static_cast<HMODULE>(module));
}

const char* ModulePattern()
{
    return "*.dll";
}

struct ModuleSearch::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string name;

    void Close()
    {
        if (handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
        handle = INVALID_HANDLE_VALUE;
    }
};

ModuleSearch::ModuleSearch() : state(std::make_unique<State>())
{
}

ModuleSearch::~ModuleSearch()
{
    state->Close();
}

bool ModuleSearch::First()
{
    state->Close();
    state->name.clear();
    WIN32_FIND_DATAA data;
    state->handle = FindFirstFileA(ModulePattern(), &data);
    if (state->handle == INVALID_HANDLE_VALUE)
        return false;
    state->name = data.cFileName;
    return true;
}

ModuleSearch::Result ModuleSearch::Next()
{
    if (state->handle == INVALID_HANDLE_VALUE)
        return Result::NoMoreFiles;
    WIN32_FIND_DATAA data;
    if (FindNextFileA(state->handle, &data)) {
        state->name = data.cFileName;
        return Result::Found;
    }
    return GetLastError() == ERROR_NO_MORE_FILES ? Result::NoMoreFiles : Result::Failed;
}

const std::string& ModuleSearch::FileName() const
{
    return state->name;
}

bool FullPath(const std::string& name, std::string& out)
{
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(name.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    out.assign(buffer, length);
    return true;
}

bool CurrentDirectory(std::string& out)
{
    char buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH)
        return false;
    out.assign(buffer, length);
    return true;
}

} // namespace platform
