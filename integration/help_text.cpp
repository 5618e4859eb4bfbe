#include "integration/help_text.h"

#include "app/base/error_report.h"
#include "integration/unpacker.h"
#include "resources/resource.h"

int LoadHelpText(HANDLE heap, HINSTANCE module, char** text)
{
    *text = NULL;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP_TEXT),
                                MAKEINTRESOURCEA(RT_PACKED));
    if (!found) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    DWORD size = SizeofResource(module, found);
    if (size < 2)
        return 1;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    const void* packed = LockResource(loaded);
    if (!packed)
        return 0;
    // The build made sure the text fits in 4 x size bytes; the last byte
    // stays the terminating NUL.
    SIZE_T capacity = 4 * (SIZE_T)size;
    *text = CheckAllocation(static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, capacity + 1)), 0);
    if (!*text)
        return 0;
    UnpackStream(packed, size, *text, capacity);
    return 1;
}
