// The layout arithmetic without a window: every rectangle of both modes and
// of the help dialog, the minimum sizes, and the rule that a dragged frame
// only ever grows at the bottom and right.
#include <doctest/doctest.h>

#include "resources/resource.h"
#include "ui/layout.h"

struct Box {
    int x, y, width, height;
};

template <class Layout>
static Box BoxOf(const Layout& layout, int id)
{
    for (int i = 0; i < layout.count; i++)
        if (layout.controls[i].id == id) {
            const ControlPlacement& p = layout.controls[i];
            return Box{p.x, p.y, p.width, p.height};
        }
    FAIL("control ", id, " was not placed");
    return Box{};
}

static void CheckBox(const Box& box, int x, int y, int width, int height)
{
    CHECK(box.x == x);
    CHECK(box.y == y);
    CHECK(box.width == width);
    CHECK(box.height == height);
}

// T = 13, A = 5 and a mode caption 50 pixels wide: R = 21, B = 17, K = 60.
static const int T = 13;
static const int A = 5;
static const int K = 60;

TEST_CASE("a control of the expanded layout lands off its pixel")
{
    MainWindowLayout layout = ComputeMainLayout(480, 270, A, T, K, interfaceDetailExpanded);
    SUBCASE("the worked example, control by control")
    {
        REQUIRE(layout.count == 10);
        CheckBox(BoxOf(layout, IDC_SEARCH_BOX), 5, 5, 200, 21);
        CheckBox(BoxOf(layout, IDC_STATUS), 210, 5, 200, 21);
        CheckBox(BoxOf(layout, IDC_INTERFACE_DETAIL), 415, 5, 60, 21);
        CheckBox(BoxOf(layout, IDC_RESULT_LIST), 5, 31, 405, 234);
        CheckBox(BoxOf(layout, IDC_REFRESH), 415, 148, 60, 21);
        CheckBox(BoxOf(layout, IDC_DRIVE_LIST), 415, 31, 60, 112);
        CheckBox(BoxOf(layout, IDC_ON_TOP), 415, 174, 60, 17);
        CheckBox(BoxOf(layout, IDC_SEARCH_MODE), 415, 196, 60, 17);
        CheckBox(BoxOf(layout, IDC_HELP_BUTTON), 415, 218, 60, 21);
        CheckBox(BoxOf(layout, IDC_EXIT), 415, 244, 60, 21);
    }
    SUBCASE("the minimum client size is 100 by 179")
    {
        CHECK(layout.minimumWidth == 100);
        CHECK(layout.minimumHeight == 179);
    }
    SUBCASE("controls are moved in the fixed order")
    {
        const int order[] = {IDC_SEARCH_BOX, IDC_STATUS,  IDC_INTERFACE_DETAIL, IDC_RESULT_LIST,
                             IDC_REFRESH,    IDC_DRIVE_LIST, IDC_ON_TOP,         IDC_SEARCH_MODE,
                             IDC_HELP_BUTTON, IDC_EXIT};
        REQUIRE(layout.count == 10);
        for (int i = 0; i < 10; i++)
            CHECK(layout.controls[i].id == order[i]);
    }
    SUBCASE("at exactly the minimum the search box and status line are 2A wide, the drive list R high")
    {
        MainWindowLayout smallest = ComputeMainLayout(100, 179, A, T, K, interfaceDetailExpanded);
        CHECK(BoxOf(smallest, IDC_SEARCH_BOX).width == 2 * A);
        CHECK(BoxOf(smallest, IDC_STATUS).width == 2 * A);
        CHECK(BoxOf(smallest, IDC_DRIVE_LIST).height == T + 8);
        CHECK(BoxOf(smallest, IDC_RESULT_LIST).width == 100 - K - 15);
    }
}

TEST_CASE("a control of the compact layout lands off its pixel")
{
    MainWindowLayout layout = ComputeMainLayout(400, 200, A, T, K, interfaceDetailCompact);
    SUBCASE("the worked example: icon, search box, mode box, result list in that order")
    {
        REQUIRE(layout.count == 4);
        CHECK(layout.controls[0].id == IDC_ICON_IMAGE);
        CHECK(layout.controls[1].id == IDC_SEARCH_BOX);
        CHECK(layout.controls[2].id == IDC_INTERFACE_DETAIL);
        CHECK(layout.controls[3].id == IDC_RESULT_LIST);
        CheckBox(BoxOf(layout, IDC_ICON_IMAGE), 5, 6, 18, 18);
        CheckBox(BoxOf(layout, IDC_SEARCH_BOX), 28, 5, 302, 21);
        CheckBox(BoxOf(layout, IDC_INTERFACE_DETAIL), 335, 5, 60, 21);
        CheckBox(BoxOf(layout, IDC_RESULT_LIST), 5, 31, 390, 164);
    }
    SUBCASE("the minimum client size is 108 by 57")
    {
        CHECK(layout.minimumWidth == 108);
        CHECK(layout.minimumHeight == 57);
        MainWindowLayout smallest = ComputeMainLayout(108, 57, A, T, K, interfaceDetailCompact);
        CHECK(BoxOf(smallest, IDC_SEARCH_BOX).width == 2 * A);
        CHECK(BoxOf(smallest, IDC_RESULT_LIST).height == T + 8);
    }
    SUBCASE("a text height below 10 centres the icon by truncating toward zero")
    {
        CHECK(BoxOf(ComputeMainLayout(400, 200, A, 7, K, interfaceDetailCompact), IDC_ICON_IMAGE).y == 4);
        CHECK(BoxOf(ComputeMainLayout(400, 200, A, 10, K, interfaceDetailCompact), IDC_ICON_IMAGE).y == 5);
        CHECK(BoxOf(ComputeMainLayout(400, 200, A, 16, K, interfaceDetailCompact), IDC_ICON_IMAGE).y == 8);
    }
    SUBCASE("at 192 DPI: a larger icon pushes the search box, and a taller row the minimum")
    {
        // T = 25, A = 11, K = 120, an icon of 36 and a list that needs 35
        // pixels for a whole row: 2R + 15 = 81 would show only 29 of them.
        MainWindowLayout large = ComputeMainLayout(400, 200, 11, 25, 120, interfaceDetailCompact, 36, 35);
        CheckBox(BoxOf(large, IDC_ICON_IMAGE), 5, 4, 36, 36);
        CheckBox(BoxOf(large, IDC_SEARCH_BOX), 46, 5, 224, 33);
        CHECK(large.minimumWidth == 120 + 22 + 20 + 36);
        CHECK(large.minimumHeight == 33 + 15 + 35);
        // A row that fits the rows of the interface font changes nothing.
        CHECK(ComputeMainLayout(400, 200, A, T, K, interfaceDetailCompact, 18, 20).minimumHeight == 57);
    }
}

TEST_CASE("a client area below the minimum hands controls negative sizes")
{
    SUBCASE("a minimised expanded window: every size is zero or more")
    {
        MainWindowLayout layout = ComputeMainLayout(0, 0, A, T, K, interfaceDetailExpanded);
        REQUIRE(layout.count == 10);
        for (int i = 0; i < layout.count; i++) {
            CHECK(layout.controls[i].width >= 0);
            CHECK(layout.controls[i].height >= 0);
        }
        CHECK(BoxOf(layout, IDC_SEARCH_BOX).width == 0);
        CHECK(BoxOf(layout, IDC_RESULT_LIST).height == 0);
        CHECK(BoxOf(layout, IDC_INTERFACE_DETAIL).width == K);  // the column keeps its width
    }
    SUBCASE("a mode other than 0 or 1 places nothing")
    {
        MainWindowLayout layout = ComputeMainLayout(480, 270, A, T, K, 2);
        CHECK(layout.count == 0);
    }
}

TEST_CASE("the help dialog's button row is off centre or out of order")
{
    // R = 21; the five widths add up to S = 360.
    const int widths[helpButtonCount] = {40, 40, 100, 130, 50};
    SUBCASE("a wide dialog: the row is centred, buttons 5 apart, help text above it")
    {
        HelpDialogLayout layout = ComputeHelpLayout(500, 300, T, widths);
        REQUIRE(layout.count == 6);
        CHECK(layout.controls[0].id == IDC_HELP_TEXT);
        CheckBox(BoxOf(layout, IDC_HELP_TEXT), 5, 5, 490, 264);
        const int ids[] = {IDC_HELP_CLOSE, IDC_HELP_FONT, IDC_HELP_WEB, IDC_HELP_VERB,
                           IDC_HELP_UNINSTALL};
        const int xs[] = {60, 105, 150, 255, 390};
        for (int i = 0; i < 5; i++) {
            CHECK(layout.controls[i + 1].id == ids[i]);
            CheckBox(BoxOf(layout, ids[i]), xs[i], 274, widths[i], 21);
        }
    }
    SUBCASE("a dialog narrower than the row starts it at x = 5, never further left")
    {
        HelpDialogLayout layout = ComputeHelpLayout(300, 300, T, widths);
        CHECK(BoxOf(layout, IDC_HELP_CLOSE).x == 5);
        CHECK(BoxOf(layout, IDC_HELP_FONT).x == 50);
        layout = ComputeHelpLayout(0, 0, T, widths);
        CHECK(BoxOf(layout, IDC_HELP_CLOSE).x == 5);
        CHECK(BoxOf(layout, IDC_HELP_TEXT).width == 0);
        CHECK(BoxOf(layout, IDC_HELP_TEXT).height == 0);
    }
    SUBCASE("the minimum leaves room for the row and a help text 2R high")
    {
        HelpDialogLayout layout = ComputeHelpLayout(0, 0, T, widths);
        CHECK(layout.minimumWidth == 390);
        CHECK(layout.minimumHeight == 78);
        layout = ComputeHelpLayout(390, 78, T, widths);
        CHECK(BoxOf(layout, IDC_HELP_TEXT).height == 2 * 21);
        CHECK(BoxOf(layout, IDC_HELP_CLOSE).x == 5);
    }
}

TEST_CASE("a frame dragged below the minimum moves its top-left corner")
{
    SUBCASE("too small both ways: bottom and right grow, top and left stay")
    {
        LayoutBounds bounds = {100, 200, 150, 220};
        CHECK(GrowToMinimum(&bounds, 300, 400) == 1);
        CHECK(bounds.left == 100);
        CHECK(bounds.top == 200);
        CHECK(bounds.right == 400);
        CHECK(bounds.bottom == 600);
    }
    SUBCASE("large enough: nothing moves and the caller is told so")
    {
        LayoutBounds bounds = {10, 20, 410, 420};
        CHECK(GrowToMinimum(&bounds, 400, 400) == 0);
        CHECK(bounds.right == 410);
        CHECK(bounds.bottom == 420);
    }
}
