// The search filter: one walk of the catalogue per keystroke, keeping the
// entries that contain every word of the query. It fills the result list
// with the paths below the scan root, or collects the full paths in
// copyListBuffer for "Copy List". User-interface thread only.
#ifndef SORVANE_CATALOGUE_SEARCH_FILTER_H
#define SORVANE_CATALOGUE_SEARCH_FILTER_H

#include <windows.h>

#include "catalogue/match.h"

// The limit of the on-screen list, and that of "Copy List" (every match).
const int resultListLimit = 100;
const int copyListLimit = 0x7FFFFFFE;

// Reads the query from the search box of window (the main window), splits it
// into at most ten words and walks the catalogue under catalogueLock. Stops
// after limit + 1 results. toBuffer 0: refills resultList (item text the
// display text, item data the entry itself), selects the first item and sets
// the horizontal extent. toBuffer 1: appends each full path and CR LF to
// copyListBuffer and leaves the list alone. Returns the number of results.
int FilterCatalogue(int limit, int mode, int toBuffer, HWND window, HWND resultList);

#endif
