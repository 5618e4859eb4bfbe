#include "catalogue/scanner.h"

#include <string.h>

#include "app/base/app_messages.h"
#include "app/base/catalogue_lock.h"
#include "app/base/error_report.h"
#include "app/base/main_window_handles.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
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
    LockCatalogue();
    catalogue->PushBack(entry);
    UnlockCatalogue();

    ++scanCount;
    if ((scanCount >> 8) > progressMark) {
        progressMark = scanCount >> 8;
        SetDlgItemInt(mainWindow, IDC_STATUS, (UINT)scanCount, FALSE);
    }
}

DWORD ScanFolder(WorkingPath* working, unsigned length)
{
    char* path = working->path;
    char* lower = working->lower;
    // Room for "\*" and the NUL; a deeper path fails like an unlistable folder.
    if (length + 3 > scanPathSize)
        return ERROR_FILENAME_EXCED_RANGE;
    path[length] = '\\';
    path[length + 1] = '*';
    path[length + 2] = 0;

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        path[length] = 0;
        return error;
    }
    do {
        if (IsDotFolder(&found))
            continue;
        const int isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const unsigned nameLength = (unsigned)strlen(found.cFileName);

        // Exact room for the folder form: path, backslash, name, backslash,
        // NUL. The path comes lower-cased already; only the name is
        // lower-cased here, which gives what lower-casing the whole entry
        // gives, since both parts are whole characters.
        char* entry = CheckAllocation(static_cast<char*>(AllocZeroed(length + nameLength + 3)), 1);
        memcpy(entry, lower, length);
        entry[length] = '\\';
        memcpy(entry + length + 1, found.cFileName, nameLength);
        CharLowerBuffA(entry + length + 1, nameLength);
        if (isFolder)
            entry[length + 1 + nameLength] = '\\';
        AddEntry(entry);

        // The path keeps the names' own case: it is what the file system is
        // asked for.
        if (isFolder && length + 1 + nameLength + 3 <= scanPathSize) {
            path[length] = '\\';
            memcpy(path + length + 1, found.cFileName, nameLength + 1);
            memcpy(lower + length, entry + length, nameLength + 1);
            ScanFolder(working, length + 1 + nameLength);
        }
    } while (FindNextFileA(search, &found) && keepScanning);

    if (!FindClose(search))
        ReportLastError(NULL, 0, 0, NULL);
    path[length] = 0;
    return 0;
}

DWORD WINAPI ScanThreadProc(LPVOID parameter)
{
    (void)parameter;
    // The walk extends its own copy of the root: the user-interface thread
    // reads scanPath (title, display texts) while the scan runs.
    WorkingPath working;
    working.path = CheckAllocation(static_cast<char*>(AllocZeroed(scanPathSize)), 1);
    working.lower = CheckAllocation(static_cast<char*>(AllocZeroed(scanPathSize)), 1);
    lstrcpynA(working.path, scanPath, scanPathSize);
    const unsigned rootLength = (unsigned)strlen(working.path);
    memcpy(working.lower, working.path, rootLength);
    CharLowerBuffA(working.lower, rootLength);
    DWORD error = ScanFolder(&working, rootLength);
    FreeBlock(working.lower);
    FreeBlock(working.path);

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

void FreeCatalogueEntries()
{
    void* entry;
    while (catalogue->PopBack(&entry))
        FreeBlock(entry);
}
