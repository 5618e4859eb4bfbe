// The loader of the help text: finds the packed resource IDR_HELP_TEXT and
// decodes it with the platform-free decoder (integration/unpacker).
#ifndef SORVANE_INTEGRATION_HELP_TEXT_H
#define SORVANE_INTEGRATION_HELP_TEXT_H

#include <windows.h>

// Unpacks resource IDR_HELP_TEXT of module into a zero-filled block of
// 4 x its packed size + 1 bytes from heap, so the text is NUL-terminated.
// On success *text holds the block (free it with HeapFree on heap), or null
// when the resource is shorter than 2 bytes. Failures of the resource
// functions are reported; a failed allocation shows "Out of Memory".
int LoadHelpText(HANDLE heap, HINSTANCE module, char** text);

#endif
