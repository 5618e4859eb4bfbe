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

// The widest display text of a pass, measured in the result list's own font
// (a DC from GetDC holds the system font, not the one the items are drawn
// in) and in UTF-16: GDI's A functions read bytes in the system's code page,
// which need not be the process's (UTF-8 under the manifest). Measuring
// costs microseconds a text; a text of ASCII alone (the same characters in
// every code page) is as wide as the sum of its characters' widths, read
// once a pass, and is measured only when that sum comes near the widest so
// far. The measure alone decides the width.
class WidestText {
public:
    // list null: nothing is measured (a pass that fills no list).
    WidestText(HWND list, int atLeast)
        : window(list), dc(list ? GetDC(list) : NULL), previousFont(NULL), widest(atLeast),
          summing(0), margin(0)
    {
        HGDIOBJ font = dc ? reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)) : NULL;
        if (font)
            previousFont = SelectObject(dc, font);
    }
    ~WidestText()
    {
        if (previousFont)
            SelectObject(dc, previousFont);
        if (dc)
            ReleaseDC(window, dc);
    }
    WidestText(const WidestText&) = delete;
    WidestText& operator=(const WidestText&) = delete;
    int Widest() const { return widest; }
    // widest grows to the text's width.
    void Add(const char* text, unsigned length)
    {
        if (!summing)
            ReadCharacterWidths();
        if (summing > 0) {
            int sum = 0;
            unsigned i = 0;
            for (; i < length && static_cast<unsigned char>(text[i]) < asciiCount; ++i)
                sum += widths[static_cast<unsigned char>(text[i])];
            // The sum is the width but for an overhang or a rounding: with
            // room for those, and an eighth of a pixel a character, a sum
            // that stays within the widest is no wider.
            if (i == length && sum + margin + (int)(length / 8) <= widest)
                return;
        }
        WCHAR wide[displayTextSize];
        const int count = MultiByteToWideChar(CP_ACP, 0, text, (int)length, wide, displayTextSize);
        SIZE extent;
        if (count > 0 && GetTextExtentPoint32W(dc, wide, count, &extent) && extent.cx > widest)
            widest = extent.cx;
    }

private:
    static const unsigned asciiCount = 128;
    HWND window;
    HDC dc;
    HGDIOBJ previousFont;
    int widest;
    int summing;  // 0 not yet read, 1 sums of widths usable, -1 every text measured
    int margin;
    INT widths[asciiCount];

    void ReadCharacterWidths()
    {
        summing = -1;
        if (!GetCharWidth32W(dc, 0, asciiCount - 1, widths))
            return;
        // Two of the widest character.
        for (unsigned i = 0; i < asciiCount; ++i)
            margin = widths[i] > margin ? widths[i] : margin;
        margin *= 2;
        summing = 1;
    }
};

// Adds one result to the list, its display text counted in widths. Cold:
// a pass makes at most 101 calls among a million entries, so it is made
// small and kept out of the walk's way.
__attribute__((cold)) static void AddResult(HWND resultList, WidestText* widths, const char* entry)
{
    char display[displayTextSize];
    unsigned length = MakeDisplayText(scanPath, entry, display, sizeof(display));
    widths->Add(display, length);
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

    int results = 0;
    LockCatalogue();
    {
        WidestText widths(toBuffer ? NULL : resultList, widest);
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
                AddResult(resultList, &widths, entry);
            }
            return ++results <= limit ? 1 : 0;
        });
        catalogue->FreeCursor(cursor);
        widest = widths.Widest();
    }
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
