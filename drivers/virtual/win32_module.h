#pragma once

#include <windows.h>

namespace vdisplay {

// The module this code lives in (the driver's DLL, not the program), so the
// window class and the dialog belong to the DLL that owns their procedures.
inline HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

} // namespace vdisplay
