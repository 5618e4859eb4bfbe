// Where a UTF-8 text may be cut without splitting a character. Platform
// free: the callers decide whether their text is UTF-8 (the process's code
// page under the manifest).
#ifndef SORVANE_APP_BASE_CHARACTER_BOUNDARY_H
#define SORVANE_APP_BASE_CHARACTER_BOUNDARY_H

// The longest start of text's first length bytes that ends with a whole
// character: length itself, or the start of the character that the cut at
// length would split. A byte that no whole character begins with is kept
// as it is (the text is taken as it comes, not mended).
unsigned CharacterBoundary(const char* text, unsigned length);

#endif
