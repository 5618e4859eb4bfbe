#include "integration/command_line.h"

#include <string.h>

#include "app/base/error_report.h"
#include "app/base/process_heap.h"
#include "integration/argument_split.h"
#include "integration/settings.h"

namespace {

struct Range {
    DWORD lowest;
    DWORD highest;
};

// In SettingId order.
const Range acceptedRanges[numericSettingCount] = {
    {0, 5000},  // ScreenXPos
    {0, 5000},  // ScreenYPos
    {0, 5000},  // WindowWidth
    {0, 5000},  // WindowHeight
    {0, 1},     // InterfaceDetail
    {1, 3},     // ShowState
    {0, 2},     // SearchMode
    {0, 1},     // OnTopState
    {6, 22},    // FontSize
    {0, 1},     // ContextMenu
    {0, 1},     // LinkMode
};

// "/Name=" followed by one to five digits sets that setting. Every name is
// tried, so the last matching name wins (names are distinct, so at most one
// does).
int ApplyOption(const char* argument)
{
    int recognised = 0;
    unsigned m = (unsigned)strlen(argument);
    for (int id = 0; id < numericSettingCount; ++id) {
        unsigned n = (unsigned)strlen(settingNames[id]);
        if (!(m > n + 2 && m < n + 8))
            continue;
        char prefix[40];
        wsprintfA(prefix, "%c%s%c", '/', settingNames[id], '=');
        char head[40];
        memcpy(head, argument, n + 2);
        head[n + 2] = 0;
        if (lstrcmpiA(prefix, head) != 0)
            continue;
        DWORD value = 0;
        int digitsOnly = 1;
        for (const char* c = argument + n + 2; *c; ++c) {
            if (*c < '0' || *c > '9') {
                digitsOnly = 0;
                break;
            }
            value = value * 10 + (DWORD)(*c - '0');
        }
        if (!digitsOnly)
            continue;
        settingsOverride.values[id] = value;
        settingsOverride.active = 1;
        recognised = 1;
    }
    return recognised;
}

void TakePath(const char* argument, char* path, unsigned capacity)
{
    if (capacity < 2)
        return;
    lstrcpynA(path, argument, capacity - 1);
    // A quoted drive root ("D:\") arrives as D: and a literal quote: the
    // backslash and the closing quote became one escaped quote.
    unsigned length = (unsigned)strlen(path);
    if (length && path[length - 1] == '"')
        path[length - 1] = 0;
}

}  // namespace

void ValidateOverrides()
{
    for (int id = 0; id < numericSettingCount; ++id) {
        DWORD value = settingsOverride.values[id];
        if (value < acceptedRanges[id].lowest || value > acceptedRanges[id].highest)
            settingsOverride.values[id] = settingDefaults[id];
    }
}

void ParseCommandLineText(const char* commandLine, char* path, unsigned capacity)
{
    settingsOverride.active = 0;
    ZeroMemory(path, capacity);
    for (int id = 0; id < numericSettingCount; ++id)
        settingsOverride.values[id] = settingDefaults[id];

    // Every argument is at most as long as the whole line, and there are at
    // most half as many arguments as characters, plus the program.
    SIZE_T textLength = strlen(commandLine);
    char* storage = CheckAllocation(static_cast<char*>(AllocZeroed(textLength + 1)), 1);
    int maxArguments = (int)(textLength / 2) + 2;
    char** arguments =
        CheckAllocation(static_cast<char**>(AllocZeroed(maxArguments * sizeof(char*))), 1);
    int count = SplitCommandLine(commandLine, storage, arguments, maxArguments);
    if (count > maxArguments)
        count = maxArguments;

    for (int i = 1; i < count; ++i) {
        if (!ApplyOption(arguments[i]) && path[0] == 0)
            TakePath(arguments[i], path, capacity);
    }
    if (settingsOverride.active)
        ValidateOverrides();

    FreeBlock(arguments);
    FreeBlock(storage);
}

void ParseCommandLine(char* path, unsigned capacity)
{
    ParseCommandLineText(GetCommandLineA(), path, capacity);
}
