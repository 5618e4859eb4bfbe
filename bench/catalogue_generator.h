// The two catalogues the filter's figures are measured on, pushed into the
// catalogue as the scanner would push them, from fixed seeds so that every
// run sees the same paths.
#ifndef SORVANE_BENCH_CATALOGUE_GENERATOR_H
#define SORVANE_BENCH_CATALOGUE_GENERATOR_H

#include <string.h>

#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "bench/bench_common.h"
#include "catalogue/linked_list.h"

// Entries in each catalogue.
const int catalogueSize = 1000000;

// Realistic: a system drive's folders, paths of about 104 bytes, up to 259.
void GenerateRealisticCatalogue();
// Generated: short paths (about 53 bytes) from a small vocabulary.
void GenerateShortCatalogue();

// What both generators share: the random state, the entries made so far
// and the path being built.
struct Generator {
    unsigned random;
    int made;
    int limit;  // the entries of the part being made end here
    char path[1024];
};

inline unsigned Random(Generator* generator, unsigned below)
{
    return NextRandom(&generator->random) % below;
}

template <unsigned N>
const char* Pick(Generator* generator, const char* const (&names)[N])
{
    return names[Random(generator, N)];
}

inline int Full(const Generator* generator)
{
    return generator->made >= generator->limit;
}

// Pushes the first length bytes of generator's path.
inline void AddGenerated(Generator* generator, unsigned length, int isFolder)
{
    // The scanner's allocation pattern: the string with room for the folder
    // form, then its node.
    char* entry = static_cast<char*>(AllocZeroed(length + (isFolder ? 1 : 2)));
    memcpy(entry, generator->path, length);
    catalogue->PushBack(entry);
    ++generator->made;
}

#endif
