// The program's side of an uninstall's last step: the removal stub (packed
// resource IDR_REMOVAL_STUB) is written into the temporary folder as
// DELFF73.exe, started with this program's path waiting on its standard
// input, and deletes the program file once this process has ended.
#ifndef SORVANE_INTEGRATION_SELF_REMOVAL_H
#define SORVANE_INTEGRATION_SELF_REMOVAL_H

#include <windows.h>

// Failures are reported on the way and leave nothing open; the caller quits
// the program whatever happened.
void LaunchSelfRemoval(HANDLE heap, HINSTANCE module);

// The pipe that hands the stub the path: suggested size size bytes, only the
// read end inheritable (a stub holding the write end too would keep its own
// pipe open). 1 on success; on failure nothing is left open and the system's
// error is the last error.
int CreateStubPipe(HANDLE* readEnd, HANDLE* writeEnd, DWORD size);

#endif
