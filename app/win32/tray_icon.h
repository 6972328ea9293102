#pragma once

#include "app/win32/win.h"

// The process's one notification-area icon: id 103, tip "Glancer", mouse
// events arriving at its owner window as message kTrayMessage.
inline constexpr UINT kTrayMessage = WM_USER + 1;

// Adds the icon for `window` (again after the shell restarted); false when
// the shell refused it.
bool AddTrayIcon(HWND window, HINSTANCE instance);

// Removes the icon added last; harmless when there is none.
void RemoveTrayIcon();
