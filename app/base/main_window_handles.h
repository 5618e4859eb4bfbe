// The main window and the controls that every layer addresses. Start-up and
// the main window's WM_INITDIALOG set them; nothing else writes them.
#ifndef SORVANE_APP_BASE_MAIN_WINDOW_HANDLES_H
#define SORVANE_APP_BASE_MAIN_WINDOW_HANDLES_H

#include <windows.h>

// UI thread sets it once the dialog exists; the scanner thread reads it to
// write the status line and to send WM_APP_SCAN_DONE.
extern HWND mainWindow;
// Controls made at WM_INITDIALOG and the drive list. UI thread only.
extern HWND resultList;
extern HWND searchBox;
extern HWND driveList;

#endif
