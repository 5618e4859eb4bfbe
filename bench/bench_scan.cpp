// The scanner's rate over a real tree, beside a minimal walker that makes the
// same file-search calls and takes the same kind of lock once per entry but
// keeps nothing, and the catalogue's memory per entry.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "bench/bench_common.h"
#include "catalogue/linked_list.h"
#include "catalogue/scanner.h"

struct Walk {
    HANDLE lock;  // taken and released once per entry when not null
    long long entries;
};

static void WalkFolder(Walk* walk, char* path, unsigned length)
{
    if (length + 3 > scanPathSize)
        return;
    path[length] = '\\';
    path[length + 1] = '*';
    path[length + 2] = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        path[length] = 0;
        return;
    }
    do {
        const char* name = found.cFileName;
        int isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (walk->lock) {
            WaitForSingleObject(walk->lock, INFINITE);
            ReleaseMutex(walk->lock);
        }
        ++walk->entries;
        if (isFolder) {
            unsigned nameLength = (unsigned)strlen(name);
            if (length + 1 + nameLength + 3 <= scanPathSize) {
                path[length] = '\\';
                memcpy(path + length + 1, name, nameLength + 1);
                WalkFolder(walk, path, length + 1 + nameLength);
            }
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    path[length] = 0;
}

// Seconds for one walk of root; entries counted into walk.
static double TimeWalk(const char* root, Walk* walk)
{
    char* path = static_cast<char*>(AllocZeroed(scanPathSize));
    lstrcpynA(path, root, scanPathSize);
    walk->entries = 0;
    double start = Seconds();
    WalkFolder(walk, path, (unsigned)strlen(path));
    double seconds = Seconds() - start;
    FreeBlock(path);
    return seconds;
}

static void MemoryNow(SIZE_T* pagefile, SIZE_T* workingSet)
{
    PROCESS_MEMORY_COUNTERS counters;
    ZeroMemory(&counters, sizeof(counters));
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    *pagefile = counters.PagefileUsage;
    *workingSet = counters.WorkingSetSize;
}

// Bytes the process heap holds for busy blocks, their overhead included.
static double HeapBusyBytes()
{
    double bytes = 0;
    PROCESS_HEAP_ENTRY block;
    ZeroMemory(&block, sizeof(block));
    HeapLock(GetProcessHeap());
    while (HeapWalk(GetProcessHeap(), &block))
        if (block.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            bytes += (double)block.cbData + block.cbOverhead;
    HeapUnlock(GetProcessHeap());
    return bytes;
}

// Seconds for one scan of root by the scanner thread, the user-interface
// thread handling its messages meanwhile.
static double TimeScan(const char* root)
{
    lstrcpynA(scanPath, root, scanPathSize);
    scanCount = 0;
    progressMark = 0;
    keepScanning = 1;
    benchScanDone = 0;
    double start = Seconds();
    HANDLE thread = CreateThread(NULL, 0, ScanThreadProc, NULL, 0, NULL);
    if (!thread)
        return 0;
    PumpUntilScanDone(thread);
    double seconds = Seconds() - start;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    keepScanning = 0;
    return seconds;
}

// The folders right below root, each as a root of its own.
static int ListGroups(const char* root, char (*groups)[MAX_PATH], int capacity)
{
    char pattern[MAX_PATH];
    wsprintfA(pattern, "%s\\*", root);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.' &&
            count < capacity)
            wsprintfA(groups[count++], "%s\\%s", root, found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int RunScanBench(const char* root)
{
    BenchWindow bench;
    if (!CreateBenchWindow(&bench)) {
        fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    // A first walk fills the system's caches for every run after it.
    Walk walk = {NULL, 0};
    TimeWalk(root, &walk);
    const long long treeEntries = walk.entries;
    Figure("scan_tree_entries", (double)treeEntries, "entries");

    // One scan of the whole tree on a fresh heap: its rate and its memory.
    SIZE_T pagefileBefore, workingSetBefore, pagefileAfter, workingSetAfter;
    double heapBefore = HeapBusyBytes();
    MemoryNow(&pagefileBefore, &workingSetBefore);
    double whole = TimeScan(root);
    MemoryNow(&pagefileAfter, &workingSetAfter);
    double heapGrowth = HeapBusyBytes() - heapBefore;
    if (scanCount != treeEntries) {
        fprintf(stderr, "the scan found %d entries, the walker %lld\n", scanCount, treeEntries);
        return 1;
    }
    Figure("scan_rate", treeEntries / whole, "entries/s");
    double pathBytes = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next)
        pathBytes += (double)strlen(static_cast<const char*>(node->data));
    const double averagePath = pathBytes / scanCount;
    const double perEntry = ((double)pagefileAfter - (double)pagefileBefore) / scanCount;
    Figure("scan_average_path", averagePath, "bytes");
    Figure("heap_per_entry", perEntry, "bytes");
    Figure("heap_over_path", perEntry - averagePath, "bytes");
    Figure("working_set_per_entry",
           ((double)workingSetAfter - (double)workingSetBefore) / scanCount, "bytes");
    Figure("heap_blocks_per_entry", heapGrowth / scanCount, "bytes");
    Figure("heap_blocks_over_path", heapGrowth / scanCount - averagePath, "bytes");
    FreeCatalogueEntries();

    // The lock's cost moves with the machine's load, by more than the
    // difference measured here: the walker with the lock and the scanner
    // take turns over the tree's top folders, each first in every other turn.
    static char groups[64][MAX_PATH];
    const int groupCount = ListGroups(root, groups, 64);
    HANDLE lock = CreateMutexA(NULL, FALSE, NULL);
    double locked = 0, scanned = 0, plain = 0;
    long long lockedEntries = 0, scannedEntries = 0, plainEntries = 0;
    for (int g = 0; g < groupCount; ++g) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + g) % 2 == 0) {
                walk.lock = lock;
                locked += TimeWalk(groups[g], &walk);
                lockedEntries += walk.entries;
            } else {
                scanned += TimeScan(groups[g]);
                scannedEntries += scanCount;
                FreeCatalogueEntries();
            }
        }
        walk.lock = NULL;
        plain += TimeWalk(groups[g], &walk);
        plainEntries += walk.entries;
    }
    Figure("walker_without_lock_rate", plainEntries / plain, "entries/s");
    Figure("walker_rate", lockedEntries / locked, "entries/s");
    Figure("scan_rate_in_turns", scannedEntries / scanned, "entries/s");
    Figure("scan_vs_walker", 100.0 * (scannedEntries / scanned) / (lockedEntries / locked), "%");
    Figure("lock_share", 100.0 * (1 - (lockedEntries / locked) / (plainEntries / plain)), "%");
    Figure("lock_cost_per_entry",
           1e6 * (locked / lockedEntries - plain / plainEntries), "us");
    return 0;
}
