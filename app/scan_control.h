// Scan control: the user-interface thread's side of the scanner. Every way
// of asking for a scan sends WM_APP_SCAN_REQUEST, so one handler decides
// whether it starts a scan, and what of, or stops the running one.
#ifndef SORVANE_APP_SCAN_CONTROL_H
#define SORVANE_APP_SCAN_CONTROL_H

#include <windows.h>

// UI thread only. 1 when a drive was chosen during a scan: scan it as soon
// as the running scan has ended.
extern int rescanPending;
// UI thread only. 1 when scanPath holds a folder handed over as a path, 0
// when the root is a drive chosen in the drive list.
extern int rootIsFolder;

// kind 0: scan the folder of the path at path (a file's folder, or the
// parent of a missing path); kind 1: scan the folder root or the chosen
// drive again. While a scan runs, only stops it.
LRESULT OnScanRequest(HWND window, WPARAM kind, LPARAM path);
// The scanner's last act: refilter the new catalogue and start the pending
// rescan, if any.
LRESULT OnScanDone(HWND window);

#endif
