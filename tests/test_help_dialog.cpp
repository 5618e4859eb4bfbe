// The help dialog over the real template, the real help resource and Wine's
// registry, owned by the real main window.
#include <doctest/doctest.h>

#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "integration/folder_verb.h"
#include "integration/help_dialog.h"
#include "integration/help_text.h"
#include "integration/settings.h"
#include "help_dialog_fixture.h"
#include "main_window_fixture.h"
#include "resources/resource.h"

namespace {

// Answers the first message box that the dialog owns, from another thread,
// as a user would, and keeps its texts.
struct BoxAnswerer {
    HWND owner;
    int answer;
    char caption[100];
    char text[200];
    HANDLE thread;

    static BOOL CALLBACK FindText(HWND control, LPARAM lParam)
    {
        BoxAnswerer* self = reinterpret_cast<BoxAnswerer*>(lParam);
        char className[32] = {0};
        GetClassNameA(control, className, sizeof(className));
        if (lstrcmpiA(className, "Static") == 0 && GetWindowTextLengthA(control) > 0)
            GetWindowTextA(control, self->text, sizeof(self->text));
        return TRUE;
    }

    static DWORD CALLBACK Watch(LPVOID parameter)
    {
        BoxAnswerer* self = static_cast<BoxAnswerer*>(parameter);
        for (int waited = 0; waited < 10000; waited += 20) {
            HWND box = FindWindowExA(NULL, NULL, "#32770", NULL);
            for (; box; box = FindWindowExA(NULL, box, "#32770", NULL)) {
                if (GetWindow(box, GW_OWNER) == self->owner && IsWindowVisible(box))
                    break;
            }
            if (box) {
                // Answered only once its question can be read, as a user would.
                GetWindowTextA(box, self->caption, sizeof(self->caption));
                for (; !self->text[0] && waited < 10000; waited += 20) {
                    EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(self));
                    if (!self->text[0])
                        Sleep(20);
                }
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(self->answer, BN_CLICKED),
                             (LPARAM)GetDlgItem(box, self->answer));
                return 1;
            }
            Sleep(20);
        }
        return 0;
    }

    BoxAnswerer(HWND ownerWindow, int answerId) : owner(ownerWindow), answer(answerId)
    {
        caption[0] = 0;
        text[0] = 0;
        thread = CreateThread(NULL, 0, Watch, this, 0, NULL);
    }
    ~BoxAnswerer()
    {
        WaitForSingleObject(thread, ScaledWait(15000));
        CloseHandle(thread);
    }
};

int QuitPosted()
{
    MSG message;
    return PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace

TEST_CASE("the help dialog shows the whole help text")
{
    HelpDialogFixture help;
    REQUIRE(help.dialog);
    char* expected = NULL;
    REQUIRE(LoadHelpText(GetProcessHeap(), instance, &expected) == 1);
    HWND edit = GetDlgItem(help.dialog, IDC_HELP_TEXT);
    // Read back without the soft line breaks of the word wrap.
    SendMessageA(edit, EM_FMTLINES, FALSE, 0);
    std::string shown = TextOf(edit);
    CHECK(shown.size() == strlen(expected));
    CHECK(shown == expected);
    HeapFree(GetProcessHeap(), 0, expected);
    CHECK(GetFocus() == GetDlgItem(help.dialog, IDC_HELP_CLOSE));
}

TEST_CASE("the verb button follows the registry and its caption says what it will do")
{
    RemoveFolderVerb();
    SUBCASE("two presses install and remove, and the first caption comes back")
    {
        HelpDialogFixture help;
        CHECK(help.Caption(IDC_HELP_VERB) == "Install Shell Extension");
        help.Press(IDC_HELP_VERB);
        CHECK(IsFolderVerbInstalled(fakeModulePath) == 1);
        CHECK(help.Caption(IDC_HELP_VERB) == "Remove Shell Extension");
        help.Press(IDC_HELP_VERB);
        CHECK(IsFolderVerbInstalled(fakeModulePath) == 0);
        CHECK(help.Caption(IDC_HELP_VERB) == "Install Shell Extension");
    }
    SUBCASE("another copy's verb offers the install, which takes it over")
    {
        REQUIRE(InstallFolderVerb("D:\\elsewhere\\sorvane.exe") == 1);
        HelpDialogFixture help;
        CHECK(help.Caption(IDC_HELP_VERB) == "Install Shell Extension");
        help.Press(IDC_HELP_VERB);
        CHECK(IsFolderVerbInstalled(fakeModulePath) == 1);
        CHECK(help.Caption(IDC_HELP_VERB) == "Remove Shell Extension");
    }
    SUBCASE("this copy's verb offers the removal")
    {
        REQUIRE(InstallFolderVerb(fakeModulePath) == 1);
        HelpDialogFixture help;
        CHECK(help.Caption(IDC_HELP_VERB) == "Remove Shell Extension");
    }
    RemoveFolderVerb();
}

TEST_CASE("cancelling the uninstall question leaves registry, verb and program alone")
{
    HelpDialogFixture help;
    REQUIRE(help.dialog);
    REQUIRE(WriteSettingNumber(SettingFontSize, 12));
    REQUIRE(InstallFolderVerb(fakeModulePath));
    char stub[MAX_PATH] = {0};
    GetTempPathA(sizeof(stub), stub);
    lstrcatA(stub, "DELFF73.exe");
    DeleteFileA(stub);

    {
        BoxAnswerer answerer(help.dialog, IDCANCEL);
        help.Press(IDC_HELP_UNINSTALL);
        CHECK(doctest::String(answerer.caption) == "Sorvane");
        CHECK(doctest::String(answerer.text) == "Are you sure you wish to uninstall?");
    }
    CHECK(ReadSettingNumber(SettingFontSize) == 12);
    CHECK(IsFolderVerbInstalled(fakeModulePath) == 1);
    CHECK(GetFileAttributesA(stub) == INVALID_FILE_ATTRIBUTES);
    CHECK(QuitPosted() == 0);
    CHECK(IsWindow(help.dialog));

    RemoveStoredSettings();
}
