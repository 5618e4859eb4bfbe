// Linked copies of the real program, three at once under one wineserver:
// what one copy types reaches the others, and what another process sends
// (a request, a record it was not asked for, a damaged record) is answered
// or refused without harm.
#include <doctest/doctest.h>

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "harness/program_driver.h"
#include "resources/resource.h"
#include "temp_tree.h"

namespace {

// A folder of its own for each copy, so each list shows its own catalogue.
struct CopyTree : TempTree {
    explicit CopyTree(const char* name) : TempTree((std::string("sorvane-link-") + name).c_str())
    {
        for (const char* file : {"-gamma.txt", "-delta.txt"})
            Add(name + std::string(file));
    }
};

struct Copy {
    ProgramRun run;
    int Start(const CopyTree& tree, int linked)
    {
        std::string arguments = (linked ? "/LinkMode=1 \"" : "\"") + tree.root + "\"";
        return StartProgram(&run, arguments) && WaitForScanEnd(&run) == 2;
    }
    std::string SearchText() const { return ControlText(run.window, IDC_SEARCH_BOX); }
    std::vector<std::string> Results() const
    {
        return ListItems(GetDlgItem(run.window, IDC_RESULT_LIST));
    }
    HWND SearchBox() const { return GetDlgItem(run.window, IDC_SEARCH_BOX); }
    // In front with the focus in the search box, where typing goes.
    int ReadyToType() const { return WaitForKeyTarget(&run, run.window, SearchBox()); }
    // A copy announces its text, and the exchange with every other copy is
    // over, while it handles the keystroke that changed the text; it handles
    // its input in order. So once a Tab typed after that keystroke has moved
    // the focus, a copy that was to take nothing has had its chance: it is
    // looked at then. The focus goes back to the search box.
    int KeystrokesHandled() const
    {
        const HWND list = GetDlgItem(run.window, IDC_RESULT_LIST);
        PressKey(VK_TAB);
        if (!WaitUntil([&] { return FocusOf(&run) == list; }, 5000))
            return 0;
        PressKey(VK_TAB, 0, 1);
        return WaitUntil([&] { return FocusOf(&run) == SearchBox(); }, 5000);
    }
};

// A key pressed and released, without the driver's pause after it, so the
// time of an exchange is not padded.
void StrikeKey(WORD virtualKey)
{
    INPUT strokes[2];
    ZeroMemory(strokes, sizeof(strokes));
    for (int i = 0; i < 2; ++i) {
        strokes[i].type = INPUT_KEYBOARD;
        strokes[i].ki.wVk = virtualKey;
        strokes[i].ki.wScan = (WORD)MapVirtualKeyA(virtualKey, 0);
    }
    strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, strokes, sizeof(strokes[0]));
}

std::vector<std::string> Only(const std::string& item)
{
    return std::vector<std::string>(1, item);
}

}  // namespace

TEST_CASE("a linked copy's text misses a linked copy, reaches an unlinked one or bounces")
{
    ClearStoredSettings();
    CopyTree treeA("a"), treeB("b"), treeC("c");
    Copy a, b, c;
    REQUIRE(a.Start(treeA, 1));
    REQUIRE(b.Start(treeB, 1));
    REQUIRE(c.Start(treeC, 0));

    // A types; B takes the text in lower case and filters its own catalogue;
    // unlinked C takes nothing (but has now asked A for its text).
    REQUIRE(a.ReadyToType());
    TypeText("GAM");
    CHECK(WaitUntil([&] { return a.SearchText() == "gam"; }, 5000));
    CHECK(WaitUntil([&] { return b.SearchText() == "gam"; }, 5000));
    CHECK(WaitUntil([&] { return b.Results() == Only("\\b-gamma.txt"); }, 5000));
    CHECK(WaitUntil([&] { return a.Results() == Only("\\a-gamma.txt"); }, 5000));
    CHECK(a.KeystrokesHandled());
    CHECK(c.SearchText() == "");
    CHECK(c.Results().size() == 2);

    // C is linked now, but it asked while unlinked: its own typing stays home
    // until it has taken a text once.
    REQUIRE(c.ReadyToType());
    PressKey('L', 1);
    CHECK(WaitUntil([&] { return WindowText(c.run.window) ==
                                 "Sorvane - Linked - [" + treeC.root + "]"; }, 5000));
    TypeText("x");
    CHECK(WaitUntil([&] { return c.SearchText() == "x"; }, 5000));
    CHECK(c.KeystrokesHandled());
    CHECK(a.SearchText() == "gam");
    CHECK(b.SearchText() == "gam");

    // One keystroke in A, timed until the last copy shows its filtered list.
    REQUIRE(a.ReadyToType());
    const DWORD start = GetTickCount();
    StrikeKey('M');
    int arrived = 0;
    for (;;) {
        arrived = b.Results() == Only("\\b-gamma.txt") && b.SearchText() == "gamm" &&
                  c.Results() == Only("\\c-gamma.txt") && c.SearchText() == "gamm";
        if (arrived || GetTickCount() - start > ScaledWait(5000))
            break;
        Sleep(1);
    }
    const DWORD took = GetTickCount() - start;
    CHECK(arrived);
    MESSAGE("one keystroke from the first of three linked copies to the filled list of the last: "
            << took << " ms");

    // Having taken a text, C announces its own typing again.
    REQUIRE(c.ReadyToType());
    TypeText("a");  // goes on after the text taken in
    CHECK(WaitUntil([&] { return c.SearchText() == "gamma"; }, 5000));
    CHECK(WaitUntil([&] { return a.SearchText() == "gamma" && b.SearchText() == "gamma"; },
                    5000));

    // A query longer than a record carries arrives cut to its first 253.
    std::string longQuery;
    for (int i = 0; i < 300; ++i)
        longQuery += (char)('a' + i % 26);
    SendMessageA(GetDlgItem(a.run.window, IDC_SEARCH_BOX), WM_SETTEXT, 0,
                 (LPARAM)longQuery.c_str());
    CHECK(WaitUntil([&] { return b.SearchText() == longQuery.substr(0, 253) &&
                                 c.SearchText() == longQuery.substr(0, 253); }, 5000));
    CHECK(a.SearchText() == longQuery);
}

namespace {

// A window of this test process that plays another copy of the program.
struct Peer {
    UINT requestData;
    UINT dataReady;
    HWND window;
    HWND target;            // the program's window it answers
    std::string received;   // the last text that came with WM_COPYDATA
    DWORD receivedBytes;
    HWND receivedFrom;
    LRESULT answerResult;   // what the program returned for the peer's answer
    std::string answer;     // the text the peer sends when asked
};
Peer peer;

LRESULT CALLBACK PeerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT* record = (const COPYDATASTRUCT*)lParam;
        peer.receivedFrom = (HWND)wParam;
        peer.receivedBytes = record->cbData;
        peer.received.assign((const char*)record->lpData, record->cbData ? record->cbData - 1 : 0);
        return 1;
    }
    if (message != 0 && message == peer.requestData) {
        COPYDATASTRUCT record = {0, (DWORD)peer.answer.size() + 1, (void*)peer.answer.c_str()};
        peer.answerResult = SendMessageA((HWND)lParam, WM_COPYDATA, (WPARAM)window,
                                         (LPARAM)&record);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT SendRecord(HWND target, const void* data, DWORD bytes)
{
    COPYDATASTRUCT record = {0, bytes, (void*)data};
    return SendMessageA(target, WM_COPYDATA, (WPARAM)peer.window, (LPARAM)&record);
}

}  // namespace

TEST_CASE("a request goes unanswered, or a record not asked for or damaged is taken")
{
    ClearStoredSettings();
    CopyTree tree("d");
    Copy d;
    REQUIRE(d.Start(tree, 0));
    peer.requestData = RegisterWindowMessageA("SorvaneRequestData");
    peer.dataReady = RegisterWindowMessageA("SorvaneDataReady");
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = PeerProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "SorvaneTestPeer";
    RegisterClassA(&windowClass);
    peer.window = CreateWindowExA(0, "SorvaneTestPeer", "peer", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    REQUIRE(peer.window);
    const HWND searchBox = GetDlgItem(d.run.window, IDC_SEARCH_BOX);
    SendMessageA(searchBox, WM_SETTEXT, 0, (LPARAM)"delta");

    // Unlinked, D still answers with its text and its NUL...
    SendMessageA(d.run.window, peer.requestData, 0, (LPARAM)peer.window);
    CHECK(peer.received == "delta");
    CHECK(peer.receivedBytes == 6);
    CHECK(peer.receivedFrom == d.run.window);
    // ...and asks back when told of a text, but takes nothing.
    peer.answer = "taken";
    peer.answerResult = 99;
    CHECK(SendMessageA(d.run.window, peer.dataReady, 0, (LPARAM)peer.window) == 0);
    CHECK(peer.answerResult == 0);
    CHECK(d.SearchText() == "delta");

    // Linked and still waiting for the text it asked for: damaged records are
    // refused and change nothing.
    REQUIRE(WaitForKeyTarget(&d.run, d.run.window, searchBox));
    PressKey('L', 1);
    REQUIRE(WaitUntil([&] { return WindowText(d.run.window).find("Linked") != std::string::npos; },
                      5000));
    std::string tooLong(255, 'z');
    CHECK(SendRecord(d.run.window, NULL, 6) == 0);
    CHECK(SendRecord(d.run.window, "gamma", 0) == 0);
    CHECK(SendRecord(d.run.window, tooLong.c_str(), 255) == 0);
    CHECK(d.SearchText() == "delta");
    // A text without its NUL is taken only as far as the record says.
    CHECK(SendRecord(d.run.window, "gammadelta", 5) == 1);
    CHECK(d.SearchText() == "gamma");
    CHECK(d.Results() == Only("\\d-gamma.txt"));
    // Taken once; the next record was not asked for.
    CHECK(SendRecord(d.run.window, "delta", 6) == 0);
    CHECK(d.SearchText() == "gamma");
    CHECK(WaitForSingleObject(d.run.process.hProcess, 0) == WAIT_TIMEOUT);
    DestroyWindow(peer.window);
}
