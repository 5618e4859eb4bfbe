// What the user does with a result: open it or its folder, copy its path,
// name or the whole match list, or use the shell's context menu for it.
// User-interface thread only.
#ifndef SORVANE_CATALOGUE_RESULT_ACTIONS_H
#define SORVANE_CATALOGUE_RESULT_ACTIONS_H

#include <windows.h>
#include <shlobj.h>

// The menu object of the pop-up on screen, for the result list's window
// procedure to forward owner-drawn and menu-character messages; null at all
// other times. UI thread.
extern IContextMenu2* shellMenu2;
extern IContextMenu3* shellMenu3;

// Item readers: write at most 259 characters and a NUL into buffer (260
// bytes or more). 0 when the item has no data.
int GetItemPath(HWND resultList, int index, char* buffer);
int GetItemTitle(HWND resultList, int index, char* buffer);
int GetItemFolder(HWND resultList, int index, char* buffer);

// CF_TEXT of byteCount bytes (the NUL included). 1 on success.
int CopyTextToClipboard(const char* bytes, unsigned byteCount);

// Opens path with the shell's default verb; a file of a type without an
// associated program opens its folder. path is a writable copy.
void OpenPath(char* path, HWND owner);

void AddResultMenuItems(HWND resultList, HMENU menu, const char* entry);
HRESULT GetShellContextMenu(IShellFolder* folder, LPCITEMIDLIST item, void** menu, int* version);
// The right-click pop-up for entry at (x, y) in the list's client
// coordinates; extended adds the shell's items. 0 when no menu was made.
int ShowResultMenu(HWND resultList, const char* entry, int x, int y, int extended);

// The main window's result commands, on the selected item; nothing happens
// without a selection.
void OpenSelectedResult(HWND window, HWND resultList);
void CopySelectedTitle(HWND resultList);
void CopySelectedFolder(HWND resultList);
void CopySelectedPath(HWND resultList);
void OpenSelectedFolder(HWND window, HWND resultList);
// Every match of the current query, CR LF after each, to the clipboard.
void CopyMatchList(HWND window, HWND resultList, int searchMode);

#endif
