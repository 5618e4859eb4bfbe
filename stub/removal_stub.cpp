// The removal stub: a tiny program that the uninstall writes into the
// temporary folder and starts with the program's path on its standard input.
// It deletes that file as soon as the program's process has let go of it.
//
// Built without a run-time library: its entry point is the image's entry, it
// imports six functions of kernel32 only, and it ends by returning.
#include <windows.h>

namespace {

const DWORD pathCapacity = 260;    // bytes read at most from standard input
const DWORD retryStep = 100;       // milliseconds between attempts
const DWORD retryLimit = 10000;    // milliseconds before giving up

}  // namespace

extern "C" void StubEntry()
{
    // One byte more than is ever read, so the path always ends in a NUL
    // whatever arrives on the pipe.
    char path[pathCapacity + 1];

    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == INVALID_HANDLE_VALUE)
        return;
    DWORD read = 0;
    BOOL ok = ReadFile(input, path, pathCapacity, &read, NULL);
    CloseHandle(input);
    if (!ok)
        return;
    path[read] = 0;

    // While the program runs, its image keeps the file locked and deleting
    // it is refused as access denied; any other error will not go away.
    for (DWORD waited = 0;; waited += retryStep) {
        if (DeleteFileA(path))
            return;
        if (GetLastError() != ERROR_ACCESS_DENIED || waited >= retryLimit)
            return;
        Sleep(retryStep);
    }
}
