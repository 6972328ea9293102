#pragma once

// Heap allocations made through operator new on the calling thread so far.
// The replacement operators live in their own file so that the compiler
// never inlines them into their callers; only the tick test and the
// benchmark link it, leaving the other tests the runtime's own checks.
long AllocationCount();
// Blocks from operator new, on any thread, not yet deleted.
long LiveBlocks();
