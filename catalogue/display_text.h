// The text the result list shows for an entry: its path below the scan root.
#ifndef SORVANE_CATALOGUE_DISPLAY_TEXT_H
#define SORVANE_CATALOGUE_DISPLAY_TEXT_H

// Room for one display text.
const unsigned displayTextSize = 1000;

// Writes to out (outSize bytes, at least 1) the entry without the leading part
// it has in common with root, each character compared after CharLowerA.
// Copies at most outSize - 1 bytes and always terminates; returns the length
// written.
unsigned MakeDisplayText(const char* root, const char* entry, char* out, unsigned outSize);

#endif
