// The main window: its procedure and the values that belong to it.
#ifndef SORVANE_APP_MAIN_WINDOW_H
#define SORVANE_APP_MAIN_WINDOW_H

#include <windows.h>

// UI thread sets it once the dialog exists; the scanner thread reads it to
// write the status line and to send WM_APP_SCAN_DONE.
extern HWND mainWindow;
// Controls made at WM_INITDIALOG and the drive list. UI thread only.
extern HWND resultList;
extern HWND searchBox;
extern HWND driveList;
// 0 Full, 1 Files, 2 Folders; saved at WM_CLOSE. UI thread only.
extern int searchMode;

// Sets a control of the main window to a text of the string table.
void SetCaptionFromString(HWND window, int controlId, int stringId);

// Class procedure of the main window and its dialog procedure as well.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
