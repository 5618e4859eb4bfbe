#include "integration/settings.h"

#include <string.h>

const char settingsKeyPath[] = "Software\\Quellwright\\Sorvane";

const char* const settingNames[settingCount] = {
    "ScreenXPos", "ScreenYPos",  "WindowWidth", "WindowHeight",
    "InterfaceDetail", "ShowState", "SearchMode", "OnTopState",
    "FontSize",   "ContextMenu", "LinkMode",    "FontFace",
};

const DWORD settingDefaults[numericSettingCount] = {
    0,    // ScreenXPos
    0,    // ScreenYPos
    488,  // WindowWidth
    302,  // WindowHeight
    0,    // InterfaceDetail: expanded
    1,    // ShowState: SW_SHOWNORMAL
    0,    // SearchMode: full path
    0,    // OnTopState
    10,   // FontSize, points
    0,    // ContextMenu: the shell's own commands
    0,    // LinkMode: unlinked
};

const char fontFaceDefault[] = "MS Sans Serif";

SettingsOverride settingsOverride;

namespace {

// A read creates the key when it is missing, so the first run leaves the
// empty key behind, as a write would.
HKEY OpenSettingsKey(REGSAM access)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, NULL, 0, access, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return NULL;
    return key;
}

int IsNumericSetting(int id)
{
    return id >= 0 && id < numericSettingCount;
}

void CopyTruncated(char* buffer, unsigned capacity, const char* text, unsigned length)
{
    if (capacity == 0)
        return;
    if (length > capacity - 1)
        length = capacity - 1;
    memcpy(buffer, text, length);
    buffer[length] = 0;
}

}  // namespace

DWORD ReadSettingNumber(int id)
{
    if (!IsNumericSetting(id))
        return 0;
    if (settingsOverride.active)
        return settingsOverride.values[id];
    HKEY key = OpenSettingsKey(KEY_READ);
    if (!key)
        return settingDefaults[id];
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExA(key, settingNames[id], NULL, &type,
                                   reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    // A REG_DWORD shorter than four bytes would leave part of the number
    // unset; take the default rather than half a value.
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return settingDefaults[id];
    return value;
}

int WriteSettingNumber(int id, DWORD value)
{
    if (!IsNumericSetting(id))
        return 0;
    // A run with command-line values must not disturb the stored settings,
    // yet its callers see an ordinary successful save.
    if (settingsOverride.active)
        return 1;
    HKEY key = OpenSettingsKey(KEY_WRITE);
    if (!key)
        return 0;
    LONG status = RegSetValueExA(key, settingNames[id], 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int ReadSettingText(char* buffer, unsigned capacity)
{
    const unsigned defaultLength = sizeof(fontFaceDefault) - 1;
    HKEY key = OpenSettingsKey(KEY_READ);
    if (!key) {
        CopyTruncated(buffer, capacity, fontFaceDefault, defaultLength);
        return 0;
    }
    char stored[260] = {0};
    DWORD type = 0;
    DWORD size = sizeof(stored);
    LONG status = RegQueryValueExA(key, settingNames[SettingFontFace], NULL, &type,
                                   reinterpret_cast<BYTE*>(stored), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        CopyTruncated(buffer, capacity, fontFaceDefault, defaultLength);
        return 0;
    }
    unsigned length = 0;
    while (length < size && stored[length])
        ++length;
    CopyTruncated(buffer, capacity, stored, length);
    return 1;
}

int WriteSettingText(const char* text)
{
    HKEY key = OpenSettingsKey(KEY_WRITE);
    if (!key)
        return 0;
    LONG status = RegSetValueExA(key, settingNames[SettingFontFace], 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text), (DWORD)strlen(text) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
