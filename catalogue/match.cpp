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

// 1 when a is to be tested before b.
static int TestsFirst(const PreparedWord* a, const PreparedWord* b)
{
    unsigned rarityA = Commonness(a->bytes[a->firstProbe]);
    unsigned rarityB = Commonness(b->bytes[b->firstProbe]);
    return rarityA != rarityB ? rarityA < rarityB : a->length > b->length;
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
    // The word with the rarest byte first, then the longest: it is the
    // likeliest to fail and end the tests of an entry early. The order of an
    // AND does not change its result.
    for (int i = 1; i < set->count; ++i)
        for (int j = i; j > 0 && TestsFirst(&set->words[j], &set->words[j - 1]); --j) {
            PreparedWord moved = set->words[j];
            set->words[j] = set->words[j - 1];
            set->words[j - 1] = moved;
        }
}

static unsigned PortableEntryLength(const char* entry)
{
    return (unsigned)strlen(entry);
}

static int PortableContainsWord(const char* text, unsigned textLength,
                                const PreparedWord* word)
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

// Narrows entry to the part that mode searches. Returns 0 when the mode
// excludes the entry altogether.
static inline int SearchedPart(int mode, const char* entry, unsigned entryLength,
                               const char** text, unsigned* textLength)
{
    *text = entry;
    *textLength = entryLength;
    if (mode == searchFiles) {
        // The name: what follows the last backslash (nothing for a folder).
        unsigned nameStart = entryLength;
        while (nameStart > 0 && entry[nameStart - 1] != '\\')
            --nameStart;
        *text = entry + nameStart;
        *textLength = entryLength - nameStart;
    } else if (mode == searchFolders) {
        if (entryLength == 0 || entry[entryLength - 1] != '\\')
            return 0;
    }
    return 1;
}

// Any entry, any length: its length first, then each word over the
// searched part, with the given ways to measure and to search.
template <unsigned (*Length)(const char*),
          int (*Contains)(const char*, unsigned, const PreparedWord*)>
static inline int MatchEachWord(const WordSet* set, const char* entry, unsigned* length)
{
    const unsigned entryLength = Length(entry);
    *length = entryLength;
    const char* text;
    unsigned textLength;
    if (set->count == 0)
        return 1;
    if (!SearchedPart(set->mode, entry, entryLength, &text, &textLength))
        return 0;
    for (int i = 0; i < set->count; ++i)
        if (!Contains(text, textLength, &set->words[i]))
            return 0;
    return 1;
}

// What a build without SSE2 would run: strlen, then memchr
// on each word's least common byte and a compare where it is found.
int MatchWordsPortable(const WordSet* set, const char* entry, unsigned* length)
{
    return MatchEachWord<PortableEntryLength, PortableContainsWord>(set, entry, length);
}

#if defined(__SSE2__)

static inline unsigned ZeroMask(const __m128i* block)
{
    return (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(block), _mm_setzero_si128()));
}

static unsigned SseEntryLength(const char* entry)
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

static int SseContainsWord(const char* text, unsigned textLength, const PreparedWord* word)
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

// Entries too long for the window (rare): kept out of line.
__attribute__((noinline)) static int SseMatchWordsAnyLength(const WordSet* set,
                                                            const char* entry,
                                                            unsigned* length)
{
    return MatchEachWord<SseEntryLength, SseContainsWord>(set, entry, length);
}

// One bit per byte of the 128-byte window: bit i of low stands for byte i,
// bit i of high for byte 64 + i.
struct WindowMask {
    uint64_t low;
    uint64_t high;
};

// Bytes read at once from the aligned start of an entry: nearly every entry
// ends inside them, so no loop whose length varies from entry to entry is
// needed (a mispredicted loop end costs more than the tests themselves).
static const unsigned windowBlocks = 8;

// Reads the window afresh from memory (it is in the first-level cache by
// then), so that the quick test keeps its copy in registers.
static inline WindowMask EqualMask(const __m128i* window, __m128i pattern)
{
    WindowMask mask = {0, 0};
    for (unsigned i = 0; i < 4; ++i) {
        mask.low |= (uint64_t)(unsigned)_mm_movemask_epi8(
                        _mm_cmpeq_epi8(_mm_load_si128(window + i), pattern))
                    << (16 * i);
        mask.high |= (uint64_t)(unsigned)_mm_movemask_epi8(
                         _mm_cmpeq_epi8(_mm_load_si128(window + 4 + i), pattern))
                     << (16 * i);
    }
    return mask;
}

// The mask moved down by shift bits (below 128).
static inline WindowMask ShiftDown(WindowMask mask, unsigned shift)
{
    WindowMask moved;
    if (shift >= 64) {
        moved.low = mask.high >> (shift - 64);
        moved.high = 0;
    } else if (shift == 0) {
        moved = mask;
    } else {
        moved.low = (mask.low >> shift) | (mask.high << (64 - shift));
        moved.high = mask.high >> shift;
    }
    return moved;
}

// Bits from first to last, both included (first <= last < 128).
static inline WindowMask BitRange(unsigned first, unsigned last)
{
    WindowMask range;
    range.low = last >= 63 ? ~(uint64_t)0 : (((uint64_t)2) << last) - 1;
    range.high = last < 64 ? 0 : last >= 127 ? ~(uint64_t)0 : (((uint64_t)2) << (last - 64)) - 1;
    if (first >= 64) {
        range.low = 0;
        range.high &= ~((((uint64_t)1) << (first - 64)) - 1);
    } else {
        range.low &= ~((((uint64_t)1) << first) - 1);
    }
    return range;
}

// 1 when the word is in place at one of the candidate starts (bit i of
// candidates: start from + i).
static inline int Verified(const unsigned char* bytes, uint64_t candidates, unsigned from,
                           const PreparedWord* word)
{
    while (candidates) {
        const unsigned char* at = bytes + from + __builtin_ctzll(candidates);
        unsigned i = 0;
        while (i < word->length && at[i] == word->bytes[i])
            ++i;
        if (i == word->length)
            return 1;
        candidates &= candidates - 1;
    }
    return 0;
}

// The exact test of an entry of length bytes that ends inside the window
// read from offset bytes before it: a start is a candidate when both probe
// bytes of the word are in place, and only candidates are compared.
static int MatchWindowEntry(const WordSet* set, const char* entry, unsigned length,
                            const __m128i* window, unsigned offset)
{
    unsigned firstStart = 0;
    if (set->mode == searchFiles) {
        // The name starts after the last backslash of the entry.
        WindowMask slashes = ShiftDown(EqualMask(window, _mm_set1_epi8('\\')), offset);
        if (length == 0)
            return 0;
        WindowMask inside = BitRange(0, length - 1);
        slashes.low &= inside.low;
        slashes.high &= inside.high;
        if (slashes.high)
            firstStart = 128 - __builtin_clzll(slashes.high);
        else if (slashes.low)
            firstStart = 64 - __builtin_clzll(slashes.low);
    } else if (set->mode == searchFolders) {
        if (length == 0 || entry[length - 1] != '\\')
            return 0;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(entry);
    for (int w = 0; w < set->count; ++w) {
        const PreparedWord* word = &set->words[w];
        if (word->length > length - firstStart)
            return 0;
        WindowMask first = ShiftDown(
            EqualMask(window, _mm_set1_epi8((char)word->bytes[word->firstProbe])),
            offset + word->firstProbe);
        WindowMask second = ShiftDown(
            EqualMask(window, _mm_set1_epi8((char)word->bytes[word->secondProbe])),
            offset + word->secondProbe);
        WindowMask starts = BitRange(firstStart, length - word->length);
        if (!Verified(bytes, first.low & second.low & starts.low, 0, word) &&
            !Verified(bytes, first.high & second.high & starts.high, 64, word))
            return 0;
    }
    return 1;
}

// 1 when pattern occurs anywhere in count aligned blocks.
static inline int AnyEqual(const __m128i* blocks, unsigned count, __m128i pattern)
{
    __m128i any = _mm_cmpeq_epi8(_mm_load_si128(blocks), pattern);
    for (unsigned i = 1; i < count; ++i)
        any = _mm_or_si128(any, _mm_cmpeq_epi8(_mm_load_si128(blocks + i), pattern));
    return _mm_movemask_epi8(any) != 0;
}

// The entry ends in the window at base: its length, then the exact test.
__attribute__((noinline)) static int MatchInWindow(const WordSet* set, const char* entry,
                                                   unsigned* length, const __m128i* base,
                                                   unsigned offset)
{
    WindowMask zeros = ShiftDown(EqualMask(base, _mm_setzero_si128()), offset);
    *length = zeros.low ? (unsigned)__builtin_ctzll(zeros.low)
                        : 64 + (unsigned)__builtin_ctzll(zeros.high);
    return set->count == 0 || MatchWindowEntry(set, entry, *length, base, offset);
}

// 0 when no start of the 128 from entry on has both probe bytes of word in
// place; 1 when one has, or when the reads would leave the entry's page.
static int PairMayOccur(const char* entry, const PreparedWord* word)
{
    const unsigned first = word->firstProbe;
    const unsigned second = word->secondProbe;
    const unsigned further = first > second ? first : second;
    if ((reinterpret_cast<uintptr_t>(entry) & 4095) + further + 16 * windowBlocks > 4096)
        return 1;
    const __m128i firstByte = _mm_set1_epi8((char)word->bytes[first]);
    const __m128i secondByte = _mm_set1_epi8((char)word->bytes[second]);
    const __m128i* atFirst = reinterpret_cast<const __m128i*>(entry + first);
    const __m128i* atSecond = reinterpret_cast<const __m128i*>(entry + second);
    __m128i any = _mm_setzero_si128();
    for (unsigned i = 0; i < windowBlocks; ++i)
        any = _mm_or_si128(any, _mm_and_si128(
                                    _mm_cmpeq_epi8(_mm_loadu_si128(atFirst + i), firstByte),
                                    _mm_cmpeq_epi8(_mm_loadu_si128(atSecond + i), secondByte)));
    return _mm_movemask_epi8(any) != 0;
}

static int SseMatchWords(const WordSet* set, const char* entry, unsigned* length)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(entry);
    const unsigned offset = (unsigned)(address & 15);
    // The window from the aligned start must lie in the entry's page.
    if ((address & 4095) - offset <= 4096 - 16 * windowBlocks) {
        const __m128i* base = reinterpret_cast<const __m128i*>(address - offset);
        const __m128i zero = _mm_setzero_si128();
        const unsigned endsInFirst =
            (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(base), zero)) >> offset;
        if (endsInFirst || AnyEqual(base + 1, windowBlocks - 1, zero)) {
            // Most entries lack the rarest byte of some word altogether.
            // Bytes of the window around the entry only ever send an entry
            // on to the exact test.
            for (int w = 0; w < set->count; ++w) {
                const PreparedWord* word = &set->words[w];
                // Reads the window again for each word rather than keeping
                // it in registers: on 64-bit Windows each vector register
                // beyond the first six costs a save and a restore per call.
                const __m128i* again = base;
                __asm__("" : "+r"(again));
                if (!AnyEqual(again, windowBlocks,
                              _mm_set1_epi8((char)word->bytes[word->firstProbe])))
                    return 0;
            }
            // Then both probe bytes of each word at their distance, for the
            // 128 starts from the entry on.
            for (int w = 0; w < set->count; ++w)
                if (!PairMayOccur(entry, &set->words[w]))
                    return 0;
            return MatchInWindow(set, entry, length, base, offset);
        }
    }
    return SseMatchWordsAnyLength(set, entry, length);
}

#endif

// Both our builds have SSE2 (the 32-bit one is compiled for it); the
// portable code serves a compiler without it.
unsigned EntryLength(const char* entry)
{
#if defined(__SSE2__)
    return SseEntryLength(entry);
#else
    return PortableEntryLength(entry);
#endif
}

int ContainsWord(const char* text, unsigned textLength, const PreparedWord* word)
{
#if defined(__SSE2__)
    return SseContainsWord(text, textLength, word);
#else
    return PortableContainsWord(text, textLength, word);
#endif
}

int MatchWords(const WordSet* set, const char* entry, unsigned* length)
{
#if defined(__SSE2__)
    return SseMatchWords(set, entry, length);
#else
    return MatchWordsPortable(set, entry, length);
#endif
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
