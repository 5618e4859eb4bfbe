#include <doctest/doctest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "catalogue/scanner.h"

static std::string SystemText(DWORD code)
{
    char text[500] = {0};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, code, 0, text, sizeof(text), NULL);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'))
        text[--n] = 0;
    return text;
}

static std::string LoadedText(int count)
{
    return "Loaded " + std::to_string(count) + " files.";
}

// The folder that holds an entry, with its backslash: c:\sub\ for both
// c:\sub\b.txt and c:\sub\deeper\.
static std::string ParentOf(const std::string& entry)
{
    std::string path = entry;
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path.substr(0, path.rfind('\\') + 1);
}

// 1 when every entry's folder comes before it and everything between the
// folder and the entry lies inside that folder (depth first, pre-order).
static int IsPreOrder(const std::vector<std::string>& entries, const std::string& rootEntry)
{
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string parent = ParentOf(entries[i]);
        if (parent == rootEntry)
            continue;
        size_t j = i;
        while (j > 0 && entries[j - 1] != parent) {
            if (entries[j - 1].compare(0, parent.size(), parent) != 0)
                return 0;
            --j;
        }
        if (j == 0)
            return 0;
    }
    return 1;
}

TEST_CASE("a scan lists each file and folder once, lower-cased, each folder before its contents")
{
    TempTree tree("ScanTree");
    const char* items[] = {"A.TXT",      "Sub\\",           "Sub\\b.txt",   "Sub\\Deeper\\",
                           "Sub\\Deeper\\D.Txt", ".dotdir\\", ".dotdir\\c.txt", "Empty\\"};
    for (const char* item : items)
        tree.Add(item);

    CatalogueFixture fixture;
    REQUIRE(fixture.WaitForScan(fixture.StartScan(tree.root.c_str())));

    std::string rootEntry = LowerCase(tree.root) + "\\";
    std::set<std::string> expected;
    for (const char* item : items)
        expected.insert(rootEntry + LowerCase(item));
    std::vector<std::string> entries = fixture.Entries();
    CHECK(std::set<std::string>(entries.begin(), entries.end()) == expected);
    CHECK(entries.size() == 8);
    CHECK(IsPreOrder(entries, rootEntry));
    for (const std::string& entry : entries) {
        CHECK(entry.find("\\.\\") == std::string::npos);
        CHECK(entry.find("\\..\\") == std::string::npos);
    }
    CHECK(scanCount == 8);
    CHECK(fixture.Status() == LoadedText(8));
    CHECK(fixtureState.scanDone == 1);
    // The user-interface thread reads the root while the scan runs.
    CHECK(std::string(scanPath) == tree.root);
}

TEST_CASE("a root that cannot be listed leaves the catalogue empty and shows the system's text")
{
    TempTree tree("ScanMissing");
    std::string missing = tree.root + "\\no such folder";

    CatalogueFixture fixture;
    REQUIRE(fixture.WaitForScan(fixture.StartScan(missing.c_str())));
    CHECK(catalogue->Count() == 0);
    CHECK(scanCount == 0);
    std::string status = fixture.Status();
    CHECK((status == SystemText(ERROR_PATH_NOT_FOUND) || status == SystemText(ERROR_FILE_NOT_FOUND)));
    CHECK(status != "");
    CHECK(fixtureState.scanDone == 1);
}

// The root as the user-interface thread saw it at each progress report.
static std::vector<std::string> rootsSeen;

static void RecordRoot(const char*)
{
    rootsSeen.push_back(scanPath);
}

TEST_CASE("progress shows at every 256th entry only, while the root stays whole")
{
    CatalogueFixture fixture;
    SUBCASE("255 entries show no count before the final text")
    {
        TempTree tree("Scan255");
        tree.AddFiles("", "f", 255);
        REQUIRE(fixture.WaitForScan(fixture.StartScan(tree.root.c_str())));
        CHECK(fixtureState.statusTexts == std::vector<std::string>{LoadedText(255)});
    }
    SUBCASE("513 entries deep in the tree show 256 and 512")
    {
        // The reports come while the walk is two levels down, where a
        // scanner that extended scanPath itself would show it changed.
        TempTree tree("Scan513");
        tree.Add("Level1\\");
        tree.Add("Level1\\Level2\\");
        tree.AddFiles("Level1\\Level2\\", "f", 511);
        rootsSeen.clear();
        fixtureState.statusHook = RecordRoot;
        REQUIRE(fixture.WaitForScan(fixture.StartScan(tree.root.c_str())));
        CHECK(fixtureState.statusTexts ==
              std::vector<std::string>{"256", "512", LoadedText(513)});
        CHECK(rootsSeen == std::vector<std::string>(3, tree.root));
        CHECK(progressMark == 2);
    }
}

static void StopAt256(const char* text)
{
    if (std::string(text) == "256")
        keepScanning = 0;
}

TEST_CASE("clearing keepScanning stops every level and still reports the count and ends")
{
    // Three folders of 300 files: the stop comes inside the first folder,
    // and the top level must not go on into the next one.
    TempTree tree("ScanStop");
    tree.AddFoldersOfFiles(3, 300);
    CatalogueFixture fixture;
    fixtureState.statusHook = StopAt256;
    REQUIRE(fixture.WaitForScan(fixture.StartScan(tree.root.c_str())));
    CHECK(scanCount == 256);
    CHECK(catalogue->Count() == 256);
    CHECK(fixture.Status() == LoadedText(256));
    CHECK(fixtureState.scanDone == 1);
}

TEST_CASE("a working path that would outgrow its buffer fails like an unlistable folder")
{
    // The buffer ends at a page that may not be touched.
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    const DWORD pages = (scanPathSize + page - 1) / page + 1;
    char* block = static_cast<char*>(VirtualAlloc(NULL, pages * page, MEM_COMMIT, PAGE_READWRITE));
    REQUIRE(block != NULL);
    DWORD old;
    REQUIRE(VirtualProtect(block + (pages - 1) * page, page, PAGE_NOACCESS, &old));
    WorkingPath working;
    working.path = block + (pages - 1) * page - scanPathSize;
    working.lower = static_cast<char*>(AllocZeroed(scanPathSize));

    for (unsigned length = scanPathSize - 4; length < scanPathSize; ++length) {
        memset(working.path, 'a', length);
        working.path[length] = 0;
        memcpy(working.lower, working.path, length + 1);
        CHECK(ScanFolder(&working, length) != 0);
        CHECK(working.path[length] == 0);
    }
    FreeBlock(working.lower);
    VirtualFree(block, 0, MEM_RELEASE);
}
