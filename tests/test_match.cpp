#include <doctest/doctest.h>

#include <windows.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/match.h"
#include "reference_match.h"

static unsigned nextRandom = 12345;
static unsigned Random(unsigned below)
{
    nextRandom = nextRandom * 1103515245u + 12345u;
    return (nextRandom >> 16) % below;
}

// Few distinct bytes, so that partial matches and repeated first and last
// bytes are everywhere; a high byte catches signed comparisons.
static const char alphabet[] = "ab\\.e\xe9s";

static std::string RandomText(unsigned maxLength)
{
    std::string text;
    unsigned length = Random(maxLength + 1);
    for (unsigned i = 0; i < length; ++i)
        text += alphabet[Random(sizeof(alphabet) - 1)];
    return text;
}

// The entry at a chosen distance from a 32-byte boundary, amid bytes of the
// same alphabet and NULs: what lies before an entry or after its end must
// never count.
struct PlacedEntry {
    alignas(32) char bytes[1024];
    const char* Place(const std::string& entry, unsigned offset)
    {
        for (char& byte : bytes)
            byte = Random(4) ? alphabet[Random(sizeof(alphabet) - 1)] : 0;
        memcpy(bytes + offset, entry.c_str(), entry.size() + 1);
        return bytes + offset;
    }
};

// A word made the way the filter makes its words: split from a query and
// prepared.
struct OneWord {
    char table[wordTableSize];
    WordSet set;
    OneWord(const std::string& word, int mode)
    {
        memset(table, 0, sizeof(table));
        SplitQuery(word.c_str(), table);
        PrepareWords(&set, mode, table);
    }
};

TEST_CASE("the word test finds exactly what the byte-by-byte test finds, at any length")
{
    static PlacedEntry placed;
    int matches = 0;
    for (int round = 0; round < 40000; ++round) {
        // Entries of every length up to the longest path and beyond.
        std::string entry = "c:\\" + RandomText(Random(4) ? 110 : 400);
        if (Random(3) == 0)
            entry += '\\';
        std::string word;
        if (Random(2) == 0 && entry.size() > 1) {
            // A piece of the entry, sometimes with one byte changed at an end.
            unsigned from = Random((unsigned)entry.size());
            word = entry.substr(from, 1 + Random(Random(4) ? 20 : 60));
            if (Random(3) == 0)
                word[Random(2) ? 0 : word.size() - 1] ^= 1;
        } else {
            word = RandomText(20);
        }
        const char* at = placed.Place(entry, Random(64));
        for (int mode = 0; mode <= 3; ++mode) {
            int expected = ReferenceMatch(mode, word.c_str(), entry.c_str());
            OneWord prepared(word, mode);
            // Whatever a pass may have taught the word: window and probes,
            // over either width of lanes this processor runs.
            prepared.set.words[0].withInner = (int)Random(2);
            prepared.set.words[0].windowSize = Random(4);
            prepared.set.wide = WideLanesUsable() && Random(2);
            ChooseMatcher(&prepared.set);
            int got = MatchWord(mode, word.c_str(), at);
            int fromSet = MatchWords(&prepared.set, at);
            if (got != expected || fromSet != expected) {
                INFO("mode " << mode << " word \"" << doctest::String(word.c_str()) << "\" entry \""
                              << doctest::String(entry.c_str()) << "\"");
                CHECK(got == expected);
                CHECK(fromSet == expected);
                return;
            }
            matches += expected;
        }
    }
    // The comparison means something only if both outcomes were common.
    CHECK(matches > 20000);
    CHECK(matches < 140000);
}

TEST_CASE("several words match only when every one of them does, while the order learns")
{
    // One set over many entries, as in a pass: whatever order it learns,
    // each entry's result is the AND of the words.
    static PlacedEntry placed;
    char table[wordTableSize];
    int learnt = 0;
    for (int query = 0; query < 40; ++query) {
        std::string source = "d:\\" + RandomText(200);
        std::string text;
        std::string words[4];
        int wordCount = 1 + (int)Random(4);
        for (int w = 0; w < wordCount; ++w) {
            words[w] = Random(2) ? source.substr(Random((unsigned)source.size()), 1 + Random(6))
                                 : RandomText(5);
            if (words[w].empty())
                words[w] = "e";
            text += words[w] + (Random(2) ? " " : "   ");
        }
        int mode = (int)Random(3);
        memset(table, 0, sizeof(table));
        SplitQuery(text.c_str(), table);
        WordSet set;
        PrepareWords(&set, mode, table);
        set.wide = WideLanesUsable() && query % 2;
        ChooseMatcher(&set);
        const WordSet unlearnt = set;
        // Enough entries, short and long, for every word to learn several times.
        for (int round = 0; round < 6000; ++round) {
            std::string piece = source.substr(Random((unsigned)source.size() + 1), Random(120));
            std::string entry = "d:\\" + (Random(2) ? piece : RandomText(Random(2) ? 60 : 300));
            if (Random(4) == 0)
                entry += '\\';
            int expected = 1;
            for (int w = 0; w < wordCount; ++w)
                expected &= ReferenceMatch(mode, words[w].c_str(), entry.c_str());
            int got = MatchWords(&set, placed.Place(entry, Random(40)));
            if (got != expected) {
                INFO("query \"" << doctest::String(text.c_str()) << "\" entry \""
                                 << doctest::String(entry.c_str()) << "\"");
                CHECK(got == expected);
                return;
            }
        }
        for (int w = 0; w < set.count; ++w)
            for (int u = 0; u < unlearnt.count; ++u)
                if (unlearnt.words[u].bytes == set.words[w].bytes)
                    learnt += set.words[w].withInner != unlearnt.words[u].withInner ||
                              set.words[w].windowSize != unlearnt.words[u].windowSize;
    }
    // The learning was put to the test only if words did learn.
    CHECK(learnt > 10);
}

TEST_CASE("a word that lets few entries through is tried first, even behind a common one")
{
    // "commonword" is in three entries of ten and turns down more entries
    // than "rare" (in one of two hundred) ever reaches behind it; "rare" is
    // still the better first word. Words of the filler's letters would be
    // everywhere, so the filler has none of theirs.
    static PlacedEntry placed;
    char table[wordTableSize] = {0};
    SplitQuery("rare commonword", table);
    // Scattered, or as in a real tree, in whole folders of a thousand
    // entries: where "commonword" is missing, it is missing for long (for
    // the first seven thousand entries, so that "rare" never turns down
    // more entries than it).
    int runs = 0;
    SUBCASE("the common word scattered") {}
    SUBCASE("the common word in long runs")
    {
        runs = 1;
    }
    for (int wide = 0; wide <= WideLanesUsable(); ++wide) {
        CAPTURE(wide);
        CAPTURE(runs);
        WordSet set;
        PrepareWords(&set, searchFull, table);
        set.wide = wide;
        ChooseMatcher(&set);
        REQUIRE(set.words[0].length == 10);  // the longer word goes first at the start
        int matches = 0;
        for (int round = 0; round < 200000; ++round) {
            std::string entry = "c:\\users\\";
            for (unsigned i = 0; i < 8 + Random(80); ++i)
                entry += "xyz\\.-19"[Random(8)];
            const int common = runs ? round / 1000 % 10 >= 7 : Random(10) < 3;
            const int rare = Random(200) == 0;
            if (common)
                entry += "\\commonword";
            if (rare)
                entry += "\\rare.txt";
            const int got = MatchWords(&set, placed.Place(entry, Random(40)));
            if (got != (common && rare)) {
                INFO("entry \"" << doctest::String(entry.c_str()) << "\"");
                CHECK(got == (common && rare));
                return;
            }
            matches += got;
        }
        CHECK(matches > 0);
        CHECK(std::string((const char*)set.words[0].bytes, set.words[0].length) == "rare");
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

    const std::string longWord = "\\abcdefgh\\abcdefgh\\abcdefgh\\abcdefgh\\ab";
    for (unsigned length = 1; length <= 300; ++length) {
        char* entry = const_cast<char*>(pageEnd) - length - 1;
        for (unsigned i = 0; i < length; ++i)
            entry[i] = "c:\\abcdefgh"[i % 11];
        entry[length - 1] = 'z';
        entry[length] = 0;
        const std::string words[] = {"z", "hz", "gh", "c:", "q", "abcdefghz", "zz", longWord,
                                     longWord + "z", "a\\"};
        for (const std::string& word : words)
            for (int mode = 0; mode <= 2; ++mode) {
                int expected = ReferenceMatch(mode, word.c_str(), entry);
                CHECK(MatchWord(mode, word.c_str(), entry) == expected);
                OneWord prepared(word, mode);
                CHECK(MatchWords(&prepared.set, entry) == expected);
                prepared.set.wide = 0;
                ChooseMatcher(&prepared.set);
                CHECK(MatchWords(&prepared.set, entry) == expected);
            }
    }
    VirtualFree(block, 0, MEM_RELEASE);
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
    SUBCASE("a word longer than a slot keeps what fits and never reaches past the table")
    {
        std::vector<char> guarded(wordTableSize + 64, 0);
        const std::string query =
            std::string(1500, 'a') + " b c d e f g h i " + std::string(3000, 'j');
        SplitQuery(query.c_str(), guarded.data());
        CHECK(std::string(guarded.data()) == std::string(999, 'a'));
        CHECK(std::string(guarded.data() + wordSlotSize) == "b");
        CHECK(std::string(guarded.data() + 9 * wordSlotSize) == std::string(999, 'j'));
        CHECK(std::count(guarded.begin() + wordTableSize, guarded.end(), 0) == 64);
    }
}
