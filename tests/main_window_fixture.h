// The real main window for tests, hidden: template 101 of the program's own
// class with MainWindowProc, initialised from the default settings, over the
// process objects it needs (made here when the test process has none).
// MainWindowFixture(0) gives the bare template instead: the dialog of the
// private class without the program's procedure, for tests of the template
// itself.
#ifndef SORVANE_TESTS_MAIN_WINDOW_FIXTURE_H
#define SORVANE_TESTS_MAIN_WINDOW_FIXTURE_H

#include <windows.h>

#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "catalogue/linked_list.h"
#include "catalogue/scanner.h"
#include "catalogue/text_buffer.h"
#include "harness/program_driver.h"
#include "resources/resource.h"
#include "ui/presentation_state.h"

// The template's own dialog procedure is never called: the class procedure
// handles every message.
inline INT_PTR CALLBACK FixtureUnusedDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

inline LRESULT CALLBACK FixtureBareWindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// (Re-)registers the class that template 101 names with procedure; a class
// left by an earlier fixture of the other kind is replaced.
inline void RegisterFixtureMainClass(WNDPROC procedure)
{
    HINSTANCE module = GetModuleHandleA(NULL);
    UnregisterClassA("Sorvane", module);
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "Sorvane";
    classAtom = RegisterClassA(&windowClass);
}

struct MainWindowFixture {
    HWND window;
    HWND resultList;
    HWND searchBox;
    HWND icon;

    explicit MainWindowFixture(int real = 1)
        : window(NULL), resultList(NULL), searchBox(NULL), icon(NULL), madeObjects(0)
    {
        HINSTANCE module = GetModuleHandleA(NULL);
        if (!real) {
            RegisterFixtureMainClass(FixtureBareWindowProc);
            window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                        FixtureUnusedDialogProc, 0);
            return;
        }
        ClearStoredSettings();
        if (!catalogue) {
            madeObjects = 1;
            instance = module;
            productTitle = static_cast<char*>(AllocZeroed(productTitleSize));
            LoadStringA(module, IDS_PRODUCT, productTitle, productTitleSize);
            scanPath = static_cast<char*>(AllocZeroed(scanPathSize));
            catalogue = new LinkedList();
            copyListBuffer = new TextBuffer(8192, 262144);
            catalogueLock = CreateMutexA(NULL, FALSE, NULL);
        }
        presentationState = new PresentationState;
        RegisterFixtureMainClass(MainWindowProc);
        // Left hidden: showing and destroying a managed window waits on the
        // display, and nothing here needs the window on screen.
        window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                    FixtureUnusedDialogProc, 0);
        resultList = ::resultList;
        searchBox = ::searchBox;
        icon = GetDlgItem(window, IDC_ICON_IMAGE);
    }

    ~MainWindowFixture()
    {
        if (window)
            DestroyWindow(window);
        // The real window ends the message loop as it goes; tests have none.
        MSG quit;
        PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
        if (window && mainWindow == window)
            mainWindow = NULL;
        delete presentationState;
        presentationState = NULL;
        if (madeObjects) {
            FreeCatalogueEntries();
            delete catalogue;
            catalogue = NULL;
            delete copyListBuffer;
            copyListBuffer = NULL;
            CloseHandle(catalogueLock);
            catalogueLock = NULL;
            FreeBlock(scanPath);
            scanPath = NULL;
            FreeBlock(productTitle);
            productTitle = NULL;
        }
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

private:
    int madeObjects;
};

#endif
