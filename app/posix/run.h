#pragma once

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread, so every thread
// started later inherits the mask and only RunEngine receives them. Call
// first thing in main, before any thread exists.
void BlockStopSignals();

// The program proper, in the working directory: start-up; when Init fails,
// one line on standard error saying why; then idle (or running) until one
// of the blocked signals arrives (SIGHUP only when the terminal it was
// started in has gone; otherwise it reloads the screens); shutdown. Gives
// the exit status, 0.
int RunEngine();
