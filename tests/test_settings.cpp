#include <doctest/doctest.h>

#include <string.h>

#include "harness/program_driver.h"
#include "integration/settings.h"

static HKEY OpenKeyForTest()
{
    HKEY key = NULL;
    RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                    NULL);
    return key;
}

static void StoreRaw(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = OpenKeyForTest();
    REQUIRE(key);
    REQUIRE(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) ==
            ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_CASE("a first run reads every default and leaves the empty key behind")
{
    ClearStoredSettings();
    REQUIRE_FALSE(KeyExists(HKEY_CURRENT_USER, settingsKeyPath));
    const DWORD expected[numericSettingCount] = {0, 0, 488, 302, 0, 1, 0, 0, 10, 0, 0};
    for (int id = 0; id < numericSettingCount; ++id) {
        CAPTURE(id);
        CHECK(ReadSettingNumber(id) == expected[id]);
    }
    char face[1000];
    CHECK(ReadSettingText(face, sizeof(face)) == 0);
    CHECK(doctest::String(face) == "MS Sans Serif");
    CHECK(KeyExists(HKEY_CURRENT_USER, settingsKeyPath));

    HKEY key = OpenKeyForTest();
    DWORD values = 99;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    CHECK(values == 0);
}

TEST_CASE("numbers round-trip through the registry under their own names")
{
    ClearStoredSettings();
    for (int id = 0; id < numericSettingCount; ++id)
        CHECK(WriteSettingNumber(id, 1000 + id) == 1);
    for (int id = 0; id < numericSettingCount; ++id)
        CHECK(ReadSettingNumber(id) == DWORD(1000 + id));

    SUBCASE("stored under the value name the next run looks for")
    {
        HKEY key = OpenKeyForTest();
        DWORD value = 0, type = 0, size = sizeof(value);
        CHECK(RegQueryValueExA(key, "InterfaceDetail", NULL, &type,
                               reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS);
        RegCloseKey(key);
        CHECK(type == REG_DWORD);
        CHECK(value == 1004);
    }
    SUBCASE("a negative position keeps its bit pattern")
    {
        WriteSettingNumber(SettingScreenXPos, (DWORD)-20);
        CHECK((int)ReadSettingNumber(SettingScreenXPos) == -20);
    }
    SUBCASE("the store does not clamp")
    {
        WriteSettingNumber(SettingSearchMode, 7);
        CHECK(ReadSettingNumber(SettingSearchMode) == 7);
    }
}

TEST_CASE("a stored value of the wrong shape reads as the default")
{
    ClearStoredSettings();
    SUBCASE("text where a number belongs")
    {
        StoreRaw("ScreenXPos", REG_SZ, "120", 4);
        CHECK(ReadSettingNumber(SettingScreenXPos) == 0);
    }
    SUBCASE("more than four bytes")
    {
        unsigned long long wide = 640;
        StoreRaw("WindowWidth", REG_DWORD, &wide, sizeof(wide));
        CHECK(ReadSettingNumber(SettingWindowWidth) == 488);
        StoreRaw("WindowHeight", REG_BINARY, &wide, sizeof(wide));
        CHECK(ReadSettingNumber(SettingWindowHeight) == 302);
    }
    SUBCASE("fewer than four bytes would leave half a number")
    {
        unsigned short narrow = 0x0101;
        StoreRaw("FontSize", REG_DWORD, &narrow, sizeof(narrow));
        CHECK(ReadSettingNumber(SettingFontSize) == 10);
    }
    SUBCASE("a face name where a number belongs is not taken as a face")
    {
        DWORD number = 5;
        StoreRaw("FontFace", REG_DWORD, &number, sizeof(number));
        char face[100];
        CHECK(ReadSettingText(face, sizeof(face)) == 0);
        CHECK(doctest::String(face) == "MS Sans Serif");
    }
}

TEST_CASE("the override record stands in for stored numbers but not for the face")
{
    ClearStoredSettings();
    WriteSettingNumber(SettingFontSize, 14);
    WriteSettingNumber(SettingSearchMode, 2);
    WriteSettingText("Courier New");

    for (int id = 0; id < numericSettingCount; ++id)
        settingsOverride.values[id] = settingDefaults[id];
    settingsOverride.values[SettingFontSize] = 12;
    settingsOverride.active = 1;

    CHECK(ReadSettingNumber(SettingFontSize) == 12);
    CHECK(ReadSettingNumber(SettingSearchMode) == 0);   // not given: its default

    CHECK(WriteSettingNumber(SettingSearchMode, 1) == 1);
    CHECK(WriteSettingText("Arial") == 1);
    char face[100];
    CHECK(ReadSettingText(face, sizeof(face)) == 1);
    CHECK(doctest::String(face) == "Arial");

    settingsOverride.active = 0;
    CHECK(ReadSettingNumber(SettingSearchMode) == 2);   // registry untouched
    CHECK(ReadSettingNumber(SettingFontSize) == 14);
    ClearStoredSettings();
}

TEST_CASE("a face name is cut to the reader's buffer and a too long one is refused")
{
    ClearStoredSettings();
    SUBCASE("capacity 5 yields four characters")
    {
        WriteSettingText("Verdana");
        char face[5];
        memset(face, 'x', sizeof(face));
        CHECK(ReadSettingText(face, sizeof(face)) == 1);
        CHECK(doctest::String(face) == "Verd");
    }
    SUBCASE("259 characters still fit the 260-byte read")
    {
        char name[260];
        memset(name, 'f', 259);
        name[259] = 0;
        WriteSettingText(name);
        char face[1000];
        CHECK(ReadSettingText(face, sizeof(face)) == 1);
        CHECK(strlen(face) == 259);
    }
    SUBCASE("260 characters do not fit and read as the default")
    {
        char name[261];
        memset(name, 'g', 260);
        name[260] = 0;
        WriteSettingText(name);
        char face[1000];
        CHECK(ReadSettingText(face, sizeof(face)) == 0);
        CHECK(doctest::String(face) == "MS Sans Serif");
    }
    SUBCASE("the default is cut the same way")
    {
        char face[4];
        CHECK(ReadSettingText(face, sizeof(face)) == 0);
        CHECK(doctest::String(face) == "MS ");
    }
    SUBCASE("stored data without a closing NUL ends at its length")
    {
        StoreRaw("FontFace", REG_SZ, "Tahoma!!", 6);
        char face[100];
        CHECK(ReadSettingText(face, sizeof(face)) == 1);
        CHECK(doctest::String(face) == "Tahoma");
    }
    ClearStoredSettings();
}
