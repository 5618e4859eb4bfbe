// Shared pieces of the benchmark program: figures in the one format that
// scripts/bench.sh collects, a timer, and a hidden main window holding the
// controls the filter and the scanner talk to.
#ifndef SORVANE_BENCH_BENCH_COMMON_H
#define SORVANE_BENCH_BENCH_COMMON_H

#include <windows.h>

// Prints "figure: NAME VALUE UNIT" and flushes, so that figures appear as
// they are measured.
void Figure(const char* name, double value, const char* unit);

// Seconds since an arbitrary start, from the performance counter.
double Seconds();

// Median of count values (reorders them).
double Median(double* values, int count);

// The hidden window: result list, search box, status line. Sets mainWindow.
// WM_APP_SCAN_DONE sets benchScanDone.
struct BenchWindow {
    HWND window;
    HWND resultList;
    HWND searchBox;
    HWND status;
};
extern volatile LONG benchScanDone;
int CreateBenchWindow(BenchWindow* bench);

// Handles messages until benchScanDone is set or thread has ended.
void PumpUntilScanDone(HANDLE thread);

// Elements of an array.
template <class T, unsigned N>
constexpr unsigned CountOf(T (&)[N])
{
    return N;
}

// Deterministic pseudo-random numbers, so every run sees the same data.
unsigned NextRandom(unsigned* state);

// sweep: the walk at a range of prefetch distances instead of the queries.
// repeatCount: runs per median (0: the usual 15).
int RunFilterBench(const char* pathsFile, int sweep, int repeatCount);
int RunScanBench(const char* root);

#endif
