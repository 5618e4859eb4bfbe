#include "app/base/error_report.h"

#include "resources/resource.h"

void ReportLastError(const char* caption, int exitAfter, int line, const char* sourceFile)
{
    // Anything else we call may overwrite the thread's last error.
    DWORD code = GetLastError();

    char systemText[500] = {0};
    char formatted[500] = {0};
    char fileName[260] = {0};
    if (sourceFile)
        lstrcpynA(fileName, sourceFile, sizeof(fileName));

    DWORD produced = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, code, 0, systemText,
                                    sizeof(systemText), NULL);
    if (produced == 0) {
        wsprintfA(formatted, "%d", (int)code);
        MessageBoxA(NULL, formatted, "FormatMessage Error", MB_ICONERROR);
    } else if (!sourceFile) {
        MessageBoxA(NULL, systemText, caption, MB_ICONERROR);
    } else {
        // wsprintfA stops at 1024 bytes; the three parts can exceed 500, so
        // format into a buffer that always has room.
        char detailed[1100] = {0};
        wsprintfA(detailed, "%s\nLine: %d Error Code: %d\nFile: %s", systemText, line, (int)code,
                  fileName);
        MessageBoxA(NULL, detailed, NULL, MB_ICONERROR);
    }
    if (exitAfter)
        ExitProcess(0);
}

void* CheckAllocation(void* pointer, int exitOnFailure)
{
    if (pointer)
        return pointer;
    if (exitOnFailure) {
        MessageBoxA(NULL, "Out of Memory - Exiting", NULL, MB_ICONERROR);
        ExitProcess((UINT)-1);
    }
    MessageBoxA(NULL, "Out of Memory", NULL, MB_ICONERROR);
    return NULL;
}

int ShowErrorInStatus(HWND window, unsigned errorCode)
{
    char text[500] = {0};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, errorCode, 0, text, sizeof(text),
                             NULL);
    if (n <= 1)
        return 0;
    // The status line is one line high: drop the system's closing CR LF.
    if (text[n - 1] == '\n')
        text[n - 1] = 0;
    if (text[n - 2] == '\r')
        text[n - 2] = 0;
    SetDlgItemTextA(window, IDC_STATUS, text);
    return 1;
}
