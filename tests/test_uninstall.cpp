// A whole uninstall of a copy of the real program, driven as a user would:
// Ctrl+H, the Uninstall button, OK. Afterwards its registry entries are
// gone, the removal stub lies in the temporary folder, and the program file
// disappears once the process has ended.
#include <doctest/doctest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "harness/program_driver.h"
#include "integration/folder_verb.h"
#include "integration/self_removal.h"
#include "integration/settings.h"
#include "resources/resource.h"

namespace {

std::string TempFolder()
{
    char temp[MAX_PATH] = {0};
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

int FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int ProcessRuns(const char* exeName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    int found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return found;
}

struct WindowOwnedBy {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM lParam)
{
    WindowOwnedBy* search = reinterpret_cast<WindowOwnedBy*>(lParam);
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForOwnedWindow(HWND owner)
{
    WindowOwnedBy search = {owner, NULL};
    WaitUntil(
        [&] {
            EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
            return search.found != NULL;
        },
        10000);
    return search.found;
}

}  // namespace

TEST_CASE("only the read end of the stub's pipe goes to the stub, and the path arrives whole")
{
    HANDLE readEnd = NULL;
    HANDLE writeEnd = NULL;
    REQUIRE(CreateStubPipe(&readEnd, &writeEnd, 260) == 1);
    DWORD readFlags = 0;
    DWORD writeFlags = 0;
    CHECK(GetHandleInformation(readEnd, &readFlags));
    CHECK(GetHandleInformation(writeEnd, &writeFlags));
    CHECK((readFlags & HANDLE_FLAG_INHERIT) != 0);
    CHECK((writeFlags & HANDLE_FLAG_INHERIT) == 0);

    const char path[] = "c:\\some folder\\sorvane.exe";
    DWORD done = 0;
    CHECK(WriteFile(writeEnd, path, sizeof(path) - 1, &done, NULL));
    CHECK(done == sizeof(path) - 1);
    // With the write end closed the reader sees the end after the path.
    CloseHandle(writeEnd);
    char received[64] = {0};
    CHECK(ReadFile(readEnd, received, sizeof(received) - 1, &done, NULL));
    CHECK(std::string(received, done) == path);
    CHECK(!ReadFile(readEnd, received, sizeof(received) - 1, &done, NULL));
    CloseHandle(readEnd);
}

TEST_CASE("uninstall clears the registry and the stub deletes the program once it has ended")
{
    const std::string folder = TempFolder() + "sorvane-uninstall";
    const std::string program = folder + "\\sorvane.exe";
    const std::string stub = TempFolder() + "DELFF73.exe";
    CreateDirectoryA(folder.c_str(), NULL);
    REQUIRE(CopyFileA(ProgramPath().c_str(), program.c_str(), FALSE));
    DeleteFileA(stub.c_str());
    ClearStoredSettings();

    ProgramRun run;
    REQUIRE(StartProgramAt(&run, program, ""));
    // The program made its settings key while it started; the verb is there
    // as if the user had installed it earlier.
    REQUIRE(WaitUntil([&] { return KeyExists(HKEY_CURRENT_USER, settingsKeyPath); }, 5000));
    char runningPath[MAX_PATH] = {0};
    REQUIRE(GetFullPathNameA(program.c_str(), sizeof(runningPath), runningPath, NULL));
    REQUIRE(InstallFolderVerb(runningPath));

    REQUIRE(WaitForKeyTarget(&run, run.window, GetDlgItem(run.window, IDC_SEARCH_BOX)));
    PressKey('H', 1);
    HWND help = WaitForOwnedWindow(run.window);
    REQUIRE(help);
    CHECK(WindowText(help) == "Help");
    CHECK(ControlText(help, IDC_HELP_VERB) == "Remove Shell Extension");

    HWND uninstall = GetDlgItem(help, IDC_HELP_UNINSTALL);
    REQUIRE(PointerOn(uninstall, 5, 5));
    ClickAt(uninstall, 5, 5);
    HWND question = WaitForOwnedWindow(help);
    REQUIRE(question);
    // Enter goes to the question only once it is in front with its OK
    // button, the default, holding the focus.
    REQUIRE(WaitForKeyTarget(&run, question, GetDlgItem(question, IDOK)));
    const DWORD confirmed = GetTickCount();
    PressKey(VK_RETURN);

    DWORD quit = 0, stubSeen = 0, gone = 0;
    WaitUntil(
        [&] {
            DWORD now = GetTickCount() - confirmed;
            if (!stubSeen && ProcessRuns("DELFF73.exe"))
                stubSeen = now;
            if (!quit && WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0)
                quit = now;
            if (!gone && !FileExists(program))
                gone = now;
            return quit && gone;
        },
        30000);
    MESSAGE("after OK: process ended at " << quit << " ms, stub seen at " << stubSeen
                                          << " ms, program file gone at " << gone << " ms");

    CHECK(quit != 0);
    CHECK(stubSeen != 0);
    CHECK(gone != 0);
    CHECK(gone - quit < ScaledWait(10000));
    CHECK(FileExists(stub));
    CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, settingsKeyPath));
    CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Folder\\shell\\Sorvane"));

    StopProgram(&run);
    DeleteFileA(program.c_str());
    RemoveDirectoryA(folder.c_str());
}
