#include "app/base/catalogue_lock.h"

#include "app/base/error_report.h"
#include "app/base/process_objects.h"

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
