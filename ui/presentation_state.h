// The one object that holds how the program presents itself: the content
// and interface fonts, the module, main window and system-menu handles, and
// the three mode values. It switches the interface detail mode, lays out the
// main window and the help dialog, and makes, applies, chooses and previews
// the content font.
#ifndef SORVANE_UI_PRESENTATION_STATE_H
#define SORVANE_UI_PRESENTATION_STATE_H

#include <windows.h>

#include "app/base/process_heap.h"

class PresentationState {
public:
    SORVANE_HEAP_OBJECT

    PresentationState();
    ~PresentationState();

    // At the main window's WM_CREATE: takes the stock interface font, the
    // module whose strings supply captions, the window and its system menu.
    void Attach(HINSTANCE moduleInstance, HWND window);

    // 0 expanded (caption, every control), 1 compact (no caption, search box,
    // mode box, result list and icon). Any other value counts as 0, so a
    // damaged stored setting still gives a usable window.
    void SetInterfaceDetail(int mode);
    void ToggleInterfaceDetail();

    // Width of a control's caption on dc, mnemonic ampersands included;
    // 100 when the control has no caption or it cannot be measured.
    static int MeasureCaption(HWND owner, HDC dc, int controlId);

    // message 0 fits the window to its minimum and lays it out; WM_SIZE lays
    // out for the client size in argument; WM_SIZING enlarges the RECT that
    // argument points to so it is not below the minimum (bottom and right
    // edges only) and lays out nothing.
    void LayoutMainWindow(LPARAM argument, UINT message);
    // The compact mode's icon side at the screen's resolution: 18 pixels at
    // 96 DPI, as the text beside it grows.
    int CompactIconSide() const;
    void LayoutHelpDialog(HWND helpDialog, LPARAM argument, UINT message);

    // Makes contentFont from a face name (cut to 31 characters) and a point
    // size at the screen's resolution. A failure is reported and the program
    // goes on with the font it had (none on the first call).
    void CreateContentFont(const char* faceName, int pointSize);
    void ApplyMainFonts(HWND window);
    void ApplyHelpFonts(HWND helpDialog);
    // Runs the font dialog over logFont. Returns 1 when a font was chosen and
    // applied to both windows, 0 when the user cancelled.
    int ChooseContentFont(HWND helpDialog, HWND window);
    // Adopts font (made from the font dialog's current selection) as the
    // content font of the help dialog (the font dialog's parent) and of the
    // main window (the help dialog's parent). logFont is left alone.
    // pointSize is the selection's size (0 when it has none).
    void PreviewFont(HFONT font, HWND fontDialog, int pointSize);

    // System-menu items and toggles (ui/system_menu.cpp). Each toggle's
    // label names the state in force and is checked when the value is 1.
    void AddSystemMenuItems(int contextMode, int linkState);
    void SetContextMenuMode(int mode);
    void ToggleContextMenuMode();
    int IsExtendedContextMenu() const;
    void SetLinkMode(int mode);
    void ToggleLinkMode();
    int IsLinked() const;
    // The system menu as a pop-up for a right click on the compact mode's
    // icon: the wParam and lParam of the main window's WM_RBUTTONDOWN.
    void ShowIconMenu(WPARAM keyFlags, LPARAM point);

    // Placement and title (ui/placement.cpp). SavePlacement writes the
    // normal rectangle, show state, the three modes and the content font in
    // use; UpdateTitle shows the link state and the scan root (may be null).
    void SavePlacement();
    void UpdateTitle(const char* product, const char* root);

    LOGFONTA logFont;     // description of the content font
    HFONT contentFont;    // owned: result list and help text; null until made
    // The point size contentFont was made at, as stored or chosen; 0 when
    // unknown. Stored at close as it is: a size measured back from the font
    // is not always the size it was asked for (at 144 DPI, 10 points read
    // back as 11), and the user's choice would drift start after start.
    int contentPointSize;
    HGDIOBJ guiFont;      // stock DEFAULT_GUI_FONT, never deleted
    HINSTANCE instance;   // module of the string table
    HWND mainWindow;
    HMENU systemMenu;     // the main window's own copy of its system menu
    int interfaceDetail;  // 0 expanded, 1 compact; setting "InterfaceDetail"
    int contextMenuMode;  // 0 extended, 1 simple; setting "ContextMenu"
    int linkMode;         // 0 unlinked, 1 linked; setting "LinkMode"
};

// The process's one PresentationState. UI thread only: the main window, the
// help dialog and the font dialog hook reach it here.
extern PresentationState* presentationState;

// Hook of the font dialog: turns its Apply button into a preview. Returns 0
// for every message, so the dialog's own handling always goes on.
UINT_PTR CALLBACK FontDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
