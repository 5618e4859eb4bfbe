#include "ui/system_menu.h"

#include <shlwapi.h>
#include <string.h>

#include "resources/resource.h"
#include "ui/presentation_state.h"

namespace {

const int labelCapacity = 100;

// A stored mode other than 0 or 1 has no label of its own; it is taken as 0
// so the item always reads as a state the toggle can leave.
int NormalMode(int value)
{
    return value == 1 ? 1 : 0;
}

// The label names the state in force; the item is checked exactly for 1.
void LabelOfMode(HINSTANCE module, int mode, UINT labelOff, UINT labelOn, char* label)
{
    ZeroMemory(label, labelCapacity);
    LoadStringA(module, mode == 1 ? labelOn : labelOff, label, labelCapacity);
}

UINT FlagsOfMode(int mode)
{
    return mode == 1 ? MF_STRING | MF_CHECKED : MF_STRING;
}

void AppendToggle(HMENU menu, HINSTANCE module, UINT command, int mode, UINT labelOff,
                  UINT labelOn)
{
    char label[labelCapacity];
    LabelOfMode(module, mode, labelOff, labelOn, label);
    AppendMenuA(menu, FlagsOfMode(mode), command, label);
}

void ReplaceToggle(HMENU menu, HINSTANCE module, UINT command, int mode, UINT labelOff,
                   UINT labelOn)
{
    char label[labelCapacity];
    LabelOfMode(module, mode, labelOff, labelOn, label);
    ModifyMenuA(menu, command, MF_BYCOMMAND | FlagsOfMode(mode), command, label);
}

}  // namespace

void PresentationState::AddSystemMenuItems(int contextMode, int linkState)
{
    contextMenuMode = NormalMode(contextMode);
    linkMode = NormalMode(linkState);
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, NULL);
    AppendToggle(systemMenu, instance, IDM_TOGGLE_CONTEXT, contextMenuMode, IDS_EXTENDED_MENU,
                 IDS_SIMPLE_MENU);
    AppendToggle(systemMenu, instance, IDM_TOGGLE_LINK, linkMode, IDS_UNLINKED, IDS_LINKED);
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, NULL);
    char about[labelCapacity] = {0};
    LoadStringA(instance, IDS_ABOUT, about, sizeof(about));
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUT, about);
}

void PresentationState::SetContextMenuMode(int mode)
{
    contextMenuMode = NormalMode(mode);
    ReplaceToggle(systemMenu, instance, IDM_TOGGLE_CONTEXT, contextMenuMode, IDS_EXTENDED_MENU,
                  IDS_SIMPLE_MENU);
    DrawMenuBar(mainWindow);
}

void PresentationState::ToggleContextMenuMode()
{
    SetContextMenuMode(contextMenuMode == 1 ? 0 : 1);
}

int PresentationState::IsExtendedContextMenu() const
{
    return contextMenuMode == 1 ? 0 : 1;
}

void PresentationState::SetLinkMode(int mode)
{
    linkMode = NormalMode(mode);
    ReplaceToggle(systemMenu, instance, IDM_TOGGLE_LINK, linkMode, IDS_UNLINKED, IDS_LINKED);
    DrawMenuBar(mainWindow);
}

void PresentationState::ToggleLinkMode()
{
    SetLinkMode(linkMode == 1 ? 0 : 1);
}

int PresentationState::IsLinked() const
{
    return linkMode == 1;
}

static POINT PointOfMessage(LPARAM point)
{
    // Client coordinates left or above the client area are negative.
    POINT at = {(short)LOWORD(point), (short)HIWORD(point)};
    return at;
}

void PresentationState::ShowIconMenu(WPARAM keyFlags, LPARAM point)
{
    // The compact mode has no caption to open the system menu from; the icon
    // stands in for it. A right click while dragging is not a menu request.
    if ((keyFlags & MK_LBUTTON) || !IsOnIcon(mainWindow, point))
        return;
    POINT at = PointOfMessage(point);
    ClientToScreen(mainWindow, &at);
    int command = (int)TrackPopupMenu(systemMenu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0,
                                      mainWindow, NULL);
    // Delivered as a pick in the real system menu would be, so restore, move,
    // close and the program's own items all take their ordinary path.
    if (command != 0)
        SendMessageA(mainWindow, WM_SYSCOMMAND, (WPARAM)command,
                     MAKELPARAM((WORD)at.x, (WORD)at.y));
}

BOOL IsOnIcon(HWND window, LPARAM point)
{
    POINT at = PointOfMessage(point);
    ClientToScreen(window, &at);
    RECT icon = {0, 0, 0, 0};
    if (!GetWindowRect(GetDlgItem(window, IDC_ICON_IMAGE), &icon))
        return FALSE;
    return PtInRect(&icon, at);
}

// The file version of module's version resource as "a.b.c.d". Returns 0,
// text empty, when there is none.
static int ReadModuleVersion(HMODULE module, char* text, unsigned capacity)
{
    if (capacity == 0)
        return 0;
    text[0] = 0;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
    if (!found)
        return 0;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? (const BYTE*)LockResource(loaded) : NULL;
    if (!data)
        return 0;
    // The fixed part follows the block's header and key on a 32-bit boundary;
    // its signature marks it, so the header need not be decoded field by field.
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += sizeof(DWORD)) {
        VS_FIXEDFILEINFO fixed;
        memcpy(&fixed, data + at, sizeof(fixed));
        if (fixed.dwSignature != VS_FFI_SIGNATURE)
            continue;
        wnsprintfA(text, (int)capacity, "%u.%u.%u.%u", (unsigned)HIWORD(fixed.dwFileVersionMS),
                 (unsigned)LOWORD(fixed.dwFileVersionMS), (unsigned)HIWORD(fixed.dwFileVersionLS),
                 (unsigned)LOWORD(fixed.dwFileVersionLS));
        return 1;
    }
    return 0;
}

void ShowAboutBox(HWND owner)
{
    HMODULE module = GetModuleHandleA(NULL);
    char product[labelCapacity] = {0};
    LoadStringA(module, IDS_PRODUCT, product, sizeof(product));
    char version[64] = {0};
    ReadModuleVersion(module, version, sizeof(version));
    char text[2 * labelCapacity + 64] = {0};
    if (version[0])
        wnsprintfA(text, (int)sizeof(text), "%s\r\nVersion %s", product, version);
    else
        wnsprintfA(text, (int)sizeof(text), "%s", product);
    // The product's name is the box's caption, as for the program's other boxes.
    MessageBoxA(owner, text, product, MB_OK | MB_ICONINFORMATION);
}
