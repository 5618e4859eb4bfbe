// The word search of the matcher, written once over a width of vector
// lanes: match.cpp makes it of 16-byte SSE2 lanes, which every processor
// our builds run on has; match_wide.cpp of 32-byte AVX2 lanes, for the
// processors that have them (twice the bytes per instruction on the long
// entries of a real drive). Only those two files include it, each with the
// instruction set of its lanes; everything here has internal linkage, so no
// function compiled for the wider lanes can stand in for one of the other.
#ifndef SORVANE_CATALOGUE_WORD_SEARCH_H
#define SORVANE_CATALOGUE_WORD_SEARCH_H

#include <stdint.h>

#include "catalogue/match.h"

// Defined in match.cpp, for both widths: the text that a files or folders
// mode searches a word in, or null when the mode excludes the entry; what a
// word's last learnPeriod entries taught it (seen by the first word, turned
// down by a later one); what the entries taught the first word, and the
// samples they time (every samplePeriod entries); a
// word that has now turned down more entries than the one before it
// changing places with that one.
const unsigned char* NameOrFolder(int mode, const unsigned char* entry);
void Learn(PreparedWord* word);
void LearnFromEntries(WordSet* set);
void MoveWordForward(WordSet* set, int i);
// Defined in match_wide.cpp: the matchers over the 32-byte lanes, one per
// state of a set's first word (withInner * 4 + windowSize), and the one for
// the modes that search part of an entry. The table's definition is
// constexpr (see Matchers below).
extern const WordSetMatcher wideMatchers[8];
MATCHER_CONVENTION int MatchWideInPart(WordSet* set, const char* entry);

namespace {

// Reads run past the end of a text in whole aligned blocks, and the
// candidate test reads up to length - 1 bytes further. No read ever leaves
// the memory page of a byte that belongs to the text: aligned blocks never
// straddle a page, and the further reads are made only where they stay in
// the page of their block.
const uintptr_t searchPageSize = 4096;
// The exact search takes 32 starts at a time: one block of the wide lanes,
// two of the narrow ones.
const uintptr_t chunkSize = 32;

// How a word learns: each time it has seen (the first word) or turned down
// (a later one) another learnPeriod entries, it looks at what happened
// meanwhile. The entries the first word sees also time the samples for the
// order of the words, one in samplePeriod at the most: counted whatever the
// word made of them, so that a sample says as much of the first word as of
// the others.
const unsigned learnPeriod = 1024;
const unsigned samplePeriod = 256;

// The candidate test of the matcher, the only one: for the starts of the
// block at at (whose bytes are in bytes), the word's first byte at the start
// and its last byte at their distance, and its middle byte too once the word
// has learnt to test it. It stays selective for words of common letters,
// whose bytes one by one are everywhere.
template <class Lanes, int withInner>
struct Candidates {
    typedef typename Lanes::Vector Vector;
    Vector first;
    Vector last;
    Vector inner;
    unsigned distance;
    unsigned innerAt;

    explicit Candidates(const PreparedWord* word)
        : first(Lanes::Splat(word->bytes[0])),
          last(Lanes::Splat(word->bytes[word->length - 1])),
          inner(Lanes::Splat(word->bytes[word->inner])),
          distance(word->length - 1),
          innerAt(word->inner)
    {
    }
    // Only where the reads at distance stay in the page of at.
    Vector Of(const unsigned char* at, Vector bytes) const
    {
        Vector starts = Lanes::And(Lanes::Equal(bytes, first),
                                   Lanes::Equal(Lanes::Load(at + distance), last));
        if (withInner)
            starts = Lanes::And(starts, Lanes::Equal(Lanes::Load(at + innerAt), inner));
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
inline int Verify(const unsigned char* chunk, ChunkBits bits, const PreparedWord* word,
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
template <class Lanes, int withInner>
MATCHER_CONVENTION int FindFrom(const unsigned char* chunk, unsigned keep,
                                const PreparedWord* word)
{
    typedef typename Lanes::Vector Vector;
    const unsigned blocks = (unsigned)(chunkSize / Lanes::size);
    const Candidates<Lanes, withInner> candidates(word);
    const Vector zero = Lanes::Zero();
    // Chunks at most this far into their page test the far bytes in it;
    // beyond, the first byte alone decides.
    const uintptr_t room = searchPageSize - chunkSize - (word->length - 1);
    int ended = 0;
    for (;; chunk += chunkSize, keep = ~0u) {
        Vector starts[blocks];
        Vector ends[blocks];
        const int near = (reinterpret_cast<uintptr_t>(chunk) & (searchPageSize - 1)) <= room;
        Vector any = zero;
        for (unsigned i = 0; i < blocks; ++i) {
            const unsigned char* at = chunk + i * Lanes::size;
            const Vector bytes = Lanes::Load(at);
            starts[i] = near ? candidates.Of(at, bytes) : Lanes::Equal(bytes, candidates.first);
            ends[i] = Lanes::Equal(bytes, zero);
            any = Lanes::Or(any, Lanes::Or(starts[i], ends[i]));
        }
        // Most chunks hold neither: one test for all their blocks.
        if (!Lanes::Mask(any))
            continue;
        ChunkBits bits = {0, 0};
        for (unsigned i = 0; i < blocks; ++i) {
            bits.starts |= Lanes::Mask(starts[i]) << (i * Lanes::size);
            bits.ends |= Lanes::Mask(ends[i]) << (i * Lanes::size);
        }
        bits.starts &= keep;
        bits.ends &= keep;
        if (!(bits.starts | bits.ends))
            continue;
        if (Verify(chunk, bits, word, &ended))
            return 1;
        if (ended)
            return 0;
    }
}

// The exact search from a text's start.
template <class Lanes, int withInner>
inline int FindFromStart(const unsigned char* text, const PreparedWord* word)
{
    const uintptr_t offset = reinterpret_cast<uintptr_t>(text) & (chunkSize - 1);
    return FindFrom<Lanes, withInner>(text - offset, ~0u << offset, word);
}

// What the window of blocks lane-wide blocks from a text's start shows:
// any candidate start at all, the text's end in it, and its end before the
// last block. Most texts end inside it: they are tested without a branch
// per block (a mispredicted loop end costs more than the tests).
struct WindowView {
    unsigned candidates;
    unsigned ends;
    unsigned endsBefore;
};

// 1 when the window from block does not fit in its page with the reads at
// the word's distance: such texts go to the exact search.
template <class Lanes, unsigned blocks>
inline int WindowLeavesPage(const unsigned char* block, const PreparedWord* word)
{
    return (reinterpret_cast<uintptr_t>(block) & (searchPageSize - 1)) + blocks * Lanes::size +
               word->length - 1 >
           searchPageSize;
}

template <class Lanes, int withInner, unsigned blocks>
__attribute__((always_inline)) inline WindowView ViewWindow(const unsigned char* text,
                                                            const unsigned char* block,
                                                            const PreparedWord* word)
{
    typedef typename Lanes::Vector Vector;
    const uintptr_t lane = Lanes::size;
    const Candidates<Lanes, withInner> candidates(word);
    const Vector zero = Lanes::Zero();
    // The first block may begin before the text: a NUL there is no end (a
    // candidate there only costs an exact search).
    const Vector head = Lanes::Load(block);
    Vector starts = candidates.Of(block, head);
    const unsigned headEnds = Lanes::Mask(Lanes::Equal(head, zero)) &
                              (~0u << (reinterpret_cast<uintptr_t>(text) & (lane - 1)));
    // The least byte of the blocks between the first and the last is 0
    // where one of them ends the text.
    Vector least = Lanes::Ones();
    for (unsigned i = 1; i + 1 < blocks; ++i) {
        const Vector bytes = Lanes::Load(block + i * lane);
        starts = Lanes::Or(starts, candidates.Of(block + i * lane, bytes));
        least = Lanes::Min(least, bytes);
    }
    const unsigned char* lastBlock = block + (blocks - 1) * lane;
    const Vector last = Lanes::Load(lastBlock);
    starts = Lanes::Or(starts, candidates.Of(lastBlock, last));
    WindowView view;
    view.candidates = Lanes::Mask(starts);
    view.endsBefore = headEnds | Lanes::Mask(Lanes::Equal(least, zero));
    view.ends = view.endsBefore | Lanes::Mask(Lanes::Equal(last, zero));
    return view;
}

// The exact search from where a window without a candidate ended.
template <class Lanes, int withInner>
inline int FindPastWindow(const unsigned char* next, const PreparedWord* word)
{
    const uintptr_t offset = reinterpret_cast<uintptr_t>(next) & (chunkSize - 1);
    return FindFrom<Lanes, withInner>(next - offset, ~0u << offset, word);
}

// 1 when word occurs in the NUL-terminated text: the window first, then,
// where it showed a candidate or did not hold the text's end, the exact
// search (from where the window ended when it showed no candidate).
template <class Lanes, int withInner, unsigned blocks>
__attribute__((always_inline)) inline int FindInWindow(const unsigned char* text,
                                                       PreparedWord* word)
{
    const unsigned char* block = text - (reinterpret_cast<uintptr_t>(text) & (Lanes::size - 1));
    if (WindowLeavesPage<Lanes, blocks>(block, word))
        return FindFromStart<Lanes, withInner>(text, word);
    const WindowView view = ViewWindow<Lanes, withInner, blocks>(text, block, word);
    if (view.candidates) {
        const int found = FindFromStart<Lanes, withInner>(text, word);
        word->vainSearches += !found;
        return found;
    }
    if (view.ends) {
        // Ended in the last block: a window one block smaller would not do.
        word->endedInLastBlock += view.endsBefore == 0;
        return 0;
    }
    ++word->overflows;
    return FindPastWindow<Lanes, withInner>(block + blocks * Lanes::size, word);
}

// A word after the first: it sees only the entries that the first lets
// through, so one window, the widest, does for all of them.
template <class Lanes, int withInner>
__attribute__((noinline)) MATCHER_CONVENTION int FindAfterFirst(const unsigned char* text,
                                                                PreparedWord* word)
{
    return FindInWindow<Lanes, withInner, Lanes::windowBlocks3>(text, word);
}

// The first word has seen another entry.
inline void CountEntry(WordSet* set)
{
    if (++set->seen % samplePeriod == 0)
        LearnFromEntries(set);
}

// A word turned the entry down: count it; a later word learns now and then,
// and moves forward when it now turns down more than the one before it. The
// order of an AND never changes its result.
inline void CountRefusal(WordSet* set, int i)
{
    const unsigned failures = ++set->failures[i];
    if (i == 0)
        return;
    if (failures % learnPeriod == 0)
        Learn(&set->words[i]);
    if (failures > set->failures[i - 1])
        MoveWordForward(set, i);
}

// The words from first on, each through its chosen search.
template <class Lanes>
__attribute__((noinline)) MATCHER_CONVENTION int MatchWordsFrom(WordSet* set,
                                                                const unsigned char* text,
                                                                int first)
{
    for (int i = first; i < set->count; ++i) {
        PreparedWord* word = &set->words[i];
        if (word->withInner ? FindAfterFirst<Lanes, Lanes::probesInner>(text, word)
                            : FindAfterFirst<Lanes, 0>(text, word))
            continue;
        CountRefusal(set, i);
        return 0;
    }
    return 1;
}

// The rest of a match once the first word has answered.
template <class Lanes>
__attribute__((noinline)) MATCHER_CONVENTION int MatchAfterFirst(WordSet* set,
                                                                 const unsigned char* text,
                                                                 int found)
{
    CountEntry(set);
    if (!found) {
        CountRefusal(set, 0);
        return 0;
    }
    return set->count == 1 || MatchWordsFrom<Lanes>(set, text, 1);
}

// The first word's rare cases, each in a function of its own reached by a
// tail call: a window that leaves its page, one with a candidate, one that
// the text outran.
template <class Lanes, int withInner>
__attribute__((noinline)) MATCHER_CONVENTION int MatchFirstByExactSearch(
    WordSet* set, const unsigned char* text, int afterCandidate)
{
    PreparedWord* word = &set->words[0];
    const int found = FindFromStart<Lanes, withInner>(text, word);
    word->vainSearches += afterCandidate && !found;
    return MatchAfterFirst<Lanes>(set, text, found);
}

template <class Lanes, int withInner>
__attribute__((noinline)) MATCHER_CONVENTION int MatchFirstPastWindow(
    WordSet* set, const unsigned char* text, const unsigned char* next)
{
    PreparedWord* word = &set->words[0];
    ++word->overflows;
    return MatchAfterFirst<Lanes>(set, text, FindPastWindow<Lanes, withInner>(next, word));
}

// The matcher of a set of at least one word in the full mode, over the
// given lanes, made for what its first word has learnt. Most entries of a pass
// are turned down by the first word's window alone (the word likeliest to
// fail goes first): that case runs here without a call and without saving
// a register; every other one leaves by a tail call.
template <class Lanes, int withInner, unsigned blocks>
__attribute__((noinline)) MATCHER_CONVENTION int MatchWordsAs(WordSet* set, const char* entry)
{
    const unsigned char* text = reinterpret_cast<const unsigned char*>(entry);
    PreparedWord* word = &set->words[0];
    const unsigned char* block = text - (reinterpret_cast<uintptr_t>(text) & (Lanes::size - 1));
    if (WindowLeavesPage<Lanes, blocks>(block, word))
        return MatchFirstByExactSearch<Lanes, withInner>(set, text, 0);
    const WindowView view = ViewWindow<Lanes, withInner, blocks>(text, block, word);
    if (view.candidates)
        return MatchFirstByExactSearch<Lanes, withInner>(set, text, 1);
    if (!view.ends)
        return MatchFirstPastWindow<Lanes, withInner>(set, text, block + blocks * Lanes::size);
    word->endedInLastBlock += view.endsBefore == 0;
    ++set->failures[0];
    CountEntry(set);
    return 0;
}

// The matcher of a set of at least one word in a mode that searches part
// of each entry.
template <class Lanes>
__attribute__((noinline)) MATCHER_CONVENTION int MatchWordsInPart(WordSet* set,
                                                                  const char* entry)
{
    CountEntry(set);
    const unsigned char* text =
        NameOrFolder(set->mode, reinterpret_cast<const unsigned char*>(entry));
    return text ? MatchWordsFrom<Lanes>(set, text, 0) : 0;
}

// One per state of a first word: withInner * 4 + windowSize. constexpr, so
// that this table and the one copied from its elements (wideMatchers) are
// constant-initialised by the language's rules, not only where a compiler
// folds them: the program starts at its own entry point, which runs no
// constructors, and a table filled at run time would stay zero there.
template <class Lanes>
struct Matchers {
    static constexpr WordSetMatcher table[8] = {
        MatchWordsAs<Lanes, 0, Lanes::windowBlocks0>,
        MatchWordsAs<Lanes, 0, Lanes::windowBlocks1>,
        MatchWordsAs<Lanes, 0, Lanes::windowBlocks2>,
        MatchWordsAs<Lanes, 0, Lanes::windowBlocks3>,
        MatchWordsAs<Lanes, Lanes::probesInner, Lanes::windowBlocks0>,
        MatchWordsAs<Lanes, Lanes::probesInner, Lanes::windowBlocks1>,
        MatchWordsAs<Lanes, Lanes::probesInner, Lanes::windowBlocks2>,
        MatchWordsAs<Lanes, Lanes::probesInner, Lanes::windowBlocks3>,
    };
};

}  // namespace

#endif
