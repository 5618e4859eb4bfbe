#include <doctest/doctest.h>

#include <windows.h>
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
    // The low word holds the control's own type (push, check box, centred)
    // and is kept as stored; of the window styles above it the dialog
    // manager may add some, never drop one.
    const DWORD style = (DWORD)GetWindowLongPtrA(control, GWL_STYLE);
    CHECK((style & 0xFFFF) == (expected.style & 0xFFFF));
    // An edit control or a list box draws a stored border as a sunken edge
    // of its own.
    const int list = lstrcmpiA(expected.className, "ListBox") == 0;
    const DWORD exStyle = (DWORD)GetWindowLongPtrA(control, GWL_EXSTYLE);
    DWORD windowStyles = expected.style & 0xFFFF0000;
    DWORD edges = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME;
    if ((expected.style & WS_BORDER) && (list || lstrcmpiA(expected.className, "Edit") == 0)) {
        CHECK(((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE)));
        windowStyles &= ~WS_BORDER;
        edges &= ~WS_EX_CLIENTEDGE;
    }
    // A list box shows its scroll bar only once its items overflow it.
    if (list && (expected.style & WS_VSCROLL)) {
        windowStyles &= ~WS_VSCROLL;
        for (int i = 0; i < 100; ++i)
            SendMessageA(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("[-x-]"));
        CHECK((GetWindowLongPtrA(control, GWL_STYLE) & WS_VSCROLL) != 0);
        SendMessageA(control, LB_RESETCONTENT, 0, 0);
    }
    CHECK((style & windowStyles) == windowStyles);
    CHECK((exStyle & edges) == (expected.exStyle & edges));
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

// The dialog window's own styles: every bit of the template's, the ones
// that change how it looks or behaves exactly.
static void CheckDialogStyles(HWND dialog, DWORD style, DWORD exStyle)
{
    const DWORD shown = (DWORD)GetWindowLongPtrA(dialog, GWL_STYLE);
    const DWORD kinds = WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                        WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    CHECK((shown & kinds) == (style & kinds));
    const DWORD extended = (DWORD)GetWindowLongPtrA(dialog, GWL_EXSTYLE);
    CHECK((extended & exStyle) == exStyle);
    CHECK((extended & WS_EX_ACCEPTFILES) == (exStyle & WS_EX_ACCEPTFILES));
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

TEST_CASE("template 101 differs from the main window's control table")
{
    // The bare template: a window of the private class without the
    // program's procedure, holding the eight controls.
    MainWindowFixture fixture(0);
    REQUIRE(fixture.window);
    char text[100] = {0};
    GetClassNameA(fixture.window, text, sizeof(text));
    CHECK(doctest::String(text) == "Sorvane");
    GetWindowTextA(fixture.window, text, sizeof(text));
    CHECK(doctest::String(text) == "Sorvane");
    CheckDialogStyles(fixture.window, WS_OVERLAPPEDWINDOW, WS_EX_ACCEPTFILES | WS_EX_NOPARENTNOTIFY);
    CHECK(!IsWindowVisible(fixture.window));  // shown by start-up, with the saved show state
    CheckDialogFont(fixture.window);
    RECT units = {0, 0, 438, 230};
    MapDialogRect(fixture.window, &units);
    RECT client = {0, 0, 0, 0};
    GetClientRect(fixture.window, &client);
    CHECK(client.right == units.right);
    CHECK(client.bottom == units.bottom);
    CheckControlOrder(fixture.window, mainControls, mainControlCount);
    for (int i = 0; i < mainControlCount; i++)
        CheckCreatedControl(fixture.window, mainControls[i]);
}

static INT_PTR CALLBACK PassiveDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TEST_CASE("template 108 differs from the help dialog's control table")
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_HELP), NULL,
                                     PassiveDialogProc, 0);
    REQUIRE(dialog);
    char text[100] = {0};
    GetWindowTextA(dialog, text, sizeof(text));
    CHECK(doctest::String(text) == "Help");
    // Of its own class, the dialog box's.
    GetClassNameA(dialog, text, sizeof(text));
    CHECK(doctest::String(text) == "#32770");
    CheckDialogStyles(dialog, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0);
    CHECK(IsWindowVisible(dialog));
    CheckDialogFont(dialog);
    RECT units = {0, 0, 308, 194};
    MapDialogRect(dialog, &units);
    RECT client = {0, 0, 0, 0};
    GetClientRect(dialog, &client);
    CHECK(client.right == units.right);
    CHECK(client.bottom == units.bottom);
    CheckControlOrder(dialog, helpControls, helpControlCount);
    for (int i = 0; i < helpControlCount; i++)
        CheckCreatedControl(dialog, helpControls[i]);
    DestroyWindow(dialog);
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
