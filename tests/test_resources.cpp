#include <doctest/doctest.h>

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "main_window_fixture.h"
#include "resources/resource.h"
#include "resources/version.h"

TEST_CASE("the string table is linked into the program's module")
{
    char text[100] = {0};
    CHECK(LoadStringA(GetModuleHandleA(NULL), IDS_LOADED_FILES, text, sizeof(text)) > 0);
    CHECK(doctest::String(text) == "Loaded %d files.");
}

// ---- Dialog templates ------------------------------------------------------

struct TemplateControl {
    int id;
    const char* className;
    const char* text;
    DWORD style;    // the whole style word, WS_CHILD and WS_VISIBLE included
    DWORD exStyle;
    int x, y, width, height;  // dialog units
};

// The words of a template as the program stores it, in the DIALOGEX form
// that both templates use: the dialog's, then each control's in template
// order.
struct StoredWords {
    int id;
    DWORD style;
    DWORD exStyle;
};

struct StoredTemplate {
    DWORD style;
    DWORD exStyle;
    int count;
    StoredWords controls[16];
};

// Walks the stored bytes; a read past the end marks the template overrun
// instead of reading it.
struct TemplateCursor {
    const BYTE* data;
    DWORD size;
    DWORD at;
    int overrun;

    WORD Word()
    {
        WORD value = 0;
        if (at + sizeof(value) <= size)
            memcpy(&value, data + at, sizeof(value));
        else
            overrun = 1;
        at += sizeof(value);
        return value;
    }
    DWORD Dword()
    {
        const WORD low = Word();
        return MAKELONG(low, Word());
    }
    void SkipString()
    {
        while (!overrun && Word() != 0) {
        }
    }
    // A menu, class or title: empty, an ordinal after 0xFFFF, or a string.
    void SkipNameOrOrdinal()
    {
        const WORD first = Word();
        if (first == 0xFFFF)
            Word();
        else if (first != 0)
            SkipString();
    }
};

static int ReadStoredTemplate(int templateId, StoredTemplate* stored)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), (LPCSTR)RT_DIALOG);
    if (!found)
        return 0;
    TemplateCursor cursor = {(const BYTE*)LockResource(LoadResource(module, found)),
                             SizeofResource(module, found), 0, 0};
    if (!cursor.data)
        return 0;
    const WORD version = cursor.Word();
    if (version != 1 || cursor.Word() != 0xFFFF)
        return 0;
    cursor.Dword();  // help id
    stored->exStyle = cursor.Dword();
    stored->style = cursor.Dword();
    stored->count = cursor.Word();
    if (stored->count > (int)(sizeof(stored->controls) / sizeof(stored->controls[0])))
        return 0;
    cursor.at += 4 * sizeof(WORD);  // place and size
    cursor.SkipNameOrOrdinal();     // menu
    cursor.SkipNameOrOrdinal();     // class
    cursor.SkipString();            // caption
    if (stored->style & DS_SETFONT) {
        cursor.Word();  // point size
        cursor.Word();  // weight
        cursor.Word();  // italic and character set
        cursor.SkipString();
    }
    for (int i = 0; i < stored->count; i++) {
        cursor.at = (cursor.at + 3) & ~3u;  // each control starts on a DWORD
        cursor.Dword();                     // help id
        stored->controls[i].exStyle = cursor.Dword();
        stored->controls[i].style = cursor.Dword();
        cursor.at += 4 * sizeof(WORD);
        stored->controls[i].id = (int)cursor.Dword();
        cursor.SkipNameOrOrdinal();  // class
        cursor.SkipNameOrOrdinal();  // title
        cursor.at += cursor.Word();  // creation data
    }
    return !cursor.overrun && cursor.at <= cursor.size;
}

// Style words in hexadecimal, so that a failure shows which bit differs.
static doctest::String Hex(DWORD word)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%08lX", (unsigned long)word);
    return text;
}

// The words the template stores are exactly the ones the dialog and each
// control are meant to be made with: a stray bit fails as a missing one does.
static void CheckStoredWords(const StoredTemplate& stored, DWORD style, DWORD exStyle,
                             const TemplateControl* expected, int count)
{
    CHECK(Hex(stored.style) == Hex(style));
    CHECK(Hex(stored.exStyle) == Hex(exStyle));
    REQUIRE(stored.count == count);
    for (int i = 0; i < count; i++) {
        CAPTURE(expected[i].id);
        CHECK(stored.controls[i].id == expected[i].id);
        CHECK(Hex(stored.controls[i].style) == Hex(expected[i].style));
        CHECK(Hex(stored.controls[i].exStyle) == Hex(expected[i].exStyle));
    }
}

// A window made from a template word shows that word, but for the bits
// that the system sets or clears on its own (ignored): every other bit
// must be the template's.
static void CheckShownWords(HWND window, DWORD style, DWORD exStyle, DWORD systemStyle,
                            DWORD systemExStyle)
{
    const DWORD shown = (DWORD)GetWindowLongPtrA(window, GWL_STYLE);
    const DWORD shownEx = (DWORD)GetWindowLongPtrA(window, GWL_EXSTYLE);
    CHECK(Hex(shown & ~systemStyle) == Hex(style & ~systemStyle));
    CHECK(Hex(shownEx & ~systemExStyle) == Hex(exStyle & ~systemExStyle));
}

// The dialog window itself. Window creation makes a top-level window clip
// its siblings and gives one with a caption or sizing frame the raised outer
// edge; the dialog manager marks every dialog with the three-dimensional
// look it draws them all with, and a top-level one as a control parent, so
// that keyboard navigation reaches its controls.
static void CheckDialogWords(HWND dialog, const StoredTemplate& stored)
{
    CheckShownWords(dialog, stored.style, stored.exStyle, WS_CLIPSIBLINGS | DS_3DLOOK,
                    WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT);
}

// Each control the dialog manager made, against its stored words. The
// dialog manager makes every control with WS_EX_NOPARENTNOTIFY.
static void CheckControlWords(HWND dialog, const StoredWords& stored, const char* className)
{
    CAPTURE(stored.id);
    HWND control = GetDlgItem(dialog, stored.id);
    REQUIRE(control);
    DWORD systemStyle = 0;
    DWORD systemExStyle = WS_EX_NOPARENTNOTIFY;
    const int list = lstrcmpiA(className, "ListBox") == 0;
    // An edit control or a list box may draw a stored border as a sunken
    // edge of its own instead.
    if ((stored.style & WS_BORDER) && (list || lstrcmpiA(className, "Edit") == 0)) {
        const DWORD style = (DWORD)GetWindowLongPtrA(control, GWL_STYLE);
        const DWORD exStyle = (DWORD)GetWindowLongPtrA(control, GWL_EXSTYLE);
        CHECK(((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE)));
        systemStyle |= WS_BORDER;
        if (!(stored.exStyle & WS_EX_CLIENTEDGE))
            systemExStyle |= WS_EX_CLIENTEDGE;
    }
    // A list box shows its scroll bar only once its items overflow it.
    if (list && (stored.style & WS_VSCROLL)) {
        systemStyle |= WS_VSCROLL;
        for (int i = 0; i < 100; ++i)
            SendMessageA(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("[-x-]"));
        CHECK((GetWindowLongPtrA(control, GWL_STYLE) & WS_VSCROLL) != 0);
        SendMessageA(control, LB_RESETCONTENT, 0, 0);
    }
    CheckShownWords(control, stored.style, stored.exStyle, systemStyle, systemExStyle);
}

// A control the dialog manager made from the template: its class, caption,
// and place in pixels, each dialog-unit value converted on the dialog's font.
static void CheckCreatedControl(HWND dialog, const TemplateControl& expected)
{
    CAPTURE(expected.id);
    HWND control = GetDlgItem(dialog, expected.id);
    REQUIRE(control);
    char className[64] = {0};
    GetClassNameA(control, className, sizeof(className));
    CHECK(lstrcmpiA(className, expected.className) == 0);
    if (lstrcmpiA(expected.className, "ListBox") != 0) {
        char text[100] = {0};
        GetWindowTextA(control, text, sizeof(text));
        CHECK(doctest::String(text) == expected.text);
    }
    RECT pixels = {expected.x, expected.y, expected.width, expected.height};
    MapDialogRect(dialog, &pixels);
    RECT place = {0, 0, 0, 0};
    GetWindowRect(control, &place);
    MapWindowPoints(NULL, dialog, (POINT*)&place, 2);
    CHECK(place.left == pixels.left);
    CHECK(place.top == pixels.top);
    CHECK(place.right - place.left == pixels.right);
    CHECK(place.bottom - place.top == pixels.bottom);
}

// The controls in the order the dialog manager made them, which is the
// template's order.
static void CheckControlOrder(HWND dialog, const TemplateControl* expected, int count)
{
    int at = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        REQUIRE(at < count);
        CHECK(GetDlgCtrlID(child) == expected[at].id);
        ++at;
    }
    CHECK(at == count);
}

// The template's font as the dialog manager gave it to the controls: MS Sans
// Serif at 8 points.
static void CheckDialogFont(HWND dialog)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetWindow(dialog, GW_CHILD), WM_GETFONT, 0, 0));
    REQUIRE(font);
    LOGFONTA description;
    ZeroMemory(&description, sizeof(description));
    REQUIRE(GetObjectA(font, sizeof(description), &description));
    CHECK(doctest::String(description.lfFaceName) == "MS Sans Serif");
    HDC screen = GetDC(NULL);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    CHECK(description.lfHeight == -MulDiv(8, pixelsPerInch, 72));
}

// The client area is the template's size in dialog units on its font.
static void CheckDialogSize(HWND dialog, int width, int height)
{
    RECT units = {0, 0, width, height};
    MapDialogRect(dialog, &units);
    RECT client = {0, 0, 0, 0};
    GetClientRect(dialog, &client);
    CHECK(client.right == units.right);
    CHECK(client.bottom == units.bottom);
}

static const DWORD pushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

// Template order; the status line is the one control with an extended style.
static const TemplateControl mainControls[] = {
    {IDC_REFRESH, "Button", "Refre&sh", pushButton, 0, 397, 142, 36, 15},
    {IDC_EXIT, "Button", "E&xit", pushButton, 0, 395, 210, 35, 15},
    {IDC_STATUS, "Static", "Please select a drive.", 0x50000201, WS_EX_STATICEDGE, 190, 5, 191, 15},
    {IDC_HELP_BUTTON, "Button", "&Help", pushButton, 0, 395, 190, 35, 15},
    {IDC_DRIVE_LIST, "ListBox", "", 0x50A10103, 0, 395, 25, 35, 109},
    {IDC_ON_TOP, "Button", "On &Top", 0x50010303, 0, 396, 165, 40, 10},
    {IDC_SEARCH_MODE, "Button", "&Full", 0x50010306, 0, 396, 177, 39, 10},
    {IDC_INTERFACE_DETAIL, "Button", "Exp&anded", 0x50010303, 0, 394, 6, 36, 12},
};

// The text is no tab stop: only the buttons take the focus by key.
static const TemplateControl helpControls[] = {
    {IDC_HELP_CLOSE, "Button", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
     259, 175, 37, 15},
    {IDC_HELP_WEB, "Button", "quellwright.example", pushButton, 0, 11, 175, 69, 15},
    {IDC_HELP_VERB, "Button", "Install Shell Extension", pushButton, 0, 85, 175, 84, 15},
    {IDC_HELP_UNINSTALL, "Button", "Uninstall", pushButton, 0, 174, 175, 38, 15},
    {IDC_HELP_TEXT, "Edit", "",
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
         ES_WANTRETURN,
     0, 6, 5, 295, 165},
    {IDC_HELP_FONT, "Button", "Font", pushButton, 0, 217, 175, 37, 15},
};

const int mainControlCount = sizeof(mainControls) / sizeof(mainControls[0]);
const int helpControlCount = sizeof(helpControls) / sizeof(helpControls[0]);

// Not visible: start-up shows it, with the saved show state.
static const DWORD mainStyle = WS_OVERLAPPEDWINDOW | DS_SETFONT;  // 0x00CF0040
static const DWORD mainExStyle = WS_EX_ACCEPTFILES | WS_EX_NOPARENTNOTIFY;  // 0x14
static const DWORD helpStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT;
static const DWORD helpExStyle = 0;

TEST_CASE("template 101 differs from the main window's control table")
{
    StoredTemplate stored;
    ZeroMemory(&stored, sizeof(stored));
    REQUIRE(ReadStoredTemplate(IDD_MAIN, &stored));

    SUBCASE("the template stores exactly the window's and each control's style words")
    {
        CheckStoredWords(stored, mainStyle, mainExStyle, mainControls, mainControlCount);
    }
    // The bare template: a window of the private class without the
    // program's procedure, holding the eight controls.
    MainWindowFixture fixture(0);
    REQUIRE(fixture.window);

    SUBCASE("the window and its controls are made with the stored words")
    {
        CheckDialogWords(fixture.window, stored);
        CHECK(!IsWindowVisible(fixture.window));
        REQUIRE(stored.count == mainControlCount);
        for (int i = 0; i < mainControlCount; i++)
            CheckControlWords(fixture.window, stored.controls[i], mainControls[i].className);
    }
    SUBCASE("class, caption, font, size and each control's class, caption and place")
    {
        char text[100] = {0};
        GetClassNameA(fixture.window, text, sizeof(text));
        CHECK(doctest::String(text) == "Sorvane");
        GetWindowTextA(fixture.window, text, sizeof(text));
        CHECK(doctest::String(text) == "Sorvane");
        CheckDialogFont(fixture.window);
        CheckDialogSize(fixture.window, 438, 230);
        CheckControlOrder(fixture.window, mainControls, mainControlCount);
        for (int i = 0; i < mainControlCount; i++)
            CheckCreatedControl(fixture.window, mainControls[i]);
    }
}

static INT_PTR CALLBACK PassiveDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Template 108 made by the dialog manager with a procedure that does
// nothing, destroyed however the test ends.
struct PassiveHelpDialog {
    HWND window;
    PassiveHelpDialog()
        : window(CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_HELP), NULL,
                                    PassiveDialogProc, 0))
    {
    }
    ~PassiveHelpDialog()
    {
        if (window)
            DestroyWindow(window);
    }
};

TEST_CASE("template 108 differs from the help dialog's control table")
{
    StoredTemplate stored;
    ZeroMemory(&stored, sizeof(stored));
    REQUIRE(ReadStoredTemplate(IDD_HELP, &stored));

    SUBCASE("the template stores exactly the dialog's and each control's style words")
    {
        CheckStoredWords(stored, helpStyle, helpExStyle, helpControls, helpControlCount);
    }
    PassiveHelpDialog dialog;
    REQUIRE(dialog.window);

    SUBCASE("the dialog and its controls are made with the stored words")
    {
        CheckDialogWords(dialog.window, stored);
        CHECK(IsWindowVisible(dialog.window));
        REQUIRE(stored.count == helpControlCount);
        for (int i = 0; i < helpControlCount; i++)
            CheckControlWords(dialog.window, stored.controls[i], helpControls[i].className);
    }
    SUBCASE("caption, class, font, size and each control's class, caption and place")
    {
        char text[100] = {0};
        GetWindowTextA(dialog.window, text, sizeof(text));
        CHECK(doctest::String(text) == "Help");
        // Of its own class, the dialog box's.
        GetClassNameA(dialog.window, text, sizeof(text));
        CHECK(doctest::String(text) == "#32770");
        CheckDialogFont(dialog.window);
        CheckDialogSize(dialog.window, 308, 194);
        CheckControlOrder(dialog.window, helpControls, helpControlCount);
        for (int i = 0; i < helpControlCount; i++)
            CheckCreatedControl(dialog.window, helpControls[i]);
    }
}

// ---- Accelerators --------------------------------------------------------

TEST_CASE("accelerator table 106 binds a key to the wrong command")
{
    struct Binding {
        BYTE modifiers;
        WORD key;
        WORD command;
    };
    const Binding expected[] = {
        {0, VK_TAB, IDM_FOCUS_NEXT},
        {FSHIFT, VK_TAB, IDM_FOCUS_PREVIOUS},
        {0, VK_ESCAPE, IDM_ESCAPE},
        {FCONTROL, 'H', IDC_HELP_BUTTON},
        {0, VK_RETURN, IDM_OPEN_SELECTED},
        {FCONTROL, 'S', IDC_REFRESH},
        {0, VK_F5, IDC_REFRESH},
        {0, VK_DOWN, IDM_SELECT_NEXT},
        {0, VK_UP, IDM_SELECT_PREVIOUS},
        {FCONTROL, 'M', IDM_CONTEXT_MENU_MODE},
        {FCONTROL, 'F', IDM_CYCLE_SEARCH_MODE},
        {FCONTROL, 'A', IDM_TOGGLE_DETAIL},
        {FCONTROL, 'L', IDM_LINK_MODE},
        {FCONTROL, 'T', IDM_TOGGLE_ON_TOP},
    };
    const int count = sizeof(expected) / sizeof(expected[0]);
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    REQUIRE(table);

    SUBCASE("fourteen entries, in order, each a virtual key without menu flashing")
    {
        REQUIRE(CopyAcceleratorTableA(table, NULL, 0) == count);
        ACCEL entries[count];
        REQUIRE(CopyAcceleratorTableA(table, entries, count) == count);
        for (int i = 0; i < count; i++) {
            CAPTURE(i);
            CHECK((entries[i].fVirt & 0x7F) == (FVIRTKEY | FNOINVERT | expected[i].modifiers));
            CHECK(entries[i].key == expected[i].key);
            CHECK(entries[i].cmd == expected[i].command);
        }
    }
    SUBCASE("the stored table marks its last entry, and only that one, as the end")
    {
        // The resource form: flags, key, command, padding, one WORD each.
        struct StoredAccelerator {
            WORD flags;
            WORD key;
            WORD command;
            WORD padding;
        };
        HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_ACCELERATORS), (LPCSTR)RT_ACCELERATOR);
        REQUIRE(found);
        REQUIRE(SizeofResource(NULL, found) == count * sizeof(StoredAccelerator));
        const StoredAccelerator* stored =
            (const StoredAccelerator*)LockResource(LoadResource(NULL, found));
        REQUIRE(stored);
        for (int i = 0; i < count; i++)
            CHECK(((stored[i].flags & 0x80) != 0) == (i == count - 1));
    }
    DestroyAcceleratorTable(table);
}

// ---- Pictures and version --------------------------------------------------

#pragma pack(push, 2)
struct GroupEntry {  // one image of an icon group, as stored
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

static SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP description;
    ZeroMemory(&description, sizeof(description));
    GetObjectA(bitmap, sizeof(description), &description);
    SIZE size = {description.bmWidth, description.bmHeight};
    return size;
}

TEST_CASE("a picture is missing, the wrong size or has its hot spot elsewhere")
{
    HINSTANCE module = GetModuleHandleA(NULL);

    SUBCASE("icon 104 holds a 32 and a 16 pixel image of 16 colours")
    {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDI_MAIN), (LPCSTR)RT_GROUP_ICON);
        REQUIRE(found);
        const GroupHeader* group = (const GroupHeader*)LockResource(LoadResource(module, found));
        REQUIRE(group);
        REQUIRE(group->count == 2);
        const GroupEntry* entries = (const GroupEntry*)(group + 1);
        int sizes = 0;
        for (int i = 0; i < group->count; i++) {
            CHECK(entries[i].width == entries[i].height);
            CHECK(entries[i].colourCount == 16);
            CHECK(entries[i].bitCount == 4);
            sizes |= entries[i].width;
        }
        CHECK(sizes == (32 | 16));
        const int iconSizes[] = {32, 16};
        for (int size : iconSizes) {
            CAPTURE(size);
            HICON icon = (HICON)LoadImageA(module, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, size,
                                           size, 0);
            REQUIRE(icon);
            ICONINFO info;
            ZeroMemory(&info, sizeof(info));
            REQUIRE(GetIconInfo(icon, &info));
            CHECK(info.fIcon == TRUE);
            CHECK(BitmapSize(info.hbmColor).cx == size);
            CHECK(BitmapSize(info.hbmColor).cy == size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
    SUBCASE("bitmap 113 is 18 by 18 in 16 colours")
    {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDB_ICON), (LPCSTR)RT_BITMAP);
        REQUIRE(found);
        const BITMAPINFOHEADER* header =
            (const BITMAPINFOHEADER*)LockResource(LoadResource(module, found));
        REQUIRE(header);
        CHECK(header->biBitCount == 4);
        HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_ICON));
        REQUIRE(bitmap);
        CHECK(BitmapSize(bitmap).cx == 18);
        CHECK(BitmapSize(bitmap).cy == 18);
        DeleteObject(bitmap);
    }
    SUBCASE("cursor 115 is 32 by 32 with its hot spot at 16, 14")
    {
        HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_DRAG_CURSOR));
        REQUIRE(cursor);
        ICONINFO info;
        ZeroMemory(&info, sizeof(info));
        REQUIRE(GetIconInfo(cursor, &info));
        CHECK(info.fIcon == FALSE);
        CHECK(info.xHotspot == 16);
        CHECK(info.yHotspot == 14);
        // A black-and-white cursor keeps its picture and mask in one bitmap
        // of twice the height.
        SIZE mask = BitmapSize(info.hbmMask);
        CHECK(mask.cx == 32);
        CHECK(mask.cy == (info.hbmColor ? 32 : 64));
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_CASE("the version resource disagrees with the version header")
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(VS_VERSION_INFO), (LPCSTR)RT_VERSION);
    REQUIRE(found);
    const BYTE* data = (const BYTE*)LockResource(LoadResource(NULL, found));
    const DWORD size = SizeofResource(NULL, found);
    REQUIRE(data);
    const VS_FIXEDFILEINFO* fixed = NULL;
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        const VS_FIXEDFILEINFO* candidate = (const VS_FIXEDFILEINFO*)(data + offset);
        if (candidate->dwSignature == VS_FFI_SIGNATURE) {
            fixed = candidate;
            break;
        }
    }
    REQUIRE(fixed);
    CHECK(fixed->dwFileVersionMS == (DWORD)MAKELONG(SORVANE_VERSION_MINOR, SORVANE_VERSION_MAJOR));
    CHECK(fixed->dwFileVersionLS == (DWORD)MAKELONG(SORVANE_VERSION_BUILD, SORVANE_VERSION_PATCH));
    CHECK(fixed->dwProductVersionMS == fixed->dwFileVersionMS);
    CHECK(fixed->dwFileType == VFT_APP);
}
