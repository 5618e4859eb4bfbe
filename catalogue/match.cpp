#include "catalogue/match.h"

#include <windows.h>

#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int MatchWord(int mode, const char* word, const char* entry)
{
    if (!word[0])
        return 1;
    WordSet set;
    set.mode = mode;
    set.count = 1;
    PreparedWord* prepared = &set.words[0];
    prepared->bytes = reinterpret_cast<const unsigned char*>(word);
    prepared->length = (unsigned)strlen(word);
    prepared->firstProbe = 0;
    prepared->secondProbe = prepared->length - 1;
    unsigned length;
    return MatchWords(&set, entry, &length);
}

void SplitQuery(const char* query, char* table)
{
    unsigned slot = 0;
    unsigned position = 0;
    for (const char* p = query; *p; ++p) {
        if (*p != ' ') {
            table[slot * wordSlotSize + position++] = *p;
            continue;
        }
        while (p[1] == ' ')
            ++p;
        if (++slot == wordSlots)
            return;
        position = 0;
    }
}

// How common a byte is in file paths, 0 for the rare ones. A word is first
// looked for at its two least common bytes, so that few places need a full
// compare.
static unsigned Commonness(unsigned char ch)
{
    static const char byFrequency[] = "\\esaiortnl.cdmpuhgfbw_y-vk01x2:3";
    const char* found = ch ? strchr(byFrequency, ch) : NULL;
    return found ? (unsigned)(sizeof(byFrequency) - (found - byFrequency)) : 0;
}

static void ChooseProbes(PreparedWord* word)
{
    unsigned first = 0;
    for (unsigned i = 1; i < word->length; ++i)
        if (Commonness(word->bytes[i]) < Commonness(word->bytes[first]))
            first = i;
    unsigned second = first;
    for (unsigned i = 0; i < word->length; ++i)
        if (i != first &&
            (second == first || Commonness(word->bytes[i]) < Commonness(word->bytes[second])))
            second = i;
    word->firstProbe = first;
    word->secondProbe = second;
}

void PrepareWords(WordSet* set, int mode, const char* table)
{
    set->mode = mode;
    set->count = 0;
    for (unsigned slot = 0; slot < wordSlots; ++slot) {
        const char* word = table + slot * wordSlotSize;
        if (!word[0]) {
            if (slot > 0)
                break;
            continue;  // slot 0 is tested even when empty, and an empty word matches all
        }
        PreparedWord* prepared = &set->words[set->count++];
        prepared->bytes = reinterpret_cast<const unsigned char*>(word);
        prepared->length = (unsigned)strlen(word);
        ChooseProbes(prepared);
    }
    // The longest word first: it is the likeliest to fail and end the tests
    // of an entry early. The order of an AND does not change its result.
    for (int i = 1; i < set->count; ++i)
        for (int j = i; j > 0 && set->words[j].length > set->words[j - 1].length; --j) {
            PreparedWord moved = set->words[j];
            set->words[j] = set->words[j - 1];
            set->words[j - 1] = moved;
        }
}

#if defined(__SSE2__)

static inline unsigned ZeroMask(const __m128i* block)
{
    return (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(block), _mm_setzero_si128()));
}

unsigned EntryLength(const char* entry)
{
    // Aligned blocks never cross a page end, so reading a whole block that
    // holds the terminating NUL is always safe.
    uintptr_t address = reinterpret_cast<uintptr_t>(entry);
    const __m128i* block = reinterpret_cast<const __m128i*>(address & ~(uintptr_t)15);
    unsigned mask = ZeroMask(block) >> (address & 15);
    if (mask)
        return (unsigned)__builtin_ctz(mask);
    for (;;) {
        ++block;
        mask = ZeroMask(block);
        if (mask)
            return (unsigned)(reinterpret_cast<const char*>(block) - entry) + __builtin_ctz(mask);
    }
}

// 1 when a 16-byte read at p stays in the page of p.
static inline int InOnePage(const unsigned char* p)
{
    return (reinterpret_cast<uintptr_t>(p) & 4095) <= 4096 - 16;
}

int ContainsWord(const char* text, unsigned textLength, const PreparedWord* word)
{
    const unsigned length = word->length;
    if (length == 0)
        return 1;
    if (length > textLength)
        return 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* wanted = word->bytes;
    const unsigned first = word->firstProbe;
    const unsigned second = word->secondProbe;
    const __m128i firstByte = _mm_set1_epi8((char)wanted[first]);
    const __m128i secondByte = _mm_set1_epi8((char)wanted[second]);
    const unsigned lastStart = textLength - length;

    // Each round tests 16 start positions at once: a start is a candidate
    // when both probe bytes are in place. Every probed byte of a start that
    // is not past lastStart lies inside the text.
    for (unsigned start = 0; start <= lastStart; start += 16) {
        const unsigned char* atFirst = bytes + start + first;
        const unsigned char* atSecond = bytes + start + second;
        unsigned candidates;
        if (InOnePage(atFirst) && InOnePage(atSecond)) {
            __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(atFirst)),
                                       firstByte);
            __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(atSecond)),
                                       secondByte);
            candidates = (unsigned)_mm_movemask_epi8(_mm_and_si128(a, b));
        } else {
            // Near a page end: test byte by byte, never past the text.
            candidates = 0;
            for (unsigned i = 0; i < 16 && start + i <= lastStart; ++i)
                if (atFirst[i] == wanted[first] && atSecond[i] == wanted[second])
                    candidates |= 1u << i;
        }
        if (lastStart - start < 15)
            candidates &= (2u << (lastStart - start)) - 1;
        while (candidates) {
            const unsigned char* at = bytes + start + __builtin_ctz(candidates);
            unsigned i = 0;
            while (i < length && at[i] == wanted[i])
                ++i;
            if (i == length)
                return 1;
            candidates &= candidates - 1;
        }
    }
    return 0;
}

#else

unsigned EntryLength(const char* entry)
{
    return (unsigned)strlen(entry);
}

int ContainsWord(const char* text, unsigned textLength, const PreparedWord* word)
{
    const unsigned length = word->length;
    if (length == 0)
        return 1;
    if (length > textLength)
        return 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* wanted = word->bytes;
    const unsigned first = word->firstProbe;
    const unsigned lastStart = textLength - length;
    // Only starts whose least common byte is in place are compared in full.
    const unsigned char* from = bytes + first;
    const unsigned char* end = bytes + lastStart + first + 1;
    while (from < end) {
        const unsigned char* hit =
            static_cast<const unsigned char*>(memchr(from, wanted[first], end - from));
        if (!hit)
            return 0;
        const unsigned char* at = hit - first;
        unsigned i = 0;
        while (i < length && at[i] == wanted[i])
            ++i;
        if (i == length)
            return 1;
        from = hit + 1;
    }
    return 0;
}

#endif

int MatchWords(const WordSet* set, const char* entry, unsigned* length)
{
    const unsigned entryLength = EntryLength(entry);
    *length = entryLength;
    if (set->count == 0)
        return 1;
    const char* text = entry;
    unsigned textLength = entryLength;
    if (set->mode == searchFiles) {
        // The name: what follows the last backslash (nothing for a folder).
        unsigned nameStart = entryLength;
        while (nameStart > 0 && entry[nameStart - 1] != '\\')
            --nameStart;
        text = entry + nameStart;
        textLength = entryLength - nameStart;
    } else if (set->mode == searchFolders) {
        if (entryLength == 0 || entry[entryLength - 1] != '\\')
            return 0;
    }
    for (int i = 0; i < set->count; ++i)
        if (!ContainsWord(text, textLength, &set->words[i]))
            return 0;
    return 1;
}

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
