#include "app/catalogue_lock.h"

#include "app/error_report.h"
#include "app/process_objects.h"

void LockCatalogue()
{
    if (WaitForSingleObject(catalogueLock, INFINITE) == WAIT_FAILED)
        ReportLastError(NULL, 1, 0, NULL);
}

void UnlockCatalogue()
{
    if (!ReleaseMutex(catalogueLock))
        ReportLastError(NULL, 1, 0, NULL);
}
