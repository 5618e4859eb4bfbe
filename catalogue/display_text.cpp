#include "catalogue/display_text.h"

#include <windows.h>

#include <stdint.h>

// CharLowerA of every byte, made once: the display text of each result
// compares the root with the entry character by character. User-interface
// thread only, like the filter that uses it.
static const unsigned char* LowerTable()
{
    static unsigned char table[256];
    static int ready;
    if (!ready) {
        for (unsigned ch = 1; ch < 256; ++ch)
            table[ch] = (unsigned char)(uintptr_t)CharLowerA(reinterpret_cast<LPSTR>((uintptr_t)ch));
        ready = 1;
    }
    return table;
}

unsigned MakeDisplayText(const char* root, const char* entry, char* out, unsigned outSize)
{
    const unsigned char* lower = LowerTable();
    const unsigned char* r = reinterpret_cast<const unsigned char*>(root);
    const unsigned char* e = reinterpret_cast<const unsigned char*>(entry);
    unsigned i = 0;
    while (r[i] && e[i] && lower[r[i]] == lower[e[i]])
        ++i;
    // Bounded copy: an entry is normally far shorter than the buffer, but
    // nothing in the catalogue guarantees it.
    unsigned n = 0;
    while (n + 1 < outSize && entry[i + n]) {
        out[n] = entry[i + n];
        ++n;
    }
    out[n] = 0;
    return n;
}
