#include <doctest/doctest.h>

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "integration/argument_split.h"
#include "integration/command_line.h"
#include "integration/settings.h"

namespace {

struct Split {
    char storage[1024];
    char* arguments[32];
    int count;
    explicit Split(const char* line)
    {
        memset(storage, 0x7F, sizeof(storage));
        count = SplitCommandLine(line, storage, arguments, 32);
    }
};

// The platform's own splitting, for comparison.
int PlatformSplit(const char* line, char out[][256], int maxArguments)
{
    WCHAR wide[1024];
    MultiByteToWideChar(CP_ACP, 0, line, -1, wide, 1024);
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(wide, &count);
    if (!arguments)
        return -1;
    for (int i = 0; i < count && i < maxArguments; ++i)
        WideCharToMultiByte(CP_ACP, 0, arguments[i], -1, out[i], 256, NULL, NULL);
    LocalFree(arguments);
    return count;
}

struct Parsed {
    char path[260];
    explicit Parsed(const char* line)
    {
        memset(path, 'x', sizeof(path));
        ParseCommandLineText(line, path, sizeof(path));
    }
};

}  // namespace

TEST_CASE("arguments split by the platform's quoting and backslash rules")
{
    SUBCASE("spaces and tabs separate; runs of them make no empty arguments")
    {
        Split s("prog a \t b\t\tc  ");
        REQUIRE(s.count == 4);
        CHECK(doctest::String(s.arguments[1]) == "a");
        CHECK(doctest::String(s.arguments[2]) == "b");
        CHECK(doctest::String(s.arguments[3]) == "c");
    }
    SUBCASE("a quoted stretch is one argument and loses its quotes")
    {
        Split s("prog \"C:\\Program Files\\x\" a\"b c\"d \"\"");
        REQUIRE(s.count == 4);
        CHECK(doctest::String(s.arguments[1]) == "C:\\Program Files\\x");
        CHECK(doctest::String(s.arguments[2]) == "ab cd");
        CHECK(doctest::String(s.arguments[3]) == "");
    }
    SUBCASE("2n backslashes before a quote give n and the quote delimits")
    {
        Split s("prog a\\\\\"b c\" d");
        REQUIRE(s.count == 3);
        CHECK(doctest::String(s.arguments[1]) == "a\\b c");
        CHECK(doctest::String(s.arguments[2]) == "d");
    }
    SUBCASE("2n + 1 backslashes before a quote give n and a literal quote")
    {
        Split s("prog a\\\\\\\"b \\\"c");
        REQUIRE(s.count == 3);
        CHECK(doctest::String(s.arguments[1]) == "a\\\"b");
        CHECK(doctest::String(s.arguments[2]) == "\"c");
    }
    SUBCASE("other backslashes are literal")
    {
        Split s("prog \\\\server\\share\\ c:\\dir\\\\");
        REQUIRE(s.count == 3);
        CHECK(doctest::String(s.arguments[1]) == "\\\\server\\share\\");
        CHECK(doctest::String(s.arguments[2]) == "c:\\dir\\\\");
    }
    SUBCASE("the program's name keeps its backslashes and may be quoted")
    {
        Split s("\"C:\\Tools\\x\\\" y");
        REQUIRE(s.count == 2);
        CHECK(doctest::String(s.arguments[0]) == "C:\\Tools\\x\\");
        CHECK(doctest::String(s.arguments[1]) == "y");
    }
    SUBCASE("a quoted drive root arrives as the drive and a literal quote")
    {
        Split s("prog \"D:\\\"");
        REQUIRE(s.count == 2);
        CHECK(doctest::String(s.arguments[1]) == "D:\"");
    }
    SUBCASE("more arguments than slots are counted but not stored")
    {
        char storage[64];
        char* arguments[2];
        CHECK(SplitCommandLine("p a b c", storage, arguments, 2) == 4);
        CHECK(doctest::String(arguments[1]) == "a");
    }
}

TEST_CASE("splitting agrees with the platform's own CommandLineToArgvW")
{
    const char* lines[] = {
        "prog",
        "prog a b",
        "\"c:\\my prog.exe\" \"x y\" z",
        "prog a\\\\\"b c\" d",
        "prog a\\\\\\\"b \\\"c",
        "prog \\\\server\\share\\ c:\\dir\\\\",
        "prog \"D:\\\"",
        "prog /fontsize=12 \"D:\\data\"\t/ShowState=2",
        "prog ab\"cd ef\"gh \"\" i",
    };
    for (const char* line : lines) {
        doctest::String shown(line);
        CAPTURE(shown);
        Split ours(line);
        char theirs[32][256];
        int count = PlatformSplit(line, theirs, 32);
        REQUIRE(count == ours.count);
        for (int i = 0; i < count; ++i)
            CHECK(doctest::String(ours.arguments[i]) == theirs[i]);
    }
}

TEST_CASE("options override numeric settings, anything else is the path")
{
    SUBCASE("no arguments: empty path, no override")
    {
        Parsed p("sorvane.exe");
        CHECK(p.path[0] == 0);
        CHECK(p.path[259] == 0);   // the whole buffer is cleared
        CHECK(settingsOverride.active == 0);
    }
    SUBCASE("names in any case; the other settings take their defaults")
    {
        Parsed p("sorvane.exe /fontsize=12 D:\\data");
        CHECK(settingsOverride.active == 1);
        CHECK(settingsOverride.values[SettingFontSize] == 12);
        for (int id = 0; id < numericSettingCount; ++id)
            if (id != SettingFontSize)
                CHECK(settingsOverride.values[id] == settingDefaults[id]);
        CHECK(doctest::String(p.path) == "D:\\data");
    }
    SUBCASE("out-of-range values are replaced by defaults")
    {
        Parsed p("s /FontSize=30 /ShowState=0 /ScreenXPos=5001 /WindowWidth=5000 /LINKMODE=1");
        CHECK(settingsOverride.active == 1);
        CHECK(settingsOverride.values[SettingFontSize] == 10);
        CHECK(settingsOverride.values[SettingShowState] == 1);
        CHECK(settingsOverride.values[SettingScreenXPos] == 0);
        CHECK(settingsOverride.values[SettingWindowWidth] == 5000);
        CHECK(settingsOverride.values[SettingLinkMode] == 1);
        CHECK(p.path[0] == 0);
    }
    SUBCASE("five digits at most, leading zeros allowed")
    {
        Parsed p("s /FontSize=00012");
        CHECK(settingsOverride.values[SettingFontSize] == 12);
        Parsed q("s /FontSize=123456");
        CHECK(settingsOverride.active == 0);
        CHECK(doctest::String(q.path) == "/FontSize=123456");
    }
    SUBCASE("malformed options are not options; the first becomes the path")
    {
        Parsed p("s /FontSize= /FontSize=-5 -FontSize=12 /FontFace=Arial /Size=4");
        CHECK(settingsOverride.active == 0);
        CHECK(doctest::String(p.path) == "/FontSize=");
        Parsed q("s /FontFace=Arial /FontSize=1x");
        CHECK(doctest::String(q.path) == "/FontFace=Arial");
    }
    SUBCASE("only the first path is kept, options after it still count")
    {
        Parsed p("s E:\\one E:\\two /SearchMode=2");
        CHECK(doctest::String(p.path) == "E:\\one");
        CHECK(settingsOverride.values[SettingSearchMode] == 2);
    }
    SUBCASE("a quoted drive root is repaired to the drive")
    {
        Parsed p("sorvane.exe \"D:\\\"");
        CHECK(doctest::String(p.path) == "D:");
        Parsed q("sorvane.exe \"C:\\My Files\"");
        CHECK(doctest::String(q.path) == "C:\\My Files");
    }
    SUBCASE("a 300-character argument is cut to 258")
    {
        char line[400] = "s ";
        memset(line + 2, 'p', 300);
        line[302] = 0;
        Parsed p(line);
        CHECK(strlen(p.path) == 258);
    }
    SUBCASE("the repair sees the cut text, not the argument")
    {
        // The quote at 259 falls beyond the cut; the one at 258 would not.
        char line[400] = "s ";
        memset(line + 2, 'q', 257);
        strcpy(line + 259, "\\\"zz");
        Parsed p(line);
        CHECK(strlen(p.path) == 257);
    }
    ZeroMemory(&settingsOverride, sizeof(settingsOverride));
}

TEST_CASE("validation keeps every accepted bound and replaces the first value outside")
{
    struct Bound {
        int id;
        DWORD lowest, highest;
    } bounds[] = {
        {SettingScreenXPos, 0, 5000}, {SettingScreenYPos, 0, 5000},
        {SettingWindowWidth, 0, 5000}, {SettingWindowHeight, 0, 5000},
        {SettingInterfaceDetail, 0, 1}, {SettingShowState, 1, 3},
        {SettingSearchMode, 0, 2},     {SettingOnTopState, 0, 1},
        {SettingFontSize, 6, 22},      {SettingContextMenu, 0, 1},
        {SettingLinkMode, 0, 1},
    };
    for (const Bound& b : bounds) {
        CAPTURE(b.id);
        settingsOverride.values[b.id] = b.lowest;
        ValidateOverrides();
        CHECK(settingsOverride.values[b.id] == b.lowest);
        settingsOverride.values[b.id] = b.highest;
        ValidateOverrides();
        CHECK(settingsOverride.values[b.id] == b.highest);
        settingsOverride.values[b.id] = b.highest + 1;
        ValidateOverrides();
        CHECK(settingsOverride.values[b.id] == settingDefaults[b.id]);
        if (b.lowest > 0) {
            settingsOverride.values[b.id] = b.lowest - 1;
            ValidateOverrides();
            CHECK(settingsOverride.values[b.id] == settingDefaults[b.id]);
        }
    }
    ZeroMemory(&settingsOverride, sizeof(settingsOverride));
}
