#include "integration/folder_verb.h"

#include <windows.h>
#include <string.h>

#include "integration/settings.h"

namespace {

const char verbParentPath[] = "Folder\\shell";
const char verbKeyName[] = "Sorvane";
const char commandKeyName[] = "Sorvane\\command";
const char commandKeyPath[] = "Folder\\shell\\Sorvane\\command";
const char vendorKeyName[] = "Quellwright";
const char productKeyName[] = "Quellwright\\Sorvane";

const unsigned commandSize = 360;

// The shell puts the folder's long path in place of %L, so the program
// gets it as its first argument.
void FormatCommand(const char* executablePath, char* command)
{
    ZeroMemory(command, commandSize);
    wsprintfA(command, "\"%s\" \"%%L\"", executablePath);
}

}  // namespace

int InstallFolderVerb(const char* executablePath)
{
    char command[commandSize];
    FormatCommand(executablePath, command);
    HKEY key = NULL;
    // Creates the verb key as well when it is missing.
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, commandKeyPath, 0, const_cast<char*>("REG_SZ"), 0,
                        KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return 0;
    LONG status = RegSetValueExA(key, NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                 (DWORD)strlen(command) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int IsFolderVerbInstalled(const char* executablePath)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, commandKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    // One byte more than a command can have, so a stored text of the full
    // size still reads back terminated.
    char stored[commandSize + 1];
    ZeroMemory(stored, sizeof(stored));
    DWORD size = commandSize;
    LONG status =
        RegQueryValueExA(key, NULL, NULL, NULL, reinterpret_cast<BYTE*>(stored), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return 0;
    char command[commandSize];
    FormatCommand(executablePath, command);
    return lstrcmpiA(command, stored) == 0;
}

int RemoveFolderVerb()
{
    HKEY shell = NULL;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, verbParentPath, 0, NULL, 0, KEY_WRITE, NULL, &shell,
                        NULL) != ERROR_SUCCESS)
        return 0;
    // A key goes only once it is empty: the command first.
    RegDeleteKeyA(shell, commandKeyName);
    RegDeleteKeyA(shell, verbKeyName);
    RegCloseKey(shell);
    return 1;
}

int RemoveStoredSettings()
{
    HKEY settings = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, NULL, 0, KEY_WRITE, NULL,
                        &settings, NULL) == ERROR_SUCCESS) {
        // FontFace goes with the key itself.
        for (int id = 0; id < numericSettingCount; ++id)
            RegDeleteValueA(settings, settingNames[id]);
        RegCloseKey(settings);
    }
    HKEY software = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, NULL, 0, KEY_WRITE, NULL, &software,
                        NULL) == ERROR_SUCCESS) {
        // The vendor key stays while another product of ours is under it.
        RegDeleteKeyA(software, productKeyName);
        RegDeleteKeyA(software, vendorKeyName);
        RegCloseKey(software);
    }
    return RemoveFolderVerb();
}
