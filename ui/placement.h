// Where the main window comes back, and how many copies of the program run.
#ifndef SORVANE_UI_PLACEMENT_H
#define SORVANE_UI_PLACEMENT_H

#include <windows.h>

// At WM_INITDIALOG: the stored rectangle, or a cascade step when other
// copies already run.
void RestorePlacement(HWND window);

// EnumWindows callback: counts (in the LONG that counter points to) the
// top-level windows of the program's class. Always TRUE.
BOOL CALLBACK CountInstances(HWND window, LPARAM counter);

#endif
