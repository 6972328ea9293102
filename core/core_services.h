#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/api/glancer_plugin.h"

class Core;

// The one services object every plugin receives from getInterface. Its
// functions act on the Core bound here (the program binds its one Core
// before loading plugins; tests bind their own). Every function may be
// called from any thread and never lets an exception out.
CoreServices* GetCoreServices();
void BindCoreServices(Core* core);
// Unbinds only when `core` is the one bound (a Core being destroyed).
void UnbindCoreServices(Core* core);

// Copies text into a plugin's buffer: at most size-1 bytes, zero-filled,
// always terminated; size 0 or a null buffer writes nothing.
void CopyOut(const char* text, std::size_t length, char* buffer, std::uint32_t size);
