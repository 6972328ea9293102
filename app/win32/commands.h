#pragma once

#include "app/win32/win.h"

// Whether the command line asks for "check" or "values" rather than the tray.
bool IsCommand(int argc, char** argv);
// Runs it, writing to the console glancer.exe was started from; gives the
// exit status (0, 1 on errors, 2 for bad arguments).
int RunCommand(int argc, char** argv);
