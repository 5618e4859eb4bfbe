// Pixel geometry of the main window and of the help dialog, as plain
// arithmetic on the client size and the interface font's metrics. The window
// code measures, calls these and moves; nothing here touches a window, so
// every rectangle can be checked without one.
//
// Metrics: A is the interface font's average character width, T its height;
// rows of edits, buttons and the mode check box are R = T + 8 high, the two
// small check boxes B = T + 4. K is the width of the main window's right
// column: the mode check box's caption width plus 2A. Margins and gaps are 5.
//
// A client area below the minimum (a minimised window, a tiny screen) makes
// some widths and heights come out zero or negative. Those are handed on as 0:
// a control of no size shows nothing and fails nothing, and the next size
// report lays everything out again. Positions are left as computed.
#ifndef SORVANE_UI_LAYOUT_H
#define SORVANE_UI_LAYOUT_H

const int interfaceDetailExpanded = 0;
const int interfaceDetailCompact = 1;

// One control's place in client pixels, for MoveWindow.
struct ControlPlacement {
    int id;
    int x;
    int y;
    int width;
    int height;
};

const int mainLayoutMaxControls = 10;

struct MainWindowLayout {
    int count;  // controls to move, in the order they are to be moved
    ControlPlacement controls[mainLayoutMaxControls];
    int minimumWidth;  // smallest client size the mode allows
    int minimumHeight;
};

// The compact mode's icon (bitmap 113) is 18 pixels square at 96 DPI and
// grows with the screen's resolution, as the text beside it does.
const int compactIconSide = 18;

// Places the main window's controls for a client area of the given size.
// mode is the interface detail (0 expanded, 1 compact); for any other mode
// nothing is placed and the minimum is 0 by 0. iconSide: the compact icon's
// side at the screen's resolution. wholeRow: the height of a result list
// that shows one whole row (a row of its font and its frame); the minimum
// height keeps that room even where the content font is taller than the
// interface font's rows.
MainWindowLayout ComputeMainLayout(int clientWidth, int clientHeight, int averageCharWidth,
                                   int textHeight, int modeColumnWidth, int mode,
                                   int iconSide = compactIconSide, int wholeRow = 0);

const int helpButtonCount = 5;
const int helpLayoutControls = helpButtonCount + 1;

struct HelpDialogLayout {
    int count;
    ControlPlacement controls[helpLayoutControls];  // the help text, then the buttons
    int minimumWidth;
    int minimumHeight;
};

// The button row of the help dialog, left to right.
extern const int helpButtonIds[helpButtonCount];

// Places the help text and the centred button row. buttonWidths are the
// widths of the buttons in helpButtonIds order (caption width + 4A each).
HelpDialogLayout ComputeHelpLayout(int clientWidth, int clientHeight, int textHeight,
                                   const int buttonWidths[helpButtonCount]);

// A window rectangle in screen pixels (the fields of RECT).
struct LayoutBounds {
    int left;
    int top;
    int right;
    int bottom;
};

// Enlarges bounds to at least minimumWidth by minimumHeight by moving only
// the right and bottom edges, so the top-left corner stays wherever the user
// grabbed the frame. Returns 1 when an edge moved.
int GrowToMinimum(LayoutBounds* bounds, int minimumWidth, int minimumHeight);

#endif
