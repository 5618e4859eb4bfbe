// The program's memory across many rescans of 100,000 entries, many Copy
// Lists and many pop-up menus: nothing may be kept per action.
#include <doctest/doctest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "stress_support.h"

// The threads the process has now.
static int ThreadsOf(DWORD processId)
{
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == processId;
    CloseHandle(snapshot);
    return count;
}

TEST_CASE("ten rescans of 100,000 entries keep the working set of the first")
{
    ProgramRun run;
    StartOnStressTree(&run);
    // F5 is taken once the ended scan has handed the focus back.
    const HWND searchBox = GetDlgItem(run.window, IDC_SEARCH_BOX);
    auto rescan = [&] {
        REQUIRE(WaitForKeyTarget(&run, run.window, searchBox));
        PressKey(VK_F5);
        REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 5000));
        const int scanning = ThreadsOf(run.process.dwProcessId);
        REQUIRE(WaitForScanEnd(&run) == treeEntries);
        // The count shows before the scanner's thread has ended, and its
        // stack (a megabyte) counts until it has: memory is read without it.
        REQUIRE(WaitUntil([&] { return ThreadsOf(run.process.dwProcessId) < scanning; }, 10000));
    };
    // One more scan settles what the first one left in the heap's free lists.
    rescan();
    const Memory first = MemoryOf(&run);
    REQUIRE(first.workingSet > 0);
    for (int i = 0; i < 10; ++i)
        rescan();
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
    ProgramRun run;
    StartOnStressTree(&run);
    // One folder of the tree: a thousand matches a copy.
    const HWND searchBox = GetDlgItem(run.window, IDC_SEARCH_BOX);
    REQUIRE(WaitForKeyTarget(&run, run.window, searchBox));
    TypeText("alpha-00\\");
    REQUIRE(WaitUntil([&] { return WindowText(searchBox) == "alpha-00\\"; }, 5000));
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
            if (!WaitUntil([&] { return (popup = PopupMenuOf(&run)) != NULL; }, 5000))
                break;
            ++shown;
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            if (!WaitUntil([&] { return PopupMenuOf(&run) == NULL; }, 5000))
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
    const std::string copied = ReadClipboardText();
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
