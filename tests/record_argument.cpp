// Stands in for the programs that the shell starts when a test opens a file
// or a folder, so that no real viewer runs: writes the one argument it was
// given, without the quotes around it, to the file named by the environment
// variable SORVANE_RECORD_FILE, and ends.
#include <windows.h>

#include <string.h>

// Everything after the program's own name, with one pair of enclosing quotes
// taken off: the text that the shell put for %1.
static const char* ArgumentOf(char* commandLine)
{
    char* at = commandLine;
    if (*at == '"') {
        at = strchr(at + 1, '"');
        at = at ? at + 1 : commandLine + strlen(commandLine);
    } else {
        while (*at && *at != ' ' && *at != '\t')
            ++at;
    }
    while (*at == ' ' || *at == '\t')
        ++at;
    size_t length = strlen(at);
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
    const char* argument = ArgumentOf(GetCommandLineA());
    HANDLE file = CreateFileA(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(file, argument, (DWORD)strlen(argument), &written, NULL);
    CloseHandle(file);
    return MoveFileExA(partial, target, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
