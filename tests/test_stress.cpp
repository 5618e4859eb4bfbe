// The real program under a long run of random input against a tree of
// 100,000 entries, with a watchdog on every step; three linked copies
// typing, closing and starting again.
#include <doctest/doctest.h>

#include <windows.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "stress_support.h"

TEST_CASE("a minute of random input against 100,000 entries never hangs the program")
{
    ProgramRun run;
    const std::string root = StartOnStressTree(&run);

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
    // A scan of drive c: may still run, which takes as long as the machine
    // needs: it is awaited for as long as it goes on.
    WaitForScanEnd(&run);
    REQUIRE(DropPaths(&run, {root}));
    REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 10000));
    CHECK(WaitForScanEnd(&run) == treeEntries);
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
        REQUIRE(WaitForScanEnd(&run) == treeEntries);
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

    // The last text typed reaches every copy that has its catalogue. It ends
    // in a digit, which the random typing never types: once the first copy
    // shows it, that copy has handled every key it was sent.
    for (ProgramRun& run : runs)
        REQUIRE(WaitForScanEnd(&run) == treeEntries);
    REQUIRE(WaitForKeyTarget(&runs[0], runs[0].window, GetDlgItem(runs[0].window, IDC_SEARCH_BOX)));
    TypeText("0");
    std::string text;
    CHECK(WaitUntil(
        [&] {
            text = ControlText(runs[0].window, IDC_SEARCH_BOX);
            return !text.empty() && text.back() == '0';
        },
        5000));
    for (ProgramRun& run : runs)
        CHECK(WaitUntil([&] { return ControlText(run.window, IDC_SEARCH_BOX) == text; }, 5000));
    MESSAGE("linked copies: " << keystrokes << " keystrokes, " << restarts << " restarts, "
                              << hangs << " hangs, last text of " << text.size() << " bytes");
    for (ProgramRun& run : runs) {
        CHECK(CloseProgram(&run));
        StopProgram(&run);
    }
}

