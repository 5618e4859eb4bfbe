// Linked copies: a linked copy announces each change of its search text to
// every top-level window; other linked copies ask for the text back and
// type it into their own search box. Part of the main window; UI thread.
#ifndef SORVANE_APP_LINKED_COPIES_H
#define SORVANE_APP_LINKED_COPIES_H

#include <windows.h>

// 1 from asking another copy for its text until a text is taken in.
extern int awaitingLinkedText;

// After the search box changed and was filtered: broadcast DataReady when
// this copy is linked and not itself taking a text in.
void AnnounceSearchText(HWND window);
// DataReady from sender (lParam): ask it back. Returns 0.
LRESULT OnDataReady(HWND window, LPARAM sender);
// RequestData from requester (lParam): send it the search text.
void OnRequestData(HWND window, LPARAM requester);
// WM_COPYDATA: 1 when the text was taken.
LRESULT OnCopyData(HWND window, LPARAM record);

#endif
