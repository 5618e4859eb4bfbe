// Word matching for the search filter: plain values in, plain values out,
// and no platform header, so that tests, benchmarks and a native fuzzer
// drive it without a window.
//
// Catalogue entries are lower-cased by the scanner and the query by the
// search box, so a match compares bytes exactly.
#ifndef SORVANE_CATALOGUE_MATCH_H
#define SORVANE_CATALOGUE_MATCH_H

// Search modes as the mode button and the "SearchMode" setting hold them,
// and the text each one searches a word in. Any other value matches like
// searchFull.
const int searchFull = 0;     // files and folders: the whole entry
const int searchFiles = 1;    // the name after the entry's last backslash (empty for a folder)
const int searchFolders = 2;  // folder entries only (ending in a backslash): the whole entry

// The word table of one filter pass: ten zero-filled slots of 1000 bytes.
const unsigned wordSlots = 10;
const unsigned wordSlotSize = 1000;
const unsigned wordTableSize = wordSlots * wordSlotSize;

// Splits query into the zero-filled table: runs of spaces (and only spaces)
// separate words; leading spaces leave slot 0 empty and trailing spaces
// leave an empty slot behind the last word. A word that would need an
// eleventh slot, and everything after it, is dropped; a word longer than a
// slot keeps its first wordSlotSize - 1 bytes.
void SplitQuery(const char* query, char* table);

// One non-empty word made ready for many entries, and what the matcher
// learns about it during a pass. Its candidate test: the word's first byte
// at a start and its last byte at their distance, a vector of starts at a
// time; where that lets through too many starts in vain, a byte from the
// middle of the word as well.
struct PreparedWord {
    const unsigned char* bytes;
    unsigned length;
    unsigned inner;       // where the middle byte is
    int withInner;        // 1 once the middle byte is tested too
    unsigned windowSize;  // which window (0 to 3): the bytes tested at once from a text's start
    // Since the word last learnt: exact searches that found nothing, texts
    // that outran the window, and texts turned down that ended in its last
    // block.
    unsigned vainSearches;
    unsigned overflows;
    unsigned endedInLastBlock;
    // Of the entries sampled for the order of the words, those its
    // candidate test let through (halved at each ordering, so that the
    // order follows the catalogue).
    unsigned sampledThrough;
};

// On 64-bit Windows a function keeps the vector registers xmm6 to xmm15 for
// its caller, so a matcher that holds more than six vectors at once would
// save and restore them on every entry. There the matchers, and the
// functions they hand an entry on to, take the System V convention, under
// which every vector register is the callee's: a loop that calls them holds
// none, or saves its own once.
#if defined(__x86_64__)
#define MATCHER_CONVENTION __attribute__((sysv_abi))
#else
#define MATCHER_CONVENTION
#endif

struct WordSet;
typedef int(MATCHER_CONVENTION* WordSetMatcher)(WordSet* set, const char* entry);

// The tested words of one pass: slot 0, then the slots up to the first empty
// one; empty words match everything and are left out. The word whose test
// lets the fewest entries through is tried first. failures[i] counts the
// entries that words[i] turned down since the words were last ordered, and a
// word that now turns down more than the one before it moves ahead of it.
// But a word after another sees only what that one let through, so a rare
// word behind a common one would never catch up, and a word whose first and
// last bytes are common costs more than one as rare whose are not: now and
// then an entry is sampled, every word's candidate test made on it, and the
// words are ordered by how many of the same samples each let through.
struct WordSet {
    // The matcher for the set as it stands: its mode, width and what its
    // first word has learnt (ChooseMatcher).
    WordSetMatcher match;
    int mode;
    int wide;  // 1: searched 32 bytes at a time (AVX2), else 16 (SSE2); the same results

    int count;
    PreparedWord words[wordSlots];
    unsigned failures[wordSlots];
    unsigned seen;  // entries the first word has looked at
    unsigned samples;
    // Samples grow sparse while the order holds: one every sampleSpacing
    // times the entries seen time one, untilSample of those times to go.
    unsigned sampleSpacing;
    unsigned untilSample;
};

// 1 when this processor and its system run the 32-byte lanes (AVX2, with
// the system saving their registers). PrepareWords uses them then.
int WideLanesUsable();

// table must outlive set: the prepared words point into it.
void PrepareWords(WordSet* set, int mode, const char* table);

// Sets set->match for the set as it stands. PrepareWords and the matcher's
// own learning call it; whoever changes a set's width or what its words
// have learnt by hand calls it after.
void ChooseMatcher(WordSet* set);

// 1 when entry (NUL-terminated) contains every word of set under its mode,
// else 0; the same result as MatchWord word by word. Reorders set's words
// by what it learns, which never changes a result. Inline, for the one
// indirect call per entry of a pass.
inline int MatchWords(WordSet* set, const char* entry)
{
    return set->match(set, entry);
}

// 1 when word occurs in entry under mode, else 0. An empty word matches
// every entry, whatever the mode.
int MatchWord(int mode, const char* word, const char* entry);

#endif
