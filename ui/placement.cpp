#include "ui/placement.h"

#include <shlwapi.h>

#include "app/base/character_boundary.h"
#include "app/base/process_objects.h"
#include "integration/settings.h"
#include "ui/presentation_state.h"

namespace {

const int cascadeStepX = 44;
const int cascadeStepY = 33;
const int cascadeRowHeight = 120;  // screen height per step before the steps repeat
const int faceCapacity = 32;       // LF_FACESIZE
const char linkedMark[] = " - Linked";
// The longest title: product (99), the mark, " - [", a root of MAX_PATH, "]".
const unsigned titleCapacity = 516;

// Point size and face of font as drawn on window's screen. Returns 0 when
// it cannot be measured.
int MeasureFont(HWND window, HFONT font, int* pointSize, char* face)
{
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    int oldMapMode = SetMapMode(dc, MM_TEXT);
    HGDIOBJ oldFont = SelectObject(dc, font);
    TEXTMETRICA metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    // A font that cannot be selected would measure the context's own font.
    int measured = oldFont != NULL && GetTextMetricsA(dc, &metrics) != 0;
    int pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    // The inverse of how the font was made from points: character height,
    // not cell height, so the size read back is the size that was chosen.
    if (measured && pixelsPerInch > 0)
        *pointSize = MulDiv(metrics.tmHeight - metrics.tmInternalLeading, 72, pixelsPerInch);
    else
        measured = 0;
    if (measured && !GetTextFaceA(dc, faceCapacity, face))
        measured = 0;
    if (oldFont)
        SelectObject(dc, oldFont);
    if (oldMapMode)
        SetMapMode(dc, oldMapMode);
    ReleaseDC(window, dc);
    return measured;
}

// "product", "product - Linked", each followed by " - [root]" when root is
// neither null nor empty; cut to fit capacity, always terminated.
void FormatTitle(char* title, unsigned capacity, const char* product, int linked,
                 const char* root)
{
    if (capacity == 0)
        return;
    // Room for the longest product name and the mark, so the mark is never cut.
    char first[productTitleSize + sizeof(linkedMark)] = {0};
    wnsprintfA(first, (int)sizeof(first), "%s%s", product ? product : "",
             linked ? linkedMark : "");
    if (root && root[0])
        wnsprintfA(title, (int)capacity, "%s - [%s]", first, root);
    else
        wnsprintfA(title, (int)capacity, "%s", first);
    // A cut counts bytes: in UTF-8 it may fall inside a character of the root.
    const unsigned length = (unsigned)lstrlenA(title);
    if (length == capacity - 1 && GetACP() == CP_UTF8)
        title[CharacterBoundary(title, length)] = 0;
}

}  // namespace

POINT CascadePosition(int count, int screenHeight)
{
    int steps = screenHeight / cascadeRowHeight;
    if (steps < 1)
        steps = 1;
    int k = count % steps;
    if (k < 0)
        k = 0;
    POINT position = {cascadeStepX * k, cascadeStepY * k};
    return position;
}

void PresentationState::SavePlacement()
{
    WINDOWPLACEMENT placement;
    ZeroMemory(&placement, sizeof(placement));
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(mainWindow, &placement))
        return;
    // The normal rectangle, so a maximised or minimised window comes back to
    // the size it is restored to, and the show state brings it back as it was.
    const RECT& normal = placement.rcNormalPosition;
    WriteSettingNumber(SettingScreenXPos, (DWORD)normal.left);
    WriteSettingNumber(SettingScreenYPos, (DWORD)normal.top);
    WriteSettingNumber(SettingWindowWidth, (DWORD)(normal.right - normal.left));
    WriteSettingNumber(SettingWindowHeight, (DWORD)(normal.bottom - normal.top));
    WriteSettingNumber(SettingShowState, placement.showCmd);
    WriteSettingNumber(SettingInterfaceDetail, (DWORD)interfaceDetail);
    WriteSettingNumber(SettingContextMenu, (DWORD)contextMenuMode);
    WriteSettingNumber(SettingLinkMode, (DWORD)linkMode);

    // The font in use, which after an unconfirmed preview is not the one
    // logFont describes. Without a content font the stored one stays.
    if (!contentFont)
        return;
    int pointSize = 0;
    char face[faceCapacity] = {0};
    if (!MeasureFont(mainWindow, contentFont, &pointSize, face))
        return;
    if (contentPointSize > 0)
        pointSize = contentPointSize;
    WriteSettingNumber(SettingFontSize, (DWORD)pointSize);
    WriteSettingText(face);
}

void PresentationState::UpdateTitle(const char* product, const char* root)
{
    char title[titleCapacity] = {0};
    FormatTitle(title, sizeof(title), product, linkMode == 1, root);
    SetWindowTextA(mainWindow, title);
}

void RestorePlacement(HWND window)
{
    int x = (int)ReadSettingNumber(SettingScreenXPos);
    int y = (int)ReadSettingNumber(SettingScreenYPos);

    // This window exists already (not yet shown), so it counts itself.
    LONG count = 0;
    EnumWindows(CountInstances, (LPARAM)&count);
    if (count > 1) {
        int screenHeight = 0;
        HDC dc = GetDC(window);
        if (dc) {
            screenHeight = GetDeviceCaps(dc, VERTRES);
            ReleaseDC(window, dc);
        }
        POINT step = CascadePosition((int)count, screenHeight);
        x = step.x;
        y = step.y;
    }
    // Applied as stored: a position off the current screen stays off it.
    int height = (int)ReadSettingNumber(SettingWindowHeight);
    int width = (int)ReadSettingNumber(SettingWindowWidth);
    MoveWindow(window, x, y, width, height, TRUE);
}

BOOL CALLBACK CountInstances(HWND window, LPARAM counter)
{
    // Every copy registers "Sorvane" and gets the same atom from the session's
    // shared table, so the atom picks the program's windows out of all others.
    if ((ATOM)GetClassLongA(window, GCW_ATOM) == classAtom)
        (*(LONG*)counter)++;
    return TRUE;
}
