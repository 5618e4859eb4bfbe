#include "catalogue/match.h"

#include <stdint.h>
#include <string.h>

#include <emmintrin.h>

// Both our builds read entries 16 bytes at a time (the 32-bit one is
// compiled with -msse2).
#if !defined(__SSE2__)
#error "the word matcher needs SSE2"
#endif

// Reads run past the end of a text in whole aligned blocks, and the
// candidate test reads up to length - 1 bytes further. No read ever leaves
// the memory page of a byte that belongs to the text: aligned blocks never
// straddle a page, and the further reads are made only where they stay in
// the page of their block.
static const uintptr_t pageSize = 4096;
static const uintptr_t blockSize = 16;
static const uintptr_t chunkSize = 32;

// How a word learns: each time it has turned down another learnPeriod
// entries, it looks at what happened meanwhile. Its window, the bytes tested
// at once from a text's start without a branch per block, follows the
// lengths of the entries seen lately: it is one of a few sizes, each
// compiled without a loop.
static const unsigned learnPeriod = 1024;
static constexpr unsigned windowBlocks[] = {5, 6, 8, 10};  // 16-byte blocks: 80 to 160 bytes
static const unsigned windowCount = sizeof(windowBlocks) / sizeof(windowBlocks[0]);
static const unsigned firstWindow = 2;

void SplitQuery(const char* query, char* table)
{
    unsigned slot = 0;
    unsigned position = 0;
    for (const char* p = query; *p; ++p) {
        if (*p != ' ') {
            // The query box holds fewer bytes than a slot; a longer word
            // from elsewhere keeps what fits and its NUL.
            if (position + 1 < wordSlotSize)
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
    prepared->inner = prepared->length / 2;
    memset(prepared->firstBytes, prepared->bytes[0], sizeof(prepared->firstBytes));
    memset(prepared->lastBytes, prepared->bytes[prepared->length - 1],
           sizeof(prepared->lastBytes));
    memset(prepared->innerBytes, prepared->bytes[prepared->inner], sizeof(prepared->innerBytes));
    prepared->withInner = 0;
    prepared->windowSize = firstWindow;
    prepared->vainSearches = 0;
    prepared->overflows = 0;
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

static inline __m128i Load(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

static inline unsigned Bits(__m128i low, __m128i high)
{
    return (unsigned)_mm_movemask_epi8(low) | ((unsigned)_mm_movemask_epi8(high) << 16);
}

// The candidate test of the matcher, the only one: for the sixteen starts
// of the block at at (whose bytes are in bytes), the word's first byte at the
// start and its last byte at their distance, and its middle byte too once
// the word has learnt to test it. It stays selective for words of common
// letters, whose bytes one by one are everywhere.
template <int withInner>
struct Candidates {
    __m128i first;
    __m128i last;
    __m128i inner;
    unsigned distance;
    unsigned innerAt;

    explicit Candidates(const PreparedWord* word)
        : first(Load(word->firstBytes)),
          last(Load(word->lastBytes)),
          inner(Load(word->innerBytes)),
          distance(word->length - 1),
          innerAt(word->inner)
    {
    }
    // Only where the reads at distance stay in the page of at.
    __m128i Of(const unsigned char* at, __m128i bytes) const
    {
        __m128i starts = _mm_and_si128(_mm_cmpeq_epi8(bytes, first),
                                       _mm_cmpeq_epi8(Load(at + distance), last));
        if (withInner)
            starts = _mm_and_si128(starts, _mm_cmpeq_epi8(Load(at + innerAt), inner));
        return starts;
    }
};

// Candidate starts and ends of the text among the 32 bytes of a chunk
// (bit i for chunk + i).
struct ChunkBits {
    unsigned starts;
    unsigned ends;
};

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

// The exact search from chunk (32-byte aligned) on, 32 starts at a time,
// to the word or the text's end. keep: the bits of the first chunk's bytes
// that belong to the text.
template <int withInner>
static int FindFrom(const unsigned char* chunk, unsigned keep, const PreparedWord* word)
{
    const Candidates<withInner> candidates(word);
    const __m128i zero = _mm_setzero_si128();
    // Chunks at most this far into their page test the far bytes in it;
    // beyond, the first byte alone decides.
    const uintptr_t room = pageSize - chunkSize - (word->length - 1);
    int ended = 0;
    for (;; chunk += chunkSize, keep = ~0u) {
        const __m128i low = Load(chunk);
        const __m128i high = Load(chunk + 16);
        __m128i startsLow;
        __m128i startsHigh;
        if ((reinterpret_cast<uintptr_t>(chunk) & (pageSize - 1)) <= room) {
            startsLow = candidates.Of(chunk, low);
            startsHigh = candidates.Of(chunk + 16, high);
        } else {
            startsLow = _mm_cmpeq_epi8(low, candidates.first);
            startsHigh = _mm_cmpeq_epi8(high, candidates.first);
        }
        const __m128i endsLow = _mm_cmpeq_epi8(low, zero);
        const __m128i endsHigh = _mm_cmpeq_epi8(high, zero);
        // Most chunks hold neither: one test for both halves.
        if (!_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(startsLow, endsLow),
                                            _mm_or_si128(startsHigh, endsHigh))))
            continue;
        ChunkBits bits;
        bits.starts = Bits(startsLow, startsHigh) & keep;
        bits.ends = Bits(endsLow, endsHigh) & keep;
        if (!(bits.starts | bits.ends))
            continue;
        if (Verify(chunk, bits, word, &ended))
            return 1;
        if (ended)
            return 0;
    }
}

// The exact search from a text's start.
template <int withInner>
static inline int FindFromStart(const unsigned char* text, const PreparedWord* word)
{
    const uintptr_t offset = reinterpret_cast<uintptr_t>(text) & (chunkSize - 1);
    return FindFrom<withInner>(text - offset, ~0u << offset, word);
}

// 1 when word occurs in the NUL-terminated text. Most texts end inside the
// word's window of blocks 16-byte blocks: they are tested without a branch
// each (a mispredicted loop end costs more than the tests), and a text whose
// window shows no candidate and holds its end is done. Any other text goes
// on to the exact search, from where the window ends when it showed no
// candidate.
template <int withInner, unsigned blocks>
__attribute__((always_inline)) static inline int FindInWindow(const unsigned char* text,
                                                              PreparedWord* word)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(text);
    const unsigned char* block = text - (address & (blockSize - 1));
    const unsigned window = blocks * (unsigned)blockSize;
    if ((reinterpret_cast<uintptr_t>(block) & (pageSize - 1)) + window + word->length - 1 >
        pageSize)
        return FindFromStart<withInner>(text, word);
    const Candidates<withInner> candidates(word);
    const __m128i zero = _mm_setzero_si128();
    // The first block may begin before the text: a NUL there is no end (a
    // candidate there only costs an exact search).
    const __m128i head = Load(block);
    __m128i starts = candidates.Of(block, head);
    unsigned ends =
        (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(head, zero)) & (~0u << (address & 15));
    // The least byte of the other blocks is 0 where one of them ends the text.
    __m128i least = _mm_set1_epi8((char)0xFF);
    for (unsigned i = 1; i < blocks; ++i) {
        const __m128i bytes = Load(block + i * blockSize);
        starts = _mm_or_si128(starts, candidates.Of(block + i * blockSize, bytes));
        least = _mm_min_epu8(least, bytes);
    }
    ends |= (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero));
    if (_mm_movemask_epi8(starts)) {
        const int found = FindFromStart<withInner>(text, word);
        word->vainSearches += !found;
        return found;
    }
    if (ends)
        return 0;
    ++word->overflows;
    const unsigned char* next = block + window;
    const uintptr_t offset = reinterpret_cast<uintptr_t>(next) & (chunkSize - 1);
    return FindFrom<withInner>(next - offset, ~0u << offset, word);
}

template <int withInner>
__attribute__((always_inline)) static inline int FindWith(const unsigned char* text,
                                                          PreparedWord* word)
{
    switch (word->windowSize) {
    case 0:
        return FindInWindow<withInner, windowBlocks[0]>(text, word);
    case 1:
        return FindInWindow<withInner, windowBlocks[1]>(text, word);
    case 2:
        return FindInWindow<withInner, windowBlocks[2]>(text, word);
    default:
        return FindInWindow<withInner, windowBlocks[3]>(text, word);
    }
}

static inline int FindWord(const unsigned char* text, PreparedWord* word)
{
    return word->withInner ? FindWith<1>(text, word) : FindWith<0>(text, word);
}

// What the word's last learnPeriod refusals taught it.
__attribute__((noinline)) static void Learn(PreparedWord* word)
{
    // An exact search in vain for more than one refusal in four: test the
    // middle byte too (a word of one or two bytes has none).
    if (word->vainSearches > learnPeriod / 4 && word->length > 2)
        word->withInner = 1;
    // One text in five outran the window: widen it. Hardly any: narrow it,
    // for less work and fewer candidates among the bytes past the ends.
    if (word->overflows > learnPeriod / 5 && word->windowSize + 1 < windowCount)
        ++word->windowSize;
    else if (word->overflows < learnPeriod / 50 && word->windowSize > 0)
        --word->windowSize;
    word->vainSearches = 0;
    word->overflows = 0;
}

// The text that mode searches a word in, or null when mode excludes the
// entry altogether.
__attribute__((noinline)) static const unsigned char* NameOrFolder(int mode,
                                                                  const unsigned char* entry)
{
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

static inline const unsigned char* SearchedText(int mode, const unsigned char* entry)
{
    return mode != searchFiles && mode != searchFolders ? entry : NameOrFolder(mode, entry);
}

// The word at i has now turned down more entries than the one before it.
__attribute__((noinline)) static void MoveForward(WordSet* set, int i)
{
    PreparedWord word = set->words[i];
    set->words[i] = set->words[i - 1];
    set->words[i - 1] = word;
    unsigned failures = set->failures[i];
    set->failures[i] = set->failures[i - 1];
    set->failures[i - 1] = failures;
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
        const unsigned failures = ++set->failures[i];
        if (failures % learnPeriod == 0)
            Learn(&set->words[i]);
        // A word that has now turned down more entries than the one before
        // it moves one place forward. The order of an AND never changes its
        // result.
        if (i > 0 && failures > set->failures[i - 1])
            MoveForward(set, i);
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
