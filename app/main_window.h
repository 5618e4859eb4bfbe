// The main window: its procedure and the values that belong to it. Its
// handles are in app/base/main_window_handles.h, for every layer to address.
#ifndef SORVANE_APP_MAIN_WINDOW_H
#define SORVANE_APP_MAIN_WINDOW_H

#include <windows.h>

#include "app/base/main_window_handles.h"

// 0 Full, 1 Files, 2 Folders; saved at WM_CLOSE. UI thread only.
extern int searchMode;

// Class procedure of the main window and its dialog procedure as well.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
