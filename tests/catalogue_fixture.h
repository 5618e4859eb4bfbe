// What the scanner and the search filter need around them, made for one test
// and put back after it: a hidden main window with a result list, a search
// box and a status line, the catalogue with its lock, scanPath and
// copyListBuffer; and real folder trees in the Wine temporary folder.
#ifndef SORVANE_TESTS_CATALOGUE_FIXTURE_H
#define SORVANE_TESTS_CATALOGUE_FIXTURE_H

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/base/app_messages.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "catalogue/linked_list.h"
#include "harness/program_driver.h"
#include "catalogue/scanner.h"
#include "catalogue/text_buffer.h"
#include "resources/resource.h"
#include "temp_tree.h"

// Called on the test thread with each text the status line receives, while
// the scanner thread waits for the call to return (so it holds no lock).
typedef void (*StatusHook)(const char* text);

struct FixtureState {
    std::vector<std::string> statusTexts;
    StatusHook statusHook;
    int scanDone;
    WNDPROC originalStatusProc;
};
inline FixtureState fixtureState;

inline LRESULT CALLBACK FixtureStatusProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result =
        CallWindowProcA(fixtureState.originalStatusProc, control, message, wParam, lParam);
    if (message == WM_SETTEXT) {
        const char* text = reinterpret_cast<const char*>(lParam);
        fixtureState.statusTexts.push_back(text ? text : "");
        if (fixtureState.statusHook)
            fixtureState.statusHook(text ? text : "");
    }
    return result;
}

inline LRESULT CALLBACK FixtureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP_SCAN_DONE) {
        fixtureState.scanDone = 1;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class CatalogueFixture {
public:
    HWND window;
    HWND resultList;
    HWND searchBox;
    HWND status;

    CatalogueFixture()
    {
        savedMainWindow = mainWindow;
        savedCatalogue = catalogue;
        savedLock = catalogueLock;
        savedScanPath = scanPath;
        savedCopyList = copyListBuffer;

        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = FixtureWindowProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "SorvaneCatalogueFixture";
        RegisterClassA(&windowClass);  // fails harmlessly when already registered
        window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                 480, NULL, NULL, windowClass.hInstance, NULL);
        resultList = CreateChild("LISTBOX",
                                 LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL,
                                 IDC_RESULT_LIST, 300, 200);
        searchBox = CreateChild("EDIT", ES_LOWERCASE | ES_AUTOHSCROLL, IDC_SEARCH_BOX, 300, 24);
        status = CreateChild("STATIC", SS_LEFT, IDC_STATUS, 300, 24);
        fixtureState.originalStatusProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FixtureStatusProc)));
        fixtureState.statusTexts.clear();
        fixtureState.statusHook = NULL;
        fixtureState.scanDone = 0;

        mainWindow = window;
        catalogue = new LinkedList();
        catalogueLock = CreateMutexA(NULL, FALSE, NULL);
        scanPath = static_cast<char*>(AllocZeroed(scanPathSize));
        copyListBuffer = new TextBuffer(8192, 262144);
    }

    ~CatalogueFixture()
    {
        Empty();
        delete catalogue;
        delete copyListBuffer;
        CloseHandle(catalogueLock);
        FreeBlock(scanPath);
        fixtureState.statusHook = NULL;
        DestroyWindow(window);
        mainWindow = savedMainWindow;
        catalogue = savedCatalogue;
        catalogueLock = savedLock;
        scanPath = savedScanPath;
        copyListBuffer = savedCopyList;
    }

    // Pushes a heap copy of entry, as the scanner would.
    char* Add(const char* entry)
    {
        char* copy = static_cast<char*>(AllocZeroed(strlen(entry) + 1));
        strcpy(copy, entry);
        catalogue->PushBack(copy);
        return copy;
    }

    void Empty()
    {
        SendMessageA(resultList, LB_RESETCONTENT, 0, 0);
        FreeCatalogueEntries();
    }

    void SetRoot(const char* root) { lstrcpynA(scanPath, root, scanPathSize); }
    void SetQuery(const char* query) { SetWindowTextA(searchBox, query); }

    // The catalogue's entries in order.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> entries;
        for (ListNode* node = catalogue->Head(); node; node = node->next)
            entries.push_back(static_cast<const char*>(node->data));
        return entries;
    }

    int ItemCount() const { return (int)SendMessageA(resultList, LB_GETCOUNT, 0, 0); }

    std::string ItemText(int item) const
    {
        char text[displayBytes] = {0};
        SendMessageA(resultList, LB_GETTEXT, (WPARAM)item, reinterpret_cast<LPARAM>(text));
        return text;
    }

    const char* ItemEntry(int item) const
    {
        return reinterpret_cast<const char*>(
            SendMessageA(resultList, LB_GETITEMDATA, (WPARAM)item, 0));
    }

    // Starts the scanner on root the way scan control does. Call
    // WaitForScan next.
    HANDLE StartScan(const char* root)
    {
        SetRoot(root);
        scanCount = 0;
        progressMark = 0;
        keepScanning = 1;
        fixtureState.scanDone = 0;
        fixtureState.statusTexts.clear();
        return CreateThread(NULL, 0, ScanThreadProc, NULL, 0, NULL);
    }

    // Handles messages (the scanner's status texts and its done message)
    // until the thread has ended. Between batches of messages calls idle
    // when given. Returns 1 when the thread ended in time.
    int WaitForScan(HANDLE thread, void (*idle)(CatalogueFixture*) = NULL, DWORD timeoutMs = 120000)
    {
        DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0)
                break;
            if (GetTickCount() - start > ScaledWait(timeoutMs)) {
                keepScanning = 0;
                return 0;
            }
            if (idle)
                idle(this);
            MsgWaitForMultipleObjects(1, &thread, FALSE, idle ? 1 : 50, QS_ALLINPUT);
        }
        CloseHandle(thread);
        keepScanning = 0;
        return 1;
    }

    std::string Status() const
    {
        char text[displayBytes] = {0};
        GetWindowTextA(status, text, sizeof(text));
        return text;
    }

private:
    static const int displayBytes = 1000;
    HWND savedMainWindow;
    LinkedList* savedCatalogue;
    HANDLE savedLock;
    char* savedScanPath;
    TextBuffer* savedCopyList;

    HWND CreateChild(const char* className, DWORD style, int id, int width, int height)
    {
        static int top = 0;
        top = (top + 30) % 300;
        return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, top, width,
                               height, window, reinterpret_cast<HMENU>((INT_PTR)id),
                               GetModuleHandleA(NULL), NULL);
    }
};

inline std::string LowerCase(std::string text)
{
    for (char& ch : text)
        ch = (char)(unsigned char)(UINT_PTR)CharLowerA(reinterpret_cast<LPSTR>((UINT_PTR)(unsigned char)ch));
    return text;
}

#endif
