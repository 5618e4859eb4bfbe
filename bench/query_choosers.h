// Queries for the filter's figures, chosen on the catalogue itself: words a
// user types that the matcher finds hard. A plain reference over a copy of
// the paths checks every pass's results.
#ifndef SORVANE_BENCH_QUERY_CHOOSERS_H
#define SORVANE_BENCH_QUERY_CHOOSERS_H

// The catalogue's paths in walk order, and the same paths one per line in
// one block, as grep reads them (and as the floor scans them).
struct Catalogue {
    const char** entries;
    int count;
    char* block;
    unsigned blockSize;
    unsigned* lineEnds;  // byte offset in block after each entry's line
};

// Copies the catalogue's paths; ReleaseCatalogue frees the copy and empties
// the catalogue.
void CollectEntries(Catalogue* paths);
void ReleaseCatalogue(Catalogue* paths);

// A query's text and its words split at spaces, at most ten.
struct Query {
    char text[1000];
    const char* words[10];
    int wordCount;
    char storage[1000];
};
void SetQuery(Query* query, const char* text);

// Each fills word (or query) and returns 1, or 0 when the catalogue has no
// such word. seed picks among the candidates, the same in every run.
// A word of letters letters, common letters all, that occurs nowhere.
int ChooseAbsentWord(const Catalogue* paths, unsigned letters, unsigned seed, char* word);
// A 40-byte word of two common path pieces that never follow each other.
int ChooseLongWord(const Catalogue* paths, unsigned seed, char* word);

// Pieces of at least four letters and digits in at least one entry in a
// hundred; pieces is a heap block for FreeBlock.
struct CommonPieces {
    char (*pieces)[32];
    int count;
};
void FindCommonPieces(const Catalogue* paths, CommonPieces* common);
// leading words found together in at least together entries, then a common
// piece never found with them all.
int ChooseFailingLast(const Catalogue* paths, const CommonPieces* common, int leading,
                      int together, unsigned seed, Query* query);
// The word of letters (2 or 3) common letters in the fewest entries.
void ChooseShortWord(const Catalogue* paths, unsigned letters, char* word);

#endif
