// The few Win32 names that the command-line parser, the settings tables and
// the display text use, for building them natively with the fuzzing tools. The registry is
// absent: every key fails to open, which the settings code takes as "use
// the defaults". Not part of the Windows build.
#ifndef SORVANE_FUZZ_SHIM_WINDOWS_H
#define SORVANE_FUZZ_SHIM_WINDOWS_H

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

typedef unsigned int DWORD;
typedef int BOOL;
typedef int LONG;
typedef unsigned char BYTE;
typedef size_t SIZE_T;
typedef void* HANDLE;
typedef void* HWND;
typedef void* HKEY;
typedef DWORD REGSAM;
typedef unsigned int UINT;
typedef char* LPSTR;

#define WINAPI
#define HEAP_ZERO_MEMORY 8
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define REG_SZ 1
#define REG_DWORD 4
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define HKEY_CURRENT_USER ((HKEY)(size_t)0x80000001)
#define MB_ICONERROR 0x10

inline HANDLE GetProcessHeap() { return (HANDLE)1; }
inline void* HeapAlloc(HANDLE, DWORD, SIZE_T size) { return calloc(1, size ? size : 1); }
inline BOOL HeapFree(HANDLE, DWORD, void* block)
{
    free(block);
    return 1;
}
inline void ZeroMemory(void* block, SIZE_T size) { memset(block, 0, size); }
inline void ExitProcess(UINT code) { exit((int)code); }
inline int MessageBoxA(HWND, const char*, const char*, UINT) { return 0; }
inline int lstrcmpiA(const char* a, const char* b) { return strcasecmp(a, b); }
inline char* lstrcpynA(char* to, const char* from, int count)
{
    if (count <= 0)
        return to;
    int i = 0;
    for (; i < count - 1 && from[i]; ++i)
        to[i] = from[i];
    to[i] = 0;
    return to;
}
// The platform's form stops at 1024 bytes, NUL included.
inline int wsprintfA(char* to, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int n = vsnprintf(to, 1024, format, arguments);
    va_end(arguments);
    return n;
}
inline const char* GetCommandLineA() { return ""; }
// Only the form that lower-cases one character passed in the pointer's low
// word; the code page's capitals beyond ASCII (Windows-1252) included.
inline char* CharLowerA(char* text)
{
    unsigned ch = (unsigned)(size_t)text & 0xFF;
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7))
        ch += 0x20;
    else if (ch == 0x8A || ch == 0x8C || ch == 0x8E)
        ch += 0x10;
    else if (ch == 0x9F)
        ch = 0xFF;
    return (char*)(size_t)ch;
}
// The fuzzed code page is Windows-1252, one byte a character.
#define CP_UTF8 65001
inline UINT GetACP() { return 1252; }
inline DWORD CharLowerBuffA(char* text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i)
        text[i] = (char)(size_t)CharLowerA((char*)(size_t)(unsigned char)text[i]);
    return length;
}
inline LONG RegCreateKeyExA(HKEY, const char*, DWORD, char*, DWORD, REGSAM, void*, HKEY*, DWORD*)
{
    return ERROR_FILE_NOT_FOUND;
}
inline LONG RegQueryValueExA(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*)
{
    return ERROR_FILE_NOT_FOUND;
}
inline LONG RegSetValueExA(HKEY, const char*, DWORD, DWORD, const BYTE*, DWORD)
{
    return ERROR_FILE_NOT_FOUND;
}
inline LONG RegCloseKey(HKEY) { return ERROR_SUCCESS; }
#endif
