#include "integration/help_dialog.h"

#include <shellapi.h>

#include "app/base/captions.h"
#include "app/base/hub_services.h"
#include "app/base/process_objects.h"
#include "integration/folder_verb.h"
#include "integration/help_text.h"
#include "integration/self_removal.h"
#include "resources/resource.h"
#include "ui/presentation_state.h"

namespace {

void OnInitDialog(HWND dialog)
{
    char* text = NULL;
    // Without its text the dialog stays as the template made it; the
    // loader has said why.
    if (!LoadHelpText(GetProcessHeap(), instance, &text))
        return;
    SendDlgItemMessageA(dialog, IDC_HELP_TEXT, EM_FMTLINES, TRUE, 0);
    SetDlgItemTextA(dialog, IDC_HELP_TEXT, text ? text : "");
    if (text)
        HeapFree(GetProcessHeap(), 0, text);

    SetCaptionFromString(dialog, IDC_HELP_VERB,
                         IsFolderVerbInstalled(modulePath) ? IDS_REMOVE_VERB : IDS_INSTALL_VERB);
    SetFocus(GetDlgItem(dialog, IDC_HELP_CLOSE));
    presentationState->ApplyHelpFonts(dialog);
    presentationState->LayoutHelpDialog(dialog, 0, 0);
}

void OpenWebSite()
{
    char url[stringTextSize] = {0};
    LoadStringA(instance, IDS_WEB_URL, url, sizeof(url));
    ShellExecuteA(NULL, NULL, url, NULL, NULL, SW_SHOWNORMAL);
}

// What the button does follows the registry, not a remembered flag; the
// caption changes only when the registry did.
void ToggleFolderVerb(HWND dialog)
{
    if (IsFolderVerbInstalled(modulePath)) {
        if (RemoveFolderVerb())
            SetCaptionFromString(dialog, IDC_HELP_VERB, IDS_INSTALL_VERB);
    } else if (InstallFolderVerb(modulePath)) {
        SetCaptionFromString(dialog, IDC_HELP_VERB, IDS_REMOVE_VERB);
    }
}

void Uninstall(HWND dialog)
{
    char question[stringTextSize] = {0};
    LoadStringA(instance, IDS_CONFIRM_UNINSTALL, question, sizeof(question));
    if (MessageBoxA(dialog, question, productTitle, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    RemoveStoredSettings();
    LaunchSelfRemoval(GetProcessHeap(), instance);
    StopScan();
    // Ends this dialog's modal loop and then the program's, while the main
    // window still exists: nothing is saved, and the process ends so that
    // the stub can delete its file.
    PostQuitMessage(0);
}

INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDC_HELP_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_HELP_WEB:
        OpenWebSite();
        return TRUE;
    case IDC_HELP_VERB:
        ToggleFolderVerb(dialog);
        return TRUE;
    case IDC_HELP_UNINSTALL:
        Uninstall(dialog);
        return TRUE;
    case IDC_HELP_FONT:
        ChooseMainContentFont(dialog);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_SIZE:
        presentationState->LayoutHelpDialog(dialog, lParam, WM_SIZE);
        return FALSE;
    case WM_SIZING:
        presentationState->LayoutHelpDialog(dialog, lParam, WM_SIZING);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return FALSE;
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    }
    return FALSE;
}
