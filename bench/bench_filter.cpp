// Filter passes over two catalogues of a million entries each: one laid out
// like a real system drive (long, deep paths from a realistic vocabulary)
// and the older generated one (short paths), kept as a second line. Each
// query is timed beside the memory-bandwidth floor over the same bytes (one
// scan of them in one block) and beside the walk of the catalogue's list
// over the same entries, alone and reading each entry to its end. The paths of each catalogue, one per line, go
// to a file for the native grep of bench.sh: the realistic ones to PATHS,
// the generated ones to PATHS.generated. For each query a line
//   grep: NAME LINES WORD
// tells bench.sh which word to give grep (the query's rarest) over how many
// leading lines (the entries the pass walks). The catalogues come from
// catalogue_generator.h, the queries from query_choosers.h; this file times.
#include <stdio.h>
#include <string.h>

#include <emmintrin.h>
#include <immintrin.h>

#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "bench/bench_common.h"
#include "bench/catalogue_generator.h"
#include "bench/query_choosers.h"
#include "catalogue/linked_list.h"
#include "catalogue/match.h"
#include "catalogue/prefetch.h"
#include "catalogue/search_filter.h"
#include "catalogue/text_buffer.h"


// The floor: every byte looked at once, 64 bytes a round.
static const char* ScanForByte(const char* bytes, unsigned size, char wanted)
{
    const __m128i pattern = _mm_set1_epi8(wanted);
    unsigned at = 0;
    for (; at + 64 <= size; at += 64) {
        const __m128i* p = reinterpret_cast<const __m128i*>(bytes + at);
        __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(p), pattern);
        __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(p + 1), pattern);
        __m128i c = _mm_cmpeq_epi8(_mm_loadu_si128(p + 2), pattern);
        __m128i d = _mm_cmpeq_epi8(_mm_loadu_si128(p + 3), pattern);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))))
            break;
    }
    return static_cast<const char*>(memchr(bytes + at, wanted, size - at));
}

// One scan of the first bytes of the paths, in seconds.
static double FloorOnce(const Catalogue* paths, unsigned bytes)
{
    double start = Seconds();
    if (ScanForByte(paths->block, bytes, 'Q'))
        return 0;
    return Seconds() - start;
}

// One pass of the filter, in seconds.
static double FilterOnce(BenchWindow* bench, int toBuffer, int* results)
{
    if (toBuffer)
        copyListBuffer->Clear();
    double start = Seconds();
    *results = FilterCatalogue(toBuffer ? copyListLimit : resultListLimit, searchFull, toBuffer,
                               bench->window, bench->resultList);
    return Seconds() - start;
}

// The walk alone, as the filter makes it (cursor, lock, and the cursor's
// prefetch), over the first entries entries, reading the first byte of each:
// what no test of the entries can go below. In seconds.
static double WalkOnce(int entries)
{
    double start = Seconds();
    WaitForSingleObject(catalogueLock, INFINITE);
    int cursor = catalogue->AllocCursor();
    unsigned bytes = 0;
    int walked = 0;
    catalogue->WalkForward(cursor, [&](void* element) {
        bytes += *static_cast<const unsigned char*>(element);
        return ++walked < entries ? 1 : 0;
    });
    catalogue->FreeCursor(cursor);
    ReleaseMutex(catalogueLock);
    double taken = Seconds() - start;
    return bytes == 1 ? 0 : taken;  // the sum keeps the reads
}

// The walk of WalkOnce that also finds the end of every entry, 32 bytes at
// a time: what reading all of each entry adds to the walk, which no test of
// an absent word can go below (a text that ends in a NUL must be read to
// that NUL to tell that a word is not in it; a byte skipped may be the end).
// Aligned reads, which never leave the page of the text's bytes. It follows
// the nodes itself, with the cursor's prefetch, so that its loop can be
// built for the wide lanes. In seconds; 0 where they are not usable.
__attribute__((target("avx2"))) static double ReadWalkOnce(int entries)
{
    if (!WideLanesUsable())
        return 0;
    double start = Seconds();
    WaitForSingleObject(catalogueLock, INFINITE);
    const __m256i zero = _mm256_setzero_si256();
    uintptr_t lengths = 0;
    int walked = 0;
    for (ListNode* node = catalogue->Head(); node && walked < entries; node = node->next) {
        PrefetchAhead(node, walkAheadBytes);
        PrefetchAhead(node->data, walkAheadBytes);
        const char* entry = static_cast<const char*>(node->data);
        const uintptr_t offset = reinterpret_cast<uintptr_t>(entry) & 31;
        const char* block = entry - offset;
        unsigned ends = (unsigned)_mm256_movemask_epi8(_mm256_cmpeq_epi8(
                            _mm256_load_si256(reinterpret_cast<const __m256i*>(block)), zero)) &
                        (~0u << offset);
        while (!ends) {
            block += 32;
            ends = (unsigned)_mm256_movemask_epi8(_mm256_cmpeq_epi8(
                _mm256_load_si256(reinterpret_cast<const __m256i*>(block)), zero));
        }
        lengths += (uintptr_t)(block + __builtin_ctz(ends) - entry);
        ++walked;
    }
    ReleaseMutex(catalogueLock);
    double taken = Seconds() - start;
    return lengths == 1 ? 0 : taken;  // the sum keeps the reads
}

// Median times in milliseconds of repeats runs of a filter pass (when bench
// is given), of the walk alone over the same entries and of the floor over
// their bytes, taken in turns so that all three meet the same load of a
// shared machine; and the medians of the ratios within each turn, which that
// load, changing from one turn to the next, sways far less than the ratios
// of the medians.
struct Timed {
    double ms;
    double walkMs;
    double readMs;  // the walk that reads all of each entry
    double floorMs;
    double vsWalk;   // the pass over the walk
    double vsRead;   // the pass over the reading walk, or the reading walk over the walk
    double vsFloor;  // the pass over the floor, or the walk's where no pass is timed
};

static const int mostRepeats = 101;
static int repeats = 15;

static Timed TimeBesideFloor(const Catalogue* paths, int entries, BenchWindow* bench,
                             int toBuffer, int* results)
{
    const unsigned bytes = paths->lineEnds[entries - 1];
    double times[mostRepeats];
    double walks[mostRepeats];
    double reads[mostRepeats];
    double floors[mostRepeats];
    double vsWalk[mostRepeats];
    double vsRead[mostRepeats];
    double vsFloor[mostRepeats];
    for (int i = 0; i < repeats; ++i) {
        floors[i] = FloorOnce(paths, bytes);
        walks[i] = WalkOnce(entries);
        reads[i] = ReadWalkOnce(entries);
        times[i] = bench ? FilterOnce(bench, toBuffer, results) : 0;
        vsWalk[i] = walks[i] > 0 ? times[i] / walks[i] : 0;
        vsRead[i] = reads[i] > 0 && walks[i] > 0 ? (bench ? times[i] / reads[i] : reads[i] / walks[i]) : 0;
        vsFloor[i] = floors[i] > 0 ? (bench ? times[i] : walks[i]) / floors[i] : 0;
    }
    Timed timed;
    timed.vsWalk = Median(vsWalk, repeats);
    timed.vsRead = Median(vsRead, repeats);
    timed.vsFloor = Median(vsFloor, repeats);
    timed.ms = Median(times, repeats) * 1000;
    timed.walkMs = Median(walks, repeats) * 1000;
    timed.readMs = Median(reads, repeats) * 1000;
    timed.floorMs = Median(floors, repeats) * 1000;
    return timed;
}

// A walk that follows the nodes itself, prefetching distance bytes ahead of
// each node (ahead 1), of each entry (ahead 2) or of both (3): the sweep
// that chooses the cursor's distance. In seconds.
static double WalkAheadOnce(int ahead, unsigned distance)
{
    double start = Seconds();
    WaitForSingleObject(catalogueLock, INFINITE);
    unsigned bytes = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next) {
        if (ahead & 1)
            PrefetchAhead(node, distance);
        const unsigned char* entry = static_cast<const unsigned char*>(node->data);
        if (ahead & 2)
            PrefetchAhead(entry, distance);
        bytes += *entry;
    }
    ReleaseMutex(catalogueLock);
    double taken = Seconds() - start;
    return bytes == 1 ? 0 : taken;
}

static void FigureOf(const char* prefix, const char* name, const char* suffix, double value,
                     const char* unit)
{
    char full[200];
    sprintf(full, "%s_%s%s", prefix, name, suffix);
    Figure(full, value, unit);
}

// Times one query and prints its figures: time, results, entries walked,
// the floor over the bytes of those entries and the ratio to it, and the
// grep line for bench.sh. Returns 0 when the filter's results differ from
// the reference's.
static int MeasureQuery(BenchWindow* bench, const Catalogue* paths, const char* prefix,
                        const char* name, const char* text, int toBuffer)
{
    Query query;
    SetQuery(&query, text);
    printf("query: %s_%s \"%s\"\n", prefix, name, text);
    const int limit = toBuffer ? copyListLimit : resultListLimit;
    int walked = 0;
    int matches = 0;
    for (int i = 0; i < paths->count; ++i) {
        ++walked;
        int all = 1;
        for (int w = 0; w < query.wordCount && all; ++w)
            all = strstr(paths->entries[i], query.words[w]) != NULL;
        if (all && ++matches > limit)
            break;
    }
    // grep's word: the one in the fewest of the walked entries.
    int rarest = 0;
    int rarestCount = 0x7FFFFFFF;
    for (int w = 0; w < query.wordCount; ++w) {
        int found = 0;
        for (int i = 0; i < walked; ++i)
            found += strstr(paths->entries[i], query.words[w]) != NULL;
        if (found < rarestCount) {
            rarestCount = found;
            rarest = w;
        }
    }
    int results = 0;
    SetWindowTextA(bench->searchBox, text);
    Timed timed = TimeBesideFloor(paths, walked, bench, toBuffer, &results);
    FigureOf(prefix, name, "", timed.ms, "ms");
    FigureOf(prefix, name, "_results", results, "entries");
    FigureOf(prefix, name, "_walked", walked, "entries");
    FigureOf(prefix, name, "_floor", timed.floorMs, "ms");
    FigureOf(prefix, name, "_vs_floor", timed.vsFloor, "x");
    FigureOf(prefix, name, "_walk", timed.walkMs, "ms");
    FigureOf(prefix, name, "_vs_walk", timed.vsWalk, "x");
    FigureOf(prefix, name, "_read_walk", timed.readMs, "ms");
    FigureOf(prefix, name, "_vs_read_walk", timed.vsRead, "x");
    if (toBuffer)
        FigureOf(prefix, name, "_bytes", copyListBuffer->Length() / 1e6, "MB");
    printf("grep: %s_%s %d %s\n", prefix, name, walked, query.words[rarest]);
    fflush(stdout);
    if (results != matches) {
        printf("error: %s_%s gives %d results, the reference %d\n", prefix, name, results,
               matches);
        return 0;
    }
    return 1;
}

static int RunQueries(BenchWindow* bench, const Catalogue* paths, const char* prefix)
{
    int sound = 1;
    // The first queries of this benchmark: an absent word of rare letters,
    // a common word, three words, Copy List of one file in nine.
    sound &= MeasureQuery(bench, paths, prefix, "full_walk", "zqxj", 0);
    sound &= MeasureQuery(bench, paths, prefix, "early_exit", "report", 0);
    sound &= MeasureQuery(bench, paths, prefix, "three_words", "tests debug .png", 0);
    sound &= MeasureQuery(bench, paths, prefix, "copy_list", ".txt", 1);

    // What a user types that this matcher finds hard.
    char word[1000];
    static const unsigned absentLengths[] = {4, 6, 9};
    for (unsigned i = 0; i < CountOf(absentLengths); ++i) {
        char name[40];
        sprintf(name, "absent%u", absentLengths[i]);
        if (ChooseAbsentWord(paths, absentLengths[i], 7001 + i, word))
            sound &= MeasureQuery(bench, paths, prefix, name, word, 0);
        else
            printf("note: %s_%s: no word found\n", prefix, name);
    }
    if (ChooseLongWord(paths, 8101, word))
        sound &= MeasureQuery(bench, paths, prefix, "long_word", word, 0);
    else
        printf("note: %s_long_word: no word found\n", prefix);
    CommonPieces common;
    FindCommonPieces(paths, &common);
    Query query;
    if (ChooseFailingLast(paths, &common, 3, 100, 9201, &query))
        sound &= MeasureQuery(bench, paths, prefix, "last_fails", query.text, 0);
    else
        printf("note: %s_last_fails: no query found\n", prefix);
    if (ChooseFailingLast(paths, &common, 9, 1, 9301, &query))
        sound &= MeasureQuery(bench, paths, prefix, "ten_words", query.text, 0);
    else
        printf("note: %s_ten_words: no query found\n", prefix);
    FreeBlock(common.pieces);
    ChooseShortWord(paths, 2, word);
    sound &= MeasureQuery(bench, paths, prefix, "two_letters", word, 0);
    ChooseShortWord(paths, 3, word);
    sound &= MeasureQuery(bench, paths, prefix, "three_letters", word, 0);
    return sound;
}

static void DescribeCatalogue(const Catalogue* paths, const char* prefix)
{
    unsigned longer = 0;
    unsigned longest = 0;
    for (int i = 0; i < paths->count; ++i) {
        unsigned length = (unsigned)strlen(paths->entries[i]);
        longer += length > 112;
        if (length > longest)
            longest = length;
    }
    FigureOf(prefix, "entries", "", paths->count, "entries");
    FigureOf(prefix, "average_path", "", (double)(paths->blockSize - paths->count) / paths->count,
             "bytes");
    FigureOf(prefix, "paths_over_112", "", 100.0 * longer / paths->count, "%");
    FigureOf(prefix, "longest_path", "", longest, "bytes");
    FigureOf(prefix, "bytes", "", paths->blockSize / 1e6, "MB");
    int unused = 0;
    Timed timed = TimeBesideFloor(paths, paths->count, NULL, 0, &unused);
    FigureOf(prefix, "memchr_floor", "", timed.floorMs, "ms");
    FigureOf(prefix, "walk", "", timed.walkMs, "ms");
    FigureOf(prefix, "walk_vs_floor", "", timed.vsFloor, "x");
    FigureOf(prefix, "read_walk", "", timed.readMs, "ms");
    FigureOf(prefix, "read_walk_vs_walk", "", timed.vsRead, "x");
}

// The walk of WalkAheadOnce that also tests every entry for the words of
// table, prefetching lines 64-byte lines of each entry ahead: how much of
// an entry the matcher's reads need ahead of it. In seconds.
static double MatchAheadOnce(const char* table, int lines, unsigned distance)
{
    WordSet words;
    PrepareWords(&words, searchFull, table);
    double start = Seconds();
    WaitForSingleObject(catalogueLock, INFINITE);
    int found = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next) {
        PrefetchAhead(node, distance);
        for (int line = 0; line < lines; ++line)
            PrefetchAhead(static_cast<const char*>(node->data) + 64 * line, distance);
        found += MatchWords(&words, static_cast<const char*>(node->data));
    }
    ReleaseMutex(catalogueLock);
    double taken = Seconds() - start;
    return found == -1 ? 0 : taken;
}

// The walk of WalkAheadOnce at a range of distances, all of them in each
// round so that every one meets the same load of a shared machine:
// PREFIX_ahead_WHAT_DISTANCE (what: node, entry or both; the median) and its
// _min, and the floor over the same bytes; distance 0 is the walk that
// waits on the chain.
static void SweepDistances(const Catalogue* paths, const char* prefix)
{
    static const unsigned distances[] = {0,    256,  512,  1024,  2048,  3072,
                                         4096, 6144, 8192, 12288, 16384, 32768};
    static const char* const aheadNames[] = {"node", "entry", "both"};
    const unsigned kinds = CountOf(distances) * CountOf(aheadNames);
    static double times[CountOf(distances) * 3][mostRepeats];
    double floors[mostRepeats];
    double cursorWalks[mostRepeats];
    for (int i = 0; i < repeats; ++i) {
        floors[i] = FloorOnce(paths, paths->blockSize);
        cursorWalks[i] = WalkOnce(paths->count);
        for (unsigned k = 0; k < kinds; ++k)
            times[k][i] = WalkAheadOnce(1 + (int)(k % 3), distances[k / 3]);
    }
    FigureOf(prefix, "ahead_floor", "", Median(floors, repeats) * 1000, "ms");
    FigureOf(prefix, "ahead_cursor", "", Median(cursorWalks, repeats) * 1000, "ms");
    FigureOf(prefix, "ahead_cursor", "_min", cursorWalks[0] * 1000, "ms");

    // The same walk with the matcher's work of the first query.
    char table[wordTableSize] = {0};
    SplitQuery("zqxj", table);
    static const unsigned matchDistances[] = {4096, 8192, 16384};
    const unsigned matchKinds = CountOf(matchDistances) * 4;
    static double matchTimes[CountOf(matchDistances) * 4][mostRepeats];
    for (int i = 0; i < repeats; ++i)
        for (unsigned k = 0; k < matchKinds; ++k)
            matchTimes[k][i] = MatchAheadOnce(table, (int)(k % 4), matchDistances[k / 4]);
    for (unsigned k = 0; k < matchKinds; ++k) {
        char name[80];
        sprintf(name, "match_ahead_%u_lines_%u", matchDistances[k / 4], k % 4);
        FigureOf(prefix, name, "", Median(matchTimes[k], repeats) * 1000, "ms");
        FigureOf(prefix, name, "_min", matchTimes[k][0] * 1000, "ms");
    }
    for (unsigned k = 0; k < kinds; ++k) {
        char name[80];
        sprintf(name, "ahead_%s_%u", aheadNames[k % 3], distances[k / 3]);
        FigureOf(prefix, name, "", Median(times[k], repeats) * 1000, "ms");
        FigureOf(prefix, name, "_min", times[k][0] * 1000, "ms");  // sorted by Median
    }
}

static int MeasureCatalogue(BenchWindow* bench, const char* prefix, const char* pathsFile,
                            int sweep)
{
    Catalogue paths;
    CollectEntries(&paths);
    HANDLE file = CreateFileA(pathsFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    BOOL wrote = file != INVALID_HANDLE_VALUE &&
                 WriteFile(file, paths.block, paths.blockSize, &written, NULL) &&
                 written == paths.blockSize;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!wrote) {
        fprintf(stderr, "cannot write %s\n", pathsFile);
        return 0;
    }
    DescribeCatalogue(&paths, prefix);
    if (sweep)
        SweepDistances(&paths, prefix);
    int sound = sweep ? 1 : RunQueries(bench, &paths, prefix);
    ReleaseCatalogue(&paths);
    return sound;
}

int RunFilterBench(const char* pathsFile, int sweep, int repeatCount)
{
    if (repeatCount > 0)
        repeats = repeatCount < mostRepeats ? repeatCount : mostRepeats;
    BenchWindow bench;
    if (!CreateBenchWindow(&bench)) {
        fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    lstrcpyA(scanPath, "c:");
    GenerateRealisticCatalogue();
    int sound = MeasureCatalogue(&bench, "real", pathsFile, sweep);
    char generatedFile[MAX_PATH + 20];
    lstrcpynA(generatedFile, pathsFile, MAX_PATH);
    lstrcatA(generatedFile, ".generated");
    GenerateShortCatalogue();
    sound &= MeasureCatalogue(&bench, "gen", generatedFile, sweep);
    return sound ? 0 : 1;
}

