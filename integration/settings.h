// The twelve user settings under one per-user registry key, each with a
// compiled-in default, and the override record that command-line options
// put in place of the stored numbers for one run.
#ifndef SORVANE_INTEGRATION_SETTINGS_H
#define SORVANE_INTEGRATION_SETTINGS_H

#include <windows.h>

// The order is shared by the name and default tables, the override record
// and the command line, which walks the numeric settings in this order.
enum SettingId {
    SettingScreenXPos = 0,
    SettingScreenYPos,
    SettingWindowWidth,
    SettingWindowHeight,
    SettingInterfaceDetail,
    SettingShowState,
    SettingSearchMode,
    SettingOnTopState,
    SettingFontSize,
    SettingContextMenu,
    SettingLinkMode,
    SettingFontFace
};

const int numericSettingCount = 11;   // all but FontFace
const int settingCount = 12;

// Also deleted by the uninstall.
extern const char settingsKeyPath[];        // "Software\Quellwright\Sorvane" under HKCU
extern const char* const settingNames[settingCount];
extern const DWORD settingDefaults[numericSettingCount];
extern const char fontFaceDefault[];        // "MS Sans Serif"

struct SettingsOverride {
    DWORD values[numericSettingCount];
    int active;
};

// Filled once by the command line before the main window exists; read on
// the UI thread only.
extern SettingsOverride settingsOverride;

DWORD ReadSettingNumber(int id);
int WriteSettingNumber(int id, DWORD value);

// FontFace, never overridden. Returns 1 when the text came from the
// registry, 0 when the default was copied.
int ReadSettingText(char* buffer, unsigned capacity);
int WriteSettingText(const char* text);

#endif
