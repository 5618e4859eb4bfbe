// Placement and title on a real (hidden) main window: what is stored at
// close, where the window comes back, the cascade of copies and the title.
#include <doctest/doctest.h>

#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "harness/program_driver.h"
#include "integration/settings.h"
#include "main_window_fixture.h"
#include "ui/placement.h"
#include "ui/presentation_state.h"

static RECT WindowPlace(HWND window)
{
    RECT place = {0, 0, 0, 0};
    GetWindowRect(window, &place);
    return place;
}

TEST_CASE("a copy lands on another copy's place, or a low screen divides by zero")
{
    struct Case {
        int count;
        int screenHeight;
        LONG x;
        LONG y;
    };
    // 768 pixels leave room for six steps: the sixth copy is back in the corner.
    const Case cases[] = {{2, 768, 88, 66}, {3, 768, 132, 99}, {6, 768, 0, 0},
                          {7, 768, 44, 33}, {2, 119, 0, 0},    {3, 0, 0, 0}};
    for (const Case& c : cases) {
        CAPTURE(c.count);
        CAPTURE(c.screenHeight);
        POINT at = CascadePosition(c.count, c.screenHeight);
        CHECK(at.x == c.x);
        CHECK(at.y == c.y);
    }
}

TEST_CASE("the title drops the link mark or the scan root")
{
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    auto titleFor = [&](const char* root) {
        presentationState->UpdateTitle("Sorvane", root);
        char title[100] = {0};
        GetWindowTextA(fixture.window, title, sizeof(title));
        return doctest::String(title);
    };
    CHECK(titleFor("") == "Sorvane");
    CHECK(titleFor("c:") == "Sorvane - [c:]");
    // A link toggle during a scan keeps the root.
    presentationState->ToggleLinkMode();
    CHECK(titleFor("c:") == "Sorvane - Linked - [c:]");
    CHECK(titleFor(NULL) == "Sorvane - Linked");
    CHECK(titleFor("D:\\Data") == "Sorvane - Linked - [D:\\Data]");

    // A root as long as a scan root may be is cut where the title's room of
    // 516 bytes ends: 515 characters and the terminator, the bracket lost.
    std::string longRoot(32766, 'x');
    presentationState->UpdateTitle("Sorvane", longRoot.c_str());
    std::vector<char> title(65536, 'y');
    int length = GetWindowTextA(fixture.window, title.data(), (int)title.size());
    const std::string opening = "Sorvane - Linked - [";
    CHECK(length == 515);
    CHECK(std::string(title.data()) == opening + std::string(515 - opening.size(), 'x'));
}

TEST_CASE("placement is stored from the wrong rectangle or comes back elsewhere")
{
    ClearStoredSettings();
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    presentationState->SetContextMenuMode(1);
    presentationState->SetLinkMode(1);
    presentationState->interfaceDetail = 1;
    MoveWindow(fixture.window, 123, 45, 500, 320, FALSE);

    SUBCASE("a normal window stores its rectangle, show state and modes")
    {
        presentationState->SavePlacement();
        CHECK(ReadSettingNumber(SettingScreenXPos) == 123);
        CHECK(ReadSettingNumber(SettingScreenYPos) == 45);
        CHECK(ReadSettingNumber(SettingWindowWidth) == 500);
        CHECK(ReadSettingNumber(SettingWindowHeight) == 320);
        CHECK(ReadSettingNumber(SettingShowState) == SW_SHOWNORMAL);
        CHECK(ReadSettingNumber(SettingInterfaceDetail) == 1);
        CHECK(ReadSettingNumber(SettingContextMenu) == 1);
        CHECK(ReadSettingNumber(SettingLinkMode) == 1);
    }
    SUBCASE("the only copy comes back where stored, even off the screen")
    {
        WriteSettingNumber(SettingScreenXPos, 5000);
        WriteSettingNumber(SettingScreenYPos, 40);
        WriteSettingNumber(SettingWindowWidth, 600);
        WriteSettingNumber(SettingWindowHeight, 400);
        RestorePlacement(fixture.window);
        RECT place = WindowPlace(fixture.window);
        CHECK(place.left == 5000);
        CHECK(place.top == 40);
        CHECK(place.right - place.left == 600);
        CHECK(place.bottom - place.top == 400);
    }
    ClearStoredSettings();
}

// The face the system actually draws font with (a missing face is replaced).
static doctest::String FaceDrawn(HFONT font)
{
    char face[LF_FACESIZE] = {0};
    HDC screen = GetDC(NULL);
    HGDIOBJ old = SelectObject(screen, font);
    GetTextFaceA(screen, sizeof(face), face);
    SelectObject(screen, old);
    ReleaseDC(NULL, screen);
    return face;
}

struct FaceSearch {
    char avoid[LF_FACESIZE];
    char found[LF_FACESIZE];
};

static int CALLBACK TakeOtherScalableFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD type,
                                          LPARAM search)
{
    FaceSearch* s = (FaceSearch*)search;
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@' ||
        strcmp(font->lfFaceName, s->avoid) == 0)
        return 1;
    lstrcpynA(s->found, font->lfFaceName, sizeof(s->found));
    return 0;
}

// A scalable face that this machine has, other than avoid.
static doctest::String OtherInstalledFace(const char* avoid)
{
    FaceSearch search;
    ZeroMemory(&search, sizeof(search));
    lstrcpynA(search.avoid, avoid, sizeof(search.avoid));
    HDC screen = GetDC(NULL);
    EnumFontFamiliesA(screen, NULL, TakeOtherScalableFace, (LPARAM)&search);
    ReleaseDC(NULL, screen);
    return search.found;
}

TEST_CASE("the stored font is the one described, not the one in use")
{
    ClearStoredSettings();
    MainWindowFixture fixture;
    REQUIRE(fixture.window);
    REQUIRE(presentationState->contentFont);

    // A preview that was never confirmed: the font in use differs from logFont.
    HDC screen = GetDC(NULL);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    LOGFONTA previewed = presentationState->logFont;
    const doctest::String otherFace =
        OtherInstalledFace(FaceDrawn(presentationState->contentFont).c_str());
    REQUIRE(otherFace.size() > 0);
    lstrcpynA(previewed.lfFaceName, otherFace.c_str(), sizeof(previewed.lfFaceName));
    previewed.lfHeight = -MulDiv(14, pixelsPerInch, 72);
    HFONT font = CreateFontIndirectA(&previewed);
    REQUIRE(font);
    const doctest::String faceInUse = FaceDrawn(font);
    REQUIRE(faceInUse != FaceDrawn(presentationState->contentFont));
    DeleteObject(presentationState->contentFont);
    presentationState->contentFont = font;
    // A font whose size is not known: it is measured.
    presentationState->contentPointSize = 0;

    presentationState->SavePlacement();
    CHECK(ReadSettingNumber(SettingFontSize) == 14);
    char face[1000] = {0};
    CHECK(ReadSettingText(face, sizeof(face)) == 1);
    CHECK(doctest::String(face) == faceInUse);
    ClearStoredSettings();
}

// ---- The real program ------------------------------------------------------

TEST_CASE("the real window comes back elsewhere or in another state, or a second copy covers it")
{
    ClearStoredSettings();
    WriteSettingNumber(SettingScreenXPos, 150);
    WriteSettingNumber(SettingScreenYPos, 120);
    WriteSettingNumber(SettingWindowWidth, 700);
    WriteSettingNumber(SettingWindowHeight, 500);
    const RECT stored = {150, 120, 850, 620};
    ProgramRun first;
    REQUIRE(StartProgram(&first, ""));
    RECT place = WindowPlace(first.window);
    CHECK(EqualRect(&place, &stored));

    // A second copy steps away from the corner rather than onto the first.
    ProgramRun second;
    REQUIRE(StartProgram(&second, ""));
    place = WindowPlace(second.window);
    MESSAGE("second copy at (" << place.left << ", " << place.top << "), " << place.right - place.left
                               << " by " << place.bottom - place.top);
    CHECK(place.left == 88);
    CHECK(place.top == 66);
    CHECK(place.right - place.left == 700);
    CHECK(CloseProgram(&second));
    StopProgram(&second);

    // Closed maximised: stored as such with the rectangle it restores to.
    PostMessageA(first.window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    REQUIRE(WaitUntil([&] { return IsZoomed(first.window) != 0; }, 3000));
    CHECK(CloseProgram(&first));
    StopProgram(&first);
    CHECK(StoredNumber(SettingShowState) == SW_SHOWMAXIMIZED);
    CHECK(StoredNumber(SettingScreenXPos) == 150);
    CHECK(StoredNumber(SettingWindowHeight) == 500);

    REQUIRE(StartProgram(&first, ""));
    CHECK(IsZoomed(first.window));
    PostMessageA(first.window, WM_SYSCOMMAND, SC_RESTORE, 0);
    REQUIRE(WaitUntil([&] { return !IsZoomed(first.window); }, 3000));
    // The window leaves the zoomed state before it is moved back, so the
    // restored place is awaited rather than read at once.
    WaitUntil(
        [&] {
            place = WindowPlace(first.window);
            return EqualRect(&place, &stored) != 0;
        },
        3000);
    MESSAGE("restored at (" << place.left << ", " << place.top << ")-(" << place.right << ", "
                            << place.bottom << ")");
    CHECK(EqualRect(&place, &stored));

    // Closed minimised: the next run starts minimised.
    PostMessageA(first.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    REQUIRE(WaitUntil([&] { return IsIconic(first.window) != 0; }, 3000));
    CHECK(CloseProgram(&first));
    StopProgram(&first);
    CHECK(StoredNumber(SettingShowState) == SW_SHOWMINIMIZED);
    REQUIRE(StartProgram(&first, ""));
    CHECK(IsIconic(first.window));
    CHECK(CloseProgram(&first));
    StopProgram(&first);
    ClearStoredSettings();
}
