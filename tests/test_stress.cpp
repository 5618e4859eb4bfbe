// The real program under a long run of random input against a tree of
// 100,000 entries, with a watchdog on every step; its memory across many
// rescans; three linked copies typing, closing and starting again.
#include <doctest/doctest.h>

#include <windows.h>

#include <psapi.h>
#include <stdlib.h>

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "harness/program_driver.h"
#include "resources/resource.h"

namespace {

const int treeFolders = 100;
const int filesPerFolder = 999;
const int treeEntries = treeFolders * (filesPerFolder + 1);

// Built once per prefix and kept: its mark lies beside it, not in it.
std::string StressTree()
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
int Answers(const ProgramRun* run, UINT timeoutMs = 10000)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(run->window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) !=
           0;
}

int Running(const ProgramRun* run)
{
    return WaitForSingleObject(run->process.hProcess, 0) == WAIT_TIMEOUT;
}

// Waits until no scan runs and returns the count the status line shows.
int WaitIdle(const ProgramRun* run, DWORD timeoutMs = 120000)
{
    if (!WaitUntil([&] { return !IsScanning(run); }, timeoutMs))
        return -1;
    return WaitForScanEnd(run, 5000);
}

typedef BOOL(WINAPI* MemoryInfoProc)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);

struct Memory {
    SIZE_T workingSet;
    SIZE_T privateBytes;
};

Memory MemoryOf(const ProgramRun* run)
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

BOOL CALLBACK FindPopup(HWND window, LPARAM lParam)
{
    std::pair<DWORD, HWND>* search = reinterpret_cast<std::pair<DWORD, HWND>*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {0};
    GetClassNameA(window, className, sizeof(className));
    if (owner == search->first && IsWindowVisible(window) && strcmp(className, "#32768") == 0) {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}

// The pop-up menu window the program shows, or null.
HWND PopupOf(const ProgramRun* run)
{
    std::pair<DWORD, HWND> search(run->process.dwProcessId, (HWND)NULL);
    EnumWindows(FindPopup, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(NULL))
        return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* bytes = data ? static_cast<const char*>(GlobalLock(data)) : NULL;
    if (bytes) {
        text = bytes;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

}  // namespace

TEST_CASE("a minute of random input against 100,000 entries never hangs the program")
{
    const std::string root = StressTree();
    ClearStoredSettings();
    ProgramRun run;
    REQUIRE(StartProgram(&run, Quoted(root)));
    BringToFront(&run);
    REQUIRE(WaitIdle(&run) == treeEntries);

    srand(1313);
    int keystrokes = 0, scans = 0, drops = 0, driveSwitches = 0, escapes = 0, restarts = 0,
        hangs = 0, steps = 0, copies = 0;
    const char typed[] = "abcdeiklmnoprstxz0123456789. \\";
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
        ++steps;
        const int action = rand() % 100;
        if (action < 55) {
            char text[2] = {typed[rand() % (sizeof(typed) - 1)], 0};
            TypeText(text);
            ++keystrokes;
        } else if (action < 65) {
            PressKey(VK_BACK);
            ++keystrokes;
        } else if (action < 75) {
            PressKey(VK_F5);
            ++scans;
        } else if (action < 82) {
            // Esc stops a scan; when none runs it closes the program, which is
            // then started again.
            PressKey(VK_ESCAPE);
            ++escapes;
        } else if (action < 86) {
            // "Copy List", as the pop-up's item sends it.
            PostMessageA(run.window, WM_SYSCOMMAND, IDM_COPY_LIST, 0);
            ++copies;
        } else if (action < 93) {
            char folder[MAX_PATH];
            const char* words[] = {"alpha", "report", "notes", "image",
                                   "data",  "zeta",   "kilo",  "misc"};
            const int d = rand() % treeFolders;
            wsprintfA(folder, "%s\\%s-%02d", root.c_str(), words[d % 8], d);
            DropPaths(&run, {rand() % 3 ? std::string(folder) : root});
            ++drops;
        } else {
            // Drive c: only: the others here are the host's whole file system.
            const HWND drives = GetDlgItem(run.window, IDC_DRIVE_LIST);
            const std::vector<std::string> items = ListItems(drives);
            int driveC = -1;
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i] == "[-c-]")
                    driveC = (int)i;
            if (driveC >= 0) {
                RECT item = {0, 0, 0, 0};
                SendMessageA(drives, LB_GETITEMRECT, (WPARAM)driveC,
                             reinterpret_cast<LPARAM>(&item));
                ClickAt(drives, item.left + 5, (item.top + item.bottom) / 2);
                ++driveSwitches;
            }
        }
        // Closing takes a while: the window goes first, then the process.
        int answered = Answers(&run);
        if (!answered && IsWindow(run.window) && Running(&run)) {
            MESSAGE("no answer after action " << action << ", error " << GetLastError()
                                              << ", box "
                                              << (MessageBoxOf(run.process.dwProcessId) != NULL));
            ++hangs;
            break;
        }
        if (!IsWindow(run.window) || !Running(&run)) {
            DWORD exitCode = 1;
            CHECK(WaitForExit(&run, 10000, &exitCode));
            CHECK(exitCode == 0);
            StopProgram(&run);
            REQUIRE(StartProgram(&run, Quoted(root)));
            BringToFront(&run);
            ++restarts;
        }
    }
    const DWORD took = GetTickCount() - start;
    CHECK(hangs == 0);

    // Whatever the run left behind, a full scan of the tree counts it exactly.
    WaitIdle(&run);
    REQUIRE(DropPaths(&run, {root}));
    REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 10000));
    CHECK(WaitIdle(&run) == treeEntries);
    CHECK(Answers(&run));
    MESSAGE("stress: " << took << " ms, " << steps << " steps, " << keystrokes << " keystrokes, "
                       << scans << " F5, " << escapes << " Esc, " << drops << " drops, "
                       << driveSwitches << " drive switches, " << copies << " Copy Lists, "
                       << restarts << " restarts, "
                       << hangs << " hangs");
    CHECK(CloseProgram(&run));
    StopProgram(&run);
}

TEST_CASE("three linked copies typing at once, closing and starting again, stay in step")
{
    const std::string root = StressTree();
    ClearStoredSettings();
    const std::string arguments = "/LinkMode=1 " + Quoted(root);
    ProgramRun runs[3];
    for (ProgramRun& run : runs) {
        REQUIRE(StartProgram(&run, arguments));
        REQUIRE(WaitIdle(&run) == treeEntries);
    }
    srand(1314);
    int keystrokes = 0, restarts = 0, hangs = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 25000) {
        ProgramRun& run = runs[rand() % 3];
        if (rand() % 12 == 0) {
            CHECK(CloseProgram(&run));
            StopProgram(&run);
            REQUIRE(StartProgram(&run, arguments));
            ++restarts;
            continue;
        }
        BringToFront(&run);
        char text[4] = {(char)('a' + rand() % 26), (char)('a' + rand() % 26), 0, 0};
        TypeText(text);
        keystrokes += 2;
        if (rand() % 4 == 0) {
            PressKey(VK_BACK);
            ++keystrokes;
        }
        for (ProgramRun& each : runs)
            hangs += !Answers(&each);
    }
    CHECK(hangs == 0);

    // The last text typed reaches every copy that has its catalogue.
    for (ProgramRun& run : runs)
        REQUIRE(WaitIdle(&run) == treeEntries);
    BringToFront(&runs[0]);
    TypeText("q");
    const std::string text = ControlText(runs[0].window, IDC_SEARCH_BOX);
    for (ProgramRun& run : runs)
        CHECK(WaitUntil([&] { return ControlText(run.window, IDC_SEARCH_BOX) == text; }, 5000));
    MESSAGE("linked copies: " << keystrokes << " keystrokes, " << restarts << " restarts, "
                              << hangs << " hangs");
    for (ProgramRun& run : runs) {
        CHECK(CloseProgram(&run));
        StopProgram(&run);
    }
}

TEST_CASE("ten rescans of 100,000 entries keep the working set of the first")
{
    const std::string root = StressTree();
    ClearStoredSettings();
    ProgramRun run;
    REQUIRE(StartProgram(&run, Quoted(root)));
    REQUIRE(WaitIdle(&run) == treeEntries);
    // One more scan settles what the first one left in the heap's free lists.
    PressKey(VK_F5);
    REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 5000));
    REQUIRE(WaitIdle(&run) == treeEntries);
    const Memory first = MemoryOf(&run);
    REQUIRE(first.workingSet > 0);
    for (int i = 0; i < 10; ++i) {
        PressKey(VK_F5);
        REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 5000));
        REQUIRE(WaitIdle(&run) == treeEntries);
    }
    const Memory last = MemoryOf(&run);
    MESSAGE("working set " << first.workingSet / 1024 << " KiB -> " << last.workingSet / 1024
                           << " KiB; private " << first.privateBytes / 1024 << " KiB -> "
                           << last.privateBytes / 1024 << " KiB");
    CHECK((double)last.workingSet <= 1.05 * (double)first.workingSet);
    CHECK((double)last.privateBytes <= 1.05 * (double)first.privateBytes);
    CHECK(CloseProgram(&run));
    StopProgram(&run);
}

TEST_CASE("ten thousand Copy Lists and a thousand pop-up menus keep the working set")
{
    const std::string root = StressTree();
    ClearStoredSettings();
    ProgramRun run;
    REQUIRE(StartProgram(&run, Quoted(root)));
    BringToFront(&run);
    REQUIRE(WaitIdle(&run) == treeEntries);
    // One folder of the tree: a thousand matches a copy.
    TypeText("alpha-00\\");
    const HWND list = GetDlgItem(run.window, IDC_RESULT_LIST);
    REQUIRE(WaitUntil([&] { return ListItems(list).size() == 101; }, 5000));

    auto copyLists = [&](int count) {
        for (int i = 0; i < count; ++i)
            SendMessageA(run.window, WM_SYSCOMMAND, IDM_COPY_LIST, 0);
    };
    auto popUps = [&](int count) {
        const int rowHeight = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
        int shown = 0;
        for (int i = 0; i < count; ++i) {
            const LPARAM point = MAKELPARAM(10, rowHeight * (i % 5) + rowHeight / 2);
            PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, point);
            PostMessageA(list, WM_RBUTTONUP, 0, point);
            HWND popup = NULL;
            if (!WaitUntil([&] { return (popup = PopupOf(&run)) != NULL; }, 5000))
                break;
            ++shown;
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            if (!WaitUntil([&] { return PopupOf(&run) == NULL; }, 5000))
                break;
        }
        return shown;
    };
    // A first round settles the clipboard's and the shell's own caches.
    copyLists(100);
    CHECK(popUps(20) == 20);
    const Memory first = MemoryOf(&run);
    DWORD start = GetTickCount();
    copyLists(10000);
    const DWORD copyTime = GetTickCount() - start;
    const Memory afterCopies = MemoryOf(&run);
    // Every match of the folder, not only the hundred and one shown.
    const std::string copied = ClipboardText();
    size_t lines = 0;
    for (size_t at = copied.find("\r\n"); at != std::string::npos; at = copied.find("\r\n", at + 2))
        ++lines;
    CHECK(lines == (size_t)filesPerFolder + 1);
    start = GetTickCount();
    CHECK(popUps(1000) == 1000);
    const DWORD popUpTime = GetTickCount() - start;
    const Memory afterPopUps = MemoryOf(&run);
    MESSAGE("10,000 Copy Lists in " << copyTime << " ms, 1,000 pop-ups in " << popUpTime
                                    << " ms; working set " << first.workingSet / 1024 << " -> "
                                    << afterCopies.workingSet / 1024 << " -> "
                                    << afterPopUps.workingSet / 1024 << " KiB; private "
                                    << first.privateBytes / 1024 << " -> "
                                    << afterCopies.privateBytes / 1024 << " -> "
                                    << afterPopUps.privateBytes / 1024 << " KiB");
    CHECK((double)afterCopies.workingSet <= 1.05 * (double)first.workingSet);
    CHECK((double)afterPopUps.workingSet <= 1.05 * (double)first.workingSet);
    CHECK((double)afterPopUps.privateBytes <= 1.05 * (double)first.privateBytes);
    CHECK(Answers(&run));
    CHECK(CloseProgram(&run));
    StopProgram(&run);
}
