#include "bench/query_choosers.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "bench/bench_common.h"
#include "catalogue/linked_list.h"
#include "catalogue/scanner.h"

void CollectEntries(Catalogue* paths)
{
    paths->count = catalogue->Count();
    paths->entries = static_cast<const char**>(AllocZeroed(sizeof(char*) * paths->count));
    paths->lineEnds = static_cast<unsigned*>(AllocZeroed(sizeof(unsigned) * paths->count));
    unsigned total = 0;
    int i = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next) {
        paths->entries[i] = static_cast<const char*>(node->data);
        total += (unsigned)strlen(paths->entries[i]) + 1;
        paths->lineEnds[i++] = total;
    }
    paths->block = static_cast<char*>(AllocZeroed(total + 1));
    unsigned at = 0;
    for (i = 0; i < paths->count; ++i) {
        unsigned length = (unsigned)strlen(paths->entries[i]);
        memcpy(paths->block + at, paths->entries[i], length);
        paths->block[at + length] = '\n';
        at += length + 1;
    }
    paths->blockSize = total;
}

void ReleaseCatalogue(Catalogue* paths)
{
    FreeBlock(paths->entries);
    FreeBlock(paths->lineEnds);
    FreeBlock(paths->block);
    FreeCatalogueEntries();
}

// Lines of the block that contain word, by Horspool's search over the
// whole block. followers, when given (256 bytes), gets a 1 for each byte
// that follows an occurrence.
static int CountLines(const Catalogue* paths, const char* word, unsigned char* followers)
{
    const unsigned char* text = reinterpret_cast<const unsigned char*>(paths->block);
    const unsigned char* wanted = reinterpret_cast<const unsigned char*>(word);
    const unsigned size = paths->blockSize;
    const unsigned length = (unsigned)strlen(word);
    unsigned shift[256];
    for (unsigned i = 0; i < 256; ++i)
        shift[i] = length;
    for (unsigned i = 0; i + 1 < length; ++i)
        shift[wanted[i]] = length - 1 - i;
    int lines = 0;
    unsigned lineEnd = 0;  // just past the last line counted
    unsigned at = 0;
    while (at + length <= size) {
        unsigned char last = text[at + length - 1];
        if (last != wanted[length - 1] || memcmp(text + at, wanted, length - 1) != 0) {
            at += shift[last];
            continue;
        }
        if (at >= lineEnd) {
            ++lines;
            const void* newline = memchr(text + at, '\n', size - at);
            lineEnd = newline ? (unsigned)(static_cast<const unsigned char*>(newline) - text) + 1
                              : size;
        }
        if (!followers) {
            at = lineEnd;
            continue;
        }
        followers[text[at + length]] = 1;
        ++at;
    }
    return lines;
}

// Indexes of the entries that contain every one of the words, at most most.
static int CollectEntriesWithAll(const Catalogue* paths, const char* const* words, int wordCount,
                                 int* found, int most)
{
    int count = 0;
    for (int i = 0; i < paths->count && count < most; ++i) {
        int all = 1;
        for (int w = 0; w < wordCount && all; ++w)
            all = strstr(paths->entries[i], words[w]) != NULL;
        if (all)
            found[count++] = i;
    }
    return count;
}

void SetQuery(Query* query, const char* text)
{
    ZeroMemory(query, sizeof(*query));
    lstrcpynA(query->text, text, sizeof(query->text));
    lstrcpynA(query->storage, text, sizeof(query->storage));
    char* p = query->storage;
    while (*p && query->wordCount < 10) {
        while (*p == ' ')
            *p++ = 0;
        if (!*p)
            break;
        query->words[query->wordCount++] = p;
        while (*p && *p != ' ')
            ++p;
    }
}

static int IsLetter(char ch)
{
    return ch >= 'a' && ch <= 'z';
}

// A word of common letters that occurs nowhere: letters - 1 letters that run
// in many entries (at least one in a thousand), then the letter that makes
// the whole word occur nowhere, as a user who types on past what exists.
int ChooseAbsentWord(const Catalogue* paths, unsigned letters, unsigned seed,
                            char* word)
{
    unsigned random = seed;
    for (int attempt = 0; attempt < 400; ++attempt) {
        const char* entry = paths->entries[NextRandom(&random) % paths->count];
        unsigned length = (unsigned)strlen(entry);
        if (length < letters + 4)
            continue;
        unsigned at = NextRandom(&random) % (length - letters);
        unsigned i = 0;
        while (i + 1 < letters && IsLetter(entry[at + i]))
            ++i;
        if (i + 1 < letters)
            continue;
        memcpy(word, entry + at, letters - 1);
        word[letters - 1] = 0;
        unsigned char followers[256] = {0};
        if (CountLines(paths, word, followers) < paths->count / 1000)
            continue;
        for (const char* last = "esaiortnlcdmpuhgfbwyvk"; *last; ++last)
            if (!followers[(unsigned char)*last]) {
                word[letters - 1] = *last;
                word[letters] = 0;
                return 1;
            }
    }
    return 0;
}

// A 40-byte word of two common path pieces (each 20 bytes from a backslash
// on, without spaces, each in at least one entry in a thousand) that never
// follow each other.
int ChooseLongWord(const Catalogue* paths, unsigned seed, char* word)
{
    unsigned random = seed;
    char pieces[2][21];
    int have = 0;
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const char* entry = paths->entries[NextRandom(&random) % paths->count];
        unsigned length = (unsigned)strlen(entry);
        if (length < 30)
            continue;
        unsigned at = 3 + NextRandom(&random) % (length - 23);
        const char* slash = strchr(entry + at, '\\');
        if (!slash || strlen(slash) < 20)
            continue;
        memcpy(pieces[have], slash, 20);
        pieces[have][20] = 0;
        if (strchr(pieces[have], ' ') ||
            CountLines(paths, pieces[have], NULL) < paths->count / 1000)
            continue;
        if (have == 0 || strcmp(pieces[0], pieces[1]) == 0) {
            have = 1;
            continue;
        }
        sprintf(word, "%s%s", pieces[0], pieces[1]);
        if (CountLines(paths, word, NULL) == 0)
            return 1;
        memcpy(pieces[0], pieces[1], sizeof(pieces[0]));
    }
    return 0;
}

static int IsWordByte(char ch)
{
    return IsLetter(ch) || (ch >= '0' && ch <= '9');
}

// The distinct pieces of entry below the drive (runs of letters and
// digits) with at least minLength characters, in order.
static int PathPieces(const char* entry, unsigned minLength, char pieces[][100], int most)
{
    int count = 0;
    const char* p = entry + 2;
    while (*p && count < most) {
        while (*p && !IsWordByte(*p))
            ++p;
        const char* start = p;
        while (IsWordByte(*p))
            ++p;
        unsigned length = (unsigned)(p - start);
        if (length < minLength || length >= 100)
            continue;
        int seen = 0;
        for (int i = 0; i < count; ++i)
            seen |= strncmp(pieces[i], start, length) == 0 && pieces[i][length] == 0;
        if (!seen) {
            memcpy(pieces[count], start, length);
            pieces[count++][length] = 0;
        }
    }
    return count;
}

static int ComparePieces(const void* a, const void* b)
{
    return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

void FindCommonPieces(const Catalogue* paths, CommonPieces* common)
{
    const int sample = 20000;
    const int most = sample * 20;
    char (*all)[32] = static_cast<char (*)[32]>(AllocZeroed(sizeof(*all) * most));
    int count = 0;
    unsigned random = 4242;
    for (int s = 0; s < sample; ++s) {
        char pieces[20][100];
        int found = PathPieces(paths->entries[NextRandom(&random) % paths->count], 4, pieces, 20);
        for (int i = 0; i < found && count < most; ++i)
            if (strlen(pieces[i]) < sizeof(all[0]))
                strcpy(all[count++], pieces[i]);
    }
    qsort(all, count, sizeof(all[0]), ComparePieces);
    common->pieces = static_cast<char (*)[32]>(AllocZeroed(sizeof(*all) * (count + 1)));
    common->count = 0;
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && strcmp(all[i], all[i + run]) == 0)
            ++run;
        if (run >= sample / 100)
            strcpy(common->pieces[common->count++], all[i]);
        i += run;
    }
    FreeBlock(all);
}

// leading words that occur together (pieces of one deep entry, in at least
// together entries), then one more common piece that never occurs with
// them all.
int ChooseFailingLast(const Catalogue* paths, const CommonPieces* common, int leading,
                             int together, unsigned seed, Query* query)
{
    unsigned random = seed;
    int* withAll = static_cast<int*>(AllocZeroed(sizeof(int) * paths->count));
    int chosen = 0;
    for (int attempt = 0; attempt < 2000 && !chosen && common->count > 0; ++attempt) {
        char names[20][100];
        const char* entry = paths->entries[NextRandom(&random) % paths->count];
        if (PathPieces(entry, 3, names, 20) < leading)
            continue;
        const char* words[10];
        for (int w = 0; w < leading; ++w)
            words[w] = names[w];
        int matching = CollectEntriesWithAll(paths, words, leading, withAll, paths->count);
        if (matching < together)
            continue;
        for (int tries = 0; tries < 200 && !chosen; ++tries) {
            const char* last = common->pieces[NextRandom(&random) % common->count];
            int clash = 0;
            for (int w = 0; w < leading; ++w)
                clash |= strstr(words[w], last) != NULL || strstr(last, words[w]) != NULL;
            for (int i = 0; i < matching && !clash; ++i)
                clash = strstr(paths->entries[withAll[i]], last) != NULL;
            if (clash)
                continue;
            char text[1000] = {0};
            for (int w = 0; w < leading; ++w) {
                lstrcatA(text, words[w]);
                lstrcatA(text, " ");
            }
            lstrcatA(text, last);
            SetQuery(query, text);
            chosen = 1;
        }
    }
    FreeBlock(withAll);
    return chosen;
}

// Of the words of length letters made of the catalogue's most common
// letters, the one in the fewest entries.
void ChooseShortWord(const Catalogue* paths, unsigned letters, char* word)
{
    unsigned counts[26] = {0};
    for (unsigned i = 0; i < paths->blockSize; ++i)
        if (IsLetter(paths->block[i]))
            ++counts[paths->block[i] - 'a'];
    int common[26];
    for (int i = 0; i < 26; ++i)
        common[i] = i;
    for (int i = 1; i < 26; ++i)
        for (int j = i; j > 0 && counts[common[j]] > counts[common[j - 1]]; --j) {
            int moved = common[j];
            common[j] = common[j - 1];
            common[j - 1] = moved;
        }
    // Entries per word over the twelve commonest letters, each entry
    // counted once per word (stamp: the last entry counted).
    const unsigned letterCount = 12;
    int index[26];
    for (int i = 0; i < 26; ++i)
        index[i] = -1;
    for (unsigned i = 0; i < letterCount; ++i)
        index[common[i]] = (int)i;
    unsigned cells = letters == 2 ? letterCount * letterCount
                                  : letterCount * letterCount * letterCount;
    int* entries = static_cast<int*>(AllocZeroed(sizeof(int) * cells));
    int* stamp = static_cast<int*>(AllocZeroed(sizeof(int) * cells));
    for (int e = 0; e < paths->count; ++e) {
        const char* entry = paths->entries[e];
        for (unsigned i = 0; entry[i] && entry[i + 1] && (letters == 2 || entry[i + 2]); ++i) {
            unsigned cell = 0;
            unsigned l = 0;
            for (; l < letters; ++l) {
                char ch = entry[i + l];
                if (!IsLetter(ch) || index[ch - 'a'] < 0)
                    break;
                cell = cell * letterCount + (unsigned)index[ch - 'a'];
            }
            if (l == letters && stamp[cell] != e + 1) {
                stamp[cell] = e + 1;
                ++entries[cell];
            }
        }
    }
    unsigned best = 0;
    for (unsigned cell = 1; cell < cells; ++cell)
        if (entries[cell] < entries[best])
            best = cell;
    for (unsigned l = letters; l > 0; --l) {
        word[l - 1] = (char)('a' + common[best % letterCount]);
        best /= letterCount;
    }
    word[letters] = 0;
    FreeBlock(entries);
    FreeBlock(stamp);
}
