// Fuzz target: the command-line splitter and the parser with its override
// checks, on any text. Storage and buffers are exactly as large as their
// contracts say (AddressSanitizer guards their ends).
// Input: one byte of path capacity, one of argument slots, then the line.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "app/base/error_report.h"
#include "integration/argument_split.h"
#include "integration/command_line.h"
#include "integration/settings.h"

void* CheckAllocation(void* pointer, int)
{
    if (!pointer)
        abort();
    return pointer;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const unsigned capacity = data[0];
    const int slots = data[1] % 16;
    char* line = static_cast<char*>(malloc(size - 1));
    memcpy(line, data + 2, size - 2);
    line[size - 2] = 0;
    const size_t length = strlen(line);

    // The splitter: storage of strlen + 1 bytes, every address inside it.
    char* storage = static_cast<char*>(malloc(length + 1));
    char** arguments = static_cast<char**>(malloc((slots ? slots : 1) * sizeof(char*)));
    const int count = SplitCommandLine(line, storage, arguments, slots);
    if (count < 0 || (size_t)count > length + 1)
        abort();
    for (int i = 0; i < count && i < slots; ++i) {
        if (arguments[i] < storage || arguments[i] > storage + length)
            abort();
        if (arguments[i] + strlen(arguments[i]) > storage + length)
            abort();
    }

    // The parser: a path buffer of exactly capacity bytes.
    char* path = static_cast<char*>(malloc(capacity ? capacity : 1));
    ParseCommandLineText(line, path, capacity);
    if (capacity) {
        const size_t pathLength = strnlen(path, capacity);
        if (pathLength == capacity || (capacity >= 2 && pathLength > capacity - 2))
            abort();
    }
    // Without an option every value is its default; with one, the checks
    // leave nothing for them to change.
    SettingsOverride before = settingsOverride;
    if (!before.active && memcmp(before.values, settingDefaults, sizeof(settingDefaults)) != 0)
        abort();
    ValidateOverrides();
    if (memcmp(before.values, settingsOverride.values, sizeof(before.values)) != 0)
        abort();
    for (int id = 0; id < numericSettingCount; ++id)
        if (settingsOverride.values[id] > 5000)
            abort();

    free(path);
    free(arguments);
    free(storage);
    free(line);
    return 0;
}
