#include "catalogue/search_filter.h"

#include "app/base/catalogue_lock.h"
#include "app/base/error_report.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "catalogue/display_text.h"
#include "catalogue/linked_list.h"
#include "catalogue/text_buffer.h"
#include "resources/resource.h"

// Room the list box reserves per item: a path.
static const int reservedItemBytes = 260;
// Room for the query read back from the search box.
static const int queryTextSize = 1000;

// Adds one result to the list; widest grows to the display text's width.
static void AddResult(HWND resultList, HDC measure, const char* entry, int* widest)
{
    char display[displayTextSize];
    unsigned length = MakeDisplayText(scanPath, entry, display, sizeof(display));
    SIZE extent;
    if (GetTextExtentPoint32A(measure, display, (int)length, &extent) && extent.cx > *widest)
        *widest = extent.cx;
    LRESULT item = SendMessageA(resultList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(display));
    if (item >= 0)
        SendMessageA(resultList, LB_SETITEMDATA, (WPARAM)item, reinterpret_cast<LPARAM>(entry));
}

int FilterCatalogue(int limit, int mode, int toBuffer, HWND window, HWND resultList)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(resultList, &client);
    int widest = client.right - client.left;

    char* table = CheckAllocation(static_cast<char*>(AllocZeroed(wordTableSize)), 1);
    if (!toBuffer) {
        SendMessageA(resultList, WM_SETREDRAW, FALSE, 0);
        SendMessageA(resultList, LB_RESETCONTENT, 0, 0);
        // A reservation is only a hint; keep it within what a list can hold.
        int reserve = limit > 0 && limit < 0x7FFFFFFF / reservedItemBytes ? limit : 0;
        SendMessageA(resultList, LB_INITSTORAGE, (WPARAM)reserve, reserve * reservedItemBytes);
    }
    char query[queryTextSize] = {0};
    GetDlgItemTextA(window, IDC_SEARCH_BOX, query, sizeof(query));
    SplitQuery(query, table);
    WordSet words;
    PrepareWords(&words, mode, table);

    LockCatalogue();
    HDC measure = toBuffer ? NULL : GetDC(resultList);

    int results = 0;
    int cursor = catalogue->AllocCursor();
    catalogue->WalkForward(cursor, [&](void* element) {
        const char* entry = static_cast<const char*>(element);
        if (!MatchWords(&words, entry))
            return 1;
        if (toBuffer) {
            copyListBuffer->Append(entry, (unsigned)lstrlenA(entry));
            copyListBuffer->AppendChar(13);
            copyListBuffer->AppendChar(10);
        } else {
            AddResult(resultList, measure, entry, &widest);
        }
        return ++results <= limit ? 1 : 0;
    });
    catalogue->FreeCursor(cursor);
    if (measure)
        ReleaseDC(resultList, measure);
    UnlockCatalogue();

    if (!toBuffer) {
        SendMessageA(resultList, WM_SETREDRAW, TRUE, 0);
        if (SendMessageA(resultList, LB_GETCOUNT, 0, 0) > 0)
            SendMessageA(resultList, LB_SETCURSEL, 0, 0);
        SendMessageA(resultList, LB_SETHORIZONTALEXTENT, (WPARAM)widest, 0);
    }
    FreeBlock(table);
    return results;
}
