#include "app/linked_copies.h"

int awaitingLinkedText;

void AnnounceSearchText(HWND) {}

LRESULT OnDataReady(HWND, LPARAM)
{
    return 0;
}

void OnRequestData(HWND, LPARAM) {}

LRESULT OnCopyData(HWND, LPARAM)
{
    return 0;
}
