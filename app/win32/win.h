#pragma once

// <windows.h> for the tray program, without its FreeModule macro, which
// would rename platform::FreeModule wherever the engine headers follow.
#include <windows.h>
#undef FreeModule
