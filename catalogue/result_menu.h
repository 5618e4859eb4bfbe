// The right-click pop-up of a result: the program's five items, and in the
// extended mode the shell's own context menu of the entry above them.
// User-interface thread only.
#ifndef SORVANE_CATALOGUE_RESULT_MENU_H
#define SORVANE_CATALOGUE_RESULT_MENU_H

#include <windows.h>
#include <shlobj.h>

// The menu object of the pop-up on screen, for the result list's window
// procedure to forward owner-drawn and menu-character messages; null at all
// other times. Only this module writes them. UI thread.
extern IContextMenu2* shellMenu2;
extern IContextMenu3* shellMenu3;

// Puts the program's five items above whatever menu already holds (the
// shell's items), with a separator between them when there are any.
void AddResultMenuItems(HWND resultList, HMENU menu, const char* entry);
// The context-menu object of item (one id below folder) in the highest
// version it offers: menu then points at an IContextMenu3 (version 3), an
// IContextMenu2 (2) or an IContextMenu (1); the caller releases it. Null
// and version 0 on failure.
HRESULT GetShellContextMenu(IShellFolder* folder, LPCITEMIDLIST item, IContextMenu** menu,
                            int* version);
// The right-click pop-up for entry at (x, y) in the list's client
// coordinates; extended adds the shell's items. Returns after the pop-up
// has closed and its choice was carried out. 0 when no menu was made,
// as for an item without data (entry null).
int ShowResultMenu(HWND resultList, const char* entry, int x, int y, int extended);

#endif
