// The Help dialog (template 108): the help text, the vendor's site, the
// folder verb, the content font and uninstall.
#ifndef SORVANE_INTEGRATION_HELP_DIALOG_H
#define SORVANE_INTEGRATION_HELP_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
