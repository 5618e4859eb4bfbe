#include "integration/self_removal.h"

#include <string.h>

#include "app/base/error_report.h"
#include "app/base/owners.h"
#include "integration/unpacker.h"
#include "resources/resource.h"

namespace {

const unsigned pathSize = 260;
// With a unique number GetTempFileNameA forms the name without creating a
// file, so every uninstall writes the same DELFF73.exe.
const UINT stubNumber = 65395;
// The loader's bound on the stub: the build checks that the image fits.
const DWORD stubRoomFactor = 8;

// Writes the unpacked stub into stubPath. Returns 1 when it is all there.
int WriteStub(HANDLE heap, const void* packed, DWORD packedSize, const char* stubPath)
{
    SIZE_T capacity = stubRoomFactor * (SIZE_T)packedSize;
    unsigned char* image =
        CheckAllocation(static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, capacity)), 0);
    if (!image)
        return 0;
    size_t imageSize = 0;
    if (!UnpackBounded(static_cast<const unsigned char*>(packed), packedSize, image, capacity,
                       &imageSize)) {
        // Starting half a program would be worse than leaving the file.
        SetLastError(ERROR_INVALID_DATA);
        ReportLastError(NULL, 0, 0, NULL);
        HeapFree(heap, 0, image);
        return 0;
    }
    int written = 0;
    {
        OwnedHandle file(CreateFileA(stubPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, NULL));
        DWORD done = 0;
        if (!file.Holds())
            ReportLastError(NULL, 0, 0, NULL);
        else if (WriteFile(file.handle, image, (DWORD)imageSize, &done, NULL) && done == imageSize)
            written = 1;
        else
            ReportLastError(NULL, 0, 0, NULL);
    }
    HeapFree(heap, 0, image);
    return written;
}

// Starts the stub with the read end of the pipe as its standard input and
// hands it ownPath. Returns 1 when the stub runs.
int StartStub(const char* stubPath, const char* ownPath)
{
    // Declared in this order, the write end is closed first, then the read end.
    OwnedHandle readEnd;
    OwnedHandle writeEnd;
    if (!CreateStubPipe(&readEnd.handle, &writeEnd.handle, pathSize)) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    // A child started with inherited handles and no standard handles of its
    // own takes this as its standard input.
    if (!SetStdHandle(STD_INPUT_HANDLE, readEnd.handle)) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessA(stubPath, NULL, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    // The stub is not waited for: it waits for this process to end.
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DWORD done = 0;
    WriteFile(writeEnd.handle, ownPath, (DWORD)strlen(ownPath), &done, NULL);
    return 1;
}

}  // namespace

int CreateStubPipe(HANDLE* readEnd, HANDLE* writeEnd, DWORD size)
{
    // Inheritable, with the default security: only this user's processes
    // may open the pipe, so no one else can hand the stub a path.
    SECURITY_ATTRIBUTES attributes;
    ZeroMemory(&attributes, sizeof(attributes));
    attributes.nLength = sizeof(attributes);
    attributes.bInheritHandle = TRUE;
    *readEnd = NULL;
    *writeEnd = NULL;
    if (!CreatePipe(readEnd, writeEnd, &attributes, size))
        return 0;
    if (!SetHandleInformation(*writeEnd, HANDLE_FLAG_INHERIT, 0)) {
        const DWORD error = GetLastError();
        CloseHandle(*writeEnd);
        CloseHandle(*readEnd);
        *readEnd = NULL;
        *writeEnd = NULL;
        SetLastError(error);
        return 0;
    }
    return 1;
}

void LaunchSelfRemoval(HANDLE heap, HINSTANCE module)
{
    char tempFolder[pathSize];
    char ownPath[pathSize];
    char stubPath[pathSize];
    ZeroMemory(tempFolder, sizeof(tempFolder));
    ZeroMemory(ownPath, sizeof(ownPath));
    ZeroMemory(stubPath, sizeof(stubPath));

    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_REMOVAL_STUB),
                                MAKEINTRESOURCEA(RT_PACKED));
    if (!found) {
        ReportLastError(NULL, 0, 0, NULL);
        return;
    }
    DWORD packedSize = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) {
        ReportLastError(NULL, 0, 0, NULL);
        return;
    }
    const void* packed = LockResource(loaded);
    if (!packed)
        return;

    if (!GetTempPathA(pathSize, tempFolder) ||
        !GetTempFileNameA(tempFolder, "DEL", stubNumber, stubPath)) {
        ReportLastError(NULL, 0, 0, NULL);
        return;
    }
    // "...\DELFF73.tmp" becomes "...\DELFF73.exe".
    size_t nameLength = strlen(stubPath);
    if (nameLength >= 3)
        memcpy(stubPath + nameLength - 3, "exe", 3);

    if (!WriteStub(heap, packed, packedSize, stubPath))
        return;
    if (!GetModuleFileNameA(NULL, ownPath, pathSize)) {
        ReportLastError(NULL, 0, 0, NULL);
        return;
    }
    StartStub(stubPath, ownPath);
}
