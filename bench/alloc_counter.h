#pragma once

// Heap allocations made through operator new since the program started.
// The replacement operators live in their own file so that the compiler
// never inlines them into their callers.
long AllocationCount();
