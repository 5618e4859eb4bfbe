// The one way to take and give back catalogueLock. A failed wait or release
// means the program's state can no longer be trusted, so either ends the
// process with the system's text. Both threads use it.
#ifndef SORVANE_APP_BASE_CATALOGUE_LOCK_H
#define SORVANE_APP_BASE_CATALOGUE_LOCK_H

void LockCatalogue();
void UnlockCatalogue();

#endif
