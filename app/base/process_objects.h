// The process-wide objects that start-up creates and shutdown releases.
// Each comment names the threads that touch the value.
#ifndef SORVANE_APP_BASE_PROCESS_OBJECTS_H
#define SORVANE_APP_BASE_PROCESS_OBJECTS_H

#include <windows.h>

class LinkedList;
class TextBuffer;

const unsigned modulePathSize = 260;
const unsigned productTitleSize = 100;
const unsigned scanPathSize = 32768;

extern HINSTANCE instance;          // UI thread; set once at start-up
extern char* modulePath;            // UI thread; the program file's own path
extern char* productTitle;          // UI thread; string IDS_PRODUCT
extern LinkedList* catalogue;       // UI and scanner threads, only under catalogueLock
extern TextBuffer* copyListBuffer;  // UI thread
extern char* scanPath;              // UI thread writes it while no scan runs;
                                    // both threads read it during a scan
extern HANDLE catalogueLock;        // unnamed mutex guarding catalogue; never
                                    // closed, a scanner may still wait on it
extern ATOM classAtom;              // UI thread; the main window class
extern UINT requestDataMessage;     // UI thread; registered "SorvaneRequestData"
extern UINT dataReadyMessage;       // UI thread; registered "SorvaneDataReady"
extern HACCEL acceleratorTable;     // UI thread; resource 106

#endif
