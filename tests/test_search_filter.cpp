#include <doctest/doctest.h>

#include <windows.h>

#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "catalogue/display_text.h"
#include "catalogue/search_filter.h"

static int Filter(CatalogueFixture& fixture, const char* query, int mode = searchFull)
{
    fixture.SetQuery(query);
    return FilterCatalogue(resultListLimit, mode, 0, fixture.window, fixture.resultList);
}

static std::string CopyList(CatalogueFixture& fixture, const char* query, int mode = searchFull)
{
    fixture.SetQuery(query);
    copyListBuffer->Clear();
    FilterCatalogue(copyListLimit, mode, 1, fixture.window, fixture.resultList);
    return copyListBuffer->Data();
}

// The list's items as the entries they point at.
static std::vector<std::string> ItemEntries(CatalogueFixture& fixture)
{
    std::vector<std::string> entries;
    for (int i = 0; i < fixture.ItemCount(); ++i)
        entries.push_back(fixture.ItemEntry(i));
    return entries;
}

TEST_CASE("the list stops at 101 results while Copy List collects every match")
{
    CatalogueFixture fixture;
    fixture.SetRoot("c:");
    std::vector<char*> matching;
    for (int i = 0; i < 150; ++i) {
        matching.push_back(fixture.Add(("c:\\data\\match-" + std::to_string(i) + ".txt").c_str()));
        if (i % 3 == 0)
            fixture.Add(("c:\\other\\file-" + std::to_string(i) + ".log").c_str());
    }

    CHECK(Filter(fixture, "match") == 101);
    REQUIRE(fixture.ItemCount() == 101);
    for (int i = 0; i < 101; ++i) {
        CHECK(fixture.ItemEntry(i) == matching[i]);
        CHECK(fixture.ItemText(i) == "\\data\\match-" + std::to_string(i) + ".txt");
    }
    CHECK(SendMessageA(fixture.resultList, LB_GETCURSEL, 0, 0) == 0);

    std::string expected;
    for (char* entry : matching)
        expected += std::string(entry) + "\r\n";
    CHECK(CopyList(fixture, "match") == expected);
    // Copy List leaves the list as it was.
    CHECK(fixture.ItemCount() == 101);
    CHECK(fixture.ItemText(0) == "\\data\\match-0.txt");
}

TEST_CASE("an empty or blank query lists the first entries in catalogue order in every mode")
{
    CatalogueFixture fixture;
    fixture.SetRoot("c:");
    std::vector<std::string> entries;
    for (int i = 0; i < 120; ++i) {
        std::string entry = "c:\\e" + std::to_string(i) + (i % 2 ? "\\" : ".txt");
        fixture.Add(entry.c_str());
        entries.push_back(entry);
    }
    std::vector<std::string> first101(entries.begin(), entries.begin() + 101);
    for (int mode = 0; mode <= 2; ++mode)
        for (const char* query : {"", " ", "   "}) {
            INFO("mode " << mode << " query \"" << doctest::String(query) << "\"");
            Filter(fixture, query, mode);
            CHECK(ItemEntries(fixture) == first101);
            CHECK(SendMessageA(fixture.resultList, LB_GETCURSEL, 0, 0) == 0);
        }
}

TEST_CASE("a query without a match empties the list and selects nothing")
{
    CatalogueFixture fixture;
    fixture.SetRoot("c:");
    fixture.Add("c:\\data\\report.txt");
    Filter(fixture, "report");
    REQUIRE(fixture.ItemCount() == 1);
    CHECK(Filter(fixture, "absent") == 0);
    CHECK(fixture.ItemCount() == 0);
    CHECK(SendMessageA(fixture.resultList, LB_GETCURSEL, 0, 0) == LB_ERR);
    CHECK(CopyList(fixture, "absent") == "");
}

TEST_CASE("words match in any order, split at spaces alone, and only the first ten count")
{
    CatalogueFixture fixture;
    fixture.SetRoot("c:");
    const char* report = fixture.Add("c:\\data\\report.txt");
    const char* repo = fixture.Add("c:\\repo\\");
    const char* tabbed = fixture.Add("c:\\odd\\rep\ttxt");
    const char* tenWords = fixture.Add("c:\\w0w1w2w3w4w5w6w7w8w9");
    fixture.Add("c:\\w0w1w2w3w4w5w6w7w8");

    SUBCASE("order and repeated separators do not matter")
    {
        std::vector<std::string> both{report, tabbed};
        for (const char* query : {"rep txt", "txt rep", "txt   rep", " rep txt", "rep txt "}) {
            INFO("query \"" << doctest::String(query) << "\"");
            Filter(fixture, query, searchFiles);
            CHECK(ItemEntries(fixture) == both);
        }
    }
    SUBCASE("a leading space changes nothing")
    {
        Filter(fixture, "rep");
        std::vector<std::string> plain = ItemEntries(fixture);
        CHECK(plain == std::vector<std::string>{report, repo, tabbed});
        Filter(fixture, " rep");
        CHECK(ItemEntries(fixture) == plain);
    }
    SUBCASE("a tab joins two words into one")
    {
        Filter(fixture, "rep\ttxt");
        CHECK(ItemEntries(fixture) == std::vector<std::string>{tabbed});
    }
    SUBCASE("words after the tenth are ignored")
    {
        Filter(fixture, "w0 w1 w2 w3 w4 w5 w6 w7 w8 w9 absent1 absent2");
        CHECK(ItemEntries(fixture) == std::vector<std::string>{tenWords});
    }
    SUBCASE("the mode reaches the filter")
    {
        Filter(fixture, "rep", searchFolders);
        CHECK(ItemEntries(fixture) == std::vector<std::string>{repo});
        CHECK(CopyList(fixture, "rep", searchFiles) ==
              std::string(report) + "\r\n" + tabbed + "\r\n");
    }
}

// The width of text in the list's own font, as the platform measures it.
// The width of text as the list draws it: in its font and in UTF-16, the
// process's code page converted by the platform. ansi: through the A
// function instead, which reads the bytes in the system's code page.
static int TextWidth(HWND list, const std::string& text, int ansi = 0)
{
    HDC dc = GetDC(list);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
    SIZE size = {0, 0};
    std::vector<WCHAR> wide(text.size() + 1);
    const int count = MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), wide.data(),
                                          (int)wide.size());
    if (ansi)
        GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size);
    else
        GetTextExtentPoint32W(dc, wide.data(), count, &size);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(list, dc);
    return size.cx;
}

TEST_CASE("the horizontal extent is the widest display text in the list's font, never below "
          "the list's width")
{
    CatalogueFixture fixture;
    fixture.SetRoot("D:\\Work");
    RECT client;
    GetClientRect(fixture.resultList, &client);
    auto extent = [&]() {
        return (int)SendMessageA(fixture.resultList, LB_GETHORIZONTALEXTENT, 0, 0);
    };

    SUBCASE("texts narrower than the list")
    {
        fixture.Add("d:\\work\\a.txt");
        Filter(fixture, "a.txt");
        CHECK(fixture.ItemText(0) == "\\a.txt");
        CHECK(extent() == client.right);
    }

    SUBCASE("the widest of many, which is not the longest, in a large font of the list")
    {
        HFONT font =
            CreateFontA(-36, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
        REQUIRE(font);
        SendMessageA(fixture.resultList, WM_SETFONT, (WPARAM)font, FALSE);
        // Wide and narrow letters in changing measure: widths that rise, fall
        // and come close to one another, where the longest text is narrow.
        std::vector<std::string> texts;
        for (int i = 0; i < 60; ++i) {
            std::string name = "\\" + std::string(20 + (i * 7) % 23, 'i') +
                               std::string((i * 5) % 17, 'w') + std::string(i % 3, 'm') + ".txt";
            fixture.Add(("d:\\work" + name).c_str());
            texts.push_back(name);
        }
        const std::string longest = "\\" + std::string(70, 'i');
        fixture.Add(("d:\\work" + longest).c_str());
        texts.push_back(longest);

        Filter(fixture, "");
        int widest = 0;
        int widestItem = -1;
        for (int i = 0; i < (int)texts.size(); ++i) {
            REQUIRE(fixture.ItemText(i) == texts[i]);
            int width = TextWidth(fixture.resultList, texts[i]);
            if (width > widest) {
                widest = width;
                widestItem = i;
            }
        }
        CHECK(widest > client.right);
        CHECK(widestItem != (int)texts.size() - 1);
        CHECK(extent() == widest);

        SendMessageA(fixture.resultList, WM_SETFONT, 0, FALSE);
        DeleteObject(font);
    }

    SUBCASE("letters outside the system's code page, measured as they are drawn")
    {
        HFONT font =
            CreateFontA(-36, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
        REQUIRE(font);
        SendMessageA(fixture.resultList, WM_SETFONT, (WPARAM)font, FALSE);
        // Cyrillic "ж" (2 bytes in UTF-8) between ASCII letters.
        std::string name = "\\";
        for (int i = 0; i < 30; ++i)
            name += "i\xD0\xB6";
        fixture.Add(("d:\\work" + name).c_str());
        Filter(fixture, "");
        REQUIRE(fixture.ItemText(0) == name);
        const int width = TextWidth(fixture.resultList, name);
        CHECK(width > client.right);
        // The bytes read in the system's code page would be other letters.
        CHECK(TextWidth(fixture.resultList, name, 1) != width);
        CHECK(extent() == width);
        SendMessageA(fixture.resultList, WM_SETFONT, 0, FALSE);
        DeleteObject(font);
    }
}

// Passes made from inside the scanner's progress reports, when the catalogue
// holds exactly scanCount entries and the scanner waits without the lock.
static CatalogueFixture* scanningFixture;
static int passesDuringScan;
static int inconsistentPasses;

// 1 when the list shows the first matches of the catalogue as it is now, in
// order, with their display texts. Takes the lock like any catalogue reader.
static int ListIsPrefixOfMatches(CatalogueFixture* fixture, const char* word)
{
    WaitForSingleObject(catalogueLock, INFINITE);
    std::vector<std::string> matches;
    for (const std::string& entry : fixture->Entries())
        if (entry.find(word) != std::string::npos)
            matches.push_back(entry);
    ReleaseMutex(catalogueLock);
    int items = fixture->ItemCount();
    if (items > 101 || (size_t)items > matches.size())
        return 0;
    size_t rootLength = strlen(scanPath);
    for (int i = 0; i < items; ++i)
        if (fixture->ItemEntry(i) != matches[i] ||
            fixture->ItemText(i) != matches[i].substr(rootLength))
            return 0;
    return 1;
}

static void FilterAtProgress(const char* text)
{
    if (!keepScanning || text[0] < '0' || text[0] > '9')
        return;
    ++passesDuringScan;
    int count = catalogue->Count();
    if (count != scanCount)
        ++inconsistentPasses;
    Filter(*scanningFixture, "");
    if (scanningFixture->ItemCount() != 101 || !ListIsPrefixOfMatches(scanningFixture, ""))
        ++inconsistentPasses;
    std::string copied = CopyList(*scanningFixture, "f1");
    std::string expected;
    for (const std::string& entry : scanningFixture->Entries())
        if (entry.find("f1") != std::string::npos)
            expected += entry + "\r\n";
    if (copied != expected)
        ++inconsistentPasses;
}

static void FilterWhileWaiting(CatalogueFixture* fixture)
{
    Filter(*fixture, "f2");
    if (!ListIsPrefixOfMatches(fixture, "f2"))
        ++inconsistentPasses;
}

TEST_CASE("filtering while the scanner still adds entries sees a consistent catalogue")
{
    TempTree tree("FilterWhileScanning");
    tree.AddFoldersOfFiles(4, 300);
    CatalogueFixture fixture;
    scanningFixture = &fixture;
    passesDuringScan = 0;
    inconsistentPasses = 0;
    fixtureState.statusHook = FilterAtProgress;
    REQUIRE(fixture.WaitForScan(fixture.StartScan(tree.root.c_str()), FilterWhileWaiting));
    CHECK(passesDuringScan == 4);
    CHECK(inconsistentPasses == 0);

    // The pass after the scan sees everything.
    CHECK(Filter(fixture, "") == 101);
    CHECK(CopyList(fixture, "f29").size() > 0);
    CHECK(ListIsPrefixOfMatches(&fixture, ""));
    CHECK(scanCount == 1204);
}

TEST_CASE("the display text strips the root whatever its case, within its buffer")
{
    char out[1100];
    SUBCASE("a mixed-case root strips the lower-case entry's start")
    {
        CHECK(MakeDisplayText("D:\\Work", "d:\\work\\a.txt", out, displayTextSize) == 6);
        CHECK(std::string(out) == "\\a.txt");
        MakeDisplayText("c:", "c:\\windows\\", out, displayTextSize);
        CHECK(std::string(out) == "\\windows\\");
    }
    SUBCASE("only the common start goes; an empty root strips nothing")
    {
        MakeDisplayText("c:\\wor", "c:\\work\\a.txt", out, displayTextSize);
        CHECK(std::string(out) == "k\\a.txt");
        MakeDisplayText("", "c:\\a.txt", out, displayTextSize);
        CHECK(std::string(out) == "c:\\a.txt");
        MakeDisplayText("c:\\a.txt\\more", "c:\\a.txt", out, displayTextSize);
        CHECK(std::string(out) == "");
    }
    SUBCASE("an entry longer than the buffer is cut, never written past it")
    {
        std::string entry = "c:\\" + std::string(5000, 'n');
        memset(out, 0x5A, sizeof(out));
        CHECK(MakeDisplayText("c:", entry.c_str(), out, displayTextSize) == displayTextSize - 1);
        CHECK(out[displayTextSize - 1] == 0);
        CHECK(out[0] == '\\');
        CHECK(out[displayTextSize - 2] == 'n');
        for (unsigned i = displayTextSize; i < sizeof(out); ++i)
            CHECK(out[i] == 0x5A);
    }
}

// The entry of the second catalogue below: names of many lengths.
static std::string ReusedEntry(int i)
{
    return "c:\\scan\\folder-" + std::to_string(i % 50) + std::string(i % 7 * 9, 'x') + "\\file-" +
           std::to_string(i) + ".txt";
}

TEST_CASE("a catalogue in heap blocks freed and taken again filters as one in fresh blocks")
{
    // The walk prefetches by address, counting on entries and nodes lying
    // in the order they were allocated; after a rescan into a heap full of
    // holes they do not, and that may cost time, never a result.
    CatalogueFixture fixture;
    fixture.SetRoot("c:");
    for (int i = 0; i < 4000; ++i)
        fixture.Add(ReusedEntry(i).c_str());
    fixture.Empty();
    std::vector<void*> others;
    for (int i = 0; i < 3000; ++i)
        others.push_back(AllocZeroed(16 + (unsigned)(i * 37 % 300)));
    for (size_t i = 1; i < others.size(); i += 2)
        FreeBlock(others[i]);
    for (int i = 0; i < 4000; ++i)
        fixture.Add(ReusedEntry(i * 7919 % 4000).c_str());

    std::vector<std::string> entries = fixture.Entries();
    CHECK(entries.size() == 4000);
    int backwards = 0;
    for (ListNode* node = catalogue->Head(); node && node->next; node = node->next)
        backwards += reinterpret_cast<uintptr_t>(node->next->data) <
                     reinterpret_cast<uintptr_t>(node->data);
    CHECK(backwards > 0);  // the heap is out of order indeed

    const char* const queries[] = {"file-39", "folder-7x file-1", "zz", ""};
    for (const char* query : queries) {
        CAPTURE(query);
        std::vector<std::string> matches;
        std::string copied;
        std::vector<std::string> words;
        std::string rest = query;
        for (size_t at; (at = rest.find(' ')) != std::string::npos; rest.erase(0, at + 1))
            words.push_back(rest.substr(0, at));
        words.push_back(rest);
        for (const std::string& entry : entries) {
            int all = 1;
            for (const std::string& word : words)
                all &= entry.find(word) != std::string::npos;
            if (all) {
                matches.push_back(entry);
                copied += entry + "\r\n";
            }
        }
        CHECK(Filter(fixture, query) == (int)std::min<size_t>(matches.size(), 101));
        std::vector<std::string> listed = ItemEntries(fixture);
        matches.resize(std::min<size_t>(matches.size(), 101));
        CHECK(listed == matches);
        CHECK(CopyList(fixture, query) == copied);
    }
    for (size_t i = 0; i < others.size(); i += 2)
        FreeBlock(others[i]);
}
