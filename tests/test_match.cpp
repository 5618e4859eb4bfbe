#include <doctest/doctest.h>

#include <windows.h>

#include <string.h>

#include <string>

#include "catalogue/match.h"

// The word test as plainly as it can be written: the searched part by mode,
// then every start position from the left, byte by byte.
static int ReferenceMatch(int mode, const char* word, const char* entry)
{
    size_t wordLength = strlen(word);
    if (wordLength == 0)
        return 1;
    const char* text = entry;
    size_t entryLength = strlen(entry);
    if (mode == searchFiles) {
        const char* slash = strrchr(entry, '\\');
        text = slash ? slash + 1 : entry;
    } else if (mode == searchFolders) {
        if (entryLength == 0 || entry[entryLength - 1] != '\\')
            return 0;
    }
    size_t textLength = strlen(text);
    for (size_t start = 0; start + wordLength <= textLength; ++start) {
        size_t i = 0;
        while (i < wordLength && text[start + i] == word[i])
            ++i;
        if (i == wordLength)
            return 1;
    }
    return 0;
}

static unsigned nextRandom = 12345;
static unsigned Random(unsigned below)
{
    nextRandom = nextRandom * 1103515245u + 12345u;
    return (nextRandom >> 16) % below;
}

// Few distinct bytes, so that partial matches and repeated probe bytes are
// everywhere; a high byte catches signed comparisons.
static std::string RandomText(unsigned maxLength)
{
    static const char alphabet[] = "ab\\.e\xe9s";
    std::string text;
    unsigned length = Random(maxLength + 1);
    for (unsigned i = 0; i < length; ++i)
        text += alphabet[Random(sizeof(alphabet) - 1)];
    return text;
}

TEST_CASE("the block-wise word test finds exactly what the byte-by-byte test finds")
{
    int matches = 0;
    for (int round = 0; round < 40000; ++round) {
        // Most entries end inside the 128 bytes read at once, some beyond.
        std::string entry = "c:\\" + RandomText(Random(4) ? 70 : 160);
        if (Random(3) == 0)
            entry += '\\';
        std::string word;
        if (Random(2) == 0 && entry.size() > 1) {
            // A piece of the entry, sometimes with one byte changed at an end.
            unsigned from = Random((unsigned)entry.size());
            word = entry.substr(from, 1 + Random(20));
            if (Random(3) == 0)
                word[Random(2) ? 0 : word.size() - 1] ^= 1;
        } else {
            word = RandomText(20);
        }
        char table[wordTableSize] = {0};
        memcpy(table, word.c_str(), word.size());
        for (int mode = 0; mode <= 3; ++mode) {
            int expected = ReferenceMatch(mode, word.c_str(), entry.c_str());
            int got = MatchWord(mode, word.c_str(), entry.c_str());
            WordSet set;
            PrepareWords(&set, mode, table);
            unsigned length;
            int blockWise = MatchWords(&set, entry.c_str(), &length);
            int portable = MatchWordsPortable(&set, entry.c_str(), &length);
            if (got != expected || blockWise != expected || portable != expected) {
                INFO("mode " << mode << " word \"" << doctest::String(word.c_str()) << "\" entry \""
                              << doctest::String(entry.c_str()) << "\"");
                CHECK(got == expected);
                CHECK(blockWise == expected);
                CHECK(portable == expected);
                return;
            }
            matches += expected;
        }
    }
    // The comparison means something only if both outcomes were common.
    CHECK(matches > 20000);
    CHECK(matches < 140000);
}

TEST_CASE("several words match only when every one of them does, in any order")
{
    char table[wordTableSize];
    for (int round = 0; round < 5000; ++round) {
        std::string entry = "d:\\" + RandomText(60);
        std::string query;
        std::string words[3];
        for (int w = 0; w < 3; ++w) {
            words[w] = Random(2) ? entry.substr(Random((unsigned)entry.size()), 1 + Random(4))
                                 : RandomText(4);
            for (char& ch : words[w])
                if (ch == ' ')
                    ch = 'a';
            query += words[w] + " ";
        }
        int mode = (int)Random(3);
        memset(table, 0, sizeof(table));
        SplitQuery(query.c_str(), table);
        WordSet set;
        PrepareWords(&set, mode, table);
        int expected = 1;
        for (int w = 0; w < 3; ++w)
            expected &= ReferenceMatch(mode, words[w].c_str(), entry.c_str());
        unsigned length = 0;
        int got = MatchWords(&set, entry.c_str(), &length);
        if (got)
            CHECK(length == entry.size());
        int portable = MatchWordsPortable(&set, entry.c_str(), &length);
        if (got != expected || portable != expected) {
            INFO("query \"" << doctest::String(query.c_str()) << "\" entry \""
                             << doctest::String(entry.c_str()) << "\"");
            CHECK(got == expected);
            CHECK(portable == expected);
            return;
        }
    }
}

TEST_CASE("the word test never reads past the page that ends the entry")
{
    // Entries end exactly at a page followed by one that may not be read.
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    char* block = static_cast<char*>(VirtualAlloc(NULL, page * 2, MEM_COMMIT, PAGE_READWRITE));
    REQUIRE(block != NULL);
    DWORD old;
    REQUIRE(VirtualProtect(block + page, page, PAGE_NOACCESS, &old));
    const char* pageEnd = block + page;

    for (unsigned length = 1; length <= 200; ++length) {
        char* entry = const_cast<char*>(pageEnd) - length - 1;
        for (unsigned i = 0; i < length; ++i)
            entry[i] = "c:\\abcdefgh"[i % 11];
        entry[length - 1] = 'z';
        entry[length] = 0;
        CHECK(EntryLength(entry) == length);
        const char* words[] = {"z", "hz", "gh", "c:", "q", "abcdefghz", "zz"};
        for (const char* word : words)
            for (int mode = 0; mode <= 2; ++mode) {
                int expected = ReferenceMatch(mode, word, entry);
                CHECK(MatchWord(mode, word, entry) == expected);
                char table[wordTableSize] = {0};
                SplitQuery(word, table);
                WordSet set;
                PrepareWords(&set, mode, table);
                unsigned found;
                CHECK(MatchWords(&set, entry, &found) == expected);
                CHECK(MatchWordsPortable(&set, entry, &found) == expected);
            }
    }
    VirtualFree(block, 0, MEM_RELEASE);
}

TEST_CASE("a word is found within the given length only, not in the bytes after it")
{
    char table[wordTableSize] = {0};
    SplitQuery("xyz", table);
    WordSet set;
    PrepareWords(&set, searchFull, table);
    for (unsigned at = 0; at < 40; ++at) {
        std::string text(64, 'a');
        text.replace(at, 3, "xyz");
        for (unsigned length = 0; length <= 48; ++length)
            CHECK(ContainsWord(text.c_str(), length, &set.words[0]) == (at + 3 <= length));
    }
}

TEST_CASE("each search mode looks in its own part of the entry")
{
    const char* file = "c:\\data\\report.txt";
    const char* folder = "c:\\data\\";
    SUBCASE("a folder name matches a file's path in full mode only")
    {
        CHECK(MatchWord(searchFull, "data", file) == 1);
        CHECK(MatchWord(searchFiles, "data", file) == 0);
        CHECK(MatchWord(searchFolders, "data", file) == 0);
    }
    SUBCASE("a folder never matches by name, and matches in folder mode")
    {
        CHECK(MatchWord(searchFull, "data", folder) == 1);
        CHECK(MatchWord(searchFiles, "data", folder) == 0);
        CHECK(MatchWord(searchFolders, "data", folder) == 1);
        CHECK(MatchWord(searchFolders, "c:", "c:\\windows\\system32\\") == 1);
    }
    SUBCASE("an empty word matches before the mode is looked at")
    {
        CHECK(MatchWord(searchFolders, "", file) == 1);
        CHECK(MatchWord(searchFiles, "", folder) == 1);
    }
    SUBCASE("an unknown mode searches the whole entry")
    {
        CHECK(MatchWord(7, "data", file) == 1);
        CHECK(MatchWord(-1, "data", file) == 1);
    }
    SUBCASE("a word longer than the searched part does not match")
    {
        CHECK(MatchWord(searchFiles, "xreport.txt", file) == 0);
        CHECK(MatchWord(searchFiles, "report.txt", file) == 1);
    }
}

TEST_CASE("the query splits at spaces only, into at most ten words")
{
    char table[wordTableSize];
    memset(table, 0, sizeof(table));
    auto slot = [&](int i) { return std::string(table + i * wordSlotSize); };

    SUBCASE("a leading space leaves slot 0 empty")
    {
        SplitQuery(" rep", table);
        CHECK(slot(0) == "");
        CHECK(slot(1) == "rep");
    }
    SUBCASE("a run of spaces is one separator; trailing spaces leave an empty slot")
    {
        SplitQuery("rep   txt  ", table);
        CHECK(slot(0) == "rep");
        CHECK(slot(1) == "txt");
        CHECK(slot(2) == "");
    }
    SUBCASE("a tab belongs to its word")
    {
        SplitQuery("rep\ttxt", table);
        CHECK(slot(0) == "rep\ttxt");
        CHECK(slot(1) == "");
    }
    SUBCASE("words past the tenth are dropped")
    {
        SplitQuery("w0 w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11", table);
        CHECK(slot(0) == "w0");
        CHECK(slot(9) == "w9");
        for (int i = 0; i < (int)wordSlots; ++i) {
            CHECK(slot(i) != "w10");
            CHECK(slot(i) != "w11");
        }
    }
    SUBCASE("a query of the longest length fits one slot")
    {
        std::string longest(999, 'x');
        SplitQuery(longest.c_str(), table);
        CHECK(slot(0) == longest);
        CHECK(slot(1) == "");
    }
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
