// The "Sorvane" verb on the shell's context menu of folders, and the
// registry clean-up of an uninstall.
#ifndef SORVANE_INTEGRATION_FOLDER_VERB_H
#define SORVANE_INTEGRATION_FOLDER_VERB_H

int InstallFolderVerb(const char* executablePath);
int IsFolderVerbInstalled(const char* executablePath);
int RemoveFolderVerb();
int RemoveStoredSettings();

#endif
