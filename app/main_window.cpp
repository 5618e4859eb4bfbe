// The main window: a modeless dialog of the program's own class, whose class
// procedure handles every message. It is the hub that turns clicks, keys,
// menu picks and private messages into calls on the other modules.
#include "app/main_window.h"

#include <windowsx.h>

#include "app/base/app_messages.h"
#include "app/base/captions.h"
#include "app/base/error_report.h"
#include "app/base/hub_services.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "app/linked_copies.h"
#include "app/scan_control.h"
#include "catalogue/result_actions.h"
#include "catalogue/result_menu.h"
#include "catalogue/scanner.h"
#include "catalogue/search_filter.h"
#include "integration/help_dialog.h"
#include "integration/settings.h"
#include "resources/resource.h"
#include "ui/placement.h"
#include "ui/presentation_state.h"
#include "ui/system_menu.h"

int searchMode;

static HWND iconControl;
static WNDPROC previousListProc;
static WNDPROC previousEditProc;
static HBITMAP iconBitmap;
static HCURSOR dragCursor;
static HCURSOR savedCursor;
static POINT dragOffset;  // grab point relative to the window's top-left corner
static int onTopState;
static int selectAllArmed;  // the search box's first click has selected all

static const int fontFaceTextSize = 1000;

// ---- What the help dialog asks of the hub ----------------------------------

void StopScan()
{
    keepScanning = 0;
}

int ChooseMainContentFont(HWND helpDialog)
{
    const int chosen = presentationState->ChooseContentFont(helpDialog, mainWindow);
    // Whether or not a font was chosen: a preview may have changed it. The
    // dialog the user is looking at first, then the window behind it.
    presentationState->LayoutHelpDialog(helpDialog, 0, 0);
    presentationState->LayoutMainWindow(0, 0);
    return chosen;
}

// ---- Subclassed controls ----------------------------------------------------

// The first click into the box after it lost the focus selects the whole
// query, so that typing replaces it; later clicks place the caret.
static LRESULT CALLBACK SearchBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
    case WM_KILLFOCUS:
        selectAllArmed = 0;
        break;
    case WM_LBUTTONDOWN: {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageA(box, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        const DWORD length = (DWORD)SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
        if ((start == 0 && end == length) || selectAllArmed)
            break;
        // The swallowed click would have given the box the focus: give it
        // here, or the selected query would not take the next keystroke.
        if (GetFocus() != box)
            SetFocus(box);
        SendMessageA(box, EM_SETSEL, 0, -1);
        selectAllArmed = 1;
        return 0;
    }
    }
    return CallWindowProcW(previousEditProc, box, message, wParam, lParam);
}

// A right click selects the item under the pointer and opens its menu; the
// shell's owner-drawn menu items need their messages passed on while it is up.
static LRESULT CALLBACK ResultListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_RBUTTONDOWN: {
        const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0)
            SendMessageA(list, LB_SETCURSEL, LOWORD(hit), 0);
        const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR) {
            const LRESULT entry = SendMessageA(list, LB_GETITEMDATA, (WPARAM)selected, 0);
            if (entry != LB_ERR && entry != 0)
                ShowResultMenu(list, reinterpret_cast<const char*>(entry),
                               GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                               presentationState->IsExtendedContextMenu());
        }
        break;
    }
    case WM_INITMENUPOPUP:
        if (!shellMenu2)
            return 1;
        shellMenu2->HandleMenuMsg(message, wParam, lParam);
        return 0;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (wParam != 0)
            break;
        if (shellMenu2)
            shellMenu2->HandleMenuMsg(message, wParam, lParam);
        return TRUE;
    case WM_MENUCHAR: {
        if (!shellMenu3)
            return 1;
        LRESULT result = 0;
        if (SUCCEEDED(shellMenu3->HandleMenuMsg2(message, wParam, lParam, &result)))
            return result;
        return 0;
    }
    }
    return CallWindowProcW(previousListProc, list, message, wParam, lParam);
}

// Creates a run-time control; any failure here leaves a window without its
// main parts, so it ends the process. previous receives the replaced
// procedure when procedure is given.
static HWND CreateControl(HWND window, DWORD exStyle, const char* className, DWORD style,
                          int width, int height, int id, WNDPROC procedure, WNDPROC* previous)
{
    HWND control = CreateWindowExA(exStyle, className, NULL, style, 0, 0, width, height, window,
                                   NULL, instance, NULL);
    if (!control)
        ReportLastError(NULL, 1, 0, NULL);
    SetLastError(0);
    if (!SetWindowLongPtrA(control, GWLP_ID, id) && GetLastError())
        ReportLastError(NULL, 1, 0, NULL);
    if (procedure) {
        // Subclassed through the W form, so that the control stays a Unicode
        // window: the subclasses handle no text, and a character passed
        // through an A procedure would lose what the code page cannot hold.
        SetLastError(0);
        LONG_PTR replaced =
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
        if (!replaced && GetLastError())
            ReportLastError(NULL, 1, 0, NULL);
        *previous = reinterpret_cast<WNDPROC>(replaced);
    }
    return control;
}

// ---- Commands ------------------------------------------------------------------

static void FocusSearchBox()
{
    SetFocus(searchBox);
}

static void FilterResults(HWND window)
{
    FilterCatalogue(resultListLimit, searchMode, 0, window, resultList);
}

// Shows the mode on its check box; the callers that change it filter again.
static void ShowSearchMode(HWND window, int mode)
{
    static const int captions[] = {IDS_MODE_FULL, IDS_MODE_FILES, IDS_MODE_FOLDERS};
    searchMode = mode;
    CheckDlgButton(window, IDC_SEARCH_MODE, (UINT)mode);
    SetCaptionFromString(window, IDC_SEARCH_MODE, captions[mode]);
}

static void SetSearchMode(HWND window, int mode)
{
    ShowSearchMode(window, mode);
    FilterResults(window);
}

static void CycleSearchMode(HWND window)
{
    SetSearchMode(window, (searchMode + 1) % 3);
}

static void SetOnTop(HWND window, int onTop)
{
    onTopState = onTop;
    CheckDlgButton(window, IDC_ON_TOP, onTop ? BST_CHECKED : BST_UNCHECKED);
    SetWindowPos(window, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
}

static void ToggleOnTop(HWND window)
{
    SetOnTop(window, onTopState == 1 ? 0 : 1);
}

static void OnSearchTextChanged(HWND window)
{
    FilterResults(window);
    AnnounceSearchText(window);
}

static void RequestRescan(HWND window)
{
    SendMessageA(window, WM_APP_SCAN_REQUEST, 1, 0);
}

static void ChooseDrive(HWND window)
{
    rescanPending = 1;
    rootIsFolder = 0;
    RequestRescan(window);
    FocusSearchBox();
}

static void ShowHelp(HWND window)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_HELP), window, HelpDialogProc, 0);
}

static void ToggleLinkModeAndTitle()
{
    presentationState->ToggleLinkMode();
    presentationState->UpdateTitle(productTitle, scanPath);
}

// The focus ring; either end repeats the other's neighbour, so a step off
// either end wraps around.
static const int focusRing[] = {IDC_DRIVE_LIST,  IDC_REFRESH,     IDC_HELP_BUTTON, IDC_EXIT,
                                IDC_SEARCH_BOX,  IDC_RESULT_LIST, IDC_DRIVE_LIST,  IDC_REFRESH};

static void CycleFocus(HWND window, int step)
{
    const HWND focus = GetFocus();
    for (int i = 1; i < (int)(sizeof(focusRing) / sizeof(focusRing[0])); ++i)
        if (focus && GetDlgItem(window, focusRing[i]) == focus) {
            SetFocus(GetDlgItem(window, focusRing[i + step]));
            return;
        }
    SetFocus(driveList);
}

static void OpenFromKeyboard(HWND window)
{
    const HWND focus = GetFocus();
    if (focus == searchBox || focus == resultList)
        OpenSelectedResult(window, resultList);
}

static void SelectPreviousResult()
{
    if (GetFocus() == driveList)
        return;
    const LRESULT selected = SendMessageA(resultList, LB_GETCURSEL, 0, 0);
    SendMessageA(resultList, LB_SETCURSEL, selected == LB_ERR || selected == 0 ? 0 : selected - 1,
                 0);
}

static void SelectNextResult()
{
    if (GetFocus() == driveList)
        return;
    const LRESULT selected = SendMessageA(resultList, LB_GETCURSEL, 0, 0);
    const LRESULT count = SendMessageA(resultList, LB_GETCOUNT, 0, 0);
    if (selected == LB_ERR)
        SendMessageA(resultList, LB_SETCURSEL, 0, 0);
    else if (selected + 1 < count)
        SendMessageA(resultList, LB_SETCURSEL, (WPARAM)(selected + 1), 0);
}

// Esc stops a running scan; when nothing runs it closes the window.
static void OnEscape(HWND window)
{
    if (keepScanning == 1)
        keepScanning = 0;
    else
        SendMessageA(window, WM_CLOSE, 0, 0);
}

static LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    // A click hands the typing focus back to the search box; a key leaves
    // the focus where it was.
    const int focusBack = code == 0;
    switch (id) {
    case IDC_RESULT_LIST:
        if (code == LBN_SELCHANGE)
            FocusSearchBox();
        else if (code == LBN_DBLCLK)
            OpenSelectedResult(window, resultList);
        return 0;
    case IDC_SEARCH_BOX:
        if (code == EN_CHANGE)
            OnSearchTextChanged(window);
        return 0;
    case IDC_REFRESH:
        RequestRescan(window);
        break;
    case IDC_DRIVE_LIST:
        if (code == LBN_SELCHANGE)
            ChooseDrive(window);
        return 0;
    case IDC_HELP_BUTTON:
        ShowHelp(window);
        break;
    case IDC_EXIT:
        SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case IDC_ON_TOP:
        SetOnTop(window, IsDlgButtonChecked(window, IDC_ON_TOP) == BST_CHECKED);
        break;
    case IDC_INTERFACE_DETAIL:
        presentationState->SetInterfaceDetail(
            IsDlgButtonChecked(window, IDC_INTERFACE_DETAIL) == BST_CHECKED ? 1 : 0);
        break;
    case IDC_SEARCH_MODE: {
        const int mode = (int)IsDlgButtonChecked(window, IDC_SEARCH_MODE);
        if (mode >= 0 && mode <= 2)
            SetSearchMode(window, mode);
        break;
    }
    case IDM_CONTEXT_MENU_MODE:
        presentationState->ToggleContextMenuMode();
        return 0;
    case IDM_LINK_MODE:
        ToggleLinkModeAndTitle();
        return 0;
    case IDM_FOCUS_NEXT:
        CycleFocus(window, 1);
        return 0;
    case IDM_FOCUS_PREVIOUS:
        CycleFocus(window, -1);
        return 0;
    case IDM_OPEN_SELECTED:
        OpenFromKeyboard(window);
        return 0;
    case IDM_SELECT_PREVIOUS:
        SelectPreviousResult();
        return 0;
    case IDM_SELECT_NEXT:
        SelectNextResult();
        return 0;
    case IDM_ESCAPE:
        OnEscape(window);
        return 0;
    case IDM_CYCLE_SEARCH_MODE:
        CycleSearchMode(window);
        return 0;
    case IDM_TOGGLE_ON_TOP:
        ToggleOnTop(window);
        return 0;
    case IDM_TOGGLE_DETAIL:
        presentationState->ToggleInterfaceDetail();
        return 0;
    default:
        return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    }
    if (focusBack)
        FocusSearchBox();
    return 0;
}

// The result menu's commands and the program's system-menu items; the
// standard system commands go on to the default procedure as well.
static LRESULT OnSysCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case IDM_COPY_TITLE:
        CopySelectedTitle(resultList);
        break;
    case IDM_COPY_PATH:
        CopySelectedFolder(resultList);
        break;
    case IDM_COPY_PATH_TITLE:
        CopySelectedPath(resultList);
        break;
    case IDM_COPY_LIST:
        CopyMatchList(window, resultList, searchMode);
        break;
    case IDM_OPEN_FOLDER:
        OpenSelectedFolder(window, resultList);
        break;
    case IDM_ABOUT:
        ShowAboutBox(window);
        break;
    case IDM_TOGGLE_CONTEXT:
        presentationState->ToggleContextMenuMode();
        break;
    case IDM_TOGGLE_LINK:
        ToggleLinkModeAndTitle();
        break;
    }
    return DefWindowProcA(window, WM_SYSCOMMAND, wParam, lParam);
}

// ---- Life of the window ------------------------------------------------------------

static LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam)
{
    presentationState->Attach(instance, window);
    return DefWindowProcA(window, WM_CREATE, wParam, lParam);
}

static LRESULT OnInitDialog(HWND window)
{
    resultList = CreateControl(window, WS_EX_CLIENTEDGE, "LISTBOX",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL |
                                   LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                               0, 0, IDC_RESULT_LIST, ResultListProc, &previousListProc);
    searchBox = CreateControl(window, WS_EX_CLIENTEDGE, "EDIT",
                              WS_CHILD | WS_VISIBLE | ES_LOWERCASE | ES_AUTOHSCROLL, 0, 0,
                              IDC_SEARCH_BOX, SearchBoxProc, &previousEditProc);
    // As large as the text beside it: 18 pixels at 96 DPI, stretched above.
    const int iconSide = presentationState->CompactIconSide();
    iconControl = CreateControl(window, 0, "STATIC",
                                WS_CHILD | SS_REALSIZEIMAGE | SS_BITMAP, iconSide, iconSide,
                                IDC_ICON_IMAGE, NULL, NULL);
    // Without the bitmap the icon stays blank, which is all that is lost.
    iconBitmap = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_ICON), IMAGE_BITMAP, iconSide, iconSide, 0));
    SendMessageA(iconControl, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(iconBitmap));
    dragCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_DRAG_CURSOR));
    if (!dragCursor)
        ReportLastError(NULL, 1, 0, NULL);
    driveList = GetDlgItem(window, IDC_DRIVE_LIST);
    mainWindow = window;

    presentationState->AddSystemMenuItems((int)ReadSettingNumber(SettingContextMenu),
                                          (int)ReadSettingNumber(SettingLinkMode));
    presentationState->UpdateTitle(productTitle, scanPath);
    // Drives only: the rescan reads the letter at index 2 of each "[-c-]".
    if (!DlgDirListA(window, NULL, IDC_DRIVE_LIST, 0, DDL_DRIVES | DDL_EXCLUSIVE))
        ReportLastError(NULL, 0, 0, NULL);
    SetFocus(window);
    SetCaptionFromString(window, IDC_STATUS, IDS_SELECT_DRIVE);

    DWORD mode = ReadSettingNumber(SettingSearchMode);
    // Nothing is loaded yet, so there is nothing to filter.
    ShowSearchMode(window, mode <= 2 ? (int)mode : 0);
    SetCaptionFromString(window, IDC_REFRESH, IDS_REFRESH);
    SetOnTop(window, ReadSettingNumber(SettingOnTopState) == 1);
    RestorePlacement(window);

    awaitingLinkedText = 0;
    rescanPending = 0;
    rootIsFolder = 0;

    char face[fontFaceTextSize] = {0};
    ReadSettingText(face, sizeof(face));
    presentationState->CreateContentFont(face, (int)ReadSettingNumber(SettingFontSize));
    presentationState->ApplyMainFonts(window);
    presentationState->SetInterfaceDetail((int)ReadSettingNumber(SettingInterfaceDetail));
    presentationState->LayoutMainWindow(0, 0);
    return 0;
}

static LRESULT OnClose(HWND window)
{
    presentationState->SavePlacement();
    WriteSettingNumber(SettingSearchMode, (DWORD)searchMode);
    WriteSettingNumber(SettingOnTopState, (DWORD)onTopState);
    return DefWindowProcA(window, WM_CLOSE, 0, 0);
}

static LRESULT OnDestroy()
{
    keepScanning = 0;
    DestroyWindow(resultList);
    DestroyWindow(iconControl);
    DeleteObject(iconBitmap);
    PostQuitMessage(0);
    return 0;
}

static LRESULT OnDropFiles(HWND window, HDROP drop)
{
    if (DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0) == 1) {
        // The whole name or none of it: a name cut to fit can name another,
        // existing folder, which would be loaded in place of the dropped one.
        char* path = CheckAllocation(static_cast<char*>(AllocZeroed(scanPathSize)), 1);
        if (DragQueryFileA(drop, 0, NULL, 0) >= scanPathSize)
            ShowErrorInStatus(window, ERROR_FILENAME_EXCED_RANGE);
        else if (DragQueryFileA(drop, 0, path, scanPathSize))
            SendMessageA(window, WM_APP_SCAN_REQUEST, 0, reinterpret_cast<LPARAM>(path));
        FreeBlock(path);
    } else {
        SetCaptionFromString(window, IDC_STATUS, IDS_DROP_ONE);
    }
    DragFinish(drop);
    return 0;
}

// ---- Mouse on the window's own surface ------------------------------------------------
// Dragging the surface moves the window; in compact mode, which has no
// caption, it is the way to move it. The icon lets its clicks through.

static POINT ScreenPointOf(HWND window, LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &point);
    return point;
}

static void TakeGrabPoint(HWND window, POINT screenPoint)
{
    RECT frame = {0, 0, 0, 0};
    GetWindowRect(window, &frame);
    dragOffset.x = screenPoint.x - frame.left;
    dragOffset.y = screenPoint.y - frame.top;
}

static LRESULT OnLeftButtonDown(HWND window, LPARAM lParam)
{
    SetCapture(window);
    TakeGrabPoint(window, ScreenPointOf(window, lParam));
    savedCursor = SetCursor(dragCursor);
    return 0;
}

static LRESULT OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!(wParam & MK_LBUTTON))
        return 0;
    const POINT point = ScreenPointOf(window, lParam);
    if (GetCapture() == window) {
        SetWindowPos(window, NULL, point.x - dragOffset.x, point.y - dragOffset.y, 0, 0,
                     SWP_NOZORDER | SWP_NOSIZE | SWP_FRAMECHANGED);
        UpdateWindow(window);
    } else {
        TakeGrabPoint(window, point);
    }
    return 0;
}

static LRESULT OnLeftButtonUp(HWND window)
{
    if (GetCapture() == window) {
        SetCursor(savedCursor);
        ReleaseCapture();
    }
    return 0;
}

static LRESULT OnRightButtonDown(HWND window, WPARAM wParam, LPARAM lParam)
{
    presentationState->ShowIconMenu(wParam, lParam);
    return DefWindowProcA(window, WM_RBUTTONDOWN, wParam, lParam);
}

// A seven-note tune on Ctrl+Shift+middle click, then a word from the author.
static void PlayEasterEgg()
{
    static const struct {
        DWORD frequency;
        DWORD duration;
        DWORD pause;
    } notes[] = {{330, 290, 10}, {415, 250, 50}, {415, 250, 50}, {415, 280, 20},
                 {370, 110, 30}, {330, 130, 10}, {494, 600, 0}};
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        const int count = (int)(sizeof(notes) / sizeof(notes[0]));
        for (int i = 0; i < count; ++i) {
            Beep(notes[i].frequency, notes[i].duration);
            if (i + 1 < count)
                Sleep(notes[i].pause);
        }
    }
    MessageBoxA(NULL, "You found an easter egg!", productTitle, MB_OK);
}

static LRESULT OnMiddleButtonDown(WPARAM wParam)
{
    if ((wParam & (MK_CONTROL | MK_SHIFT)) == (MK_CONTROL | MK_SHIFT))
        PlayEasterEgg();
    return 0;
}

// ---- The procedure -------------------------------------------------------------------

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, wParam, lParam);
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_COMMAND:
        return OnCommand(window, wParam, lParam);
    case WM_SYSCOMMAND:
        return OnSysCommand(window, wParam, lParam);
    case WM_SETFOCUS:
        FocusSearchBox();
        return 0;
    case WM_LBUTTONDOWN:
        return OnLeftButtonDown(window, lParam);
    case WM_MOUSEMOVE:
        return OnMouseMove(window, wParam, lParam);
    case WM_LBUTTONUP:
        return OnLeftButtonUp(window);
    case WM_RBUTTONDOWN:
        return OnRightButtonDown(window, wParam, lParam);
    case WM_MBUTTONDOWN:
        return OnMiddleButtonDown(wParam);
    case WM_SIZE:
        presentationState->LayoutMainWindow(lParam, WM_SIZE);
        return 0;
    case WM_SIZING:
        presentationState->LayoutMainWindow(lParam, WM_SIZING);
        return TRUE;
    case WM_DROPFILES:
        return OnDropFiles(window, reinterpret_cast<HDROP>(wParam));
    case WM_CLOSE:
        return OnClose(window);
    case WM_DESTROY:
        return OnDestroy();
    case WM_COPYDATA:
        return OnCopyData(window, lParam);
    case WM_APP_SCAN_REQUEST:
        return OnScanRequest(window, wParam, lParam);
    case WM_APP_SCAN_DONE:
        return OnScanDone(window);
    }
    // Registered messages have no fixed value; 0 means not registered.
    if (message != 0 && message == dataReadyMessage)
        return OnDataReady(window, lParam);
    if (message != 0 && message == requestDataMessage)
        OnRequestData(window, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}
