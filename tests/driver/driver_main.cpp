// The driver as a command, for the run and benchmark scripts:
//   sorvane_driver show FOLDER QUERY OUT.bmp [compact]
//       starts the program on FOLDER, waits for the scan, types QUERY,
//       optionally switches to the compact mode, saves the window's picture
//       and closes the program.
//   sorvane_driver keystroke FOLDER
//       prints the median time of a change of the search text (a word found
//       nowhere) until the list is refilled, beside a bare cross-process
//       message, as benchmark figures.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/program_driver.h"
#include "resources/resource.h"

namespace {

double Milliseconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The window as it is on the screen, as a 24-bit BMP file.
int SaveWindowPicture(HWND window, const char* path)
{
    RECT frame = {0, 0, 0, 0};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = ((DWORD)width * 3 + 3) & ~3u;
    BITMAPFILEHEADER header;
    ZeroMemory(&header, sizeof(header));
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + rowBytes * (DWORD)height;
    int saved = 0;
    FILE* out = fopen(path, "wb");
    if (out) {
        saved = fwrite(&header, sizeof(header), 1, out) == 1 &&
                fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
                fwrite(bits, rowBytes, (size_t)height, out) == (size_t)height;
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return saved;
}

int Show(const char* folder, const char* query, const char* picture, int compact)
{
    ProgramRun run;
    if (!StartProgram(&run, std::string("\"") + folder + "\"")) {
        fprintf(stderr, "the program did not start\n");
        return 1;
    }
    const int count = WaitForScanEnd(&run, 600000);
    printf("scanned: %d entries\n", count);
    BringToFront(&run);
    // Started by a process without a window, the program turns active while
    // the desktop is in front, and Wine then keeps its caption painted as
    // inactive when it comes to the front. The desktop and back, as a
    // user's click elsewhere and on the window, activates it anew.
    SetForegroundWindow(GetDesktopWindow());
    Sleep(200);
    BringToFront(&run);
    TypeText(query);
    if (compact)
        PressKey('A', 1);
    Sleep(500);
    const int saved = SaveWindowPicture(run.window, picture);
    printf("results shown: %d\n", (int)ListItems(GetDlgItem(run.window, IDC_RESULT_LIST)).size());
    CloseProgram(&run);
    StopProgram(&run);
    return saved ? 0 : 1;
}

int Keystroke(const char* folder)
{
    ProgramRun run;
    if (!StartProgram(&run, std::string("\"") + folder + "\"")) {
        fprintf(stderr, "the program did not start\n");
        return 1;
    }
    const int count = WaitForScanEnd(&run, 600000);
    printf("figure: keystroke_catalogue_entries %d entries\n", count);
    const HWND box = GetDlgItem(run.window, IDC_SEARCH_BOX);
    const HWND list = GetDlgItem(run.window, IDC_RESULT_LIST);
    std::vector<double> keystrokes;
    std::vector<double> messages;
    int stray = 0;
    for (int i = 0; i < 41; ++i) {
        // A word found nowhere, different each time, walks the whole catalogue.
        char word[32];
        sprintf(word, "zqxjv%c", 'a' + i % 26);
        double start = Milliseconds();
        SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(word));
        keystrokes.push_back(Milliseconds() - start);
        stray += SendMessageA(list, LB_GETCOUNT, 0, 0) != 0;
        start = Milliseconds();
        SendMessageA(run.window, WM_NULL, 0, 0);
        messages.push_back(Milliseconds() - start);
    }
    printf("figure: keystroke_roundtrip_100k %.3f ms\n", Median(keystrokes));
    printf("figure: message_roundtrip %.3f ms\n", Median(messages));
    if (stray)
        fprintf(stderr, "%d changes left results in the list\n", stray);
    CloseProgram(&run);
    StopProgram(&run);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && strcmp(argv[1], "show") == 0)
        return Show(argv[2], argv[3], argv[4], argc >= 6 && strcmp(argv[5], "compact") == 0);
    if (argc >= 3 && strcmp(argv[1], "keystroke") == 0)
        return Keystroke(argv[2]);
    fprintf(stderr, "usage: sorvane_driver show FOLDER QUERY OUT.bmp [compact]\n"
                    "       sorvane_driver keystroke FOLDER\n");
    return 2;
}
