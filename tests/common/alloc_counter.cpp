#include "tests/common/alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
thread_local long allocations = 0;
std::atomic<long> liveBlocks{0};

void Release(void* memory) noexcept
{
    if (memory != nullptr)
        liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(memory);
}
} // namespace

long AllocationCount()
{
    return allocations;
}

long LiveBlocks()
{
    return liveBlocks.load(std::memory_order_relaxed);
}

// Every plain form is replaced so that no allocation and release pair mixes
// this allocator with the runtime's (sanitizers check the pairs).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory != nullptr)
        liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return memory;
}
void* operator new(std::size_t size)
{
    if (void* memory = operator new(size, std::nothrow))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* memory) noexcept
{
    Release(memory);
}
void operator delete[](void* memory) noexcept
{
    Release(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    Release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    Release(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    Release(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    Release(memory);
}
