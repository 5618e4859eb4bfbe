// Bad input given to the real program: damaged settings, names beyond ASCII,
// trees too deep for the ANSI functions, folders that vanish or become
// unreadable mid-scan, long paths on the command line and in drops, and very
// long queries.
#include <doctest/doctest.h>

#include <windows.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "harness/program_driver.h"
#include "integration/settings.h"
#include "program_session.h"
#include "resources/resource.h"

namespace {

std::string TempFolder(const char* name)
{
    char temp[MAX_PATH] = {0};
    GetTempPathA(sizeof(temp), temp);
    return std::string(temp) + name;
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(n > 0 ? (size_t)n - 1 : 0);
    return wide;
}

std::string Ansi(const std::wstring& text)
{
    std::string ansi(text.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], (int)ansi.size(), NULL, NULL);
    ansi.resize(n > 0 ? (size_t)n - 1 : 0);
    return ansi;
}

// Wide and prefixed, so that depth is no limit for the test's own set-up.
void MakeFolderW(const std::wstring& path)
{
    CreateDirectoryW((L"\\\\?\\" + path).c_str(), NULL);
}

void MakeFileW(const std::wstring& path)
{
    HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    CloseHandle(file);
}

// Removes a tree however deep it is.
void RemoveTreeW(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((L"\\\\?\\" + path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeW(path + L"\\" + name);
            else
                DeleteFileW((L"\\\\?\\" + path + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW((L"\\\\?\\" + path).c_str());
}

void PutOnClipboard(const std::string& text)
{
    REQUIRE(OpenClipboard(NULL));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

void StoreRaw(const char* name, DWORD type, const void* bytes, DWORD size)
{
    HKEY key = NULL;
    REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, NULL, 0, KEY_WRITE, NULL, &key,
                            NULL) == ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes), size);
    RegCloseKey(key);
}

// Every file and folder below folder, as a scan counts them: "." and ".."
// skipped, a folder that cannot be listed counted without its contents.
// Read from the disk, because a removal may leave behind a folder that a
// scanner still had open.
int CountBelow(const std::string& folder)
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = found.cFileName;
        const int isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && (name == "." || name == ".."))
            continue;
        ++count;
        if (isFolder)
            count += CountBelow(folder + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int SearchTextIs(const Session& session, const std::string& text)
{
    return WaitUntil([&] { return ControlText(session.run.window, IDC_SEARCH_BOX) == text; }, 5000);
}

// The status line keeps the last count until the next scan ends, and a scan
// may be over before the button is seen to read "&Stop": a mark in the
// status line first tells the next scan's count from the last one's.
void MarkStatus(const Session& session)
{
    const char mark[] = "(the next scan)";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(session.Control(IDC_STATUS), WM_SETTEXT, 0, (LPARAM)mark, SMTO_ABORTIFHUNG,
                        ScaledWait(5000), &result);
    REQUIRE(session.Status() == mark);
}

// F5 and the count of the scan it started, or -1.
int Rescan(const Session& session)
{
    MarkStatus(session);
    REQUIRE(WaitUntil([&] { return GetForegroundWindow() == session.run.window; }, 5000));
    PressKey(VK_F5);
    return WaitForScanEnd(&session.run);
}

// A folder of two files beside a 300-character name that does not exist.
struct LittleTree {
    std::string root;
    LittleTree()
    {
        root = TempFolder("sorvane-bad");
        CreateDirectoryA(root.c_str(), NULL);
        for (const char* name : {"\\one.txt", "\\two.txt"}) {
            HANDLE file = CreateFileA((root + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, NULL);
            CloseHandle(file);
        }
    }
};

}  // namespace

TEST_CASE("settings stored with a wrong type or size give the defaults, and damage nothing")
{
    LittleTree tree;
    ClearStoredSettings();
    const BYTE shortBytes[2] = {5, 0};
    const unsigned long long wide = 0x100000003ull;
    const std::string longFace(300, 'F');

    SUBCASE("texts where numbers belong, a number where the face belongs")
    {
        for (int id = 0; id < numericSettingCount; ++id)
            StoreRaw(settingNames[id], REG_SZ, "1", 2);
        const DWORD number = 1;
        StoreRaw("FontFace", REG_DWORD, &number, sizeof(number));
    }
    SUBCASE("two bytes where four belong, a face without its NUL")
    {
        for (int id = 0; id < numericSettingCount; ++id)
            StoreRaw(settingNames[id], REG_DWORD, shortBytes, sizeof(shortBytes));
        StoreRaw("FontFace", REG_SZ, "Arial", 5);
    }
    SUBCASE("eight bytes where four belong, a face longer than any buffer")
    {
        for (int id = 0; id < numericSettingCount; ++id)
            StoreRaw(settingNames[id], REG_QWORD, &wide, sizeof(wide));
        StoreRaw("FontFace", REG_SZ, longFace.c_str(), (DWORD)longFace.size() + 1);
    }
    SUBCASE("binary blocks for every value")
    {
        for (int id = 0; id < settingCount; ++id)
            StoreRaw(settingNames[id], REG_BINARY, &wide, sizeof(wide));
    }

    Session session("\"" + tree.root + "\"", 0);
    CHECK(WaitForScanEnd(&session.run) == 2);
    RECT frame = {0, 0, 0, 0};
    GetWindowRect(session.run.window, &frame);
    CHECK(frame.right - frame.left == 488);
    CHECK(frame.bottom - frame.top == 302);
    CHECK(ControlText(session.run.window, IDC_SEARCH_MODE) == "&Full");
    CHECK((GetWindowLongA(session.run.window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION);
    CHECK((GetWindowLongA(session.run.window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0);
    CHECK(WindowText(session.run.window).find("Linked") == std::string::npos);
    REQUIRE(session.ReadyForTyping());
    TypeText("two");
    CHECK(SearchTextIs(session, "two"));
    CHECK(WaitUntil([&] { return session.Results() == std::vector<std::string>{"\\two.txt"}; },
                    3000));
}

TEST_CASE("numbers stored far outside every range leave a program that scans and filters")
{
    LittleTree tree;
    ClearStoredSettings();
    for (const DWORD value : {0xFFFFFFFFul, 0x7FFFFFFFul}) {
        CAPTURE(value);
        for (int id = 0; id < numericSettingCount; ++id)
            StoreRaw(settingNames[id], REG_DWORD, &value, sizeof(value));
        Session session("\"" + tree.root + "\"", 0);
        CHECK(WaitForScanEnd(&session.run) == 2);
        CHECK(session.Answers());
        SetFocus(NULL);
        // The window may sit off the screen or have no size: the text goes
        // in by message.
        SendMessageA(session.Control(IDC_SEARCH_BOX), WM_SETTEXT, 0, (LPARAM) "one");
        CHECK(WaitUntil([&] { return session.Results() == std::vector<std::string>{"\\one.txt"}; },
                        3000));
        CHECK(CloseProgram(&session.run));
    }
}

TEST_CASE("names beyond ASCII in the code page are found by typing them")
{
    REQUIRE(GetACP() == CP_UTF8);
    const std::wstring root = Wide(TempFolder("sorvane-ansi"));
    RemoveTreeW(root);
    MakeFolderW(root);
    MakeFolderW(root + L"\\\x00C4rger");
    MakeFileW(root + L"\\\x00C4rger\\\x00DC" L"bung \x00E9t\x00E9.txt");
    MakeFileW(root + L"\\caf\x00E9 na\x00EFve.doc");
    MakeFileW(root + L"\\plain.txt");

    Session session("\"" + Ansi(root) + "\"");
    CHECK(WaitForScanEnd(&session.run) == 4);
    REQUIRE(session.ReadyForTyping());
    SUBCASE("a capital typed lower-cases and finds the name in its folder")
    {
        TypeUnicode(L"\x00DC" L"BUNG \x00C9");
        CHECK(SearchTextIs(session, Ansi(L"\x00FC" L"bung \x00E9")));
        CHECK(WaitUntil(
            [&] {
                return session.Results() ==
                       std::vector<std::string>{Ansi(L"\\\x00E4rger\\\x00FC" L"bung \x00E9t\x00E9.txt")};
            },
            3000));
        // The whole path and the name alone, as every reader converts them.
        std::string folder = Ansi(root);
        CharLowerBuffA(&folder[0], (DWORD)folder.size());
        SendMessageA(session.run.window, WM_SYSCOMMAND, IDM_COPY_PATH_TITLE, 0);
        CHECK(ReadClipboardUnicode() == Wide(folder) + L"\\\x00E4rger\\\x00FC" L"bung \x00E9t\x00E9.txt");
        SendMessageA(session.run.window, WM_SYSCOMMAND, IDM_COPY_TITLE, 0);
        CHECK(ReadClipboardUnicode() == L"\x00FC" L"bung \x00E9t\x00E9.txt");
    }
    SUBCASE("two words beyond ASCII in one name")
    {
        TypeUnicode(L"na\x00EFve caf\x00E9");
        CHECK(SearchTextIs(session, Ansi(L"na\x00EFve caf\x00E9")));
        CHECK(WaitUntil(
            [&] {
                return session.Results() == std::vector<std::string>{Ansi(L"\\caf\x00E9 na\x00EFve.doc")};
            },
            3000));
    }
    RemoveTreeW(root);
}

TEST_CASE("a tree deeper than MAX_PATH is scanned as far as it can be listed")
{
    const std::wstring root = Wide(TempFolder("sorvane-deep"));
    RemoveTreeW(root);
    MakeFolderW(root);
    // Forty levels of 20-character names, a file at each: about 840 characters.
    std::wstring folder = root;
    const int levels = 40;
    for (int i = 0; i < levels; ++i) {
        wchar_t name[32];
        wsprintfW(name, L"\\level-%02d-xxxxxxxxxxxx", i);
        folder += name;
        MakeFolderW(folder);
        MakeFileW(folder + L"\\f.txt");
    }
    REQUIRE(GetFileAttributesW((L"\\\\?\\" + folder + L"\\f.txt").c_str()) !=
            INVALID_FILE_ATTRIBUTES);

    Session session("\"" + Ansi(root) + "\"");
    const int loaded = WaitForScanEnd(&session.run);
    // Every level whose folder is listable with the ANSI functions is in, and
    // nothing is counted twice.
    const int reachable = (int)((MAX_PATH - root.size()) / 21);
    CHECK(loaded >= 2 * (reachable - 1));
    CHECK(loaded <= 2 * levels);
    CHECK(session.Answers());
    // Every entry from the sixth level down, and nothing above it.
    REQUIRE(session.ReadyForTyping());
    TypeText("level-05");
    CHECK(SearchTextIs(session, "level-05"));
    CHECK(WaitUntil([&] { return (int)session.Results().size() == loaded - 10; }, 3000));
    CHECK(Rescan(session) == loaded);
    RemoveTreeW(root);
}

// root made anew with folders d0, d1, ..., each holding filesEach files.
void MakeFlatTree(const std::string& root, int folders, int filesEach)
{
    RemoveTreeW(Wide(root));
    CreateDirectoryA(root.c_str(), NULL);
    for (int i = 0; i < folders; ++i) {
        const std::string folder = root + "\\d" + std::to_string(i);
        CreateDirectoryA(folder.c_str(), NULL);
        for (int j = 0; j < filesEach; ++j) {
            HANDLE file = CreateFileA((folder + "\\f" + std::to_string(j)).c_str(), GENERIC_WRITE, 0,
                                      NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            CloseHandle(file);
        }
    }
}

TEST_CASE("folders removed while they are being scanned end the scan normally")
{
    const std::string root = TempFolder("sorvane-vanish");
    const int folders = 60;
    const int filesEach = 60;
    MakeFlatTree(root, folders, filesEach);
    Session session("");
    int removed = 0;
    for (int round = 0; round < 4; ++round) {
        CAPTURE(round);
        MarkStatus(session);
        REQUIRE(DropPaths(&session.run, {root}));
        // Half the folders go while the scan runs; whatever it still sees of
        // them is counted, the rest is not.
        for (int i = folders - 1 - round; i >= folders / 2; i -= 4) {
            RemoveTreeW(Wide(root + "\\d" + std::to_string(i)));
            ++removed;
        }
        const int loaded = WaitForScanEnd(&session.run, 30000);
        CHECK(loaded >= 0);
        CHECK(loaded <= folders * (filesEach + 1));
        CHECK(session.Answers());
    }
    // A quiet rescan counts exactly what is left.
    const int left = CountBelow(root);
    MESSAGE(left << " entries left on the disk, " << (folders - removed) * (filesEach + 1)
                 << " if every removal took");
    CHECK(Rescan(session) == left);
    RemoveTreeW(Wide(root));
}

// Sets a folder's Unix permission bits: Wine has no way of its own to make a
// folder unreadable, but it starts a Unix program when asked to.
int SetUnixMode(const std::string& folder, const char* mode)
{
    typedef char*(CDECL * UnixName)(LPCWSTR);
    const UnixName unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(Wide(folder).c_str()) : NULL;
    if (!name)
        return 0;
    std::string command = std::string("/bin/chmod ") + mode + " \"" + name + "\"";
    HeapFree(GetProcessHeap(), 0, name);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\chmod", &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return 0;
    WaitForSingleObject(process.hProcess, ScaledWait(10000));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

int CanList(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return 1;
}

// The test scripts take from root the right to read what it may not, so
// that these folders are really unreadable; where they still can be read,
// the scan must count them whole.
TEST_CASE("folders made unreadable while they are being scanned are counted without their contents")
{
    const std::string root = TempFolder("sorvane-unreadable");
    const int folders = 40;
    const int filesEach = 60;
    for (int i = 0; i < folders; ++i)
        SetUnixMode(root + "\\d" + std::to_string(i), "755");
    MakeFlatTree(root, folders, filesEach);
    Session session("");
    for (int round = 0; round < 2; ++round) {
        CAPTURE(round);
        MarkStatus(session);
        REQUIRE(DropPaths(&session.run, {root}));
        // Every fourth folder from the back, while the scan runs.
        for (int i = folders - 1 - round; i >= folders / 2; i -= 4)
            REQUIRE(SetUnixMode(root + "\\d" + std::to_string(i), "000"));
        const int loaded = WaitForScanEnd(&session.run, 30000);
        CHECK(loaded >= folders);
        CHECK(loaded <= folders * (filesEach + 1));
        CHECK(session.Answers());
    }
    int unreadable = 0;
    for (int i = 0; i < folders; ++i)
        unreadable += !CanList(root + "\\d" + std::to_string(i));
    MESSAGE(unreadable << " of " << folders << " folders unreadable");
    const int left = CountBelow(root);
    CHECK(Rescan(session) == left);
    CHECK(session.Answers());
    for (int i = 0; i < folders; ++i)
        SetUnixMode(root + "\\d" + std::to_string(i), "755");
    RemoveTreeW(Wide(root));
}

TEST_CASE("start-up paths longer than a path buffer are refused, not cut to another folder")
{
    LittleTree tree;
    // Cut to 258 characters, this path would end inside a name below the
    // tree and so load the tree itself, which was never asked for.
    const std::string deep = tree.root + "\\" + std::string(250, 'd');
    const std::string asked = deep + "\\" + std::string(300 - deep.size() - 1, 'e');
    REQUIRE(asked.size() == 300);

    SUBCASE("300 characters")
    {
        Session session("\"" + asked + "\"");
        CHECK(WaitUntil([&] { return session.Status() != "Please select a drive."; }, 5000));
        CHECK(session.Status().find("Loaded") == std::string::npos);
        CHECK(!IsScanning(&session.run));
        CHECK(session.Answers());
    }
    SUBCASE("32,000 characters")
    {
        std::string huge = tree.root;
        while (huge.size() + 11 < 32000)
            huge += "\\abcdefghij";
        huge.resize(32000, 'x');
        Session session("\"" + huge + "\"");
        CHECK(WaitUntil([&] { return session.Status() != "Please select a drive."; }, 5000));
        CHECK(session.Status().find("Loaded") == std::string::npos);
        CHECK(session.Answers());
        // The title holds the product name still.
        CHECK(WindowText(session.run.window).compare(0, 7, "Sorvane") == 0);
    }
    SUBCASE("a dropped path of 300 characters")
    {
        Session session("");
        REQUIRE(DropPaths(&session.run, {asked}));
        CHECK(WaitUntil([&] { return session.Status() != "Please select a drive."; }, 5000));
        CHECK(session.Status().find("Loaded") == std::string::npos);
        CHECK(session.Answers());
    }
    SUBCASE("a dropped path that does not exist, with no folder part")
    {
        Session session("");
        REQUIRE(DropPaths(&session.run, {"no-such-name-anywhere"}));
        CHECK(WaitUntil([&] { return session.Status() != "Please select a drive."; }, 5000));
        CHECK(!IsScanning(&session.run));
        CHECK(session.Status().find("Loaded") == std::string::npos);
        CHECK(session.Answers());
    }
}

TEST_CASE("a query of 1,000 characters, typed or pasted, filters and leaves the program answering")
{
    LittleTree tree;
    Session session("\"" + tree.root + "\"");
    REQUIRE(WaitForScanEnd(&session.run) == 2);
    const HWND box = session.Control(IDC_SEARCH_BOX);
    REQUIRE(session.ReadyForTyping());
    SUBCASE("typed")
    {
        // Many words, each in every name or not: one long word at the end
        // that no name holds empties the list. Every key arrives, however
        // long the program takes to filter.
        const std::string words(992, 'o');
        TypeText(words.c_str());
        REQUIRE(WaitUntil([&] { return ControlText(session.run.window, IDC_SEARCH_BOX) == words; },
                          30000));
        TypeText("onetxtzz");
        CHECK(WaitUntil(
            [&] { return ControlText(session.run.window, IDC_SEARCH_BOX) == words + "onetxtzz"; },
            30000));
        CHECK(session.Answers());
        CHECK(WaitUntil([&] { return session.Results().empty(); }, 5000));
        SendMessageA(box, WM_SETTEXT, 0, (LPARAM) "");
        // A letter in one name only, so that the list shows this query's
        // result and not the empty one's.
        TypeText("w");
        CHECK(SearchTextIs(session, "w"));
        CHECK(WaitUntil([&] { return session.Results() == std::vector<std::string>{"\\two.txt"}; },
                        5000));
    }
    SUBCASE("pasted")
    {
        // One word of 1,000 characters, far longer than any name.
        PutOnClipboard(std::string(1000, 'o'));
        PressKey('V', 1);
        CHECK(session.Answers());
        CHECK(WaitUntil([&] { return ControlText(session.run.window, IDC_SEARCH_BOX).size() == 1000; },
                        5000));
        CHECK(WaitUntil([&] { return session.Results().empty(); }, 5000));
        const std::string spacedWord = std::string(400, ' ') + "one";
        PutOnClipboard(spacedWord);
        SendMessageA(box, WM_SETTEXT, 0, (LPARAM) "");
        PressKey('V', 1);
        CHECK(SearchTextIs(session, spacedWord));
        CHECK(WaitUntil([&] { return session.Results() == std::vector<std::string>{"\\one.txt"}; },
                        5000));
    }
}
