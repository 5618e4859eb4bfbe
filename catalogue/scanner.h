// The folder scanner: a worker thread that fills the catalogue with the
// lower-cased full path of every file and folder below scanPath, depth first,
// each folder's entry right before its contents. A folder's entry ends with a
// backslash. Scan control starts the thread and stops it by clearing
// keepScanning; the thread always ends by sending WM_APP_SCAN_DONE.
#ifndef SORVANE_CATALOGUE_SCANNER_H
#define SORVANE_CATALOGUE_SCANNER_H

#include <windows.h>

// User-interface thread writes it (1 before a scan starts, 0 to stop one);
// the scanner thread reads it after each FindNextFileA. Word-sized, no lock.
extern volatile LONG keepScanning;
// Entries added by the running or the last scan, folders included. The
// scanner thread writes it during a scan; the user-interface thread resets
// it to 0 while no scan runs.
extern int scanCount;
// scanCount / 256 at the last progress report. Same threads as scanCount.
extern int progressMark;

// The scanner thread's routine (parameter unused): walks scanPath, leaves
// "Loaded %d files." or the root's system error text in the main window's
// status line, and sends WM_APP_SCAN_DONE to mainWindow. Returns 0.
DWORD WINAPI ScanThreadProc(LPVOID parameter);

// Pops every entry of the catalogue and frees it, as whoever empties the
// catalogue must. The caller holds catalogueLock, or no scanner can be
// running, and has emptied the result list, which borrows the entries.
void FreeCatalogueEntries();

// The scanner thread's own copy of the path of the folder being listed, held
// apart from scanPath: as the file system is asked for it, and lower-cased
// for the entries that begin with it. Two buffers of scanPathSize bytes.
struct WorkingPath {
    char* path;
    char* lower;
};

// Walks the folder named by the first length bytes of the working path,
// which it extends and cuts back again. Returns 0, or the system error code
// when the folder cannot be listed.
DWORD ScanFolder(WorkingPath* working, unsigned length);

#endif
