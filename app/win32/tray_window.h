#pragma once

#include "app/win32/win.h"

// Registers "GlancerWindowClass" and creates the hidden window that owns the
// tray icon and receives its menu's commands. On failure shows
// "Window Registration Failed!" or "Window Creation Failed!" and gives null.
HWND CreateTrayWindow(HINSTANCE instance);

// Destroying the window removes the tray icon and posts the quit message
// (exit code 0); a close request destroys it.
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
