// The program's whole error-reporting convention: fatal or stepped-over
// message boxes for system failures, and the status line for errors the
// user caused. Safe to call from the scanner thread as well.
#ifndef SORVANE_APP_BASE_ERROR_REPORT_H
#define SORVANE_APP_BASE_ERROR_REPORT_H

#include <windows.h>

// Shows the system's text for GetLastError() and, when exitAfter is not 0,
// ends the process with exit code 0. Call it on the line after the failure.
void ReportLastError(const char* caption, int exitAfter, int line, const char* sourceFile);

// Returns pointer when it is not null. Otherwise shows an out-of-memory box
// and either ends the process with -1 (exitOnFailure != 0) or returns null.
void* CheckAllocation(void* pointer, int exitOnFailure);

// Typed form, so callers keep their pointer type.
template <class T>
inline T* CheckAllocation(T* pointer, int exitOnFailure)
{
    return static_cast<T*>(CheckAllocation(static_cast<void*>(pointer), exitOnFailure));
}

// Puts the system's one-line text for errorCode into the status line of
// window. Returns 0 (showing nothing) when the system has no text for it.
int ShowErrorInStatus(HWND window, unsigned errorCode);

#endif
