#include "catalogue/result_actions.h"

#include <shellapi.h>
#include <string.h>

#include "app/base/error_report.h"
#include "app/base/owners.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "catalogue/search_filter.h"
#include "catalogue/text_buffer.h"

// ---- Item readers -------------------------------------------------------

// The item's catalogue entry, or null when the item has none.
static const char* ItemEntry(HWND resultList, int index)
{
    LRESULT data = SendMessageA(resultList, LB_GETITEMDATA, (WPARAM)index, 0);
    if (data == LB_ERR)
        return NULL;
    return reinterpret_cast<const char*>(data);
}

// Copies count bytes of text and a NUL, cut to what bufferSize holds.
static void CopyPart(const char* text, size_t count, char* buffer, unsigned bufferSize)
{
    if (!bufferSize)
        return;
    if (count > bufferSize - 1)
        count = bufferSize - 1;
    memcpy(buffer, text, count);
    buffer[count] = 0;
}

int GetItemPath(HWND resultList, int index, char* buffer, unsigned bufferSize)
{
    const char* entry = ItemEntry(resultList, index);
    if (!entry)
        return 0;
    CopyPart(entry, strlen(entry), buffer, bufferSize);
    return 1;
}

int GetItemTitle(HWND resultList, int index, char* buffer, unsigned bufferSize)
{
    const char* entry = ItemEntry(resultList, index);
    if (!entry) {
        CopyPart("", 0, buffer, bufferSize);
        return 0;
    }
    const char* lastBackslash = strrchr(entry, '\\');
    const char* title = lastBackslash ? lastBackslash + 1 : entry;
    CopyPart(title, strlen(title), buffer, bufferSize);
    return 1;
}

int GetItemFolder(HWND resultList, int index, char* buffer, unsigned bufferSize)
{
    const char* entry = ItemEntry(resultList, index);
    if (!entry) {
        CopyPart("", 0, buffer, bufferSize);
        return 0;
    }
    const char* lastBackslash = strrchr(entry, '\\');
    CopyPart(entry, lastBackslash ? (size_t)(lastBackslash - entry) + 1 : 0, buffer, bufferSize);
    return 1;
}

typedef int (*ItemReader)(HWND resultList, int index, char* buffer, unsigned bufferSize);

// The selected item's text, read whole: a path can be longer than the usual
// 260 bytes, and a cut one on the clipboard or opened would name another
// file. Null when nothing is selected, the item has no data or there is no
// memory.
static void ReadSelected(HWND resultList, ItemReader reader, OwnedText* out)
{
    LRESULT index = SendMessageA(resultList, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    const char* entry = ItemEntry(resultList, (int)index);
    if (!entry)
        return;
    unsigned size = (unsigned)strlen(entry) + 1;
    out->text = CheckAllocation(static_cast<char*>(AllocZeroed(size)), 0);
    if (out->text && !reader(resultList, (int)index, out->text, size)) {
        FreeBlock(out->text);
        out->text = NULL;
    }
}

// ---- Clipboard and opening ----------------------------------------------

// A movable block holding the text of byteCount bytes: these bytes, or with
// wideCount its wideCount UTF-16 characters. Null when it cannot be made.
static HGLOBAL TextBlock(const char* bytes, unsigned byteCount, int wideCount)
{
    const SIZE_T size = wideCount ? (SIZE_T)wideCount * sizeof(WCHAR) : byteCount;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, size);
    if (!memory)
        return NULL;
    void* locked = GlobalLock(memory);
    if (!locked) {
        GlobalFree(memory);
        return NULL;
    }
    if (wideCount)
        MultiByteToWideChar(CP_ACP, 0, bytes, (int)byteCount, static_cast<WCHAR*>(locked),
                            wideCount);
    else
        memcpy(locked, bytes, byteCount);
    SetLastError(0);
    if (GlobalUnlock(memory) || GetLastError() != 0)
        ReportLastError(NULL, 0, 0, NULL);
    return memory;
}

int CopyTextToClipboard(const char* bytes, unsigned byteCount)
{
    // The text in UTF-16, which every reader converts from correctly. The
    // clipboard turns CF_TEXT into it with the code page of its locale, not
    // with this process's: under a UTF-8 code page a CF_TEXT of ours would
    // reach other programs garbled, so there the clipboard makes CF_TEXT
    // from the UTF-16 text instead, in the reader's own code page.
    const int wideCount = MultiByteToWideChar(CP_ACP, 0, bytes, (int)byteCount, NULL, 0);
    if (wideCount <= 0)
        return 0;
    const UINT formats[2] = {CF_UNICODETEXT, CF_TEXT};
    const int count = GetACP() == CP_UTF8 ? 1 : 2;
    // The blocks are filled before the clipboard is touched: a copy that
    // cannot be made leaves what the clipboard held.
    HGLOBAL blocks[2] = {TextBlock(bytes, byteCount, wideCount), NULL};
    if (count == 2)
        blocks[1] = TextBlock(bytes, byteCount, 0);
    int copied = blocks[0] && blocks[count - 1];
    const int opened = copied && OpenClipboard(NULL);
    if (opened)
        EmptyClipboard();
    // Once set, a block is the clipboard's; until then it is ours, and a
    // refused hand-over must neither leak it nor count as copied.
    for (int i = 0; i < count; ++i) {
        if (opened && copied && SetClipboardData(formats[i], blocks[i]))
            continue;
        if (blocks[i])
            GlobalFree(blocks[i]);
        copied = 0;
    }
    if (opened)
        CloseClipboard();
    return copied;
}

void OpenPath(char* path, HWND owner)
{
    if (!path)
        return;
    INT_PTR result = (INT_PTR)ShellExecuteA(owner, NULL, path, NULL, NULL, SW_SHOW);
    if (result > 31)
        return;
    if (result == SE_ERR_NOASSOC) {
        char* lastBackslash = strrchr(path, '\\');
        if (lastBackslash && lastBackslash > path) {
            // A file at a drive's root keeps its backslash: "c:" alone names
            // the drive's current folder, not its root.
            if (lastBackslash == path + 2 && path[1] == ':')
                lastBackslash[1] = 0;
            else
                lastBackslash[0] = 0;
            ShellExecuteA(owner, NULL, path, NULL, NULL, SW_SHOW);
            return;
        }
    }
    ReportLastError(NULL, 0, 0, NULL);
}

// ---- The main window's commands -------------------------------------------

void OpenSelectedResult(HWND window, HWND resultList)
{
    OwnedText path;
    ReadSelected(resultList, GetItemPath, &path);
    if (path.text)
        OpenPath(path.text, window);
}

static void CopySelected(HWND resultList, ItemReader reader)
{
    OwnedText text;
    ReadSelected(resultList, reader, &text);
    if (text.text)
        CopyTextToClipboard(text.text, (unsigned)strlen(text.text) + 1);
}

void CopySelectedTitle(HWND resultList)
{
    CopySelected(resultList, GetItemTitle);
}

void CopySelectedFolder(HWND resultList)
{
    CopySelected(resultList, GetItemFolder);
}

void CopySelectedPath(HWND resultList)
{
    CopySelected(resultList, GetItemPath);
}

void OpenSelectedFolder(HWND window, HWND resultList)
{
    OwnedText folder;
    ReadSelected(resultList, GetItemFolder, &folder);
    if (folder.text && folder.text[0])
        OpenPath(folder.text, window);
}

void CopyMatchList(HWND window, HWND resultList, int searchMode)
{
    copyListBuffer->Clear();
    FilterCatalogue(copyListLimit, searchMode, 1, window, resultList);
    CopyTextToClipboard(copyListBuffer->Data(), copyListBuffer->Length() + 1);
    copyListBuffer->Compact();
}
