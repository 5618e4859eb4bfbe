#include "ui/layout.h"

#include "resources/resource.h"

const int helpButtonIds[helpButtonCount] = {IDC_HELP_CLOSE, IDC_HELP_FONT, IDC_HELP_WEB,
                                            IDC_HELP_VERB, IDC_HELP_UNINSTALL};

static const int margin = 5;

static int NotNegative(int value)
{
    return value < 0 ? 0 : value;
}

template <class Layout>
static void Place(Layout* layout, int id, int x, int y, int width, int height)
{
    ControlPlacement* placement = &layout->controls[layout->count++];
    placement->id = id;
    placement->x = x;
    placement->y = y;
    placement->width = NotNegative(width);
    placement->height = NotNegative(height);
}

MainWindowLayout ComputeMainLayout(int W, int H, int A, int T, int K, int mode, int icon,
                                   int wholeRow)
{
    MainWindowLayout layout = {};
    const int R = T + 8;
    const int B = T + 4;
    const int column = W - K - 5;  // x of the right-hand column

    if (mode == interfaceDetailExpanded) {
        layout.minimumWidth = K + 4 * A + 20;
        layout.minimumHeight = 5 * R + 2 * B + 40;
        // Search box and status line share what the column leaves of the top
        // row; the halving rounds down, also for a negative remainder.
        int spare = W - K - 20;
        int M = spare >= 0 ? spare / 2 : -((1 - spare) / 2);
        Place(&layout, IDC_SEARCH_BOX, margin, margin, M, R);
        Place(&layout, IDC_STATUS, M + 10, margin, M, R);
        Place(&layout, IDC_INTERFACE_DETAIL, column, margin, K, R);
        Place(&layout, IDC_RESULT_LIST, margin, R + 10, W - K - 15, H - R - 15);
        Place(&layout, IDC_REFRESH, column, H - 3 * R - 2 * B - 25, K, R);
        Place(&layout, IDC_DRIVE_LIST, column, R + 10, K, H - 4 * R - 2 * B - 40);
        Place(&layout, IDC_ON_TOP, column, H - 2 * R - 2 * B - 20, K, B);
        Place(&layout, IDC_SEARCH_MODE, column, H - 2 * R - B - 15, K, B);
        Place(&layout, IDC_HELP_BUTTON, column, H - 2 * R - 10, K, R);
        Place(&layout, IDC_EXIT, column, H - R - 5, K, R);
    } else if (mode == interfaceDetailCompact) {
        // With the icon of 96 DPI: K + 2A + 38 wide, the search box W - K - 38.
        layout.minimumWidth = K + 2 * A + 20 + icon;
        layout.minimumHeight = 2 * R + 15;
        // Centred on the search row, (T - 10) / 2 + 5 for the icon of 96 DPI;
        // C++ division truncates toward zero, so a text height of 7 puts that
        // icon at y = 4.
        Place(&layout, IDC_ICON_IMAGE, margin, (R - icon) / 2 + 5, icon, icon);
        Place(&layout, IDC_SEARCH_BOX, margin + icon + margin, margin, W - K - 20 - icon, R);
        Place(&layout, IDC_INTERFACE_DETAIL, column, margin, K, R);
        Place(&layout, IDC_RESULT_LIST, margin, R + 10, W - 10, H - R - 15);
    }
    // The result list is H - R - 15 high in both modes.
    if (layout.count && layout.minimumHeight < R + 15 + wholeRow)
        layout.minimumHeight = R + 15 + wholeRow;
    return layout;
}

HelpDialogLayout ComputeHelpLayout(int W, int H, int T, const int buttonWidths[helpButtonCount])
{
    HelpDialogLayout layout = {};
    const int R = T + 8;
    int S = 0;
    for (int i = 0; i < helpButtonCount; i++)
        S += buttonWidths[i];
    layout.minimumWidth = S + 30;
    layout.minimumHeight = 3 * R + 15;

    Place(&layout, IDC_HELP_TEXT, margin, margin, W - 10, H - R - 15);
    int x = (W - S - 20) / 2;
    if (x < margin)
        x = margin;
    const int y = H - R - 5;
    for (int i = 0; i < helpButtonCount; i++) {
        Place(&layout, helpButtonIds[i], x, y, buttonWidths[i], R);
        x += buttonWidths[i] + margin;
    }
    return layout;
}

int GrowToMinimum(LayoutBounds* bounds, int minimumWidth, int minimumHeight)
{
    int moved = 0;
    if (bounds->bottom - bounds->top < minimumHeight) {
        bounds->bottom = bounds->top + minimumHeight;
        moved = 1;
    }
    if (bounds->right - bounds->left < minimumWidth) {
        bounds->right = bounds->left + minimumWidth;
        moved = 1;
    }
    return moved;
}
