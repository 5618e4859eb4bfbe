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

// The usual room for an item text: a path and its NUL.
const unsigned itemTextSize = 260;

// Item readers: write at most bufferSize - 1 characters and a NUL into
// buffer. Path: the whole entry; title: the part after the last backslash;
// folder: the part up to and including it. 0 when the item has no data (the
// title and folder readers then leave an empty text, the path reader leaves
// the buffer alone). An item's text is never longer than its entry, so a
// buffer of the entry's length + 1 always holds it whole.
int GetItemPath(HWND resultList, int index, char* buffer, unsigned bufferSize = itemTextSize);
int GetItemTitle(HWND resultList, int index, char* buffer, unsigned bufferSize = itemTextSize);
int GetItemFolder(HWND resultList, int index, char* buffer, unsigned bufferSize = itemTextSize);

// CF_TEXT of byteCount bytes (the NUL included). 1 on success; 0 when the
// clipboard cannot be opened or the text cannot be handed to it.
int CopyTextToClipboard(const char* bytes, unsigned byteCount);

// Opens path with the shell's default verb; a file of a type without an
// associated program opens its folder. path is a writable copy: it is cut
// for that folder.
void OpenPath(char* path, HWND owner);

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
// has closed and its choice was carried out. 0 when no menu was made.
int ShowResultMenu(HWND resultList, const char* entry, int x, int y, int extended);

// The main window's result commands, on the selected item; nothing happens
// without a selection. window is the main window (owner of what opens).
void OpenSelectedResult(HWND window, HWND resultList);
void CopySelectedTitle(HWND resultList);
void CopySelectedFolder(HWND resultList);
void CopySelectedPath(HWND resultList);
void OpenSelectedFolder(HWND window, HWND resultList);
// Every match of the current query (searchMode, the query in window's
// search box), CR LF after each, to the clipboard.
void CopyMatchList(HWND window, HWND resultList, int searchMode);

#endif
