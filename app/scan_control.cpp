#include "app/scan_control.h"

#include <string.h>

#include "app/base/app_messages.h"
#include "app/base/captions.h"
#include "app/base/catalogue_lock.h"
#include "app/base/error_report.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "catalogue/linked_list.h"
#include "catalogue/scanner.h"
#include "catalogue/search_filter.h"
#include "resources/resource.h"
#include "ui/presentation_state.h"

int rescanPending;
int rootIsFolder;

static const int captionTextSize = 1000;
// About 1 KiB per level, scanPathSize / 2 levels.
static const SIZE_T scannerStackReserve = (SIZE_T)scanPathSize * 512;

// The running state is the button's caption: it reads "&Stop" exactly while
// a scanner thread exists, from its start to its WM_APP_SCAN_DONE.
static int IsScanRunning(HWND window)
{
    char caption[captionTextSize] = {0};
    char stop[stringTextSize] = {0};
    GetDlgItemTextA(window, IDC_REFRESH, caption, sizeof(caption));
    LoadStringA(instance, IDS_STOP, stop, sizeof(stop));
    return lstrcmpA(caption, stop) == 0;
}

// The result list borrows the entries' strings, so it is cleared first.
static void EmptyCatalogue()
{
    SendMessageA(resultList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(resultList, LB_RESETCONTENT, 0, 0);
    SendMessageA(resultList, WM_SETREDRAW, TRUE, 0);
    LockCatalogue();
    FreeCatalogueEntries();
    UnlockCatalogue();
}

static void StripTrailingBackslash(char* path)
{
    size_t n = strlen(path);
    if (n > 0 && path[n - 1] == '\\')
        path[n - 1] = 0;
}

// The drive list writes each drive as "[-c-]"; the root is "c:".
static int TakeChosenDrive(HWND window)
{
    LRESULT chosen = SendMessageA(driveList, LB_GETCURSEL, 0, 0);
    if (chosen == LB_ERR) {
        SetCaptionFromString(window, IDC_STATUS, IDS_SELECT_DRIVE);
        return 0;
    }
    char item[MAX_PATH] = {0};
    if (SendMessageA(driveList, LB_GETTEXTLEN, (WPARAM)chosen, 0) >= (LRESULT)sizeof(item) ||
        SendMessageA(driveList, LB_GETTEXT, (WPARAM)chosen, (LPARAM)item) < 3)
        return 0;
    scanPath[0] = item[2];
    scanPath[1] = ':';
    scanPath[2] = 0;
    return 1;
}

// A folder is scanned as it is, a file or a missing path through its parent
// folder. The candidate is worked on apart from scanPath, so a path that
// cannot be used leaves the last root for the next rescan.
static int TakeHandedPath(HWND window, const char* path)
{
    char* candidate = CheckAllocation(static_cast<char*>(AllocZeroed(scanPathSize)), 1);
    lstrcpynA(candidate, path, scanPathSize);
    int usable = 0;
    DWORD attributes = GetFileAttributesA(candidate);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        usable = 1;
    } else {
        const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
        int cut = 0;
        for (int i = (int)strlen(candidate) - 1; i >= 1; --i)
            if (candidate[i] == '\\') {
                cut = i;
                break;
            }
        if (cut == 0) {
            // An existing file without a folder part: nothing to say.
            if (error)
                ShowErrorInStatus(window, error);
        } else {
            candidate[cut] = 0;
            attributes = GetFileAttributesA(candidate);
            if (attributes == INVALID_FILE_ATTRIBUTES)
                ShowErrorInStatus(window, GetLastError());
            else
                usable = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
    }
    if (usable) {
        StripTrailingBackslash(candidate);
        lstrcpynA(scanPath, candidate, scanPathSize);
        rootIsFolder = 1;
    }
    FreeBlock(candidate);
    return usable;
}

LRESULT OnScanRequest(HWND window, WPARAM kind, LPARAM path)
{
    if (IsScanRunning(window)) {
        keepScanning = 0;
        return 0;
    }
    rescanPending = 0;
    EmptyCatalogue();

    if (kind == 1) {
        if (rootIsFolder)
            StripTrailingBackslash(scanPath);
        else if (!TakeChosenDrive(window))
            return 0;
    } else {
        const char* handed = reinterpret_cast<const char*>(path);
        if (!handed || !handed[0] || !TakeHandedPath(window, handed))
            return 0;
    }

    scanCount = 0;
    progressMark = 0;
    presentationState->UpdateTitle(productTitle, scanPath);
    SetCaptionFromString(window, IDC_REFRESH, IDS_STOP);
    keepScanning = 1;
    // Nothing ever waits for the scanner: it ends by sending
    // WM_APP_SCAN_DONE, so its handle is of no further use.
    // The walk recurses once per folder level, and a root of scanPathSize
    // characters may hold half as many levels: reserve (not commit) a stack
    // for all of them rather than rely on the file functions refusing long
    // paths.
    HANDLE scanner = CreateThread(NULL, scannerStackReserve, ScanThreadProc, NULL,
                                  STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (!scanner)
        ReportLastError(NULL, 1, 0, NULL);
    CloseHandle(scanner);
    return 0;
}

LRESULT OnScanDone(HWND window)
{
    SetCaptionFromString(window, IDC_REFRESH, IDS_REFRESH);
    keepScanning = 0;
    FilterCatalogue(resultListLimit, searchMode, 0, window, resultList);
    // A window in the background may keep no focus; only a real failure is
    // worth a message box.
    SetLastError(0);
    if (!SetFocus(searchBox) && GetLastError() != 0)
        ReportLastError(NULL, 0, 0, NULL);
    if (rescanPending) {
        SendMessageA(window, WM_APP_SCAN_REQUEST, 1, 0);
        rescanPending = 0;
    }
    return 0;
}
