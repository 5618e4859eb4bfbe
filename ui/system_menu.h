// The program's items in the main window's system menu (the context-menu
// and link toggles, About) and that menu as a pop-up on the compact icon.
// The toggles themselves are operations of PresentationState.
#ifndef SORVANE_UI_SYSTEM_MENU_H
#define SORVANE_UI_SYSTEM_MENU_H

#include <windows.h>

// Whether the client point in a mouse message's lParam lies on the icon
// control 113 of window (visible or not).
BOOL IsOnIcon(HWND window, LPARAM point);

// The About box: product name and version, owned by owner.
void ShowAboutBox(HWND owner);

#endif
