// Filter passes over a generated catalogue of a million entries, beside the
// memory-bandwidth floor (one scan of the same bytes in one block). The same
// bytes, one path per line, go to a file for the native grep of bench.sh.
#include <stdio.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/process_heap.h"
#include "app/process_objects.h"
#include "bench/bench_common.h"
#include "catalogue/linked_list.h"
#include "catalogue/search_filter.h"
#include "catalogue/text_buffer.h"

static const int catalogueSize = 1000000;
static const int repeats = 15;

// What a drive holds: folder names, file stems and extensions (".txt" is
// about one file in nine, for a Copy List of some 100,000 paths).
static const char* const folderNames[] = {
    "windows", "system32", "program files", "users", "documents", "appdata", "local",
    "roaming", "microsoft", "temp", "projects", "src", "include", "lib", "bin", "obj",
    "debug", "release", "assets", "images", "photos", "music", "videos", "downloads",
    "cache", "data", "config", "drivers", "fonts", "logs", "backup", "archive",
    "node_modules", "packages", "vendor", "tests", "docs", "resources", "icons", "shared",
    "common", "build", "tools", "scripts", "modules", "plugins", "themes", "locale", "en-us",
    "winsxs", "servicing", "installer", "steam", "games", "reports", "invoices", "2019",
    "2020", "2021", "2022", "2023", "desktop", "pictures", "mail", "profiles"};
static const char* const fileStems[] = {
    "readme", "setup", "install", "main", "index", "config", "settings", "report", "invoice",
    "photo", "image", "icon", "logo", "background", "track", "song", "video", "movie",
    "notes", "todo", "letter", "resume", "budget", "schedule", "data", "table", "export",
    "import", "backup", "archive", "module", "helper", "utils", "common", "types", "parser",
    "window", "dialog", "button", "control", "service", "driver", "kernel", "shell", "network",
    "socket", "stream", "buffer", "cache", "error", "trace", "debug", "license", "changelog",
    "manifest", "package", "bundle", "style", "theme", "font", "locale", "strings"};
static const char* const extensions[] = {
    ".txt", ".dll", ".exe", ".cpp", ".h", ".jpg", ".png", ".log", ".xml", ".json",
    ".js", ".html", ".css", ".ini", ".dat", ".mp3", ".pdf", ".docx", ".sys", ".manifest",
    ".mui", ".py", ".cab", ".zip", ".gif", ".cat", ".bmp", ".lnk", ".tmp"};

template <class T, unsigned N>
static unsigned CountOf(T (&)[N])
{
    return N;
}

struct Generator {
    unsigned random;
    int made;
    char path[1024];
};

static void AddGenerated(Generator* generator, unsigned length, int isFolder)
{
    // The scanner's allocation pattern: the string with room for the folder
    // form, then its node.
    char* entry = static_cast<char*>(AllocZeroed(length + (isFolder ? 1 : 2)));
    memcpy(entry, generator->path, length);
    catalogue->PushBack(entry);
    ++generator->made;
}

static unsigned AppendName(Generator* generator, unsigned length, const char* name, int number)
{
    generator->path[length++] = '\\';
    length += (unsigned)sprintf(generator->path + length, number >= 0 ? "%s%d" : "%s", name,
                                number);
    return length;
}

static void GenerateFolder(Generator* generator, unsigned length, int depth)
{
    unsigned files = NextRandom(&generator->random) % 16;
    unsigned folders = depth < 6 ? NextRandom(&generator->random) % 5 : 0;
    for (unsigned i = 0; i < files && generator->made < catalogueSize; ++i) {
        unsigned r = NextRandom(&generator->random);
        const char* stem = fileStems[r % CountOf(fileStems)];
        int number = (r >> 8) % 4 == 0 ? (int)((r >> 10) % 100) : -1;
        unsigned end = AppendName(generator, length, stem, number);
        // One file in nine a text file; the rest spread over the others.
        unsigned pick = (r >> 16) % 9 == 0 ? 0 : 1 + (r >> 20) % (CountOf(extensions) - 1);
        end += (unsigned)sprintf(generator->path + end, "%s", extensions[pick]);
        AddGenerated(generator, end, 0);
    }
    for (unsigned i = 0; i < folders && generator->made < catalogueSize; ++i) {
        unsigned r = NextRandom(&generator->random);
        int number = (r >> 8) % 3 == 0 ? (int)((r >> 10) % 10) : -1;
        unsigned end = AppendName(generator, length, folderNames[r % CountOf(folderNames)],
                                  number);
        generator->path[end] = '\\';
        AddGenerated(generator, end + 1, 1);
        generator->path[end] = 0;
        GenerateFolder(generator, end, depth + 1);
    }
}

static void GenerateCatalogue()
{
    Generator generator;
    ZeroMemory(&generator, sizeof(generator));
    generator.random = 20240601;
    strcpy(generator.path, "c:");
    lstrcpyA(scanPath, "c:");
    for (int top = 0; generator.made < catalogueSize; ++top) {
        unsigned end = AppendName(&generator, 2, folderNames[top % CountOf(folderNames)], top);
        generator.path[end] = '\\';
        AddGenerated(&generator, end + 1, 1);
        generator.path[end] = 0;
        GenerateFolder(&generator, end, 1);
    }
}

// The paths one per line, as grep reads them, in one block.
static char* LayOutPaths(unsigned* size)
{
    unsigned total = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next)
        total += (unsigned)strlen(static_cast<const char*>(node->data)) + 1;
    char* block = static_cast<char*>(AllocZeroed(total + 1));
    unsigned at = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next) {
        const char* entry = static_cast<const char*>(node->data);
        unsigned length = (unsigned)strlen(entry);
        memcpy(block + at, entry, length);
        block[at + length] = '\n';
        at += length + 1;
    }
    *size = total;
    return block;
}

static int WriteFileWhole(const char* path, const char* bytes, unsigned size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, size, &written, NULL);
    CloseHandle(file);
    return ok && written == size;
}

#if defined(__SSE2__)
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
#else
static const char* ScanForByte(const char* bytes, unsigned size, char wanted)
{
    return static_cast<const char*>(memchr(bytes, wanted, size));
}
#endif

// Index of the entry after which a list pass would stop, by a plain
// reference walk (strstr on every word), and the number of matches up to it.
static int EntriesWalked(const char* const* words, int wordCount, int limit, int* matches)
{
    int walked = 0;
    *matches = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next) {
        ++walked;
        const char* entry = static_cast<const char*>(node->data);
        int all = 1;
        for (int w = 0; w < wordCount && all; ++w)
            all = strstr(entry, words[w]) != NULL;
        if (all && ++*matches > limit)
            break;
    }
    return walked;
}

static double TimeFilter(BenchWindow* bench, const char* query, int toBuffer, int* results)
{
    SetWindowTextA(bench->searchBox, query);
    double times[repeats];
    for (int i = 0; i < repeats; ++i) {
        if (toBuffer)
            copyListBuffer->Clear();
        double start = Seconds();
        *results = FilterCatalogue(toBuffer ? copyListLimit : resultListLimit, searchFull, toBuffer,
                                   bench->window, bench->resultList);
        times[i] = Seconds() - start;
    }
    return Median(times, repeats) * 1000;
}

int RunFilterBench(const char* pathsFile)
{
    BenchWindow bench;
    if (!CreateBenchWindow(&bench)) {
        fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    GenerateCatalogue();
    unsigned blockSize = 0;
    char* block = LayOutPaths(&blockSize);
    if (!WriteFileWhole(pathsFile, block, blockSize)) {
        fprintf(stderr, "cannot write %s\n", pathsFile);
        return 1;
    }
    Figure("catalogue_entries", catalogue->Count(), "entries");
    Figure("catalogue_average_path", (double)(blockSize - catalogue->Count()) / catalogue->Count(),
           "bytes");
    Figure("catalogue_bytes", blockSize / 1e6, "MB");

    double times[repeats];
    for (int i = 0; i < repeats; ++i) {
        double start = Seconds();
        if (ScanForByte(block, blockSize, 'Q'))
            return 1;
        times[i] = Seconds() - start;
    }
    Figure("memchr_floor", Median(times, repeats) * 1000, "ms");
    for (int i = 0; i < repeats; ++i) {
        double start = Seconds();
        if (memchr(block, 'Q', blockSize))
            return 1;
        times[i] = Seconds() - start;
    }
    Figure("memchr_crt", Median(times, repeats) * 1000, "ms");
    FreeBlock(block);

    int results = 0;
    int matches = 0;
    const char* absent[] = {"zqxj"};
    Figure("filter_full_walk", TimeFilter(&bench, "zqxj", 0, &results), "ms");
    Figure("filter_full_walk_results", results, "entries");
    Figure("filter_full_walk_walked", EntriesWalked(absent, 1, resultListLimit, &matches),
           "entries");

    const char* common[] = {"report"};
    Figure("filter_early_exit", TimeFilter(&bench, "report", 0, &results), "ms");
    Figure("filter_early_exit_results", results, "entries");
    Figure("filter_early_exit_walked", EntriesWalked(common, 1, resultListLimit, &matches),
           "entries");

    const char* three[] = {"tests", "debug", ".png"};
    Figure("filter_three_words", TimeFilter(&bench, "tests debug .png", 0, &results), "ms");
    Figure("filter_three_words_results", results, "entries");
    Figure("filter_three_words_walked", EntriesWalked(three, 3, resultListLimit, &matches),
           "entries");

    Figure("copy_list", TimeFilter(&bench, ".txt", 1, &results), "ms");
    Figure("copy_list_matches", results, "entries");
    Figure("copy_list_bytes", copyListBuffer->Length() / 1e6, "MB");
    return 0;
}
