#include "catalogue/scanner.h"

#include <string.h>

#include "app/app_messages.h"
#include "app/error_report.h"
#include "app/main_window.h"
#include "app/process_heap.h"
#include "app/process_objects.h"
#include "catalogue/linked_list.h"
#include "resources/resource.h"

volatile LONG keepScanning;
int scanCount;
int progressMark;

// Room for a text of the string table.
static const unsigned stringTextSize = 100;

static int IsDotFolder(const WIN32_FIND_DATAA* found)
{
    const char* name = found->cFileName;
    return (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name[0] == '.' &&
           (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Adds one entry under the lock, held for the push alone, and shows the count
// every 256 entries. The status line is written with the lock released: it
// is a message to the user-interface thread, which may be waiting for the
// lock itself.
static void AddEntry(char* entry)
{
    if (WaitForSingleObject(catalogueLock, INFINITE) == WAIT_FAILED)
        ReportLastError(NULL, 1, 0, NULL);
    catalogue->PushBack(entry);
    if (!ReleaseMutex(catalogueLock))
        ReportLastError(NULL, 1, 0, NULL);

    ++scanCount;
    if ((scanCount >> 8) > progressMark) {
        progressMark = scanCount >> 8;
        SetDlgItemInt(mainWindow, IDC_STATUS, (UINT)scanCount, FALSE);
    }
}

DWORD ScanFolder(char* workingPath, unsigned length)
{
    // Room for "\*" and the NUL; a deeper path fails like an unlistable folder.
    if (length + 3 > scanPathSize)
        return ERROR_FILENAME_EXCED_RANGE;
    workingPath[length] = '\\';
    workingPath[length + 1] = '*';
    workingPath[length + 2] = 0;

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(workingPath, &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        workingPath[length] = 0;
        return error;
    }
    do {
        if (IsDotFolder(&found))
            continue;
        const int isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const unsigned nameLength = (unsigned)strlen(found.cFileName);

        // Exact room for the folder form: path, backslash, name, backslash, NUL.
        char* entry = CheckAllocation(static_cast<char*>(AllocZeroed(length + nameLength + 3)), 1);
        memcpy(entry, workingPath, length);
        entry[length] = '\\';
        memcpy(entry + length + 1, found.cFileName, nameLength);
        if (isFolder)
            entry[length + 1 + nameLength] = '\\';
        CharLowerA(entry);
        AddEntry(entry);

        // The working path keeps the names' own case: it is what the file
        // system is asked for.
        if (isFolder && length + 1 + nameLength + 3 <= scanPathSize) {
            workingPath[length] = '\\';
            memcpy(workingPath + length + 1, found.cFileName, nameLength + 1);
            ScanFolder(workingPath, length + 1 + nameLength);
        }
    } while (FindNextFileA(search, &found) && keepScanning);

    if (!FindClose(search))
        ReportLastError(NULL, 0, 0, NULL);
    workingPath[length] = 0;
    return 0;
}

DWORD WINAPI ScanThreadProc(LPVOID parameter)
{
    (void)parameter;
    // The walk extends its own copy of the root: the user-interface thread
    // reads scanPath (title, display texts) while the scan runs.
    char* workingPath = CheckAllocation(static_cast<char*>(AllocZeroed(scanPathSize)), 1);
    lstrcpynA(workingPath, scanPath, scanPathSize);
    DWORD error = ScanFolder(workingPath, (unsigned)strlen(workingPath));
    FreeBlock(workingPath);

    if (error == 0) {
        char format[stringTextSize] = {0};
        char text[stringTextSize + 16] = {0};  // the count adds at most 11 characters
        LoadStringA(instance ? instance : GetModuleHandleA(NULL), IDS_LOADED_FILES, format,
                    sizeof(format));
        wsprintfA(text, format, scanCount);
        SetDlgItemTextA(mainWindow, IDC_STATUS, text);
    } else if (!ShowErrorInStatus(mainWindow, error)) {
        SetDlgItemInt(mainWindow, IDC_STATUS, (UINT)scanCount, FALSE);
    }
    SendMessageA(mainWindow, WM_APP_SCAN_DONE, 0, 0);
    return 0;
}
