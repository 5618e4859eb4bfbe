// The main window: its handle and the values that belong to it.
#ifndef SORVANE_APP_MAIN_WINDOW_H
#define SORVANE_APP_MAIN_WINDOW_H

#include <windows.h>

// UI thread sets it once the dialog exists; the scanner thread reads it to
// write the status line and to send WM_APP_SCAN_DONE.
extern HWND mainWindow;

#endif
