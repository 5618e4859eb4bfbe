// The word test as plainly as it can be written, the reference that the
// matcher's tests and its fuzz target compare it with. Includes nothing of
// the platform, so the native fuzz build takes it too.
#ifndef SORVANE_TESTS_REFERENCE_MATCH_H
#define SORVANE_TESTS_REFERENCE_MATCH_H

#include <string.h>

#include "catalogue/match.h"

// What the fuzz build adds to keep its own code out of the coverage it
// steers by; nothing elsewhere.
#ifndef REFERENCE_ATTRIBUTES
#define REFERENCE_ATTRIBUTES
#endif

// The word test as plainly as it can be written: the searched part by mode,
// then every start position from the left, byte by byte.
REFERENCE_ATTRIBUTES inline int ReferenceMatch(int mode, const char* word, const char* entry)
{
    size_t wordLength = strlen(word);
    if (wordLength == 0)
        return 1;
    const char* text = entry;
    size_t entryLength = strlen(entry);
    if (mode == searchFiles) {
        const char* slash = strrchr(entry, '\\');
        text = slash ? slash + 1 : entry;
    } else if (mode == searchFolders) {
        if (entryLength == 0 || entry[entryLength - 1] != '\\')
            return 0;
    }
    size_t textLength = strlen(text);
    for (size_t start = 0; start + wordLength <= textLength; ++start) {
        size_t i = 0;
        while (i < wordLength && text[start + i] == word[i])
            ++i;
        if (i == wordLength)
            return 1;
    }
    return 0;
}

#endif
