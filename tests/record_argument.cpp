// Stands in for the programs that the shell starts when a test opens a file
// or a folder, so that no real viewer runs: writes the one argument it was
// given, without the quotes around it, to the file named by the environment
// variable SORVANE_RECORD_FILE, and ends. The argument is written in UTF-8,
// whatever this program's code page: it is read from the UTF-16 command
// line, so a name outside the code page arrives whole.
#include <windows.h>

#include <string.h>
#include <wchar.h>

// Everything after the program's own name, with one pair of enclosing quotes
// taken off: the text that the shell put for %1.
static const wchar_t* ArgumentOf(wchar_t* commandLine)
{
    wchar_t* at = commandLine;
    if (*at == '"') {
        at = wcschr(at + 1, '"');
        at = at ? at + 1 : commandLine + wcslen(commandLine);
    } else {
        while (*at && *at != ' ' && *at != '\t')
            ++at;
    }
    while (*at == ' ' || *at == '\t')
        ++at;
    size_t length = wcslen(at);
    if (length >= 2 && at[0] == '"' && at[length - 1] == '"') {
        at[length - 1] = 0;
        ++at;
    }
    return at;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char target[MAX_PATH] = {0};
    if (!GetEnvironmentVariableA("SORVANE_RECORD_FILE", target, sizeof(target) - 8))
        return 1;
    char partial[MAX_PATH] = {0};
    lstrcpyA(partial, target);
    lstrcatA(partial, ".part");

    // The reader waits for the finished name, so it never sees half a file.
    char argument[4 * MAX_PATH] = {0};
    WideCharToMultiByte(CP_UTF8, 0, ArgumentOf(GetCommandLineW()), -1, argument,
                        sizeof(argument) - 1, NULL, NULL);
    HANDLE file = CreateFileA(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(file, argument, (DWORD)strlen(argument), &written, NULL);
    CloseHandle(file);
    return MoveFileExA(partial, target, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
