// Private messages between the scanner thread, scan control and start-up.
#ifndef SORVANE_APP_BASE_APP_MESSAGES_H
#define SORVANE_APP_BASE_APP_MESSAGES_H

#include <windows.h>

// Sent by the scanner thread (SendMessageA, wParam 0, lParam 0) as its last act.
const UINT WM_APP_SCAN_DONE = WM_APP + 1;
// wParam 0: scan the path at lParam; wParam 1: rescan. Stops a running scan.
const UINT WM_APP_SCAN_REQUEST = WM_APP + 2;

#endif
