// Texts of the string table put into controls. UI thread.
#ifndef SORVANE_APP_BASE_CAPTIONS_H
#define SORVANE_APP_BASE_CAPTIONS_H

#include <windows.h>

// Room for any text of the string table, its NUL included.
const int stringTextSize = 100;

// Sets control controlId of window to string stringId of the program's
// module (instance); a missing string leaves the control empty.
void SetCaptionFromString(HWND window, int controlId, int stringId);

#endif
