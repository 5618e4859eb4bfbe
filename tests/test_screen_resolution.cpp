// The main window at the screen resolutions of today's machines: the layout
// follows the interface font's metrics there, so at 96, 120, 144 and 192 DPI
// nothing overlaps, everything lies inside the window, every caption fits
// and the smallest window still shows a whole result row. The resolution is
// set in the prefix's registry, which a process reads when it starts: each
// resolution is looked at by a child run of this program.
#include <doctest/doctest.h>

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "harness/child_process.h"
#include "harness/program_driver.h"
#include "integration/settings.h"
#include "main_window_fixture.h"
#include "resources/resource.h"
#include "ui/layout.h"
#include "ui/presentation_state.h"

namespace {

const char desktopKey[] = "Control Panel\\Desktop";

// The resolution the next process starts with, put back as it was at the
// end, on every path.
struct ScreenResolution {
    DWORD previous;
    int had;
    explicit ScreenResolution(DWORD dpi) : previous(0), had(0)
    {
        HKEY key = NULL;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, desktopKey, 0, NULL, 0, KEY_READ | KEY_WRITE, NULL,
                            &key, NULL) != ERROR_SUCCESS)
            return;
        DWORD size = sizeof(previous);
        had = RegQueryValueExA(key, "LogPixels", NULL, NULL, reinterpret_cast<BYTE*>(&previous),
                               &size) == ERROR_SUCCESS;
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof(dpi));
        RegCloseKey(key);
    }
    ~ScreenResolution()
    {
        HKEY key = NULL;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, desktopKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
            return;
        if (had)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous),
                           sizeof(previous));
        else
            RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
};

// What a child found wrong, one bit a kind.
enum LayoutFault {
    WrongResolution = 1,
    Overlap = 2,
    OutsideClient = 4,
    CaptionCut = 8,
    NoWholeRow = 16,
    IconSize = 32,
};

// The child's findings go to a report file that the parent shows.
FILE* report;

void Report(const char* format, ...)
{
    if (!report)
        return;
    va_list arguments;
    va_start(arguments, format);
    vfprintf(report, format, arguments);
    va_end(arguments);
}

RECT PlaceInClient(HWND window, HWND control)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(NULL, window, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The width a control's caption needs in its own font, the mnemonic
// ampersand not drawn.
int CaptionNeeds(HWND control)
{
    wchar_t text[200] = {0};
    GetWindowTextW(control, text, 200);
    std::wstring shown;
    for (const wchar_t* c = text; *c; ++c)
        if (*c != L'&' || c[1] == L'&')
            shown += *c;
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, shown.c_str(), (int)shown.size(), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size.cx;
}

// The faults of the main window's layout as it stands.
int LayoutFaults(HWND window, int mode)
{
    static const int ids[] = {IDC_SEARCH_BOX, IDC_STATUS,    IDC_INTERFACE_DETAIL,
                              IDC_RESULT_LIST, IDC_REFRESH,  IDC_DRIVE_LIST,
                              IDC_ON_TOP,      IDC_SEARCH_MODE, IDC_HELP_BUTTON,
                              IDC_EXIT,        IDC_ICON_IMAGE};
    static const int checkBoxes[] = {IDC_INTERFACE_DETAIL, IDC_ON_TOP, IDC_SEARCH_MODE};
    static const int buttons[] = {IDC_REFRESH, IDC_HELP_BUTTON, IDC_EXIT};
    int faults = 0;
    RECT client;
    GetClientRect(window, &client);
    std::vector<int> shown;
    for (int id : ids)
        if (GetWindowLongPtrA(GetDlgItem(window, id), GWL_STYLE) & WS_VISIBLE)
            shown.push_back(id);
    for (size_t i = 0; i < shown.size(); ++i) {
        const RECT a = PlaceInClient(window, GetDlgItem(window, shown[i]));
        if (a.left < 0 || a.top < 0 || a.right > client.right || a.bottom > client.bottom) {
            faults |= OutsideClient;
            Report("mode %d: control %d reaches (%d, %d) past the client area\n", mode, shown[i],
                   (int)a.right, (int)a.bottom);
        }
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const RECT b = PlaceInClient(window, GetDlgItem(window, shown[j]));
            RECT both;
            if (IntersectRect(&both, &a, &b)) {
                faults |= Overlap;
                Report("mode %d: controls %d and %d overlap at y %d\n", mode, shown[i], shown[j],
                       (int)both.top);
            }
        }
    }
    // A check box draws its box, a gap, then the caption; a button keeps
    // its edges clear.
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
    for (int id : checkBoxes) {
        HWND control = GetDlgItem(window, id);
        if (!(GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT place = PlaceInClient(window, control);
        if (CaptionNeeds(control) + box > place.right - place.left) {
            faults |= CaptionCut;
            Report("mode %d: check box %d needs %d, has %d\n", mode, id,
                   CaptionNeeds(control) + box, (int)(place.right - place.left));
        }
    }
    for (int id : buttons) {
        HWND control = GetDlgItem(window, id);
        if (!(GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT place = PlaceInClient(window, control);
        const int needs = CaptionNeeds(control) + 4 * GetSystemMetrics(SM_CXEDGE);
        if (needs > place.right - place.left) {
            faults |= CaptionCut;
            Report("mode %d: button %d needs %d, has %d\n", mode, id, needs,
                   (int)(place.right - place.left));
        }
    }
    return faults;
}

// The main window at this process's resolution, in both modes, at the
// minimum size and at a roomy one.
int MainWindowFaults()
{
    char expected[16] = {0};
    GetEnvironmentVariableA("SORVANE_EXPECTED_DPI", expected, sizeof(expected));
    char reportPath[MAX_PATH] = {0};
    GetEnvironmentVariableA("SORVANE_LAYOUT_REPORT", reportPath, sizeof(reportPath));
    report = fopen(reportPath, "w");
    int faults = 0;
    {
        MainWindowFixture fixture;
        HDC screen = GetDC(NULL);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(NULL, screen);
        if (!fixture.window || dpi != atoi(expected)) {
            Report("the screen has %d DPI\n", dpi);
            faults |= WrongResolution;
        }
        const HWND window = fixture.window;
        const HWND list = fixture.resultList;
        for (int mode = 0; mode < 2 && fixture.window; ++mode) {
            presentationState->SetInterfaceDetail(mode);
            // The smallest window the mode allows: a fit from far below it.
            MoveWindow(window, 0, 0, 10, 10, TRUE);
            presentationState->LayoutMainWindow(0, 0);
            faults |= LayoutFaults(window, mode);
            RECT rows;
            GetClientRect(list, &rows);
            const int rowHeight = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
            if (rows.bottom < rowHeight) {
                faults |= NoWholeRow;
                RECT outer;
                GetWindowRect(list, &outer);
                RECT whole;
                GetClientRect(window, &whole);
                Report("mode %d: the smallest list is %d high inside (%d outside, client %d), a row %d\n",
                       mode, (int)rows.bottom, (int)(outer.bottom - outer.top), (int)whole.bottom,
                       rowHeight);
            }
            MoveWindow(window, 0, 0, MulDiv(700, dpi, 96), MulDiv(500, dpi, 96), TRUE);
            faults |= LayoutFaults(window, mode);
        }
        // The compact icon and the program's icon grow with the text.
        BITMAP bitmap = {};
        HBITMAP shownBitmap = reinterpret_cast<HBITMAP>(
            SendDlgItemMessageA(window, IDC_ICON_IMAGE, STM_GETIMAGE, IMAGE_BITMAP, 0));
        GetObjectA(shownBitmap, sizeof(bitmap), &bitmap);
        if (bitmap.bmWidth != MulDiv(compactIconSide, dpi, 96) || bitmap.bmWidth != bitmap.bmHeight) {
            faults |= IconSize;
            Report("bitmap 113 is %d by %d at %d DPI\n", (int)bitmap.bmWidth, (int)bitmap.bmHeight,
                   dpi);
        }
        ICONINFO info = {};
        HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
        if (!icon)
            icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_MAIN));
        BITMAP mask = {};
        if (GetIconInfo(icon, &info)) {
            GetObjectA(info.hbmMask, sizeof(mask), &mask);
            DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
        if (mask.bmWidth != GetSystemMetrics(SM_CXICON)) {
            faults |= IconSize;
            Report("icon 104 is %d wide, the system's icons %d\n", (int)mask.bmWidth,
                   GetSystemMetrics(SM_CXICON));
        }
    }
    if (report)
        fclose(report);
    return faults;
}

CHILD_SCENARIO("main-window-at-this-resolution")
{
    return MainWindowFaults();
}

std::string ReadReport(const std::string& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "r");
    if (!file)
        return text;
    char line[512];
    while (fgets(line, sizeof(line), file))
        text += line;
    fclose(file);
    return text;
}

}  // namespace

TEST_CASE("at 96, 120, 144 and 192 DPI the main window's layout holds")
{
    char temp[MAX_PATH] = {0};
    GetTempPathA(sizeof(temp), temp);
    const std::string reportPath =
        std::string(temp) + "sorvane-layout-" + std::to_string(GetCurrentProcessId()) + ".txt";
    SetEnvironmentVariableA("SORVANE_LAYOUT_REPORT", reportPath.c_str());
    for (DWORD dpi : {96ul, 120ul, 144ul, 192ul}) {
        CAPTURE(dpi);
        ScreenResolution resolution(dpi);
        SetEnvironmentVariableA("SORVANE_EXPECTED_DPI", std::to_string(dpi).c_str());
        ChildOutcome outcome;
        REQUIRE(RunChildScenario("main-window-at-this-resolution", &outcome));
        const std::string found = ReadReport(reportPath);
        INFO(found);
        CHECK(outcome.boxCount == 0);
        CHECK((outcome.exitCode & WrongResolution) == 0);
        CHECK((outcome.exitCode & Overlap) == 0);
        CHECK((outcome.exitCode & OutsideClient) == 0);
        CHECK((outcome.exitCode & CaptionCut) == 0);
        CHECK((outcome.exitCode & NoWholeRow) == 0);
        CHECK((outcome.exitCode & IconSize) == 0);
        DeleteFileA(reportPath.c_str());
    }
    SetEnvironmentVariableA("SORVANE_EXPECTED_DPI", NULL);
    SetEnvironmentVariableA("SORVANE_LAYOUT_REPORT", NULL);
}

TEST_CASE("the content font's size survives restarts at every DPI")
{
    for (DWORD dpi : {96ul, 120ul, 144ul, 192ul}) {
        CAPTURE(dpi);
        ScreenResolution resolution(dpi);
        for (DWORD size : {10ul, 11ul, 7ul}) {
            CAPTURE(size);
            ClearStoredSettings();
            WriteSettingNumber(SettingFontSize, size);
            // Three starts and closes: a size that drifts moves at one of them.
            for (int start = 0; start < 3; ++start) {
                ProgramRun run;
                REQUIRE(StartProgram(&run, ""));
                REQUIRE(CloseProgram(&run));
                CHECK(StoredNumber(SettingFontSize) == size);
            }
        }
    }
    ClearStoredSettings();
}
