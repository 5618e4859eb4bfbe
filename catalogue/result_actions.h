// What the user does with a result: open it or its folder, copy its path,
// name or the whole match list. The right-click pop-up is in
// catalogue/result_menu. User-interface thread only.
#ifndef SORVANE_CATALOGUE_RESULT_ACTIONS_H
#define SORVANE_CATALOGUE_RESULT_ACTIONS_H

#include <windows.h>

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

// The text of byteCount bytes (the NUL included) as CF_UNICODETEXT, and as
// CF_TEXT of these very bytes where the process's code page is not UTF-8
// (there the clipboard makes CF_TEXT in the reader's code page). 1 on
// success; 0 when the text cannot be put into blocks of its own, the
// clipboard cannot be opened or a block cannot be handed to it. Only
// handed-over blocks replace what the clipboard held.
int CopyTextToClipboard(const char* bytes, unsigned byteCount);

// Opens path with the shell's default verb; a file of a type without an
// associated program opens its folder. path is a writable copy: it is cut
// for that folder.
void OpenPath(char* path, HWND owner);

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
