// Every buffer of the program comes zero-filled from the process heap.
#ifndef SORVANE_APP_BASE_PROCESS_HEAP_H
#define SORVANE_APP_BASE_PROCESS_HEAP_H

#include <windows.h>

inline void* AllocZeroed(SIZE_T size)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

inline BOOL FreeBlock(void* block)
{
    return HeapFree(GetProcessHeap(), 0, block);
}

// For the few plain classes of the program: `new` takes zeroed heap memory
// and yields null on failure (no exceptions), so callers pass the result
// through CheckAllocation.
#define SORVANE_HEAP_OBJECT                                                     \
    static void* operator new(size_t size) noexcept { return AllocZeroed(size); } \
    static void operator delete(void* block) { FreeBlock(block); }

#endif
