// The real help dialog for tests: template 108 with HelpDialogProc, made
// modeless and hidden, owned by the real main window (MainWindowFixture).
#ifndef SORVANE_TESTS_HELP_DIALOG_FIXTURE_H
#define SORVANE_TESTS_HELP_DIALOG_FIXTURE_H

#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/base/process_objects.h"
#include "integration/help_dialog.h"
#include "main_window_fixture.h"
#include "resources/resource.h"

inline char fakeModulePath[MAX_PATH] = "C:\\Program Files\\Sorvane\\sorvane.exe";

inline std::string TextOf(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    GetWindowTextA(window, &text[0], length + 1);
    text.resize(length);
    return text;
}

struct HelpDialogFixture {
    MainWindowFixture main;
    std::vector<BYTE> hiddenTemplate;
    HWND dialog;

    HelpDialogFixture() : dialog(NULL)
    {
        // The program's path as the verb would name it; the main window
        // made the other process values and the content font.
        modulePath = fakeModulePath;
        // Modeless, so the test can press its buttons in between, and from
        // template 108 without WS_VISIBLE: hiding or destroying a shown
        // window waits on the display. The procedure is the one the program
        // runs modally.
        HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDD_HELP), RT_DIALOG);
        const BYTE* stored = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
        DWORD size = SizeofResource(instance, found);
        hiddenTemplate.assign(stored, stored + size);
        // DIALOGEX: version, signature, help id, extended style, style.
        DWORD style = 0;
        const size_t styleAt = 2 * sizeof(WORD) + 2 * sizeof(DWORD);
        memcpy(&style, &hiddenTemplate[styleAt], sizeof(style));
        style &= ~WS_VISIBLE;
        memcpy(&hiddenTemplate[styleAt], &style, sizeof(style));
        dialog = CreateDialogIndirectParamA(
            instance, reinterpret_cast<LPCDLGTEMPLATEA>(hiddenTemplate.data()), main.window,
            HelpDialogProc, 0);
    }
    ~HelpDialogFixture()
    {
        if (IsWindow(dialog))
            DestroyWindow(dialog);
        modulePath = NULL;
    }
    std::string Caption(int id) const { return TextOf(GetDlgItem(dialog, id)); }
    void Press(int id) const
    {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, id));
    }
};

#endif
