// Result actions against the real clipboard, the real shell and real pop-up
// menus. Opening never starts a real viewer: the recording program beside
// this one is registered for a test file type and for folders, and reports
// the argument the shell handed it.
#include <doctest/doctest.h>

#include <windows.h>
#include <shlobj.h>

#include <string.h>

#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "catalogue/match.h"
#include "catalogue/result_actions.h"
#include "catalogue/result_menu.h"
#include "catalogue/search_filter.h"
#include "harness/child_process.h"
#include "harness/program_driver.h"
#include "recording_associations.h"

// The shell's objects need the apartment that start-up sets up.
struct OleSession {
    OleSession() { OleInitialize(NULL); }
    ~OleSession() { OleUninitialize(); }
};

// Fills the fixture's list from its catalogue as typing an empty query does.
static void ShowAll(CatalogueFixture& fixture)
{
    fixture.SetQuery("");
    FilterCatalogue(resultListLimit, searchFull, 0, fixture.window, fixture.resultList);
}

static void Select(CatalogueFixture& fixture, int item)
{
    SendMessageA(fixture.resultList, LB_SETCURSEL, (WPARAM)item, 0);
}

static void EmptyTheClipboard()
{
    if (OpenClipboard(NULL)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

TEST_CASE("the copy actions put the item's exact path, title or folder on the clipboard")
{
    CatalogueFixture fixture;
    fixture.SetRoot("c:\\dir");
    typedef void (*CopyAction)(HWND);
    struct Expected {
        const char* entry;
        const char* pathAndTitle;  // 30003
        const char* title;         // 30001
        const char* path;          // 30002
    };
    std::string deep = "c:\\dir\\" + std::string(280, 'x') + "\\";
    std::string deepFile = deep + "report.txt";
    const Expected cases[] = {
        {"c:\\dir\\report.txt", "c:\\dir\\report.txt", "report.txt", "c:\\dir\\"},
        {"c:\\dir\\sub\\", "c:\\dir\\sub\\", "", "c:\\dir\\sub\\"},
        // Longer than the usual 260 bytes: a cut path would name another file.
        {deepFile.c_str(), deepFile.c_str(), "report.txt", deep.c_str()},
    };
    for (const Expected& expected : cases) {
        fixture.Empty();
        fixture.Add(expected.entry);
        ShowAll(fixture);
        Select(fixture, 0);
        const CopyAction actions[] = {CopySelectedPath, CopySelectedTitle, CopySelectedFolder};
        const char* texts[] = {expected.pathAndTitle, expected.title, expected.path};
        for (int i = 0; i < 3; ++i) {
            INFO("entry " << expected.entry << ", action " << i);
            EmptyTheClipboard();
            actions[i](fixture.resultList);
            CHECK(ReadClipboardText() == texts[i]);
        }
    }

    // Without a selection nothing is copied.
    Select(fixture, -1);
    EmptyTheClipboard();
    CopySelectedPath(fixture.resultList);
    CopySelectedTitle(fixture.resultList);
    CopySelectedFolder(fixture.resultList);
    CHECK(ReadClipboardText().empty());
}

TEST_CASE("a copy that cannot be made leaves the clipboard as it was and reports failure")
{
    const char before[] = "held before";
    REQUIRE(CopyTextToClipboard(before, sizeof(before)) == 1);
    REQUIRE(ReadClipboardText() == before);
    // A block of no bytes cannot be locked: there is nothing to hand over.
    CHECK(CopyTextToClipboard("x", 0) == 0);
    CHECK(ReadClipboardText() == before);
}

TEST_CASE("Copy List puts every match on the clipboard, one per CR LF line, beyond the 101 shown")
{
    CatalogueFixture fixture;
    fixture.SetRoot("c:");
    std::string expected;
    for (int i = 0; i < 150; ++i) {
        std::string entry = "c:\\data\\match-" + std::to_string(i) + ".txt";
        fixture.Add(entry.c_str());
        fixture.Add(("c:\\data\\other-" + std::to_string(i) + ".txt").c_str());
        expected += entry + "\r\n";
    }
    fixture.SetQuery("match");
    FilterCatalogue(resultListLimit, searchFull, 0, fixture.window, fixture.resultList);
    CHECK(fixture.ItemCount() == 101);

    EmptyTheClipboard();
    CopyMatchList(fixture.window, fixture.resultList, searchFull);
    CHECK(ReadClipboardText() == expected);
    CHECK(fixture.ItemCount() == 101);
}

// ---- Pop-up menus -----------------------------------------------------------
// TrackPopupMenu runs its own loop; the list's owner hears WM_ENTERIDLE once
// the pop-up waits for input. A watching subclass reads the menu then and
// posts the keys that close it.

struct MenuItemSeen {
    std::string caption;
    UINT id;
    int greyed;
    int separator;
};

struct PopupWatch {
    WNDPROC listProc;
    int idleSeen;
    std::vector<MenuItemSeen> items;
    IContextMenu2* menu2WhileUp;
    IContextMenu3* menu3WhileUp;
    int chooseDefault;  // 0: Esc; 1: the default item (the shell's "open")
};
static PopupWatch popupWatch;

static std::vector<MenuItemSeen> ReadMenu(HMENU menu)
{
    std::vector<MenuItemSeen> items;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char caption[256] = {0};
        GetMenuStringA(menu, (UINT)i, caption, sizeof(caption), MF_BYPOSITION);
        UINT state = GetMenuState(menu, (UINT)i, MF_BYPOSITION);
        MenuItemSeen item = {caption, GetMenuItemID(menu, i), (state & MF_GRAYED) != 0,
                             (state & MF_SEPARATOR) != 0};
        items.push_back(item);
    }
    return items;
}

static LRESULT CALLBACK WatchingListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && !popupWatch.idleSeen) {
        popupWatch.idleSeen = 1;
        HWND popup = reinterpret_cast<HWND>(lParam);
        if (!popup)
            popup = FindWindowA("#32768", NULL);
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
        popupWatch.items = ReadMenu(menu);
        popupWatch.menu2WhileUp = shellMenu2;
        popupWatch.menu3WhileUp = shellMenu3;
        UINT target = popupWatch.chooseDefault ? GetMenuDefaultItem(menu, FALSE, 0) : (UINT)-1;
        if (target == (UINT)-1) {
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        } else {
            // Down moves over every item but separators.
            for (const MenuItemSeen& item : popupWatch.items) {
                if (!item.separator)
                    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
                if (item.id == target)
                    break;
            }
            PostMessageA(popup, WM_CHAR, '\r', 0);
        }
    }
    return CallWindowProcA(popupWatch.listProc, list, message, wParam, lParam);
}

// Shows the pop-up for the selected item of fixture's list, lets the watch
// read it and close it; returns ShowResultMenu's result.
static int WatchPopup(CatalogueFixture& fixture, const char* entry, int extended,
                      int chooseDefault = 0)
{
    popupWatch = PopupWatch();
    popupWatch.chooseDefault = chooseDefault;
    popupWatch.listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        fixture.resultList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingListProc)));
    int result = ShowResultMenu(fixture.resultList, entry, 5, 5, extended);
    SetWindowLongPtrA(fixture.resultList, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(popupWatch.listProc));
    return result;
}

// The first count items' captions, "(grey) " before the greyed ones.
static std::vector<std::string> Shown(size_t count = 99)
{
    std::vector<std::string> shown;
    for (size_t i = 0; i < popupWatch.items.size() && i < count; ++i)
        shown.push_back((popupWatch.items[i].greyed ? "(grey) " : "") + popupWatch.items[i].caption);
    return shown;
}

typedef std::vector<std::string> Texts;

TEST_CASE("the simple pop-up holds the program's five items, greyed where they cannot act")
{
    OleSession ole;
    CatalogueFixture fixture;
    fixture.SetRoot("c:\\dir");
    const char* file = fixture.Add("c:\\dir\\report.txt");
    const char* folder = fixture.Add("c:\\dir\\sub\\");
    ShowAll(fixture);

    SUBCASE("for a file every item acts")
    {
        CHECK(WatchPopup(fixture, file, 0) == 1);
        CHECK(Shown() ==
              Texts{"Copy Path and Title", "Copy Title", "Copy Path", "Copy List", "Open Folder"});
    }
    SUBCASE("for a folder the two items that need a title are greyed")
    {
        CHECK(WatchPopup(fixture, folder, 0) == 1);
        CHECK(Shown() == Texts{"(grey) Copy Path and Title", "(grey) Copy Title", "Copy Path",
                               "Copy List", "Open Folder"});
    }
    SUBCASE("with an empty list Copy List is greyed")
    {
        SendMessageA(fixture.resultList, LB_RESETCONTENT, 0, 0);
        CHECK(WatchPopup(fixture, file, 0) == 1);
        CHECK(Shown() == Texts{"Copy Path and Title", "Copy Title", "Copy Path", "(grey) Copy List",
                               "Open Folder"});
    }
    SUBCASE("an item without data opens no pop-up")
    {
        CHECK(WatchPopup(fixture, NULL, 0) == 0);
        CHECK(WatchPopup(fixture, NULL, 1) == 0);
        CHECK(popupWatch.idleSeen == 0);
    }
    CHECK(popupWatch.menu2WhileUp == NULL);
    CHECK(shellMenu2 == NULL);
    CHECK(shellMenu3 == NULL);
}

// ---- Opening ------------------------------------------------------------------

// The child opens SORVANE_OPEN_ENTRY, as the selected result ("result") or
// its folder ("folder") after SORVANE_OPEN_COMMAND, in its own process: a
// failure there ends in a message box, which the parent reads.
CHILD_SCENARIO("open-result")
{
    OleSession ole;
    char entry[1000] = {0};
    char command[32] = {0};
    GetEnvironmentVariableA("SORVANE_OPEN_ENTRY", entry, sizeof(entry));
    GetEnvironmentVariableA("SORVANE_OPEN_COMMAND", command, sizeof(command));
    CatalogueFixture fixture;
    fixture.Add(entry);
    ShowAll(fixture);
    Select(fixture, 0);
    if (strcmp(command, "folder") == 0)
        OpenSelectedFolder(fixture.window, fixture.resultList);
    else
        OpenSelectedResult(fixture.window, fixture.resultList);
    return 0;
}

// What the recording program received when the child opened entry; the
// texts of any message boxes follow it.
static std::string OpenInChild(const RecordingAssociations& associations, const std::string& entry,
                               const char* command)
{
    SetEnvironmentVariableA("SORVANE_OPEN_ENTRY", entry.c_str());
    SetEnvironmentVariableA("SORVANE_OPEN_COMMAND", command);
    ChildOutcome outcome;
    RunChildScenario("open-result", &outcome);
    std::string recorded = associations.Recorded();
    for (int i = 0; i < outcome.boxCount && i < maxRecordedBoxes; ++i)
        recorded += std::string(" (box: ") + outcome.boxes[i].text + ")";
    return recorded;
}

TEST_CASE("opening hands the associated program the path, and a type without one opens its folder")
{
    RecordingAssociations associations;
    TempTree tree("sorvane-open");
    tree.Add("report.sorvtest");
    tree.Add("sub\\");
    tree.Add("data.sorvnone");
    std::string root = LowerCase(tree.root);

    SUBCASE("a file opens with its type's program")
    {
        std::string entry = root + "\\report.sorvtest";
        CHECK(OpenInChild(associations, entry, "result") == entry);
    }
    SUBCASE("a folder opens with the folders' program")
    {
        std::string entry = root + "\\sub\\";
        CHECK(OpenInChild(associations, entry, "result") == entry);
    }
    SUBCASE("Open Folder opens the file's folder")
    {
        CHECK(OpenInChild(associations, root + "\\report.sorvtest", "folder") == root + "\\");
    }
    SUBCASE("a file of a type without a program opens its folder")
    {
        CHECK(OpenInChild(associations, root + "\\data.sorvnone", "result") == root);
    }
    SUBCASE("such a file at a drive's root opens the root, not the drive's current folder")
    {
        const char entry[] = "c:\\sorvane-open-root.sorvnone";
        HANDLE file = CreateFileA(entry, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        CHECK(OpenInChild(associations, entry, "result") == "c:\\");
        DeleteFileA(entry);
    }
}

TEST_CASE("the extended pop-up adds the shell's items, which act on a name outside ASCII")
{
    OleSession ole;
    RecordingAssociations associations;
    TempTree tree("sorvane-menu");
    // "résumé" in UTF-8, the programs' code page: the shell must get these
    // very letters.
    // A folder, since the shell's own "Open" here acts on folders only.
    const std::string name = "r\xc3\xa9sum\xc3\xa9";
    tree.Add(name + "\\");
    CatalogueFixture fixture;
    fixture.SetRoot(LowerCase(tree.root).c_str());
    const char* entry = fixture.Add((LowerCase(tree.root) + "\\" + name + "\\").c_str());
    ShowAll(fixture);

    SUBCASE("cancelled, it leaves no menu object published")
    {
        CHECK(WatchPopup(fixture, entry, 1) == 1);
        REQUIRE(popupWatch.items.size() > 6);
        CHECK(Shown(5) == Texts{"(grey) Copy Path and Title", "(grey) Copy Title", "Copy Path",
                                "Copy List", "Open Folder"});
        CHECK(popupWatch.items[5].separator == 1);
        CHECK(popupWatch.items[6].id >= 1);
        CHECK(popupWatch.items[6].id <= 29999);
        CHECK(popupWatch.menu2WhileUp != NULL);
        CHECK(popupWatch.menu3WhileUp != NULL);
        CHECK(shellMenu2 == NULL);
        CHECK(shellMenu3 == NULL);
        CHECK(associations.Recorded(500) == "(not started)");
    }
    SUBCASE("the shell's open starts the folders' program on that folder")
    {
        CHECK(WatchPopup(fixture, entry, 1, 1) == 1);
        std::string recorded = associations.Recorded();
        INFO("recorded " << recorded);
        CHECK(lstrcmpiA(recorded.c_str(), (tree.root + "\\" + name).c_str()) == 0);
        CHECK(shellMenu2 == NULL);
    }
}

// ---- The real program --------------------------------------------------------

namespace {

// Keys go to the foreground window, and Enter opens only from the search box
// or the list, where the program puts the focus after a scan or a click.
int ReadyForKeys(const ProgramRun& run)
{
    const HWND box = GetDlgItem(run.window, IDC_SEARCH_BOX);
    const HWND list = GetDlgItem(run.window, IDC_RESULT_LIST);
    return WaitUntil(
        [&] {
            const HWND focus = FocusOf(&run);
            return GetForegroundWindow() == run.window && (focus == box || focus == list);
        },
        5000);
}

}  // namespace

TEST_CASE("on the real result list, clicks and Enter act on the item they point at")
{
    RecordingAssociations associations;  // before the start: the program inherits its record file
    TempTree tree("sorvane-result-list");
    // Files only, so that every item of the pop-up acts.
    for (int i = 0; i < 4; ++i)
        tree.Add("file" + std::to_string(i) + testType);
    ClearStoredSettings();
    ProgramRun run;
    REQUIRE(StartProgram(&run, "\"" + tree.root + "\""));
    BringToFront(&run);
    REQUIRE(WaitForScanEnd(&run) == 4);
    const HWND list = GetDlgItem(run.window, IDC_RESULT_LIST);
    REQUIRE(WaitUntil([&] { return ListItems(list).size() == 4 && ListSelection(list) == 0; }, 5000));
    const std::vector<std::string> items = ListItems(list);
    const int rowHeight = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    REQUIRE(ReadyForKeys(run));

    SUBCASE("the item under the pointer is selected, and a chosen item acts on it")
    {
        ClickAt(list, 10, rowHeight * 2 + rowHeight / 2, VK_RBUTTON);
        REQUIRE(WaitUntil([&] { return PopupMenuOf(&run) != NULL; }, 5000));
        CHECK(ListSelection(list) == 2);
        EmptyTheClipboard();
        // "Copy Title", the second item.
        REQUIRE(HighlightMenuRow(&run, 1));
        PressKey(VK_RETURN);
        CHECK(WaitUntil([&] { return PopupMenuOf(&run) == NULL; }, 5000));
        const std::string title = items[2].substr(items[2].rfind('\\') + 1);
        CHECK(WaitUntil([&] { return ReadClipboardText() == title; }, 5000));
        CHECK(ReadClipboardText() == title);
    }
    SUBCASE("below the last item the selection stays and its pop-up opens")
    {
        PressKey(VK_DOWN);
        REQUIRE(WaitUntil([&] { return ListSelection(list) == 1; }, 5000));
        RECT client;
        GetClientRect(list, &client);
        REQUIRE(client.bottom > rowHeight * 5);
        ClickAt(list, 10, rowHeight * 4 + rowHeight / 2, VK_RBUTTON);
        CHECK(WaitUntil([&] { return PopupMenuOf(&run) != NULL; }, 5000));
        CHECK(ListSelection(list) == 1);
        PressKey(VK_ESCAPE);
        CHECK(WaitUntil([&] { return PopupMenuOf(&run) == NULL; }, 5000));
        CHECK(ListSelection(list) == 1);
    }
    SUBCASE("a double click opens the item with its program, and so does Enter")
    {
        const std::string folder = LowerCase(tree.root);
        DoubleClickAt(list, 10, rowHeight * 3 + rowHeight / 2);
        CHECK(associations.Recorded() == folder + items[3]);
        CHECK(ListSelection(list) == 3);
        REQUIRE(ReadyForKeys(run));
        PressKey(VK_UP);
        REQUIRE(WaitUntil([&] { return ListSelection(list) == 2; }, 5000));
        PressKey(VK_RETURN);
        CHECK(associations.Recorded() == folder + items[2]);
    }
    StopProgram(&run);
}

TEST_CASE("a name outside ASCII typed into the real program opens with exactly its letters")
{
    RecordingAssociations associations;
    TempTree tree("sorvane-open-ansi");
    // "über résumé" in UTF-8, as the catalogue holds it.
    const std::string name = "\xc3\xbc" "ber r\xc3\xa9sum\xc3\xa9" + std::string(testType);
    tree.Add(name);
    tree.Add("plain" + std::string(testType));
    ClearStoredSettings();
    ProgramRun run;
    REQUIRE(StartProgram(&run, "\"" + tree.root + "\""));
    BringToFront(&run);
    REQUIRE(WaitForScanEnd(&run) == 2);
    REQUIRE(ReadyForKeys(run));
    TypeUnicode(L"R\x00C9SUM");
    // Lower-cased as the box takes it.
    REQUIRE(WaitUntil([&] { return ControlText(run.window, IDC_SEARCH_BOX) == "r\xc3\xa9sum"; }, 5000));
    const HWND list = GetDlgItem(run.window, IDC_RESULT_LIST);
    REQUIRE(WaitUntil([&] { return ListItems(list).size() == 1 && ListSelection(list) == 0; }, 5000));
    PressKey(VK_RETURN);
    CHECK(associations.Recorded() == LowerCase(tree.root) + "\\" + name);
    StopProgram(&run);
}
