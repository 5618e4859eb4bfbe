#include "integration/folder_verb.h"

int InstallFolderVerb(const char*)
{
    return 0;
}

int IsFolderVerbInstalled(const char*)
{
    return 0;
}

int RemoveFolderVerb()
{
    return 0;
}

int RemoveStoredSettings()
{
    return 0;
}
