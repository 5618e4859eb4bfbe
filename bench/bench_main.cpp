// The benchmark program. scripts/bench.sh runs it under Wine beside the
// native peers and gathers every "figure:" line.
//   sorvane_bench filter PATHS [--sweep] [--repeats N]
//                                filter passes over two generated catalogues;
//                                writes their paths, one per line, to PATHS;
//                                --sweep times the walk at a range of
//                                prefetch distances instead of the queries;
//                                --repeats N runs per median instead of 15
//   sorvane_bench scan ROOT      scan rate and memory over the tree at ROOT
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/base/app_messages.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "bench/bench_common.h"
#include "catalogue/linked_list.h"
#include "catalogue/text_buffer.h"
#include "resources/resource.h"

volatile LONG benchScanDone;

void Figure(const char* name, double value, const char* unit)
{
    // Whole numbers as such, the rest with three decimals.
    if (value == (double)(long long)value && value < 1e15 && value > -1e15)
        printf("figure: %s %lld %s\n", name, (long long)value, unit);
    else
        printf("figure: %s %.3f %s\n", name, value, unit);
    fflush(stdout);
}

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

double Median(double* values, int count)
{
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && values[j] < values[j - 1]; --j) {
            double moved = values[j];
            values[j] = values[j - 1];
            values[j - 1] = moved;
        }
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

unsigned NextRandom(unsigned* state)
{
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

static LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP_SCAN_DONE) {
        benchScanDone = 1;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND CreateChild(HWND parent, const char* className, DWORD style, int id, int top)
{
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, top, 400, 200,
                           parent, reinterpret_cast<HMENU>((INT_PTR)id), GetModuleHandleA(NULL),
                           NULL);
}

int CreateBenchWindow(BenchWindow* bench)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "SorvaneBench";
    if (!RegisterClassA(&windowClass))
        return 0;
    bench->window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0,
                                    640, 480, NULL, NULL, windowClass.hInstance, NULL);
    if (!bench->window)
        return 0;
    bench->resultList = CreateChild(bench->window, "LISTBOX",
                                    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL,
                                    IDC_RESULT_LIST, 0);
    bench->searchBox = CreateChild(bench->window, "EDIT", ES_LOWERCASE | ES_AUTOHSCROLL,
                                   IDC_SEARCH_BOX, 210);
    bench->status = CreateChild(bench->window, "STATIC", SS_LEFT, IDC_STATUS, 240);
    mainWindow = bench->window;
    return bench->resultList && bench->searchBox && bench->status;
}

void PumpUntilScanDone(HANDLE thread)
{
    while (!benchScanDone) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (benchScanDone)
            break;
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
    }
}

int main(int argc, char** argv)
{
    int sweep = 0;
    int repeatCount = 0;
    int usable = argc >= 3 && (strcmp(argv[1], "filter") == 0 || strcmp(argv[1], "scan") == 0);
    for (int i = 3; usable && i < argc; ++i) {
        if (strcmp(argv[1], "filter") == 0 && strcmp(argv[i], "--sweep") == 0)
            sweep = 1;
        else if (strcmp(argv[1], "filter") == 0 && strcmp(argv[i], "--repeats") == 0 &&
                 i + 1 < argc && atoi(argv[i + 1]) > 0)
            repeatCount = atoi(argv[++i]);
        else
            usable = 0;
    }
    if (!usable) {
        fprintf(stderr, "usage: sorvane_bench filter PATHS [--sweep] [--repeats N] | scan ROOT\n");
        return 2;
    }
    instance = GetModuleHandleA(NULL);
    catalogue = new LinkedList();
    catalogueLock = CreateMutexA(NULL, FALSE, NULL);
    scanPath = static_cast<char*>(AllocZeroed(scanPathSize));
    copyListBuffer = new TextBuffer(8192, 262144);
    if (!catalogue || !catalogueLock || !scanPath || !copyListBuffer) {
        fprintf(stderr, "cannot create the process-wide objects\n");
        return 1;
    }
    return strcmp(argv[1], "filter") == 0 ? RunFilterBench(argv[2], sweep, repeatCount) : RunScanBench(argv[2]);
}
