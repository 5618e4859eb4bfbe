// The presentation state on real windows (Wine on the test display): mode
// switches, the layout as measured and moved, the minimum sizes, and the
// content font from first run to preview.
#include <doctest/doctest.h>

#include <windows.h>
#include <commdlg.h>
#include <string.h>

#include <vector>

#include "help_dialog_fixture.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "ui/layout.h"
#include "ui/presentation_state.h"

// The interface font's metrics, measured here independently of the code
// under test.
struct Metrics {
    int A;
    int T;
};

static Metrics MeasureGuiFont(HWND window)
{
    Metrics metrics = {0, 0};
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA text;
    ZeroMemory(&text, sizeof(text));
    GetTextMetricsA(dc, &text);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    metrics.A = text.tmAveCharWidth;
    metrics.T = text.tmHeight;
    return metrics;
}

static int TextWidth(HWND window, const char* text)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return extent.cx;
}

static int IsShown(HWND window, int id)
{
    return (GetWindowLongPtrA(GetDlgItem(window, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

static SIZE ClientSize(HWND window)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    SIZE size = {client.right, client.bottom};
    return size;
}

static SIZE FrameExtra(HWND window)
{
    RECT outer = {0, 0, 0, 0};
    GetWindowRect(window, &outer);
    SIZE client = ClientSize(window);
    SIZE extra = {outer.right - outer.left - client.cx, outer.bottom - outer.top - client.cy};
    return extra;
}

struct Place {
    int id;
    int x, y, width, height;
};

// The layout tables of the two modes for a client of W by H, written out
// from the tables, not from the code: the real window must match them with
// the metrics it measures.
static std::vector<Place> TableLayout(int W, int H, const Metrics& m, int K, int compact)
{
    const int R = m.T + 8;
    const int B = m.T + 4;
    if (compact)
        return {{IDC_ICON_IMAGE, 5, (m.T - 10) / 2 + 5, 18, 18},
                {IDC_SEARCH_BOX, 28, 5, W - K - 38, R},
                {IDC_INTERFACE_DETAIL, W - K - 5, 5, K, R},
                {IDC_RESULT_LIST, 5, R + 10, W - 10, H - R - 15}};
    const int M = (W - K - 20) / 2;
    const int column = W - K - 5;
    return {{IDC_SEARCH_BOX, 5, 5, M, R},
            {IDC_STATUS, M + 10, 5, M, R},
            {IDC_INTERFACE_DETAIL, column, 5, K, R},
            {IDC_RESULT_LIST, 5, R + 10, W - K - 15, H - R - 15},
            {IDC_REFRESH, column, H - 3 * R - 2 * B - 25, K, R},
            {IDC_DRIVE_LIST, column, R + 10, K, H - 4 * R - 2 * B - 40},
            {IDC_ON_TOP, column, H - 2 * R - 2 * B - 20, K, B},
            {IDC_SEARCH_MODE, column, H - 2 * R - B - 15, K, B},
            {IDC_HELP_BUTTON, column, H - 2 * R - 10, K, R},
            {IDC_EXIT, column, H - R - 5, K, R}};
}

static void CheckPlacedAsTable(HWND window, const std::vector<Place>& places)
{
    for (const Place& expected : places) {
        CAPTURE(expected.id);
        RECT place = MainWindowFixture::PlaceOf(GetDlgItem(window, expected.id));
        CHECK(place.left == expected.x);
        CHECK(place.top == expected.y);
        CHECK(place.right - place.left == expected.width);
        CHECK(place.bottom - place.top == expected.height);
    }
}

static const int expandedOnly[] = {IDC_DRIVE_LIST, IDC_ON_TOP,  IDC_SEARCH_MODE, IDC_HELP_BUTTON,
                                   IDC_EXIT,       IDC_REFRESH, IDC_STATUS};

static void CheckModeShown(HWND window, int compact)
{
    char caption[100] = {0};
    GetDlgItemTextA(window, IDC_INTERFACE_DETAIL, caption, sizeof(caption));
    CHECK(doctest::String(caption) == (compact ? "Comp&act" : "Exp&anded"));
    CHECK(IsDlgButtonChecked(window, IDC_INTERFACE_DETAIL) ==
          (UINT)(compact ? BST_CHECKED : BST_UNCHECKED));
    CHECK(((GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) == !compact);
    CHECK(IsShown(window, IDC_ICON_IMAGE) == compact);
    for (int id : expandedOnly) {
        CAPTURE(id);
        CHECK(IsShown(window, id) == !compact);
    }
    const int inBothModes[] = {IDC_RESULT_LIST, IDC_SEARCH_BOX, IDC_INTERFACE_DETAIL};
    for (int id : inBothModes) {
        CAPTURE(id);
        CHECK(IsShown(window, id) == 1);
    }
}

TEST_CASE("a mode switch moves the window, misses a control or leaves the old layout")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    HWND window = fixture.window;
    presentationState->SetInterfaceDetail(interfaceDetailExpanded);
    MoveWindow(window, 40, 50, 600, 400, TRUE);
    presentationState->LayoutMainWindow(0, 0);

    RECT before = {0, 0, 0, 0};
    GetWindowRect(window, &before);
    const SIZE clientBefore = ClientSize(window);

    // What the frame takes around the client area for a style, by the
    // system's own reckoning.
    const LONG exStyle = (LONG)GetWindowLongPtrA(window, GWL_EXSTYLE);
    const LONG styleBefore = (LONG)GetWindowLongPtrA(window, GWL_STYLE);
    RECT frameWithCaption = {0, 0, 0, 0};
    AdjustWindowRectEx(&frameWithCaption, styleBefore, FALSE, exStyle);
    RECT frameWithout = {0, 0, 0, 0};
    AdjustWindowRectEx(&frameWithout, styleBefore & ~WS_CAPTION, FALSE, exStyle);
    const SIZE growth = {(frameWithCaption.right - frameWithCaption.left) -
                             (frameWithout.right - frameWithout.left),
                         (frameWithCaption.bottom - frameWithCaption.top) -
                             (frameWithout.bottom - frameWithout.top)};
    // Under a host window manager that draws captions itself (Wine's default
    // "decorated" mode) the caption lies outside the window rectangle, and
    // only the rectangle and the layout can be checked.
    const int ownCaption =
        (before.bottom - before.top) - clientBefore.cy >= frameWithCaption.bottom - frameWithCaption.top;

    SUBCASE("to compact: caption gone, window rectangle kept, client taller by the caption")
    {
        presentationState->SetInterfaceDetail(interfaceDetailCompact);
        RECT after = {0, 0, 0, 0};
        GetWindowRect(window, &after);
        CHECK(EqualRect(&before, &after));
        const SIZE clientAfter = ClientSize(window);
        if (ownCaption) {
            CHECK(growth.cy >= GetSystemMetrics(SM_CYCAPTION));
            CHECK(clientAfter.cx == clientBefore.cx + growth.cx);
            CHECK(clientAfter.cy == clientBefore.cy + growth.cy);
        } else {
            CHECK(clientAfter.cx >= clientBefore.cx);
            CHECK(clientAfter.cy >= clientBefore.cy);
        }
        CHECK(presentationState->interfaceDetail == interfaceDetailCompact);
        CheckModeShown(window, 1);
        // The size report that the frame change caused laid out the compact mode.
        const Metrics m = MeasureGuiFont(window);
        const int K = TextWidth(window, "Comp&act") + 2 * m.A;
        CheckPlacedAsTable(window, TableLayout(clientAfter.cx, clientAfter.cy, m, K, 1));

        SUBCASE("and back: caption again, same rectangle, client shorter again")
        {
            presentationState->ToggleInterfaceDetail();
            GetWindowRect(window, &after);
            CHECK(EqualRect(&before, &after));
            CHECK(ClientSize(window).cy == clientBefore.cy);
            CHECK(presentationState->interfaceDetail == interfaceDetailExpanded);
            CheckModeShown(window, 0);
        }
    }
    SUBCASE("the sizing border stays in both modes")
    {
        presentationState->SetInterfaceDetail(interfaceDetailCompact);
        CHECK((GetWindowLongPtrA(window, GWL_STYLE) & WS_THICKFRAME) != 0);
        presentationState->SetInterfaceDetail(interfaceDetailExpanded);
        CHECK((GetWindowLongPtrA(window, GWL_STYLE) & WS_THICKFRAME) != 0);
    }
    SUBCASE("a stored mode other than 0 or 1 gives the expanded window")
    {
        presentationState->SetInterfaceDetail(interfaceDetailCompact);
        presentationState->SetInterfaceDetail(7);
        CHECK(presentationState->interfaceDetail == interfaceDetailExpanded);
        CheckModeShown(window, 0);
        presentationState->SetInterfaceDetail(-1);
        CHECK(presentationState->interfaceDetail == interfaceDetailExpanded);
        presentationState->ToggleInterfaceDetail();
        CHECK(presentationState->interfaceDetail == interfaceDetailCompact);
    }
}

TEST_CASE("the measured layout differs from the arithmetic or ignores the caption in force")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    HWND window = fixture.window;
    const Metrics m = MeasureGuiFont(window);
    presentationState->SetInterfaceDetail(interfaceDetailExpanded);
    MoveWindow(window, 30, 30, 640, 420, TRUE);
    presentationState->LayoutMainWindow(0, 0);

    SUBCASE("expanded: the column is the width of \"Exp&anded\" plus 2A")
    {
        const int K = TextWidth(window, "Exp&anded") + 2 * m.A;
        const SIZE client = ClientSize(window);
        CheckPlacedAsTable(window, TableLayout(client.cx, client.cy, m, K, 0));
        CHECK(fixture.PlaceOf(IDC_INTERFACE_DETAIL).right - fixture.PlaceOf(IDC_INTERFACE_DETAIL).left == K);
    }
    SUBCASE("a mode box without a caption counts as 100 pixels wide")
    {
        SetDlgItemTextA(window, IDC_INTERFACE_DETAIL, "");
        presentationState->LayoutMainWindow(0, 0);
        RECT box = fixture.PlaceOf(IDC_INTERFACE_DETAIL);
        CHECK(box.right - box.left == 100 + 2 * m.A);
    }
}

TEST_CASE("the main window shrinks below its minimum or moves its top-left corner")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    HWND window = fixture.window;
    const Metrics m = MeasureGuiFont(window);
    const int R = m.T + 8;
    const int B = m.T + 4;

    SUBCASE("WM_SIZING grows the proposed rectangle at the bottom and right only")
    {
        presentationState->SetInterfaceDetail(interfaceDetailExpanded);
        MoveWindow(window, 20, 20, 500, 400, TRUE);
        const int K = TextWidth(window, "Exp&anded") + 2 * m.A;
        const SIZE extra = FrameExtra(window);
        RECT proposed = {300, 200, 310, 215};  // as if dragged by the top-left corner
        CHECK(SendMessageA(window, WM_SIZING, WMSZ_TOPLEFT, (LPARAM)&proposed) == TRUE);
        CHECK(proposed.left == 300);
        CHECK(proposed.top == 200);
        CHECK(proposed.right == 300 + K + 4 * m.A + 20 + extra.cx);
        CHECK(proposed.bottom == 200 + 5 * R + 2 * B + 40 + extra.cy);

        RECT roomy = {0, 0, 900, 700};
        presentationState->LayoutMainWindow((LPARAM)&roomy, WM_SIZING);
        CHECK(roomy.right == 900);
        CHECK(roomy.bottom == 700);
    }
    SUBCASE("the fit form enlarges a small window to the minimum, keeping its corner")
    {
        presentationState->SetInterfaceDetail(interfaceDetailCompact);
        MoveWindow(window, 70, 80, 400, 40, TRUE);
        presentationState->LayoutMainWindow(0, 0);
        RECT after = {0, 0, 0, 0};
        GetWindowRect(window, &after);
        CHECK(after.left == 70);
        CHECK(after.top == 80);
        CHECK(after.right - after.left == 400);  // wide enough already
        const SIZE client = ClientSize(window);
        CHECK(client.cy == 2 * R + 15);
    }
    SUBCASE("a minimised window is left where it is")
    {
        presentationState->SetInterfaceDetail(interfaceDetailExpanded);
        MoveWindow(window, 20, 20, 500, 400, TRUE);
        ShowWindow(window, SW_MINIMIZE);
        RECT before = {0, 0, 0, 0};
        GetWindowRect(window, &before);
        presentationState->LayoutMainWindow(0, 0);
        RECT after = {0, 0, 0, 0};
        GetWindowRect(window, &after);
        CHECK(EqualRect(&before, &after));
        CHECK(IsIconic(window));
        ShowWindow(window, SW_RESTORE);
    }
}

TEST_CASE("a window too small for its controls makes the layout fail")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    HWND window = fixture.window;
    presentationState->SetInterfaceDetail(interfaceDetailExpanded);
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 0));
    RECT list = fixture.PlaceOf(IDC_RESULT_LIST);
    CHECK(list.right - list.left == 0);
    CHECK(list.bottom - list.top == 0);
    // The next size report restores the layout.
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 300));
    list = fixture.PlaceOf(IDC_RESULT_LIST);
    CHECK(list.right - list.left > 0);
    CHECK(list.bottom - list.top > 0);
}

TEST_CASE("the help dialog's button row is off centre or the text does not fill the rest")
{
    HelpDialogFixture help;
    const MainWindowFixture& fixture = help.main;
    REQUIRE(fixture.window);
    REQUIRE(help.dialog);
    presentationState->ApplyHelpFonts(help.dialog);
    const Metrics m = MeasureGuiFont(fixture.window);
    const int R = m.T + 8;
    const int ids[] = {IDC_HELP_CLOSE, IDC_HELP_FONT, IDC_HELP_WEB, IDC_HELP_VERB,
                       IDC_HELP_UNINSTALL};
    int S = 0;
    int widths[5] = {0};
    for (int i = 0; i < 5; i++) {
        char caption[100] = {0};
        GetDlgItemTextA(help.dialog, ids[i], caption, sizeof(caption));
        widths[i] = TextWidth(fixture.window, caption) + 4 * m.A;
        S += widths[i];
    }

    SUBCASE("a wide dialog: centred row, 5 pixels apart, help text above it")
    {
        MoveWindow(help.dialog, 10, 10, S + 200, 400, TRUE);
        presentationState->LayoutHelpDialog(help.dialog, 0, 0);
        const SIZE client = ClientSize(help.dialog);
        int x = (client.cx - S - 20) / 2;
        CHECK(x > 5);
        for (int i = 0; i < 5; i++) {
            CAPTURE(ids[i]);
            RECT place = MainWindowFixture::PlaceOf(GetDlgItem(help.dialog, ids[i]));
            CHECK(place.left == x);
            CHECK(place.top == client.cy - R - 5);
            CHECK(place.right - place.left == widths[i]);
            CHECK(place.bottom - place.top == R);
            x += widths[i] + 5;
        }
        RECT text = MainWindowFixture::PlaceOf(GetDlgItem(help.dialog, IDC_HELP_TEXT));
        CHECK(text.left == 5);
        CHECK(text.top == 5);
        CHECK(text.right - text.left == client.cx - 10);
        CHECK(text.bottom - text.top == client.cy - R - 15);
    }
    SUBCASE("WM_SIZING on the dialog keeps the dragged corner and grows the far edges")
    {
        const SIZE extra = FrameExtra(help.dialog);
        RECT proposed = {200, 150, 210, 160};
        SendMessageA(help.dialog, WM_SIZING, WMSZ_TOPLEFT, (LPARAM)&proposed);
        CHECK(proposed.left == 200);
        CHECK(proposed.top == 150);
        CHECK(proposed.right == 200 + S + 30 + extra.cx);
        CHECK(proposed.bottom == 150 + 3 * R + 15 + extra.cy);
    }
}

static LOGFONTA FontOf(HWND window, int id)
{
    LOGFONTA description;
    ZeroMemory(&description, sizeof(description));
    HFONT font = (HFONT)SendDlgItemMessageA(window, id, WM_GETFONT, 0, 0);
    GetObjectA(font, sizeof(description), &description);
    return description;
}

TEST_CASE("the content font comes out at the wrong size, face or on the wrong controls")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    HWND window = fixture.window;
    HDC dc = GetDC(window);
    const int pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);

    SUBCASE("first run: MS Sans Serif at 10 points on the result list, stock font elsewhere")
    {
        presentationState->CreateContentFont("MS Sans Serif", 10);
        presentationState->ApplyMainFonts(window);
        REQUIRE(presentationState->contentFont);
        LOGFONTA used = FontOf(window, IDC_RESULT_LIST);
        CHECK(used.lfHeight == -MulDiv(10, pixelsPerInch, 72));
        CHECK(doctest::String(used.lfFaceName) == "MS Sans Serif");
        CHECK(used.lfCharSet == ANSI_CHARSET);
        CHECK((HFONT)SendDlgItemMessageA(window, IDC_RESULT_LIST, WM_GETFONT, 0, 0) ==
              presentationState->contentFont);
        HGDIOBJ gui = GetStockObject(DEFAULT_GUI_FONT);
        const int interfaceFontIds[] = {IDC_SEARCH_BOX,  IDC_STATUS,      IDC_REFRESH,
                                        IDC_ON_TOP,      IDC_SEARCH_MODE, IDC_HELP_BUTTON,
                                        IDC_EXIT,        IDC_INTERFACE_DETAIL};
        for (int id : interfaceFontIds) {
            CAPTURE(id);
            CHECK((HGDIOBJ)SendDlgItemMessageA(window, id, WM_GETFONT, 0, 0) == gui);
        }
        // The drive list keeps the template's font.
        HGDIOBJ driveFont = (HGDIOBJ)SendDlgItemMessageA(window, IDC_DRIVE_LIST, WM_GETFONT, 0, 0);
        CHECK(driveFont != gui);
        CHECK(driveFont != (HGDIOBJ)presentationState->contentFont);
    }
    SUBCASE("a face name of 32 characters or more is cut to its first 31")
    {
        const char longFace[] = "Abcdefghijklmnopqrstuvwxyz0123456789";  // 36 characters
        presentationState->CreateContentFont(longFace, 12);
        CHECK(strlen(presentationState->logFont.lfFaceName) == 31);
        CHECK(strncmp(presentationState->logFont.lfFaceName, longFace, 31) == 0);
        CHECK(presentationState->logFont.lfHeight == -MulDiv(12, pixelsPerInch, 72));
        REQUIRE(presentationState->contentFont);
        LOGFONTA made;
        GetObjectA(presentationState->contentFont, sizeof(made), &made);
        CHECK(strlen(made.lfFaceName) == 31);
    }
}

// A stand-in for the font dialog: a popup owned by the help dialog that
// answers WM_CHOOSEFONT_GETLOGFONT with a prepared selection.
static LOGFONTA fakeSelection;

static LRESULT CALLBACK FakeFontDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHOOSEFONT_GETLOGFONT) {
        CopyMemory((LOGFONTA*)lParam, &fakeSelection, sizeof(fakeSelection));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND CreateFakeFontDialog(HWND owner)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = FakeFontDialogProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "SorvaneTestFontDialog";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "SorvaneTestFontDialog", "Font", WS_POPUP, 0, 0, 100, 100, owner,
                           NULL, GetModuleHandleA(NULL), NULL);
}

// Both windows with the first-run content font, as the program starts.
static void ApplyFirstRunFonts(HWND window, HWND helpDialog)
{
    presentationState->CreateContentFont("MS Sans Serif", 10);
    presentationState->ApplyMainFonts(window);
    presentationState->ApplyHelpFonts(helpDialog);
}

TEST_CASE("a preview loses the font, skips a window or rewrites the font description")
{
    HelpDialogFixture help;
    const MainWindowFixture& fixture = help.main;
    REQUIRE(fixture.window);
    REQUIRE(help.dialog);
    ApplyFirstRunFonts(fixture.window, help.dialog);
    HWND fontDialog = CreateFakeFontDialog(help.dialog);
    REQUIRE(fontDialog);
    const LOGFONTA described = presentationState->logFont;

    SUBCASE("PreviewFont adopts the font for the result list and the help text")
    {
        LOGFONTA bold = described;
        bold.lfWeight = FW_BOLD;
        bold.lfHeight = -20;
        HFONT font = CreateFontIndirectA(&bold);
        presentationState->PreviewFont(font, fontDialog, 15);
        CHECK(presentationState->contentFont == font);
        CHECK((HFONT)SendDlgItemMessageA(fixture.window, IDC_RESULT_LIST, WM_GETFONT, 0, 0) == font);
        CHECK((HFONT)SendDlgItemMessageA(help.dialog, IDC_HELP_TEXT, WM_GETFONT, 0, 0) == font);
        CHECK(memcmp(&presentationState->logFont, &described, sizeof(described)) == 0);
        CHECK(GetObjectType(font) == OBJ_FONT);
    }
    SUBCASE("PreviewFont with no font changes nothing")
    {
        HFONT before = presentationState->contentFont;
        presentationState->PreviewFont(NULL, fontDialog, 15);
        CHECK(presentationState->contentFont == before);
        CHECK(GetObjectType(before) == OBJ_FONT);
    }
    SUBCASE("the hook previews the dialog's selection on Apply and ignores everything else")
    {
        HFONT before = presentationState->contentFont;
        CHECK(FontDialogHook(fontDialog, WM_INITDIALOG, 0, 0) == 0);
        CHECK(FontDialogHook(fontDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) == 0);
        CHECK(FontDialogHook(fontDialog, WM_NOTIFY, IDC_FONT_APPLY, 0) == 0);
        CHECK(presentationState->contentFont == before);

        fakeSelection = described;
        fakeSelection.lfItalic = TRUE;
        fakeSelection.lfHeight = -17;
        CHECK(FontDialogHook(fontDialog, WM_COMMAND, MAKEWPARAM(IDC_FONT_APPLY, BN_CLICKED), 0) == 0);
        CHECK(presentationState->contentFont != before);
        LOGFONTA shown = FontOf(fixture.window, IDC_RESULT_LIST);
        CHECK(shown.lfItalic == TRUE);
        CHECK(shown.lfHeight == -17);
        shown = FontOf(help.dialog, IDC_HELP_TEXT);
        CHECK(shown.lfItalic == TRUE);
        // The description the dialog opens on next time is the one from before.
        CHECK(memcmp(&presentationState->logFont, &described, sizeof(described)) == 0);
    }
    DestroyWindow(fontDialog);
}

// Drives the real font dialog from a thread timer, which its modal loop
// dispatches: press Apply, then close the dialog with the chosen button.
struct FontDialogScript {
    HWND owner;        // the help dialog
    WORD closeWith;    // IDOK or IDCANCEL
    int step;
    int ticks;
    int applied;       // Apply was pressed while the dialog was up
    HFONT previewed;   // the content font right after Apply
};
static FontDialogScript fontScript;

static BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found)
{
    char className[16] = {0};
    GetClassNameA(window, className, sizeof(className));
    if (GetWindow(window, GW_OWNER) == fontScript.owner && lstrcmpA(className, "#32770") == 0) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

static VOID CALLBACK StepFontDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, (LPARAM)&dialog);
    if (!dialog)
        return;
    fontScript.ticks++;
    if (fontScript.step == 0) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FONT_APPLY, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, IDC_FONT_APPLY));
        fontScript.applied = 1;
        fontScript.previewed = presentationState->contentFont;
        fontScript.step = 1;
    } else if (fontScript.step == 1) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(fontScript.closeWith, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, fontScript.closeWith));
        fontScript.step = 2;
    } else if (fontScript.ticks > 50) {
        EndDialog(dialog, 0);  // the button did not close it: do not hang the run
    }
}

TEST_CASE("the font dialog's Apply, OK and Cancel lose or misplace the chosen font")
{
    HelpDialogFixture help;
    const MainWindowFixture& fixture = help.main;
    REQUIRE(fixture.window);
    REQUIRE(help.dialog);
    ApplyFirstRunFonts(fixture.window, help.dialog);
    const LOGFONTA described = presentationState->logFont;
    const HFONT first = presentationState->contentFont;

    ZeroMemory(&fontScript, sizeof(fontScript));
    fontScript.owner = help.dialog;
    UINT_PTR timer = SetTimer(NULL, 0, 100, StepFontDialog);
    REQUIRE(timer);

    SUBCASE("Apply then Cancel: the previewed font stays, the description does not change")
    {
        fontScript.closeWith = IDCANCEL;
        CHECK(presentationState->ChooseContentFont(help.dialog, fixture.window) == 0);
        CHECK(fontScript.applied == 1);
        CHECK(fontScript.previewed != first);
        CHECK(presentationState->contentFont == fontScript.previewed);
        CHECK((HFONT)SendDlgItemMessageA(fixture.window, IDC_RESULT_LIST, WM_GETFONT, 0, 0) ==
              presentationState->contentFont);
        CHECK((HFONT)SendDlgItemMessageA(help.dialog, IDC_HELP_TEXT, WM_GETFONT, 0, 0) ==
              presentationState->contentFont);
        CHECK(memcmp(&presentationState->logFont, &described, sizeof(described)) == 0);
    }
    SUBCASE("Apply then OK: the dialog's choice is described, made and on both windows")
    {
        fontScript.closeWith = IDOK;
        CHECK(presentationState->ChooseContentFont(help.dialog, fixture.window) == 1);
        CHECK(fontScript.applied == 1);
        HFONT chosen = presentationState->contentFont;
        CHECK(chosen != first);
        CHECK(chosen != fontScript.previewed);  // made afresh from the confirmed description
        CHECK(GetObjectType(fontScript.previewed) == 0);  // the preview was released
        CHECK((HFONT)SendDlgItemMessageA(fixture.window, IDC_RESULT_LIST, WM_GETFONT, 0, 0) == chosen);
        CHECK((HFONT)SendDlgItemMessageA(help.dialog, IDC_HELP_TEXT, WM_GETFONT, 0, 0) == chosen);
        LOGFONTA made;
        GetObjectA(chosen, sizeof(made), &made);
        CHECK(doctest::String(made.lfFaceName) == presentationState->logFont.lfFaceName);
        CHECK(made.lfHeight == presentationState->logFont.lfHeight);
    }
    KillTimer(NULL, timer);
}
