#pragma once

#include "platform/platform.h"

class Core;

// The process-wide Core every shell drives.
Core& TheCore();

// Start-up: the log header, the six item factories, Init, and the 50 ms
// timer when Init succeeded. Gives Init's result (the shells decide what to
// tell the user; the Windows shell tells nothing).
bool StartUp(Core& core, platform::PeriodicTimer& timer);

// Shutdown: stops the timer (waiting for a running tick), the Core's
// Shutdown, "Glancer shutting down".
void ShutDown(Core& core, platform::PeriodicTimer& timer);
