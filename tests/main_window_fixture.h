// A real main window for tests: dialog template 101 with its private window
// class, plus the three controls that the main window creates at run time.
// The class procedure stands in for the main window's: it hands WM_SIZE and
// WM_SIZING to the presentation state (when one is attached to this window)
// and passes everything else to DefWindowProcA.
#ifndef SORVANE_TESTS_MAIN_WINDOW_FIXTURE_H
#define SORVANE_TESTS_MAIN_WINDOW_FIXTURE_H

#include <windows.h>

#include "resources/resource.h"
#include "ui/presentation_state.h"

inline LRESULT CALLBACK FixtureMainWindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam)
{
    if (presentationState && presentationState->mainWindow == window) {
        if (message == WM_SIZE) {
            presentationState->LayoutMainWindow(lParam, WM_SIZE);
            return 0;
        }
        if (message == WM_SIZING) {
            presentationState->LayoutMainWindow(lParam, WM_SIZING);
            return TRUE;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The class procedure handles everything; the dialog manager never calls this.
inline INT_PTR CALLBACK FixtureUnusedDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The help dialog's stand-in procedure: lays out on WM_SIZE and WM_SIZING.
inline INT_PTR CALLBACK FixtureHelpDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (!presentationState)
        return FALSE;
    if (message == WM_SIZE) {
        presentationState->LayoutHelpDialog(dialog, lParam, WM_SIZE);
        return FALSE;
    }
    if (message == WM_SIZING) {
        presentationState->LayoutHelpDialog(dialog, lParam, WM_SIZING);
        return TRUE;
    }
    return FALSE;
}

// Registers the class that template 101 names, once per process.
inline void RegisterFixtureMainClass()
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = FixtureMainWindowProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "Sorvane";
    RegisterClassA(&windowClass);  // fails harmlessly when already registered
}

struct MainWindowFixture {
    HWND window;
    HWND resultList;
    HWND searchBox;
    HWND icon;
    HBITMAP iconBitmap;

    // withState: create the process's PresentationState and attach it, as
    // start-up and WM_CREATE do.
    explicit MainWindowFixture(int withState = 1)
        : window(NULL), resultList(NULL), searchBox(NULL), icon(NULL), iconBitmap(NULL)
    {
        HINSTANCE module = GetModuleHandleA(NULL);
        RegisterFixtureMainClass();
        window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                    FixtureUnusedDialogProc, 0);
        if (!window)
            return;
        resultList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", NULL,
                                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL |
                                         LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                                     0, 0, 0, 0, window, (HMENU)(INT_PTR)IDC_RESULT_LIST, module,
                                     NULL);
        searchBox = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", NULL,
                                    WS_CHILD | WS_VISIBLE | ES_LOWERCASE | ES_AUTOHSCROLL, 0, 0, 0,
                                    0, window, (HMENU)(INT_PTR)IDC_SEARCH_BOX, module, NULL);
        icon = CreateWindowExA(0, "STATIC", NULL, WS_CHILD | SS_REALSIZEIMAGE | SS_BITMAP, 0, 0,
                               18, 18, window, (HMENU)(INT_PTR)IDC_ICON_IMAGE, module, NULL);
        iconBitmap = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_ICON));
        SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)iconBitmap);
        if (withState) {
            presentationState = new PresentationState;
            presentationState->Attach(module, window);
        }
        // Left hidden: showing and destroying a managed window waits on the
        // display, and nothing here needs the window on screen.
    }

    ~MainWindowFixture()
    {
        if (window)
            DestroyWindow(window);
        if (iconBitmap)
            DeleteObject(iconBitmap);
        delete presentationState;
        presentationState = NULL;
    }

    // A control's rectangle in the client coordinates of its parent.
    static RECT PlaceOf(HWND control)
    {
        RECT place = {0, 0, 0, 0};
        GetWindowRect(control, &place);
        MapWindowPoints(NULL, GetParent(control), (POINT*)&place, 2);
        return place;
    }

    RECT PlaceOf(int controlId) const { return PlaceOf(GetDlgItem(window, controlId)); }
};

#endif
