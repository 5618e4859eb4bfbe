// The content font: made from the stored face and size, sent to the result
// list and the help text, chosen with the font dialog, previewed with its
// Apply button. Everything else gets the stock interface font.
#include <windows.h>
#include <commdlg.h>

#include "app/base/error_report.h"
#include "app/base/owners.h"
#include "resources/resource.h"
#include "ui/presentation_state.h"

// What the font dialog offers: screen fonts of logFont's character set that
// exist, neither vector nor vertical, from 6 to 18 points, with an Apply
// button and the hook that previews; no colour, underline or strike-out.
static const DWORD contentFontDialogFlags = CF_SCREENFONTS | CF_ENABLEHOOK |
                                            CF_INITTOLOGFONTSTRUCT | CF_APPLY | CF_NOVECTORFONTS |
                                            CF_LIMITSIZE | CF_FORCEFONTEXIST | CF_SELECTSCRIPT |
                                            CF_NOVERTFONTS;
static_assert(contentFontDialogFlags == 0x01412A49, "font dialog flags");
static const int smallestPointSize = 6;
static const int largestPointSize = 18;

static const int mainInterfaceFontIds[] = {IDC_SEARCH_BOX,  IDC_STATUS,      IDC_REFRESH,
                                           IDC_ON_TOP,      IDC_SEARCH_MODE, IDC_HELP_BUTTON,
                                           IDC_EXIT,        IDC_INTERFACE_DETAIL};
static const int helpInterfaceFontIds[] = {IDC_HELP_WEB, IDC_HELP_VERB, IDC_HELP_UNINSTALL,
                                           IDC_HELP_FONT, IDC_HELP_CLOSE};

// The point size of a font height as the font dialog gives it: negative, a
// character height in pixels at the screen's resolution. 0 for a height of
// another kind, whose size is then measured from the font.
static int PointsOfHeight(LONG height)
{
    if (height >= 0)
        return 0;
    OwnedWindowDC screen(NULL);
    const int pixelsPerInch = screen.dc ? GetDeviceCaps(screen.dc, LOGPIXELSY) : 0;
    return pixelsPerInch > 0 ? MulDiv(-height, 72, pixelsPerInch) : 0;
}

static void SendFont(HWND window, int controlId, HGDIOBJ font)
{
    SendDlgItemMessageA(window, controlId, WM_SETFONT, (WPARAM)font, MAKELPARAM(TRUE, 0));
}

void PresentationState::CreateContentFont(const char* faceName, int pointSize)
{
    // Points to pixels at the screen's vertical resolution; the negative
    // height asks for that character height rather than that cell height.
    int pixelsPerInch = 96;
    {
        OwnedWindowDC screen(mainWindow);
        if (screen.dc) {
            int oldMapMode = SetMapMode(screen.dc, MM_TEXT);
            pixelsPerInch = GetDeviceCaps(screen.dc, LOGPIXELSY);
            if (oldMapMode)
                SetMapMode(screen.dc, oldMapMode);
        }
    }
    logFont.lfHeight = -MulDiv(pointSize, pixelsPerInch, 72);
    // A face name has room for 31 characters; a longer stored one is cut.
    lstrcpynA(logFont.lfFaceName, faceName ? faceName : "", sizeof(logFont.lfFaceName));
    logFont.lfCharSet = ANSI_CHARSET;
    logFont.lfPitchAndFamily = 0;

    HFONT font = CreateFontIndirectA(&logFont);
    if (!font) {
        ReportLastError(NULL, 0, 0, NULL);
        return;
    }
    HFONT previous = contentFont;
    contentFont = font;
    contentPointSize = pointSize;
    if (previous)
        DeleteObject(previous);
}

void PresentationState::ApplyMainFonts(HWND window)
{
    SendFont(window, IDC_RESULT_LIST, contentFont);
    for (unsigned i = 0; i < sizeof(mainInterfaceFontIds) / sizeof(mainInterfaceFontIds[0]); i++)
        SendFont(window, mainInterfaceFontIds[i], guiFont);
}

void PresentationState::ApplyHelpFonts(HWND helpDialog)
{
    SendFont(helpDialog, IDC_HELP_TEXT, contentFont);
    for (unsigned i = 0; i < sizeof(helpInterfaceFontIds) / sizeof(helpInterfaceFontIds[0]); i++)
        SendFont(helpDialog, helpInterfaceFontIds[i], guiFont);
}

int PresentationState::ChooseContentFont(HWND helpDialog, HWND window)
{
    CHOOSEFONTA choice;
    ZeroMemory(&choice, sizeof(choice));
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = helpDialog;
    choice.hDC = NULL;
    choice.lpLogFont = &logFont;
    choice.Flags = contentFontDialogFlags;
    choice.nSizeMin = smallestPointSize;
    choice.nSizeMax = largestPointSize;
    choice.lpfnHook = FontDialogHook;
    // Cancelled or failed: logFont stays as it was, and a previewed font stays
    // in use. Some font dialogs write the live selection into the record
    // while they are open (on Apply, for one), so the old one is put back.
    const LOGFONTA before = logFont;
    if (!ChooseFontA(&choice)) {
        logFont = before;
        return 0;
    }

    // The dialog wrote the choice into logFont. The old font is deleted only
    // once no control uses it any more, and kept if the new one cannot be made.
    HFONT previous = contentFont;
    HFONT font = CreateFontIndirectA(&logFont);
    if (font) {
        contentFont = font;
        // In tenths of a point.
        contentPointSize = (choice.iPointSize + 5) / 10;
    }
    ApplyHelpFonts(helpDialog);
    ApplyMainFonts(window);
    if (font && previous)
        DeleteObject(previous);
    return 1;
}

void PresentationState::PreviewFont(HFONT font, HWND fontDialog, int pointSize)
{
    if (!font)
        return;
    HFONT previous = contentFont;
    contentFont = font;
    contentPointSize = pointSize;

    HWND helpDialog = GetParent(fontDialog);
    HWND window = helpDialog ? GetParent(helpDialog) : NULL;
    if (helpDialog) {
        ApplyHelpFonts(helpDialog);
        LayoutHelpDialog(helpDialog, 0, 0);
    }
    // Without a parent chain the main window is still ours to update: the old
    // font is about to be deleted and must not stay on its result list.
    ApplyMainFonts(window ? window : mainWindow);
    LayoutMainWindow(0, 0);

    if (previous && previous != font)
        DeleteObject(previous);
}

UINT_PTR CALLBACK FontDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message != WM_COMMAND || LOWORD(wParam) != IDC_FONT_APPLY || !presentationState)
        return 0;
    LOGFONTA selection;
    ZeroMemory(&selection, sizeof(selection));
    SendMessageA(dialog, WM_CHOOSEFONT_GETLOGFONT, 0, (LPARAM)&selection);
    HFONT font = CreateFontIndirectA(&selection);
    if (font)
        presentationState->PreviewFont(font, dialog, PointsOfHeight(selection.lfHeight));
    return 0;
}
