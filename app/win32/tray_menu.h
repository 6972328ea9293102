#pragma once

#include "app/win32/win.h"

// Opens the six-item pop-up menu at the cursor; the choice arrives at
// `window` as WM_COMMAND. Nothing happens when the menu cannot be made.
void ShowTrayMenu(HWND window);

// Carries out a menu command id; unknown ids do nothing.
void RunMenuCommand(HWND window, WORD id);
