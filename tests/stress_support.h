// What the stress and memory tests share: a tree of 100,000 entries built
// once per prefix, a watchdog, and readers of the program's state.
#ifndef SORVANE_TESTS_STRESS_SUPPORT_H
#define SORVANE_TESTS_STRESS_SUPPORT_H

#include <doctest/doctest.h>

#include <windows.h>

#include <psapi.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "harness/program_driver.h"
#include "resources/resource.h"

namespace stress {

const int treeFolders = 100;
const int filesPerFolder = 999;
const int treeEntries = treeFolders * (filesPerFolder + 1);

// Built once per prefix and kept: its mark lies beside it, not in it.
inline std::string StressTree()
{
    char temp[MAX_PATH] = {0};
    GetTempPathA(sizeof(temp), temp);
    const std::string root = std::string(temp) + "sorvane-stress";
    const std::string mark = root + ".built";
    if (GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES)
        return root;
    const DWORD start = GetTickCount();
    CreateDirectoryA(root.c_str(), NULL);
    const char* words[] = {"alpha", "report", "notes", "image", "data", "zeta", "kilo", "misc"};
    for (int d = 0; d < treeFolders; ++d) {
        char folder[MAX_PATH];
        wsprintfA(folder, "%s\\%s-%02d", root.c_str(), words[d % 8], d);
        CreateDirectoryA(folder, NULL);
        for (int f = 0; f < filesPerFolder; ++f) {
            char file[MAX_PATH];
            wsprintfA(file, "%s\\%s%03d.%s", folder, words[(f + d) % 8], f,
                      (f & 1) ? "txt" : "doc");
            HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, NULL);
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        }
    }
    HANDLE handle = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    CloseHandle(handle);
    MESSAGE("stress tree of " << treeEntries << " entries built in " << GetTickCount() - start
                              << " ms");
    return root;
}

// The watchdog: the program takes a message within the time, or it hangs.
inline int Answers(const ProgramRun* run, UINT timeoutMs = 10000)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(run->window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ScaledWait(timeoutMs), &result) !=
           0;
}

inline int Running(const ProgramRun* run)
{
    return WaitForSingleObject(run->process.hProcess, 0) == WAIT_TIMEOUT;
}

// Waits until no scan runs and returns the count the status line shows;
// gives up only when the status line stops changing for stallMs.
inline int WaitIdle(const ProgramRun* run, DWORD stallMs = 60000)
{
    return WaitForScanEnd(run, stallMs);
}

typedef BOOL(WINAPI* MemoryInfoProc)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);

struct Memory {
    SIZE_T workingSet;
    SIZE_T privateBytes;
};

inline Memory MemoryOf(const ProgramRun* run)
{
    Memory memory = {0, 0};
    MemoryInfoProc query = reinterpret_cast<MemoryInfoProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS counters;
    ZeroMemory(&counters, sizeof(counters));
    counters.cb = sizeof(counters);
    if (query && query(run->process.hProcess, &counters, sizeof(counters))) {
        memory.workingSet = counters.WorkingSetSize;
        memory.privateBytes = counters.PagefileUsage;
    }
    return memory;
}

inline std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// The program from the default settings on the stress tree, in front, with
// its first scan ended at the tree's whole count. Returns the tree's root.
inline std::string StartOnStressTree(ProgramRun* run)
{
    const std::string root = StressTree();
    ClearStoredSettings();
    REQUIRE(StartProgram(run, Quoted(root)));
    BringToFront(run);
    REQUIRE(WaitIdle(run) == treeEntries);
    return root;
}

}  // namespace stress

using namespace stress;

#endif
