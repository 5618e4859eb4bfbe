// Entry point. Until the main window lands this shows a placeholder window
// so that the run command has something to start.
#include <windows.h>

#include "resources/resource.h"

static LRESULT CALLBACK PlaceholderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlaceholderProc;
    windowClass.hInstance = hInstance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "Sorvane";
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND window = CreateWindowExA(0, "Sorvane", "Sorvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 488, 302, NULL, NULL, hInstance, NULL);
    if (!window)
        return 0;
    CreateWindowExA(WS_EX_STATICEDGE, "STATIC", "Please select a drive.",
                    WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 190, 8, 280, 24, window,
                    (HMENU)IDC_STATUS, hInstance, NULL);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
