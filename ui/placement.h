// Where the main window comes back, and how many copies of the program run.
#ifndef SORVANE_UI_PLACEMENT_H
#define SORVANE_UI_PLACEMENT_H

#include <windows.h>

// The diagonal step that keeps copies from covering each other: where a
// copy goes when count windows of the program exist (itself included) on a
// screen screenHeight pixels high. The steps repeat every screenHeight / 120
// copies; a screen lower than 120 pixels has room for one step only, so every
// copy goes to the corner there.
POINT CascadePosition(int count, int screenHeight);

// At WM_INITDIALOG: the stored rectangle, or a cascade step when other
// copies already run.
void RestorePlacement(HWND window);

// EnumWindows callback: counts (in the LONG that counter points to) the
// top-level windows of the program's class. Always TRUE.
BOOL CALLBACK CountInstances(HWND window, LPARAM counter);

#endif
