// Differential fuzz target for the word matcher, built natively for the
// build machine with clang's libFuzzer, AddressSanitizer and
// UndefinedBehaviorSanitizer (bench/fuzz/run.sh builds and runs it; it is
// not part of the Windows build). Each input is a query and some entries;
// the matcher's answers, in every search mode, are held to a plain
// reference written straight from the rules: the query split at runs of
// spaces into at most ten slots, slot 0 always tested and the first empty
// slot after it ending the words, an empty word matching everything, and
// a byte-by-byte substring test in the part of the entry the mode searches.
//
// Entries are placed where block reads are most likely to go wrong: ending
// on the last byte of a page whose next page may not be read, and at every
// distance from a 32-byte boundary amid NULs and bytes of the entry's own
// alphabet (which must never count).
//
// Input: byte 0 picks an odd mode value, the state the words start in and
// where the entries go, then the query up to the first NUL, then the
// entries, NUL-separated.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "catalogue/match.h"

static const size_t pageSize = 4096;

// The harness and the reference need no coverage guidance of their own:
// the search follows the matcher's branches, and runs faster without them.
#define HARNESS __attribute__((no_sanitize("coverage")))
#define REFERENCE_ATTRIBUTES HARNESS
#include "tests/reference_match.h"

// Two readable pages, then one that may not be read.
static unsigned char* guarded;

static void MakeGuardedPages()
{
    void* pages = mmap(NULL, 3 * pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                       -1, 0);
    if (pages == MAP_FAILED || mprotect(static_cast<char*>(pages) + 2 * pageSize, pageSize,
                                        PROT_NONE) != 0) {
        perror("guard page");
        abort();
    }
    guarded = static_cast<unsigned char*>(pages);
}

// The query as the rules split it, into slots of at most 999 bytes.
struct ReferenceQuery {
    char slots[wordSlots][wordSlotSize];
};

HARNESS static void ReferenceSplit(const char* query, ReferenceQuery* split)
{
    memset(split, 0, sizeof(*split));
    unsigned slot = 0;
    unsigned length = 0;
    const char* p = query;
    while (*p) {
        if (*p != ' ') {
            // A slot keeps 999 bytes of a longer word.
            if (length < wordSlotSize - 1)
                split->slots[slot][length++] = *p;
            ++p;
            continue;
        }
        // A run of spaces moves on to the next slot; there are ten.
        while (*p == ' ')
            ++p;
        if (++slot == wordSlots)
            break;
        length = 0;
    }
}

HARNESS static int ReferenceEntry(int mode, const ReferenceQuery* split, const char* entry)
{
    for (unsigned slot = 0; slot < wordSlots; ++slot) {
        if (slot > 0 && !split->slots[slot][0])
            break;
        if (!ReferenceMatch(mode, split->slots[slot], entry))
            return 0;
    }
    return 1;
}

static void Fail(const char* what, int mode, const char* query, const char* entry)
{
    fprintf(stderr, "%s differs: mode %d query \"%s\" entry \"%s\"\n", what, mode, query, entry);
    abort();
}

// Copies entry (length bytes and its NUL) to a place chosen by where:
// 0 ends it on the last readable byte; otherwise it starts where - 1 bytes
// after a 32-byte boundary amid NULs and bytes of the entry.
HARNESS static const char* Place(const char* entry, size_t length, unsigned where)
{
    if (where == 0) {
        char* at = reinterpret_cast<char*>(guarded) + 2 * pageSize - length - 1;
        memcpy(at, entry, length + 1);
        return at;
    }
    unsigned char* area = guarded;
    for (size_t i = 0; i < 64 + 32 + length + 64; ++i)
        area[i] = (i * 7 + where) % 5 == 0 || length == 0 ? 0 : entry[(i * 13 + where) % length];
    char* at = reinterpret_cast<char*>(area) + 64 + (where - 1) % 32;
    memcpy(at, entry, length + 1);
    return at;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!guarded)
        MakeGuardedPages();
    if (size < 1 || size > 8000)
        return 0;
    const unsigned char control = data[0];
    // The input as NUL-separated strings: the query, then the entries.
    char* text = static_cast<char*>(malloc(size + 1));
    memcpy(text, data + 1, size - 1);
    text[size - 1] = 0;
    const char* end = text + size - 1;
    char query[wordSlotSize] = {0};
    strncpy(query, text, sizeof(query) - 1);

    ReferenceQuery split;
    ReferenceSplit(query, &split);
    char* table = static_cast<char*>(calloc(1, wordTableSize));
    SplitQuery(query, table);
    for (unsigned slot = 0; slot < wordSlots; ++slot)
        if (strcmp(split.slots[slot], table + slot * wordSlotSize) != 0)
            Fail("split", 0, query, "");

    // Every mode, and one more value that must behave as the full mode.
    const int modes[] = {searchFull, searchFiles, searchFolders, (signed char)control};
    for (int mode : modes) {
        // One set for all the entries, as in a pass, so that what it learns
        // carries from entry to entry.
        WordSet set;
        PrepareWords(&set, mode, table);
        // A pass teaches its words over thousands of entries; an input has
        // a few: start them in any state they can learn.
        for (int w = 0; w < set.count; ++w) {
            set.words[w].withInner = (control >> (w % 3)) & 1;
            set.words[w].windowSize = (control >> (2 + w % 5)) & 3;
        }
        set.wide = WideLanesUsable() && (control & 0x80);
        ChooseMatcher(&set);
        unsigned where = control >> 4;
        for (const char* entry = text + strlen(text) + 1; entry < end;
             entry += strlen(entry) + 1) {
            size_t length = strlen(entry);
            if (length > pageSize - 256)
                continue;
            where = (where + 5) % 40;
            const char* placed = Place(entry, length, where);
            int expected = ReferenceEntry(mode, &split, entry);
            if (MatchWords(&set, placed) != expected)
                Fail("MatchWords", mode, query, entry);
            for (unsigned slot = 0; slot < wordSlots && (slot == 0 || split.slots[slot][0]);
                 ++slot)
                if (MatchWord(mode, split.slots[slot], placed) !=
                    ReferenceMatch(mode, split.slots[slot], entry))
                    Fail("MatchWord", mode, split.slots[slot], entry);
        }
    }
    free(table);
    free(text);
    return 0;
}
