#include "catalogue/match.h"

#include <stdint.h>
#include <string.h>

#include <cpuid.h>
#include <emmintrin.h>

// Both our builds read entries 16 bytes at a time (the 32-bit one is
// compiled with -msse2).
#if !defined(__SSE2__)
#error "the word matcher needs SSE2"
#endif

#include "catalogue/word_search.h"

// What runs once a pass or once in a thousand entries is built for size
// (the file is built for speed): the word table, the choice of matcher,
// learning.
#define COLD __attribute__((cold, noinline))

// The window sizes a word learns among.
static const unsigned windowCount = 4;
static const unsigned firstWindow = 2;

static inline unsigned Bits(__m128i low, __m128i high)
{
    return (unsigned)_mm_movemask_epi8(low) | ((unsigned)_mm_movemask_epi8(high) << 16);
}

namespace {

// Sixteen bytes at a time: SSE2, which both our builds may assume.
struct NarrowLanes {
    typedef __m128i Vector;
    static const uintptr_t size = 16;
    // One window of 128 bytes and no middle byte, whatever a word learns:
    // processors without the wide lanes get the matcher's results in less
    // code, not its best speed.
    static const int probesInner = 0;
    static const unsigned windowBlocks0 = 8;
    static const unsigned windowBlocks1 = 8;
    static const unsigned windowBlocks2 = 8;
    static const unsigned windowBlocks3 = 8;
    static Vector Load(const unsigned char* at)
    {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }
    static Vector Splat(unsigned char byte) { return _mm_set1_epi8((char)byte); }
    static Vector Zero() { return _mm_setzero_si128(); }
    static Vector Ones() { return _mm_set1_epi8((char)0xFF); }
    static Vector Equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
    static Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
    static Vector Min(Vector a, Vector b) { return _mm_min_epu8(a, b); }
    static unsigned Mask(Vector v) { return (unsigned)_mm_movemask_epi8(v); }
};

}  // namespace

COLD int WideLanesUsable()
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX))
        return 0;
    // The system must save the vector registers' upper halves (XCR0 bits 1
    // and 2), or they would be lost at every switch of threads.
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6) != 6)
        return 0;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

COLD void SplitQuery(const char* query, char* table)
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
    prepared->withInner = 0;
    prepared->windowSize = firstWindow;
    prepared->vainSearches = 0;
    prepared->overflows = 0;
    prepared->endedInLastBlock = 0;
    prepared->sampledThrough = 0;
}

COLD void PrepareWords(WordSet* set, int mode, const char* table)
{
    set->mode = mode;
    set->wide = WideLanesUsable();
    set->count = 0;
    set->seen = 0;
    set->samples = 0;
    set->sampleSpacing = 1;
    set->untilSample = 1;
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
        for (int j = i; j > 0 && set->words[j].length > set->words[j - 1].length; --j)
            MoveWordForward(set, j);
    ChooseMatcher(set);
}

// Samples between two orderings of the words; and how far apart samples may
// grow (a sample of ten words costs what a few hundred entries cost the
// first word alone).
static const unsigned samplesPerOrder = 32;
static const unsigned widestSampleSpacing = 4;

// Orders the words by how many sampled entries each let through, every
// samplesPerOrder samples. While the first word stays first, samples are
// taken half as often after each order, down to one in widestSampleSpacing
// (the words behind it, which see few entries, may change places); once
// another takes its place, at the first pace again.
static COLD void OrderBySamples(WordSet* set)
{
    if (++set->samples % samplesPerOrder == 0) {
        const unsigned char* first = set->words[0].bytes;
        int moved = 0;
        // Words that let as many through keep their order.
        for (int i = 1; i < set->count; ++i)
            for (int j = i; j > 0 && set->words[j].sampledThrough <
                                         set->words[j - 1].sampledThrough; --j) {
                MoveWordForward(set, j);
                moved = 1;
            }
        for (int i = 0; i < set->count; ++i) {
            set->words[i].sampledThrough /= 2;
            // Refusals counted in the old order say nothing of the new.
            if (moved)
                set->failures[i] = 0;
        }
        if (set->words[0].bytes != first)
            set->sampleSpacing = 1;
        else if (set->sampleSpacing < widestSampleSpacing)
            set->sampleSpacing *= 2;
    }
}

// The longest text sampled; longer ones, rare, are left out of the samples.
static const unsigned sampleTextMost = 1024;

// 1 when the word's candidate test lets text through; where it does not,
// the word is not in text. text holds length bytes and zeros far enough past
// them for every read: a start whose last byte would lie past the text meets
// a zero there, which no word holds.
template <int withInner>
static int LetThrough(const PreparedWord* word, const unsigned char* text, unsigned length)
{
    const Candidates<NarrowLanes, withInner> candidates(word);
    for (unsigned at = 0; at + word->length - 1 < length; at += NarrowLanes::size)
        if (NarrowLanes::Mask(candidates.Of(text + at, NarrowLanes::Load(text + at))))
            return 1;
    return 0;
}

// The matcher for the one entry after a sample is due: every word's
// candidate test on its own, then the matcher of the set as it stands.
static COLD MATCHER_CONVENTION int MatchSampled(WordSet* set, const char* entry)
{
    const unsigned char* text = reinterpret_cast<const unsigned char*>(entry);
    if (set->mode == searchFiles || set->mode == searchFolders)
        text = NameOrFolder(set->mode, text);
    const unsigned length = text ? (unsigned)strlen(reinterpret_cast<const char*>(text)) : 0;
    if (text && length <= sampleTextMost) {
        unsigned char padded[sampleTextMost + wordSlotSize + 16];
        unsigned longest = 0;
        for (int i = 0; i < set->count; ++i)
            longest = set->words[i].length > longest ? set->words[i].length : longest;
        memcpy(padded, text, length);
        memset(padded + length, 0, longest + 16);
        // The middle byte as the set's matcher tests it.
        for (int i = 0; i < set->count; ++i) {
            PreparedWord* word = &set->words[i];
            word->sampledThrough += set->wide && word->withInner
                                        ? LetThrough<1>(word, padded, length)
                                        : LetThrough<0>(word, padded, length);
        }
        OrderBySamples(set);
    }
    set->untilSample = set->sampleSpacing;
    ChooseMatcher(set);
    return MatchWords(set, entry);
}

// What the last learnPeriod entries that a word saw (the first) or turned
// down (a later one) taught it.
COLD void Learn(PreparedWord* word)
{
    // An exact search in vain for more than one entry in four: test the
    // middle byte too (a word of one or two bytes has none).
    if (word->vainSearches > learnPeriod / 4 && word->length > 2)
        word->withInner = 1;
    // A text that outruns the window costs an exact search and a
    // mispredicted branch, about what three more blocks cost every text:
    // widen the window where more than one text in twelve outran it; narrow
    // it where a window one block smaller would have let through fewer than
    // half as many (so that it does not come straight back).
    const unsigned widenAbove = learnPeriod / 12;
    if (word->overflows > widenAbove && word->windowSize + 1 < windowCount)
        ++word->windowSize;
    else if (word->windowSize > 0 && word->overflows + word->endedInLastBlock < widenAbove / 2)
        --word->windowSize;
    word->vainSearches = 0;
    word->overflows = 0;
    word->endedInLastBlock = 0;
}

COLD void LearnFromEntries(WordSet* set)
{
    const int learnt = set->seen % learnPeriod == 0;
    if (learnt)
        Learn(&set->words[0]);
    const int sampleDue = set->count > 1 && --set->untilSample == 0;
    if (learnt || sampleDue)
        ChooseMatcher(set);
}

__attribute__((noinline)) const unsigned char* NameOrFolder(int mode, const unsigned char* entry)
{
    // One walk to the end, noting the last backslash before it.
    const __m128i zero = _mm_setzero_si128();
    const __m128i backslash = _mm_set1_epi8('\\');
    const uintptr_t address = reinterpret_cast<uintptr_t>(entry);
    const unsigned char* chunk = entry - (address & (chunkSize - 1));
    unsigned keep = ~0u << (address & (chunkSize - 1));
    const unsigned char* lastBackslash = NULL;
    for (;; chunk += chunkSize, keep = ~0u) {
        const __m128i low = NarrowLanes::Load(chunk);
        const __m128i high = NarrowLanes::Load(chunk + 16);
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

COLD void MoveWordForward(WordSet* set, int i)
{
    PreparedWord word = set->words[i];
    set->words[i] = set->words[i - 1];
    set->words[i - 1] = word;
    unsigned failures = set->failures[i];
    set->failures[i] = set->failures[i - 1];
    set->failures[i - 1] = failures;
    if (i == 1)
        ChooseMatcher(set);
}

static MATCHER_CONVENTION int MatchEverything(WordSet*, const char*)
{
    return 1;
}

static MATCHER_CONVENTION int MatchNarrowInPart(WordSet* set, const char* entry)
{
    return MatchWordsInPart<NarrowLanes>(set, entry);
}

COLD void ChooseMatcher(WordSet* set)
{
    if (set->count == 0) {
        set->match = MatchEverything;
        return;
    }
    // A sample that is due is taken, whatever else changed meanwhile.
    if (set->count > 1 && set->untilSample == 0) {
        set->match = MatchSampled;
        return;
    }
    if (set->mode == searchFiles || set->mode == searchFolders) {
        set->match = set->wide ? MatchWideInPart : MatchNarrowInPart;
        return;
    }
    const PreparedWord* first = &set->words[0];
    const unsigned state = (first->withInner ? 4 : 0) + (first->windowSize & 3);
    set->match = (set->wide ? wideMatchers : Matchers<NarrowLanes>::table)[state];
}

COLD int MatchWord(int mode, const char* word, const char* entry)
{
    if (!word[0])
        return 1;
    WordSet set;
    set.mode = mode;
    set.count = 1;
    set.wide = WideLanesUsable();
    set.failures[0] = 0;
    set.seen = 0;
    PrepareWord(&set.words[0], word);
    ChooseMatcher(&set);
    return MatchWords(&set, entry);
}
