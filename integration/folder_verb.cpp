#include "integration/folder_verb.h"

#include <windows.h>
#include <string.h>

#include "app/base/owners.h"
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
    OwnedKey key;
    // Creates the verb key as well when it is missing.
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, commandKeyPath, 0, const_cast<char*>("REG_SZ"), 0,
                        KEY_WRITE, NULL, &key.key, NULL) != ERROR_SUCCESS)
        return 0;
    LONG status = RegSetValueExA(key.key, NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                 (DWORD)strlen(command) + 1);
    return status == ERROR_SUCCESS;
}

int IsFolderVerbInstalled(const char* executablePath)
{
    OwnedKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, commandKeyPath, 0, KEY_READ, &key.key) != ERROR_SUCCESS)
        return 0;
    // One byte more than a command can have, so a stored text of the full
    // size still reads back terminated.
    char stored[commandSize + 1];
    ZeroMemory(stored, sizeof(stored));
    DWORD size = commandSize;
    LONG status =
        RegQueryValueExA(key.key, NULL, NULL, NULL, reinterpret_cast<BYTE*>(stored), &size);
    if (status != ERROR_SUCCESS)
        return 0;
    char command[commandSize];
    FormatCommand(executablePath, command);
    return lstrcmpiA(command, stored) == 0;
}

int RemoveFolderVerb()
{
    OwnedKey shell;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, verbParentPath, 0, NULL, 0, KEY_WRITE, NULL, &shell.key,
                        NULL) != ERROR_SUCCESS)
        return 0;
    // A key goes only once it is empty: the command first.
    RegDeleteKeyA(shell.key, commandKeyName);
    RegDeleteKeyA(shell.key, verbKeyName);
    return 1;
}

int RemoveStoredSettings()
{
    {
        OwnedKey settings;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, NULL, 0, KEY_WRITE, NULL,
                            &settings.key, NULL) == ERROR_SUCCESS) {
            // FontFace goes with the key itself.
            for (int id = 0; id < numericSettingCount; ++id)
                RegDeleteValueA(settings.key, settingNames[id]);
        }
    }
    {
        // The settings key is closed before its parent's keys are deleted.
        OwnedKey software;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, NULL, 0, KEY_WRITE, NULL,
                            &software.key, NULL) == ERROR_SUCCESS) {
            // The vendor key stays while another product of ours is under it.
            RegDeleteKeyA(software.key, productKeyName);
            RegDeleteKeyA(software.key, vendorKeyName);
        }
    }
    return RemoveFolderVerb();
}
