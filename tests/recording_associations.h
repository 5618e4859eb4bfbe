// The associations that open a test's files and folders with the recording
// program (record_argument.exe) instead of a real viewer, and the reading of
// what it recorded. Shared by the tests that open results.
#ifndef SORVANE_TESTS_RECORDING_ASSOCIATIONS_H
#define SORVANE_TESTS_RECORDING_ASSOCIATIONS_H

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "harness/program_driver.h"

const char testType[] = ".sorvtest";
const char testClass[] = "SorvaneTestFile";
// The verb that the shell's own "Open" of a folder asks for here.
const char folderVerb[] = "explore";

inline std::string ProgramFolder()
{
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, sizeof(path));
    char* lastBackslash = strrchr(path, '\\');
    if (lastBackslash)
        lastBackslash[1] = 0;
    return path;
}

inline void SetClassValue(const std::string& key, const std::string& value)
{
    HKEY opened;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &opened,
                        NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(opened, NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   (DWORD)value.size() + 1);
    RegCloseKey(opened);
}

// Deletes keys in the order given: the inner ones first.
inline void DeleteClassKeys(const std::vector<std::string>& keys)
{
    for (const std::string& key : keys)
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
}

// Files of type .sorvtest and folders open with the recording program, whose
// argument lands in recordFile. Registered in the prefix's classes root: the
// shell here does not look up the user's own classes.
struct RecordingAssociations {
    std::string recordFile;

    RecordingAssociations()
    {
        std::string command = "\"" + ProgramFolder() + "record_argument.exe\" \"%1\"";
        SetClassValue(testType, testClass);
        SetClassValue(std::string(testClass) + "\\shell\\open\\command", command);
        // Made the folders' default as well, so that the prefix's own folder
        // handler (a file manager) is never started.
        SetClassValue("Folder\\shell", folderVerb);
        SetClassValue(std::string("Folder\\shell\\") + folderVerb + "\\command", command);

        char temp[MAX_PATH] = {0};
        GetTempPathA(sizeof(temp), temp);
        recordFile = std::string(temp) + "sorvane-recorded-" + std::to_string(GetCurrentProcessId());
        SetEnvironmentVariableA("SORVANE_RECORD_FILE", recordFile.c_str());
        DeleteFileA(recordFile.c_str());
    }

    ~RecordingAssociations()
    {
        DeleteFileA(recordFile.c_str());
        SetEnvironmentVariableA("SORVANE_RECORD_FILE", NULL);
        std::string folderKey = std::string("Folder\\shell\\") + folderVerb;
        DeleteClassKeys({std::string(testClass) + "\\shell\\open\\command",
                         std::string(testClass) + "\\shell\\open", std::string(testClass) + "\\shell",
                         testClass, testType, folderKey + "\\command", folderKey});
        // The Folder key may hold more than ours; only our default goes.
        HKEY shell;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "Folder\\shell", 0, KEY_SET_VALUE, &shell) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(shell, NULL);
            RegCloseKey(shell);
        }
    }

    // The argument the recording program got, waiting for it to run; "(not
    // started)" when it did not within the time. Removes the record.
    std::string Recorded(DWORD timeoutMs = 20000) const
    {
        DWORD start = GetTickCount();
        for (;;) {
            HANDLE file = CreateFileA(recordFile.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                      OPEN_EXISTING, 0, NULL);
            if (file != INVALID_HANDLE_VALUE) {
                char text[4096] = {0};
                DWORD read = 0;
                ReadFile(file, text, sizeof(text) - 1, &read, NULL);
                CloseHandle(file);
                DeleteFileA(recordFile.c_str());
                return std::string(text, read);
            }
            if (GetTickCount() - start > ScaledWait(timeoutMs))
                return "(not started)";
            Sleep(50);
        }
    }
};

#endif
