#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/api/glancer_plugin.h"

class Core;

// The one services object every plugin receives from getInterface. Its
// functions act on the Core bound here (the program binds its one Core
// before loading plugins; tests bind their own).
CoreServices* GetCoreServices();
void BindCoreServices(Core* core);

// Copies text into a plugin's buffer: at most size-1 bytes, zero-filled,
// always terminated; size 0 writes nothing.
void CopyOut(const char* text, std::size_t length, char* buffer, std::uint32_t size);
