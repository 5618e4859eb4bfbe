// The folder verb and the uninstall's registry clean-up on Wine's real
// registry: what the shell will read, and what survives.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "harness/program_driver.h"
#include "integration/folder_verb.h"
#include "integration/settings.h"

namespace {

const char commandKey[] = "Folder\\shell\\Sorvane\\command";
const char verbKey[] = "Folder\\shell\\Sorvane";

std::string StoredCommand()
{
    char text[1000] = {0};
    LONG size = sizeof(text);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, commandKey, text, &size) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

void ForgetVerb()
{
    RegDeleteKeyA(HKEY_CLASSES_ROOT, commandKey);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, verbKey);
}

}  // namespace

TEST_CASE("the folder verb starts this executable on the folder and is recognised by its path")
{
    ForgetVerb();
    const char* path = "E:\\tools\\finder.exe";

    SUBCASE("with no verb nothing is detected and nothing is created")
    {
        CHECK(IsFolderVerbInstalled(path) == 0);
        CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, verbKey));
    }
    SUBCASE("installed, the shell finds the quoted path and the folder placeholder")
    {
        REQUIRE(InstallFolderVerb(path) == 1);
        CHECK(StoredCommand() == "\"E:\\tools\\finder.exe\" \"%L\"");
        CHECK(IsFolderVerbInstalled(path) == 1);
        CHECK(IsFolderVerbInstalled("e:\\TOOLS\\Finder.EXE") == 1);
        CHECK(IsFolderVerbInstalled("E:\\other\\finder.exe") == 0);
    }
    SUBCASE("another copy's verb is overwritten by an install")
    {
        REQUIRE(InstallFolderVerb("D:\\old\\finder.exe") == 1);
        CHECK(IsFolderVerbInstalled(path) == 0);
        REQUIRE(InstallFolderVerb(path) == 1);
        CHECK(IsFolderVerbInstalled(path) == 1);
    }
    SUBCASE("removal takes the verb whatever it holds, and succeeds without one")
    {
        REQUIRE(InstallFolderVerb("D:\\old\\finder.exe") == 1);
        CHECK(RemoveFolderVerb() == 1);
        CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, verbKey));
        CHECK(RemoveFolderVerb() == 1);
        CHECK(KeyExists(HKEY_CLASSES_ROOT, "Folder\\shell"));
    }
    ForgetVerb();
}

TEST_CASE("the uninstall's clean-up takes the settings and the verb and spares the vendor's other keys")
{
    const char vendorKey[] = "Software\\Quellwright";
    const char siblingKey[] = "Software\\Quellwright\\Other";
    WriteSettingNumber(SettingFontSize, 14);
    WriteSettingText("Courier New");
    REQUIRE(InstallFolderVerb("C:\\sorvane.exe") == 1);

    SUBCASE("a sibling product keeps the vendor key")
    {
        HKEY sibling = NULL;
        REQUIRE(RegCreateKeyA(HKEY_CURRENT_USER, siblingKey, &sibling) == ERROR_SUCCESS);
        RegCloseKey(sibling);
        CHECK(RemoveStoredSettings() == 1);
        CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, settingsKeyPath));
        CHECK(KeyExists(HKEY_CURRENT_USER, siblingKey));
        CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, verbKey));
        RegDeleteKeyA(HKEY_CURRENT_USER, siblingKey);
    }
    SUBCASE("alone, the vendor key goes too")
    {
        CHECK(RemoveStoredSettings() == 1);
        CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, settingsKeyPath));
        CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, vendorKey));
        CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, verbKey));
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, vendorKey);
}
