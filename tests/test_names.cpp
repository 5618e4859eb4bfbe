// Names outside the system's ANSI code page: the programs declare UTF-8 as
// their code page, and such a name goes from the disk to the list, the
// search, the shell, the clipboard, the title and the other copies whole.
// Names are made and compared in UTF-16, through the platform's own
// conversions, never through the program's.
#include <doctest/doctest.h>

#include <windows.h>

#include <wchar.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/base/character_boundary.h"
#include "harness/program_driver.h"
#include "integration/settings.h"
#include "main_window_fixture.h"
#include "program_session.h"
#include "recording_associations.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 4 + 1, '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &bytes[0],
                                           (int)bytes.size(), NULL, NULL);
    bytes.resize(length > 0 ? (size_t)length : 0);
    return bytes;
}

std::wstring FromUtf8(const std::string& bytes)
{
    std::wstring text(bytes.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.c_str(),
                                           (int)bytes.size(), &text[0], (int)text.size());
    text.resize(length > 0 ? (size_t)length : 0);
    return text;
}

std::wstring Lower(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(&text[0], (DWORD)text.size());
    return text;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1100] = {0};
    SendMessageTimeoutW(window, WM_GETTEXT, 1100, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        ScaledWait(5000), NULL);
    return text;
}

void EmptyClipboardNow()
{
    if (OpenClipboard(NULL)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The application manifest of a program file, or empty.
std::string ManifestOf(const std::string& file)
{
    std::string text;
    HMODULE module = LoadLibraryExA(file.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : NULL;
    if (bytes)
        text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

// A tree made with the UTF-16 functions, so that its names are the real ones
// whatever this process's code page; removed again at the end.
struct WideTree {
    std::wstring root;
    explicit WideTree(const wchar_t* name)
    {
        wchar_t temp[MAX_PATH] = {0};
        GetTempPathW(MAX_PATH, temp);
        root = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
        Remove(root);
        CreateDirectoryW(root.c_str(), NULL);
    }
    ~WideTree() { Remove(root); }
    // relative ending with a backslash makes a folder, else an empty file.
    void Add(const std::wstring& relative)
    {
        std::wstring path = root + L"\\" + relative;
        if (path.back() == L'\\') {
            path.pop_back();
            CreateDirectoryW(path.c_str(), NULL);
            return;
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    static void Remove(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }
};

const std::wstring reportFolder = L"\x041E\x0442\x0447\x0451\x0442\x044B\\";  // Отчёты
const std::wstring reportFile = reportFolder + L"\x041E\x0442\x0447\x0451\x0442 2025.sorvtest";
const std::wstring greekFile = L"\x0395\x03BB\x03BB\x03AC\x03B4\x03B1.sorvtest";  // Ελλάδα
const std::wstring cjkFile = L"\x5831\x544A\x66F8.sorvtest";                     // 報告書
const std::wstring emojiFile = L"\xD83D\xDE00smile.sorvtest";
const std::wstring capitalsFile = L"\x00C9T\x00C9 \x00C0 NO\x00CBL.sorvtest";  // ÉTÉ À NOËL
const int namesTreeEntries = 6;

struct NamesTree : WideTree {
    NamesTree() : WideTree(L"sorvane-\x540D\x524D-")  // 名前
    {
        for (const std::wstring& name : {reportFolder, reportFile, greekFile, cjkFile, emojiFile,
                                         capitalsFile})
            Add(name);
    }
    std::string Argument() const { return "\"" + Utf8(root) + "\""; }
};

int SearchTextIs(const Session& session, const std::wstring& text)
{
    if (WaitUntil([&] { return TextOf(session.Control(IDC_SEARCH_BOX)) == text; }, 5000))
        return 1;
    MESSAGE("the search box holds " << Utf8(TextOf(session.Control(IDC_SEARCH_BOX))) << ", not "
                                    << Utf8(text));
    return 0;
}

int ResultsAre(const Session& session, std::vector<std::wstring> expected)
{
    std::vector<std::string> wanted;
    for (const std::wstring& item : expected)
        wanted.push_back(Utf8(Lower(L"\\" + item)));
    std::sort(wanted.begin(), wanted.end());
    return WaitUntil(
        [&] {
            std::vector<std::string> shown = session.Results();
            std::sort(shown.begin(), shown.end());
            return shown == wanted;
        },
        5000);
}

// Right-clicks the first result and waits for its pop-up; null when none
// opened.
HWND OpenPopup(Session& session)
{
    const HWND list = session.Control(IDC_RESULT_LIST);
    const int rowHeight = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    // Each time elsewhere on the item: two right clicks in one place soon
    // after each other would make a double click, which opens no pop-up.
    static int shift = 0;
    shift = (shift + 1) % 8;
    ClickAt(list, 10 + 12 * shift, rowHeight / 2, VK_RBUTTON);
    HWND popup = NULL;
    WaitUntil([&] { return (popup = PopupMenuOf(&session.run)) != NULL; }, 5000);
    return popup;
}

// Chooses row of the first result's pop-up.
int ChooseFromPopup(Session& session, int row)
{
    if (!OpenPopup(session)) {
        MESSAGE("no pop-up opened");
        return 0;
    }
    if (!HighlightMenuRow(&session.run, row)) {
        MESSAGE("the highlight stays at row " << HighlightedMenuRow(PopupMenuOf(&session.run)));
        return 0;
    }
    PressKey(VK_RETURN);
    return WaitUntil([&] { return PopupMenuOf(&session.run) == NULL; }, 5000);
}

}  // namespace

TEST_CASE("both programs declare UTF-8, the system's DPI and the common controls 6")
{
    const std::string program = ProgramPath();
    const std::string folder = program.substr(0, program.find_last_of('\\'));
    char self[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, self, sizeof(self));
    // The shipped 32-bit program is built beside the one that runs here.
    for (const std::string& file :
         {program, folder + "\\..\\i686\\sorvane.exe", std::string(self)}) {
        CAPTURE(file);
        const std::string manifest = ManifestOf(file);
        REQUIRE(!manifest.empty());
        for (const char* part :
             {"name='" SORVANE_COMPANY_NAME "." SORVANE_PRODUCT_NAME "'",
              "version='" SORVANE_VERSION_TEXT "'", "level='asInvoker'",
              ">true</dpiAware>", ">UTF-8</activeCodePage>",
              "name='Microsoft.Windows.Common-Controls' version='6.0.0.0'",
              "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
              "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
            CAPTURE(part);
            CHECK(manifest.find(part) != std::string::npos);
        }
    }
    // The system honours it: this process, with the same manifest, runs in
    // UTF-8, and its standard controls are those of version 6.
    MESSAGE("GetACP " << GetACP());
    CHECK(GetACP() == CP_UTF8);
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    CHECK(IsWindowUnicode(GetDlgItem(fixture.window, IDC_STATUS)));
    // The subclassed ones too: through an A procedure a typed letter of
    // another script would arrive as "?".
    CHECK(IsWindowUnicode(fixture.searchBox));
    CHECK(IsWindowUnicode(fixture.resultList));
}

TEST_CASE("a cut never splits a character in two")
{
    SUBCASE("the boundary at or before a cut")
    {
        // "é" is 2 bytes, "€" 3, the emoji 4; continuation bytes lead back.
        const std::string text = "a" "\xC3\xA9" "\xE2\x82\xAC" "\xF0\x9F\x98\x80" "z";
        const unsigned boundaries[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11};
        for (unsigned length = 0; length <= text.size(); ++length) {
            CAPTURE(length);
            CHECK(CharacterBoundary(text.c_str(), length) == boundaries[length]);
        }
        // Bytes that begin no whole character are the text's own: kept.
        CHECK(CharacterBoundary("\x80\x80\x80\x80", 4) == 4);
        CHECK(CharacterBoundary("a\xFF", 2) == 2);
    }
    SUBCASE("a title too long for its room ends with a whole character")
    {
        MainWindowFixture fixture;
        REQUIRE(fixture.window);
        // 400 times "ж" (2 bytes) after "Sorvane - Linked - [" (20 bytes):
        // the room of 515 bytes ends inside the 248th letter.
        std::wstring root(400, L'\x0436');
        presentationState->SetLinkMode(1);
        presentationState->UpdateTitle("Sorvane", Utf8(root).c_str());
        const std::wstring title = TextOf(fixture.window);
        CHECK(title == L"Sorvane - Linked - [" + std::wstring(247, L'\x0436'));
        presentationState->SetLinkMode(0);
    }
}

TEST_CASE("names outside the code page are listed, found, opened and copied as they are")
{
    RecordingAssociations associations;  // before the start: the program inherits its record file
    NamesTree tree;
    Session session(tree.Argument());
    REQUIRE(WaitForScanEnd(&session.run) == namesTreeEntries);
    REQUIRE(session.ReadyForTyping());
    const std::string lowerRoot = Utf8(Lower(tree.root));

    SUBCASE("every item reads back as the lower-cased real name")
    {
        CHECK(ResultsAre(session, {reportFolder, reportFile, greekFile, cjkFile, emojiFile,
                                   capitalsFile}));
        // The title shows the root as it was given, in its own letters.
        CHECK(TextOf(session.run.window) == L"Sorvane - [" + tree.root + L"]");
        // Each item is whole UTF-8: it converts back without a fault.
        for (const std::string& item : session.Results())
            CHECK(FromUtf8(item).size() > 1);
        MESSAGE("an item's bytes: " << session.Results()[0]);
    }
    SUBCASE("a typed name in capitals finds exactly its items, and Enter opens the file")
    {
        TypeUnicode(L"\x041E\x0422\x0427\x0401\x0422 2025");  // ОТЧЁТ 2025
        CHECK(SearchTextIs(session, Lower(L"\x041E\x0422\x0427\x0401\x0422 2025")));
        REQUIRE(ResultsAre(session, {reportFile}));
        PressKey(VK_RETURN);
        CHECK(associations.Recorded() == Utf8(Lower(tree.root + L"\\" + reportFile)));
    }
    SUBCASE("accented capitals and lower case find the same item")
    {
        TypeUnicode(L"\x00C9T\x00C9 \x00E0");
        CHECK(SearchTextIs(session, L"\x00E9t\x00E9 \x00E0"));
        CHECK(ResultsAre(session, {capitalsFile}));
    }
    SUBCASE("an emoji is a word like any other")
    {
        TypeUnicode(L"\xD83D\xDE00");
        CHECK(ResultsAre(session, {emojiFile}));
    }
    SUBCASE("the pop-up's copies give the real text in UTF-16")
    {
        TypeUnicode(L"\x5831\x544A");  // 報告
        REQUIRE(ResultsAre(session, {cjkFile}));
        const std::wstring folder = Lower(tree.root);
        // Path and title, title, path (the folder), list: rows 0 to 3.
        const std::wstring copies[] = {folder + L"\\" + cjkFile, cjkFile, folder + L"\\",
                                       folder + L"\\" + cjkFile + L"\r\n"};
        for (int row = 0; row < 4; ++row) {
            CAPTURE(row);
            EmptyClipboardNow();
            REQUIRE(ChooseFromPopup(session, row));
            CHECK(WaitUntil([&] { return ReadClipboardUnicode() == copies[row]; }, 5000));
            // What a reader of CF_TEXT gets is made by the clipboard from the
            // UTF-16 text, in the reader's code page.
            MESSAGE("CF_UNICODETEXT " << Utf8(ReadClipboardUnicode()) << ", CF_TEXT "
                                      << ReadClipboardText());
        }
    }
    SUBCASE("the shell's own menu opens for such a name")
    {
        TypeUnicode(L"\x03B5\x03BB\x03BB");  // ελλ
        REQUIRE(ResultsAre(session, {greekFile}));
        // The pop-up with the shell's items first (the default mode), then
        // the program's own five alone: the shell adds its items only when
        // it knows the file.
        HWND popup = OpenPopup(session);
        REQUIRE(popup);
        RECT extended;
        GetWindowRect(popup, &extended);
        PressKey(VK_ESCAPE);
        REQUIRE(WaitUntil([&] { return PopupMenuOf(&session.run) == NULL; }, 5000));
        PressKey('M', 1);  // Ctrl+M: the simple menu; the next pop-up shows it was taken
        popup = OpenPopup(session);
        REQUIRE(popup);
        RECT simple = extended;
        CHECK(WaitUntil(
            [&] {
                return GetWindowRect(popup, &simple) &&
                       extended.bottom - extended.top > simple.bottom - simple.top;
            },
            5000));
        PressKey(VK_ESCAPE);
        CHECK(WaitUntil([&] { return PopupMenuOf(&session.run) == NULL; }, 5000));
    }
}

TEST_CASE("a dropped folder with such a name is scanned and shown in the title")
{
    NamesTree tree;
    Session session("");
    REQUIRE(DropPaths(&session.run, {Utf8(tree.root + L"\\" + reportFolder)}));
    CHECK(WaitForScanEnd(&session.run) == 1);
    std::wstring folder = tree.root + L"\\" + reportFolder;
    folder.pop_back();
    CHECK(TextOf(session.run.window) == L"Sorvane - [" + folder + L"]");
    CHECK(session.Results() == std::vector<std::string>{Utf8(Lower(L"\\" + reportFile.substr(reportFolder.size())))});
}

TEST_CASE("linked copies carry such a query, cut only between characters")
{
    NamesTree tree;
    ClearStoredSettings();
    WriteSettingNumber(SettingLinkMode, 1);
    Session sender(tree.Argument(), 0);
    REQUIRE(WaitForScanEnd(&sender.run) == namesTreeEntries);
    Session receiver(tree.Argument(), 0);
    REQUIRE(WaitForScanEnd(&receiver.run) == namesTreeEntries);
    BringToFront(&sender.run);
    REQUIRE(sender.ReadyForTyping());

    SUBCASE("a typed query reaches the other copy and filters there")
    {
        TypeUnicode(L"\x0395\x039B\x039B\x0386\x0394\x0391");  // ΕΛΛΆΔΑ
        const std::wstring lower = L"\x03B5\x03BB\x03BB\x03AC\x03B4\x03B1";
        CHECK(SearchTextIs(sender, lower));
        CHECK(SearchTextIs(receiver, lower));
        CHECK(ResultsAre(receiver, {greekFile}));
    }
    SUBCASE("the record's 253 bytes end before a letter that does not fit whole")
    {
        // 252 bytes and a 2-byte letter: the letter would be cut in half.
        const std::wstring query = std::wstring(252, L'a') + L"\x00E9";
        SendMessageW(sender.Control(IDC_SEARCH_BOX), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(query.c_str()));
        CHECK(SearchTextIs(sender, query));
        CHECK(SearchTextIs(receiver, std::wstring(252, L'a')));
        // One byte shorter, it fits whole.
        const std::wstring fits = std::wstring(251, L'b') + L"\x00E9";
        SendMessageW(sender.Control(IDC_SEARCH_BOX), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(fits.c_str()));
        CHECK(SearchTextIs(receiver, fits));
    }
    ClearStoredSettings();
}
