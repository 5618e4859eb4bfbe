#include "catalogue/match.h"

#include <stdint.h>
#include <string.h>

#include <emmintrin.h>

// Both our builds read entries 16 bytes at a time (the 32-bit one is
// compiled with -msse2).
#if !defined(__SSE2__)
#error "the word matcher needs SSE2"
#endif

// Reads run past the end of an entry in whole aligned blocks, and the
// candidate test reads length - 1 bytes further still. No read ever leaves
// the memory page of a byte that belongs to the entry: aligned blocks of
// 32 bytes never straddle a page, and the further reads are made only when
// they stay in the page of their block.
static const uintptr_t pageSize = 4096;
static const uintptr_t chunkSize = 32;

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

static void PrepareWord(PreparedWord* prepared, const char* word)
{
    prepared->bytes = reinterpret_cast<const unsigned char*>(word);
    prepared->length = (unsigned)strlen(word);
    memset(prepared->firstBytes, prepared->bytes[0], sizeof(prepared->firstBytes));
    memset(prepared->lastBytes, prepared->bytes[prepared->length - 1],
           sizeof(prepared->lastBytes));
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
        set->failures[set->count] = 0;
        PrepareWord(&set->words[set->count++], word);
    }
    // Until the pass has shown which word fails most, the longest goes
    // first: it is the least likely to occur.
    for (int i = 1; i < set->count; ++i)
        for (int j = i; j > 0 && set->words[j].length > set->words[j - 1].length; --j) {
            PreparedWord moved = set->words[j];
            set->words[j] = set->words[j - 1];
            set->words[j - 1] = moved;
        }
}

// Candidate starts and ends of the text among the 32 bytes at chunk (bit i
// for chunk + i). A start is a candidate when the word's first byte is
// there and its last byte at the word's distance; near a page end, where
// the second read could leave the page, the first byte alone decides.
struct ChunkBits {
    unsigned starts;
    unsigned ends;
};

static inline __m128i Load(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

static inline unsigned Bits(__m128i low, __m128i high)
{
    return (unsigned)_mm_movemask_epi8(low) | ((unsigned)_mm_movemask_epi8(high) << 16);
}

// 1 when the word is in place at one of the candidate starts that come
// before the text's end; *ended is set when the text ends in the chunk.
// The compare stops at the first difference, at the latest at the text's
// NUL (no byte of a word is 0), so it never reads past the text.
static inline int Verify(const unsigned char* chunk, ChunkBits bits, const PreparedWord* word,
                         int* ended)
{
    unsigned starts = bits.starts;
    if (bits.ends) {
        starts &= bits.ends ^ (bits.ends - 1);
        *ended = 1;
    }
    while (starts) {
        const unsigned char* at = chunk + __builtin_ctz(starts);
        unsigned i = 1;
        while (i < word->length && at[i] == word->bytes[i])
            ++i;
        if (i == word->length)
            return 1;
        starts &= starts - 1;
    }
    return 0;
}

// 1 when word occurs in the NUL-terminated text. The one candidate test of
// the matcher: the first and the last byte of the word at their distance,
// 32 starts at a time, stays selective even for words of common letters.
static int FindWord(const unsigned char* text, const PreparedWord* word)
{
    const __m128i first = Load(word->firstBytes);
    const __m128i last = Load(word->lastBytes);
    const __m128i zero = _mm_setzero_si128();
    const unsigned distance = word->length - 1;
    // Chunks at most this far into their page read the last byte in it.
    const uintptr_t room = pageSize - chunkSize - distance;

    const uintptr_t address = reinterpret_cast<uintptr_t>(text);
    const unsigned char* chunk = text - (address & (chunkSize - 1));
    // The first chunk may begin before the text: its bytes there are
    // neither starts nor ends.
    const unsigned keep = ~0u << (address & (chunkSize - 1));
    int ended = 0;
    {
        __m128i low = Load(chunk);
        __m128i high = Load(chunk + 16);
        __m128i startsLow = _mm_cmpeq_epi8(low, first);
        __m128i startsHigh = _mm_cmpeq_epi8(high, first);
        if ((reinterpret_cast<uintptr_t>(chunk) & (pageSize - 1)) <= room) {
            startsLow = _mm_and_si128(startsLow, _mm_cmpeq_epi8(Load(chunk + distance), last));
            startsHigh =
                _mm_and_si128(startsHigh, _mm_cmpeq_epi8(Load(chunk + 16 + distance), last));
        }
        ChunkBits bits;
        bits.starts = Bits(startsLow, startsHigh) & keep;
        bits.ends = Bits(_mm_cmpeq_epi8(low, zero), _mm_cmpeq_epi8(high, zero)) & keep;
        if (bits.starts | bits.ends) {
            if (Verify(chunk, bits, word, &ended))
                return 1;
            if (ended)
                return 0;
        }
    }
    for (;;) {
        chunk += chunkSize;
        __m128i low = Load(chunk);
        __m128i high = Load(chunk + 16);
        __m128i startsLow = _mm_cmpeq_epi8(low, first);
        __m128i startsHigh = _mm_cmpeq_epi8(high, first);
        if ((reinterpret_cast<uintptr_t>(chunk) & (pageSize - 1)) <= room) {
            startsLow = _mm_and_si128(startsLow, _mm_cmpeq_epi8(Load(chunk + distance), last));
            startsHigh =
                _mm_and_si128(startsHigh, _mm_cmpeq_epi8(Load(chunk + 16 + distance), last));
        }
        __m128i endsLow = _mm_cmpeq_epi8(low, zero);
        __m128i endsHigh = _mm_cmpeq_epi8(high, zero);
        // Most chunks hold neither: one test for both halves.
        if (!_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(startsLow, endsLow),
                                            _mm_or_si128(startsHigh, endsHigh))))
            continue;
        ChunkBits bits;
        bits.starts = Bits(startsLow, startsHigh);
        bits.ends = Bits(endsLow, endsHigh);
        if (Verify(chunk, bits, word, &ended))
            return 1;
        if (ended)
            return 0;
    }
}

// The text that mode searches a word in, or null when mode excludes the
// entry altogether.
static const unsigned char* SearchedText(int mode, const unsigned char* entry)
{
    if (mode != searchFiles && mode != searchFolders)
        return entry;
    // One walk to the end, noting the last backslash before it.
    const __m128i zero = _mm_setzero_si128();
    const __m128i backslash = _mm_set1_epi8('\\');
    const uintptr_t address = reinterpret_cast<uintptr_t>(entry);
    const unsigned char* chunk = entry - (address & (chunkSize - 1));
    unsigned keep = ~0u << (address & (chunkSize - 1));
    const unsigned char* lastBackslash = NULL;
    for (;; chunk += chunkSize, keep = ~0u) {
        __m128i low = Load(chunk);
        __m128i high = Load(chunk + 16);
        unsigned ends = Bits(_mm_cmpeq_epi8(low, zero), _mm_cmpeq_epi8(high, zero)) & keep;
        unsigned backslashes =
            Bits(_mm_cmpeq_epi8(low, backslash), _mm_cmpeq_epi8(high, backslash)) & keep;
        if (ends)
            backslashes &= (ends & (0u - ends)) - 1;
        if (backslashes)
            lastBackslash = chunk + 31 - __builtin_clz(backslashes);
        if (!ends)
            continue;
        const unsigned char* end = chunk + __builtin_ctz(ends);
        if (mode == searchFiles)
            return lastBackslash ? lastBackslash + 1 : entry;
        return end > entry && end[-1] == '\\' ? entry : NULL;
    }
}

int MatchWords(WordSet* set, const char* entry)
{
    const int count = set->count;
    if (count == 0)
        return 1;
    const unsigned char* text =
        SearchedText(set->mode, reinterpret_cast<const unsigned char*>(entry));
    if (!text)
        return 0;
    for (int i = 0; i < count; ++i) {
        if (FindWord(text, &set->words[i]))
            continue;
        // Learn: a word that has now turned down more entries than the
        // one before it moves one place forward. The order of an AND
        // never changes its result.
        if (i > 0 && ++set->failures[i] > set->failures[i - 1]) {
            PreparedWord word = set->words[i];
            set->words[i] = set->words[i - 1];
            set->words[i - 1] = word;
            unsigned failures = set->failures[i];
            set->failures[i] = set->failures[i - 1];
            set->failures[i - 1] = failures;
        } else if (i == 0) {
            ++set->failures[0];
        }
        return 0;
    }
    return 1;
}

int MatchWord(int mode, const char* word, const char* entry)
{
    if (!word[0])
        return 1;
    WordSet set;
    set.mode = mode;
    set.count = 1;
    set.failures[0] = 0;
    PrepareWord(&set.words[0], word);
    return MatchWords(&set, entry);
}
