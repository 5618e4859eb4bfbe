// Word matching and display text for the search filter: plain values in,
// plain values out, so that tests and benchmarks drive them without a window.
//
// Catalogue entries are lower-cased by the scanner and the query by the
// search box, so a match compares bytes exactly.
#ifndef SORVANE_CATALOGUE_MATCH_H
#define SORVANE_CATALOGUE_MATCH_H

// Search modes as the mode button and the "SearchMode" setting hold them.
// Any other value matches like searchFull.
const int searchFull = 0;     // files and folders, words searched in the whole entry
const int searchFiles = 1;    // words searched in the name after the last backslash
const int searchFolders = 2;  // folder entries only, words searched in the whole entry

// The word table of one filter pass: ten zero-filled slots of 1000 bytes.
const unsigned wordSlots = 10;
const unsigned wordSlotSize = 1000;
const unsigned wordTableSize = wordSlots * wordSlotSize;

// Room for one display text (the path below the scan root).
const unsigned displayTextSize = 1000;

// 1 when word occurs in entry under mode, else 0. An empty word matches
// every entry, whatever the mode.
int MatchWord(int mode, const char* word, const char* entry);

// Splits query into the zero-filled table: runs of spaces (and only spaces)
// separate words; leading spaces leave slot 0 empty and trailing spaces
// leave an empty slot behind the last word. A word that would need an
// eleventh slot, and everything after it, is dropped.
void SplitQuery(const char* query, char* table);

// One non-empty word made ready for many entries: its length, and the two
// positions whose bytes are tested first (the rarest in typical paths).
struct PreparedWord {
    const unsigned char* bytes;
    unsigned length;
    unsigned firstProbe;
    unsigned secondProbe;
};

// The tested words of one pass: slot 0, then the slots up to the first empty
// one. Empty words match everything and are left out.
struct WordSet {
    int mode;
    int count;
    PreparedWord words[wordSlots];
};

// table must outlive set: the prepared words point into it.
void PrepareWords(WordSet* set, int mode, const char* table);

// 1 when entry matches every word of set (same result as MatchWord word by
// word), and then the entry's length is in length.
int MatchWords(const WordSet* set, const char* entry, unsigned* length);

// The same as MatchWords without SSE2: the plain reference. Public so
// that the tests hold both ways to the same results.
int MatchWordsPortable(const WordSet* set, const char* entry, unsigned* length);

// strlen, reading whole aligned blocks.
unsigned EntryLength(const char* entry);

// 1 when word occurs in the textLength bytes at text. Block reads may run
// past the text, but never across the end of the memory page that holds its
// last byte.
int ContainsWord(const char* text, unsigned textLength, const PreparedWord* word);

// Writes to out (outSize bytes, at least 1) the entry without the leading part
// it has in common with root, each character compared after CharLowerA.
// Copies at most outSize - 1 bytes and always terminates; returns the length
// written.
unsigned MakeDisplayText(const char* root, const char* entry, char* out, unsigned outSize);

#endif
