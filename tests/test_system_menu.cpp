// The program's system-menu items: labels and check marks from the stored
// modes and after each toggle on a hidden main window (menus cannot be read
// from another process); the toggles, the icon pop-up and the About box of
// the real program.
#include <doctest/doctest.h>

#include <windows.h>
#include <string.h>

#include "harness/program_driver.h"
#include "integration/settings.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "stress_support.h"
#include "ui/presentation_state.h"

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

// The bare template with a presentation state of its own, so the items are
// added here from chosen values rather than by WM_INITDIALOG.
struct BareWindowWithState {
    MainWindowFixture fixture;
    BareWindowWithState() : fixture(0)
    {
        presentationState = new PresentationState;
        presentationState->Attach(GetModuleHandleA(NULL), fixture.window);
    }
    ~BareWindowWithState()
    {
        delete presentationState;
        presentationState = NULL;
    }
};

TEST_CASE("a toggle item names the wrong state, loses its check mark or its place")
{
    BareWindowWithState bare;
    REQUIRE(bare.fixture.window);
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

// ---- The real program ------------------------------------------------------

namespace {

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
    // Large enough that its scan still runs while the title is looked at.
    const std::string root = StressTree();
    ProgramRun run;
    REQUIRE(StartProgram(&run, Quoted(root)));
    BringToFront(&run);
    const std::string plain = "Sorvane - [" + root + "]";
    const std::string linked = "Sorvane - Linked - [" + root + "]";

    // During the scan, Ctrl+L marks the title and keeps the root.
    REQUIRE(WaitUntil([&] { return IsScanning(&run); }, 10000));
    REQUIRE(WaitUntil([&] { return GetForegroundWindow() == run.window; }, 5000));
    CHECK(WindowText(run.window) == plain);
    PressKey('L', 1);
    CHECK(WaitUntil([&] { return WindowText(run.window) == linked; }, 3000));
    CHECK(IsScanning(&run));
    MESSAGE("title after Ctrl+L during the scan: " << WindowText(run.window));
    // Ctrl+M shows nothing outside the menu, which cannot be read from here:
    // the pop-up below, opened by later input, is the sign that it was taken,
    // and the stored mode at the end its effect.
    PressKey('M', 1);

    // The icon's pop-up is the system menu: the last item is About, the one
    // above it (past the separator) the link toggle.
    const POINT icon = IconPoint(run.window, 0);
    ClickAt(run.window, icon.x, icon.y, VK_RBUTTON);
    REQUIRE(WaitUntil([&] { return PopupMenuOf(&run) != NULL; }, 3000));
    REQUIRE(HighlightMenuRow(&run, -2));
    PressKey(VK_RETURN);
    CHECK(WaitUntil([&] { return WindowText(run.window) == plain; }, 3000));
    REQUIRE(WaitUntil([&] { return PopupMenuOf(&run) == NULL; }, 3000));

    ClickAt(run.window, icon.x, icon.y, VK_RBUTTON);
    REQUIRE(WaitUntil([&] { return PopupMenuOf(&run) != NULL; }, 3000));
    REQUIRE(HighlightMenuRow(&run, -1));
    PressKey(VK_RETURN);
    HWND box = NULL;
    REQUIRE(WaitUntil([&] { return (box = MessageBoxOf(run.process.dwProcessId)) != NULL; }, 3000));
    CHECK(GetWindow(box, GW_OWNER) == run.window);
    CHECK(WindowText(box) == SORVANE_PRODUCT_NAME);
    char text[200] = {0};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    CHECK(strstr(text, SORVANE_PRODUCT_NAME) != NULL);
    CHECK(strstr(text, SORVANE_VERSION_TEXT) != NULL);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    REQUIRE(WaitUntil([&] { return MessageBoxOf(run.process.dwProcessId) == NULL; }, 3000));

    // Beside the icon, or on it while the left button is down (a drag of the
    // window), no pop-up opens. Sent as the window receives them, so the
    // send returns only once the click was handled (a pop-up would hold it).
    const POINT beside = IconPoint(run.window, 1);
    CHECK(ChildWindowFromPoint(run.window, beside) == run.window);
    DWORD_PTR result = 0;
    CHECK(SendMessageTimeoutA(run.window, WM_RBUTTONDOWN, MK_RBUTTON,
                              MAKELPARAM(beside.x, beside.y), SMTO_NORMAL, 5000, &result));
    CHECK(PopupMenuOf(&run) == NULL);
    CHECK(SendMessageTimeoutA(run.window, WM_RBUTTONDOWN, MK_RBUTTON | MK_LBUTTON,
                              MAKELPARAM(icon.x, icon.y), SMTO_NORMAL, 5000, &result));
    CHECK(PopupMenuOf(&run) == NULL);

    CHECK(CloseProgram(&run));
    CHECK(StoredNumber(SettingContextMenu) == 0);
    CHECK(StoredNumber(SettingLinkMode) == 0);
    StopProgram(&run);
}
