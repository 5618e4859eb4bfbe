// The program's system-menu items on a real (hidden) main window: labels and
// check marks from the stored modes and after each toggle, the icon pop-up,
// and the About box.
#include <doctest/doctest.h>

#include <windows.h>
#include <string.h>

#include "harness/child_process.h"
#include "harness/program_driver.h"
#include "integration/settings.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "ui/presentation_state.h"
#include "ui/system_menu.h"

static doctest::String LabelOf(HMENU menu, UINT command)
{
    char label[100] = {0};
    GetMenuStringA(menu, command, label, sizeof(label), MF_BYCOMMAND);
    return label;
}

static doctest::String StringOf(UINT id)
{
    char text[100] = {0};
    LoadStringA(GetModuleHandleA(NULL), id, text, sizeof(text));
    return text;
}

static int IsChecked(HMENU menu, UINT command)
{
    return (GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

TEST_CASE("a toggle item names the wrong state, loses its check mark or its place")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    HMENU menu = presentationState->systemMenu;
    REQUIRE(menu);
    const int standardItems = GetMenuItemCount(menu);

    SUBCASE("stored simple and linked: both checked, after the standard items, About last")
    {
        presentationState->AddSystemMenuItems(1, 1);
        REQUIRE(GetMenuItemCount(menu) == standardItems + 5);
        CHECK(GetMenuItemID(menu, standardItems) == 0);  // separator
        CHECK(GetMenuItemID(menu, standardItems + 1) == IDM_TOGGLE_CONTEXT);
        CHECK(GetMenuItemID(menu, standardItems + 2) == IDM_TOGGLE_LINK);
        CHECK(GetMenuItemID(menu, standardItems + 3) == 0);
        CHECK(GetMenuItemID(menu, standardItems + 4) == IDM_ABOUT);
        CHECK(LabelOf(menu, IDM_TOGGLE_CONTEXT) == StringOf(IDS_SIMPLE_MENU));
        CHECK(IsChecked(menu, IDM_TOGGLE_CONTEXT));
        CHECK(LabelOf(menu, IDM_TOGGLE_LINK) == StringOf(IDS_LINKED));
        CHECK(IsChecked(menu, IDM_TOGGLE_LINK));
        CHECK(LabelOf(menu, IDM_ABOUT) == StringOf(IDS_ABOUT));
        CHECK_FALSE(IsChecked(menu, IDM_ABOUT));
        CHECK(presentationState->IsExtendedContextMenu() == 0);
        CHECK(presentationState->IsLinked() == 1);

        presentationState->ToggleContextMenuMode();
        CHECK(LabelOf(menu, IDM_TOGGLE_CONTEXT) == StringOf(IDS_EXTENDED_MENU));
        CHECK_FALSE(IsChecked(menu, IDM_TOGGLE_CONTEXT));
        CHECK(presentationState->IsExtendedContextMenu() == 1);
        presentationState->ToggleLinkMode();
        CHECK(LabelOf(menu, IDM_TOGGLE_LINK) == StringOf(IDS_UNLINKED));
        CHECK_FALSE(IsChecked(menu, IDM_TOGGLE_LINK));
        CHECK(presentationState->IsLinked() == 0);
        // Replaced in place, not appended.
        CHECK(GetMenuItemCount(menu) == standardItems + 5);
        CHECK(GetMenuItemID(menu, standardItems + 1) == IDM_TOGGLE_CONTEXT);
    }
    SUBCASE("stored values other than 0 or 1 read as 0 and toggle to 1")
    {
        presentationState->AddSystemMenuItems(7, -1);
        CHECK(LabelOf(menu, IDM_TOGGLE_CONTEXT) == StringOf(IDS_EXTENDED_MENU));
        CHECK_FALSE(IsChecked(menu, IDM_TOGGLE_CONTEXT));
        CHECK(LabelOf(menu, IDM_TOGGLE_LINK) == StringOf(IDS_UNLINKED));
        CHECK(presentationState->contextMenuMode == 0);
        CHECK(presentationState->linkMode == 0);
        presentationState->ToggleLinkMode();
        CHECK(LabelOf(menu, IDM_TOGGLE_LINK) == StringOf(IDS_LINKED));
        CHECK(IsChecked(menu, IDM_TOGGLE_LINK));
        CHECK(presentationState->linkMode == 1);
    }
}

// What the icon-menu test saw while ShowIconMenu ran.
static int popupSeen;
static WPARAM commandReceived;
static WNDPROC fixtureProcedure;

static BOOL CALLBACK FindOwnPopupMenu(HWND window, LPARAM found)
{
    char className[16] = {0};
    GetClassNameA(window, className, sizeof(className));
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        strcmp(className, "#32768") == 0) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the pop-up's own message loop: note the menu and pick its last
// item (About) with the keyboard, as a user would.
static VOID CALLBACK PickLastItem(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND popup = NULL;
    EnumWindows(FindOwnPopupMenu, (LPARAM)&popup);
    if (!popup)
        return;
    KillTimer(NULL, timer);
    popupSeen = 1;
    PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}

static LRESULT CALLBACK RecordSysCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND && wParam >= IDM_COPY_TITLE)
        commandReceived = wParam;
    return CallWindowProcA(fixtureProcedure, window, message, wParam, lParam);
}

TEST_CASE("the icon pop-up opens off the icon, while dragging, or loses the pick")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    presentationState->AddSystemMenuItems(0, 0);
    presentationState->SetInterfaceDetail(1);
    ShowWindow(fixture.window, SW_SHOWNA);
    MoveWindow(fixture.icon, 5, 6, 18, 18, TRUE);
    fixtureProcedure = (WNDPROC)SetWindowLongPtrA(fixture.window, GWLP_WNDPROC,
                                                  (LONG_PTR)RecordSysCommand);
    popupSeen = 0;
    commandReceived = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 50, PickLastItem);

    SUBCASE("a right click beside the icon shows nothing")
    {
        CHECK_FALSE(IsOnIcon(fixture.window, MAKELPARAM(30, 10)));
        presentationState->ShowIconMenu(MK_RBUTTON, MAKELPARAM(30, 10));
        CHECK(popupSeen == 0);
    }
    SUBCASE("a right click on the icon with the left button held shows nothing")
    {
        CHECK(IsOnIcon(fixture.window, MAKELPARAM(10, 10)));
        presentationState->ShowIconMenu(MK_RBUTTON | MK_LBUTTON, MAKELPARAM(10, 10));
        CHECK(popupSeen == 0);
    }
    SUBCASE("a right click on the icon shows the system menu and delivers the pick")
    {
        presentationState->ShowIconMenu(MK_RBUTTON, MAKELPARAM(10, 10));
        CHECK(popupSeen == 1);
        CHECK(commandReceived == IDM_ABOUT);
    }
    KillTimer(NULL, timer);
    SetWindowLongPtrA(fixture.window, GWLP_WNDPROC, (LONG_PTR)fixtureProcedure);
}

CHILD_SCENARIO("about-box")
{
    ShowAboutBox(NULL);
    return 0;
}

TEST_CASE("the About box lacks the product name or the resource's version")
{
    char version[32] = {0};
    CHECK(ReadModuleVersion(GetModuleHandleA(NULL), version, sizeof(version)) == 1);
    CHECK(doctest::String(version) == SORVANE_VERSION_TEXT);

    ChildOutcome outcome;
    REQUIRE(RunChildScenario("about-box", &outcome));
    REQUIRE(outcome.boxCount == 1);
    CHECK(doctest::String(outcome.boxes[0].caption) == StringOf(IDS_ABOUT));
    CHECK(strstr(outcome.boxes[0].text, SORVANE_PRODUCT_NAME) != NULL);
    CHECK(strstr(outcome.boxes[0].text, SORVANE_VERSION_TEXT) != NULL);
}

// ---- The real program ------------------------------------------------------

namespace {

struct PopupSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindPopupOfProcess(HWND window, LPARAM lParam)
{
    PopupSearch* search = (PopupSearch*)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {0};
    GetClassNameA(window, className, sizeof(className));
    if (owner == search->processId && IsWindowVisible(window) && strcmp(className, "#32768") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND PopupMenuOf(const ProgramRun* run)
{
    PopupSearch search = {run->process.dwProcessId, NULL};
    EnumWindows(FindPopupOfProcess, (LPARAM)&search);
    return search.found;
}

DWORD StoredNumber(int id)
{
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof(value);
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, settingNames[id], NULL, NULL, (BYTE*)&value, &size);
        RegCloseKey(key);
    }
    return value;
}

// The icon's centre, and a point of the window's own surface just below the
// icon (above the result list), in the main window's client coordinates.
POINT IconPoint(HWND window, int below)
{
    RECT icon = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(window, IDC_ICON_IMAGE), &icon);
    POINT at = {(icon.left + icon.right) / 2,
                below ? icon.bottom + 2 : (icon.top + icon.bottom) / 2};
    ScreenToClient(window, &at);
    return at;
}

}  // namespace

TEST_CASE("the real window's toggles, from menu or keys, disagree with title or stored modes")
{
    ClearStoredSettings();
    WriteSettingNumber(SettingContextMenu, 1);
    WriteSettingNumber(SettingInterfaceDetail, 1);
    const char largeTree[] = "Z:\\usr";
    ProgramRun run;
    REQUIRE(StartProgram(&run, largeTree));
    BringToFront(&run);
    const std::string plain = "Sorvane - [Z:\\usr]";
    const std::string linked = "Sorvane - Linked - [Z:\\usr]";

    // During the scan, Ctrl+L marks the title and keeps the root.
    REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 10000));
    CHECK(WindowText(run.window) == plain);
    PressKey('L', 1);
    CHECK(WaitUntil([&] { return WindowText(run.window) == linked; }, 3000));
    CHECK(IsScanning(&run));
    MESSAGE("title after Ctrl+L during the scan: " << WindowText(run.window));
    PressKey('M', 1);

    // The icon's pop-up is the system menu: the last item is About, the one
    // above it (past the separator) the link toggle.
    const POINT icon = IconPoint(run.window, 0);
    ClickAt(run.window, icon.x, icon.y, VK_RBUTTON);
    REQUIRE(WaitUntil([&] { return PopupMenuOf(&run) != NULL; }, 3000));
    PressKey(VK_UP);
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    CHECK(WaitUntil([&] { return WindowText(run.window) == plain; }, 3000));

    ClickAt(run.window, icon.x, icon.y, VK_RBUTTON);
    REQUIRE(WaitUntil([&] { return PopupMenuOf(&run) != NULL; }, 3000));
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    HWND box = NULL;
    REQUIRE(WaitUntil([&] { return (box = MessageBoxOf(run.process.dwProcessId)) != NULL; }, 3000));
    CHECK(GetWindow(box, GW_OWNER) == run.window);
    char text[200] = {0};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    CHECK(strstr(text, SORVANE_PRODUCT_NAME) != NULL);
    CHECK(strstr(text, SORVANE_VERSION_TEXT) != NULL);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    REQUIRE(WaitUntil([&] { return MessageBoxOf(run.process.dwProcessId) == NULL; }, 3000));

    // Beside the icon no pop-up opens.
    const POINT beside = IconPoint(run.window, 1);
    CHECK(ChildWindowFromPoint(run.window, beside) == run.window);
    ClickAt(run.window, beside.x, beside.y, VK_RBUTTON);
    Sleep(300);
    CHECK(PopupMenuOf(&run) == NULL);

    CHECK(CloseProgram(&run));
    CHECK(StoredNumber(SettingContextMenu) == 0);
    CHECK(StoredNumber(SettingLinkMode) == 0);
    StopProgram(&run);
}
