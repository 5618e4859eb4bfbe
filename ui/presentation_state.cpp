#include "ui/presentation_state.h"

#include "app/base/captions.h"
#include "app/base/owners.h"
#include "resources/resource.h"
#include "ui/layout.h"

PresentationState* presentationState;

PresentationState::PresentationState()
    : contentFont(NULL),
      contentPointSize(0),
      guiFont(NULL),
      instance(NULL),
      mainWindow(NULL),
      systemMenu(NULL),
      interfaceDetail(interfaceDetailExpanded),
      contextMenuMode(0),
      linkMode(0)
{
    ZeroMemory(&logFont, sizeof(logFont));
}

PresentationState::~PresentationState()
{
    // guiFont is the system's stock font and is never ours to delete.
    if (contentFont)
        DeleteObject(contentFont);
}

void PresentationState::Attach(HINSTANCE moduleInstance, HWND window)
{
    guiFont = GetStockObject(DEFAULT_GUI_FONT);
    instance = moduleInstance;
    mainWindow = window;
    systemMenu = GetSystemMenu(window, FALSE);
}

// The controls that only the expanded mode shows, in the order they change.
static const int expandedOnlyIds[] = {IDC_DRIVE_LIST, IDC_ON_TOP,  IDC_SEARCH_MODE, IDC_HELP_BUTTON,
                                      IDC_EXIT,       IDC_REFRESH, IDC_STATUS};

void PresentationState::SetInterfaceDetail(int mode)
{
    if (mode != interfaceDetailCompact)
        mode = interfaceDetailExpanded;
    const int compact = mode == interfaceDetailCompact;
    interfaceDetail = mode;

    CheckDlgButton(mainWindow, IDC_INTERFACE_DETAIL, compact ? BST_CHECKED : BST_UNCHECKED);
    SetCaptionFromString(mainWindow, IDC_INTERFACE_DETAIL, compact ? IDS_COMPACT : IDS_EXPANDED);

    // Only the caption bits change: the sizing border stays in both modes.
    // The window rectangle stays too, so the client area grows or shrinks by
    // the caption and the WM_SIZE that follows lays out the new mode.
    LONG_PTR style = GetWindowLongPtrA(mainWindow, GWL_STYLE);
    if (compact) {
        style &= ~(LONG_PTR)WS_CAPTION;
        ShowWindow(GetDlgItem(mainWindow, IDC_ICON_IMAGE), SW_SHOW);
    } else {
        style |= WS_CAPTION;
        ShowWindow(GetDlgItem(mainWindow, IDC_ICON_IMAGE), SW_HIDE);
    }
    SetWindowLongPtrA(mainWindow, GWL_STYLE, style);
    SetWindowPos(mainWindow, NULL, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);

    for (unsigned i = 0; i < sizeof(expandedOnlyIds) / sizeof(expandedOnlyIds[0]); i++)
        ShowWindow(GetDlgItem(mainWindow, expandedOnlyIds[i]), compact ? SW_HIDE : SW_SHOW);
    InvalidateRect(mainWindow, NULL, TRUE);
}

void PresentationState::ToggleInterfaceDetail()
{
    SetInterfaceDetail(interfaceDetail == interfaceDetailExpanded ? interfaceDetailCompact
                                                                  : interfaceDetailExpanded);
}

int PresentationState::MeasureCaption(HWND owner, HDC dc, int controlId)
{
    const int unmeasured = 100;
    // In UTF-16: GDI's A functions read bytes in the system's code page,
    // which need not be the process's (UTF-8 under the manifest).
    WCHAR caption[500] = {0};
    const int length = GetDlgItemTextW(owner, controlId, caption, 500);
    if (length == 0)
        return unmeasured;
    SIZE extent = {0, 0};
    if (!GetTextExtentPoint32W(dc, caption, length, &extent))
        return unmeasured;
    return extent.cx;
}

int PresentationState::CompactIconSide() const
{
    OwnedWindowDC screen(mainWindow);
    const int pixelsPerInch = screen.dc ? GetDeviceCaps(screen.dc, LOGPIXELSY) : 0;
    return pixelsPerInch > 0 ? MulDiv(compactIconSide, pixelsPerInch, 96) : compactIconSide;
}

// Reads the interface font's metrics on the main window's device context and
// measures the captions of the given controls of captionOwner. The context's
// font and mapping mode are restored before it is released.
static void MeasureInterfaceText(HWND dcWindow, HGDIOBJ font, HWND captionOwner,
                                 const int* captionIds, int count, int* captionWidths,
                                 int* averageCharWidth, int* textHeight)
{
    TEXTMETRICA metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    {
        OwnedWindowDC screen(dcWindow);
        HDC dc = screen.dc;
        int oldMapMode = SetMapMode(dc, MM_TEXT);
        {
            SelectedObject selected(dc, font);
            GetTextMetricsA(dc, &metrics);
            for (int i = 0; i < count; i++)
                captionWidths[i] = PresentationState::MeasureCaption(captionOwner, dc, captionIds[i]);
        }
        if (oldMapMode)
            SetMapMode(dc, oldMapMode);
    }
    *averageCharWidth = metrics.tmAveCharWidth;
    *textHeight = metrics.tmHeight;
}

// The part both layouts share: decides from the call form which client size
// to lay out for. WM_SIZE gives it; WM_SIZING only enlarges the proposed
// rectangle to the minimum window size; 0 first enlarges the window itself.
// Returns 1 with the size in width and height when a layout is to follow.
static int ResolveClientSize(HWND window, LPARAM argument, UINT message, int minimumClientWidth,
                             int minimumClientHeight, int* width, int* height)
{
    if (message == WM_SIZE) {
        *width = LOWORD((DWORD_PTR)argument);
        *height = HIWORD((DWORD_PTR)argument);
        return 1;
    }
    if (message != 0 && message != WM_SIZING)
        return 0;
    // A minimised window has nothing to fit; restoring it sends WM_SIZE.
    if (message == 0 && IsIconic(window))
        return 0;

    // The minimum window size is the minimum client size plus the frame (and
    // the caption, when there is one) as they are now.
    RECT windowRect = {0, 0, 0, 0};
    RECT clientRect = {0, 0, 0, 0};
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    const int minimumWidth =
        minimumClientWidth + (windowRect.right - windowRect.left) - (clientRect.right - clientRect.left);
    const int minimumHeight =
        minimumClientHeight + (windowRect.bottom - windowRect.top) - (clientRect.bottom - clientRect.top);

    if (message == WM_SIZING) {
        RECT* proposed = (RECT*)argument;
        if (!proposed)
            return 0;
        LayoutBounds bounds = {proposed->left, proposed->top, proposed->right, proposed->bottom};
        GrowToMinimum(&bounds, minimumWidth, minimumHeight);
        proposed->right = bounds.right;
        proposed->bottom = bounds.bottom;
        return 0;
    }

    LayoutBounds bounds = {windowRect.left, windowRect.top, windowRect.right, windowRect.bottom};
    if (GrowToMinimum(&bounds, minimumWidth, minimumHeight)) {
        MoveWindow(window, bounds.left, bounds.top, bounds.right - bounds.left,
                   bounds.bottom - bounds.top, TRUE);
        GetClientRect(window, &clientRect);
    }
    *width = clientRect.right - clientRect.left;
    *height = clientRect.bottom - clientRect.top;
    return 1;
}

static void MoveControls(HWND window, const ControlPlacement* controls, int count)
{
    for (int i = 0; i < count; i++) {
        const ControlPlacement& place = controls[i];
        MoveWindow(GetDlgItem(window, place.id), place.x, place.y, place.width, place.height, TRUE);
    }
}

void PresentationState::LayoutMainWindow(LPARAM argument, UINT message)
{
    if (interfaceDetail != interfaceDetailExpanded && interfaceDetail != interfaceDetailCompact)
        return;
    const int modeBoxId = IDC_INTERFACE_DETAIL;
    int A = 0;
    int T = 0;
    int captionWidth = 0;
    // The column width follows the mode box's caption in force, so it
    // differs between the modes.
    MeasureInterfaceText(mainWindow, guiFont, mainWindow, &modeBoxId, 1, &captionWidth, &A, &T);
    const int K = captionWidth + 2 * A;

    const int icon = CompactIconSide();
    // A whole row of the result list: its item height and its frame, from
    // its styles (its present size may be none).
    const HWND list = GetDlgItem(mainWindow, IDC_RESULT_LIST);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, (DWORD)GetWindowLongPtrA(list, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongPtrA(list, GWL_EXSTYLE));
    const LRESULT itemHeight = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    const int wholeRow = itemHeight > 0 ? (int)itemHeight + (frame.bottom - frame.top) : 0;
    const MainWindowLayout minimum =
        ComputeMainLayout(0, 0, A, T, K, interfaceDetail, icon, wholeRow);
    int width = 0;
    int height = 0;
    if (!ResolveClientSize(mainWindow, argument, message, minimum.minimumWidth,
                           minimum.minimumHeight, &width, &height))
        return;
    const MainWindowLayout layout =
        ComputeMainLayout(width, height, A, T, K, interfaceDetail, icon, wholeRow);
    MoveControls(mainWindow, layout.controls, layout.count);
}

void PresentationState::LayoutHelpDialog(HWND helpDialog, LPARAM argument, UINT message)
{
    int A = 0;
    int T = 0;
    int widths[helpButtonCount] = {0};
    MeasureInterfaceText(mainWindow, guiFont, helpDialog, helpButtonIds, helpButtonCount, widths,
                         &A, &T);
    for (int i = 0; i < helpButtonCount; i++)
        widths[i] += 4 * A;

    const HelpDialogLayout minimum = ComputeHelpLayout(0, 0, T, widths);
    int width = 0;
    int height = 0;
    if (!ResolveClientSize(helpDialog, argument, message, minimum.minimumWidth,
                           minimum.minimumHeight, &width, &height))
        return;
    const HelpDialogLayout layout = ComputeHelpLayout(width, height, T, widths);
    MoveControls(helpDialog, layout.controls, layout.count);
}
