// What a lower layer may ask of the hub. The hub (app/main_window.cpp)
// defines these; the help dialog calls them, so that it never writes the
// scanner's or the main window's state itself. UI thread only.
#ifndef SORVANE_APP_BASE_HUB_SERVICES_H
#define SORVANE_APP_BASE_HUB_SERVICES_H

#include <windows.h>

// Tells a running scan to stop; it ends on its own, at its next entry.
void StopScan();

// Runs the font dialog above helpDialog and fits both windows, the help
// dialog first, to the content font in force afterwards (a preview may have
// changed it even when the user cancelled). Returns 1 when a font was chosen.
int ChooseMainContentFont(HWND helpDialog);

#endif
