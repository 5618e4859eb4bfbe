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
    const int utf8 = GetACP() == CP_UTF8;
    unsigned i = 0;
    while (r[i] && e[i]) {
        if (lower[r[i]] == lower[e[i]]) {
            ++i;
            continue;
        }
        // In UTF-8 a letter beyond ASCII is several bytes, which lower-case
        // only together: the root's character, from its first byte, is
        // compared lower-cased whole.
        if (!utf8 || r[i] < 0x80)
            break;
        unsigned start = i;
        while (start > 0 && (r[start] & 0xC0) == 0x80)
            --start;
        unsigned end = start + 1;
        while (end - start < 4 && (r[end] & 0xC0) == 0x80)
            ++end;
        char letter[4];
        for (unsigned k = start; k < end; ++k)
            letter[k - start] = (char)r[k];
        CharLowerBuffA(letter, end - start);
        unsigned k = start;
        while (k < end && e[k] == (unsigned char)letter[k - start])
            ++k;
        if (k < end)
            break;
        i = end;
    }
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
