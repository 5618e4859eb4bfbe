#include "catalogue/result_actions.h"

IContextMenu2* shellMenu2;
IContextMenu3* shellMenu3;

int GetItemPath(HWND, int, char*)
{
    return 0;
}

int GetItemTitle(HWND, int, char*)
{
    return 0;
}

int GetItemFolder(HWND, int, char*)
{
    return 0;
}

int CopyTextToClipboard(const char*, unsigned)
{
    return 0;
}

void OpenPath(char*, HWND) {}

void AddResultMenuItems(HWND, HMENU, const char*) {}

HRESULT GetShellContextMenu(IShellFolder*, LPCITEMIDLIST, void**, int*)
{
    return E_NOTIMPL;
}

int ShowResultMenu(HWND, const char*, int, int, int)
{
    return 0;
}

void OpenSelectedResult(HWND, HWND) {}
void CopySelectedTitle(HWND) {}
void CopySelectedFolder(HWND) {}
void CopySelectedPath(HWND) {}
void OpenSelectedFolder(HWND, HWND) {}
void CopyMatchList(HWND, HWND, int) {}
