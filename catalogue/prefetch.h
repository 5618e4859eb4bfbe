// Reading ahead by address on a walk of the catalogue. Each step of the walk
// waits for the node before it; but the scanner allocates each entry and
// then its node, one after the other, and the heap lays such blocks out in
// that order, so what the walk will reach next mostly lies a little further
// on in memory. A prefetch by address asks for it before the chain gets
// there. Where the heap is not in order (entries freed and allocated again)
// it fetches a useless line: a prefetch never faults, whatever the address,
// and changes no value.
#ifndef SORVANE_CATALOGUE_PREFETCH_H
#define SORVANE_CATALOGUE_PREFETCH_H

#include <stdint.h>

// How far ahead a walk asks: far enough that the line arrives before the
// walk does, near enough that it is still in the cache when it gets there.
// Chosen on the benchmark's two catalogues (bash scripts/bench.sh --sweep):
// ahead of both the node and its entry, 8 to 32 KiB walk about as fast, 1.6
// to 2.2 times the flat floor against 2.7 to 3.1 without; 4 KiB is a little
// slower, and 0.5 to 1 KiB no better than none (ahead of the node alone,
// worse). Ahead of one of them only does less well.
const uintptr_t walkAheadBytes = 8192;

inline void PrefetchAhead(const void* at, uintptr_t distance)
{
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(at) + distance));
}

#endif
