// Drives the real program from another process, as a user would: starts
// sorvane.exe, sends real keyboard and mouse input with SendInput, drops
// files, and reads its windows back. Used by the end-to-end tests and the
// keystroke benchmark.
#ifndef SORVANE_TESTS_PROGRAM_DRIVER_H
#define SORVANE_TESTS_PROGRAM_DRIVER_H

#include <windows.h>

#include <string>
#include <vector>

// One started program, which its run owns: the process ends when the run
// goes out of scope, on every path, a failed assertion included, so that a
// failure leaves no program behind to move the next test's window or hold
// the files of the next build.
struct ProgramRun {
    PROCESS_INFORMATION process;
    HWND window;  // the main window, once it exists

    ProgramRun();
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
};

// The program built beside the running test or benchmark program.
std::string ProgramPath();

// Starts the program with arguments (may be empty) and waits for its main
// window. Returns 1 when the window appeared within timeoutMs; otherwise
// the process it made has been ended. A program run held before is ended
// first. Every timeout below is scaled by ScaledWait.
int StartProgram(ProgramRun* run, const std::string& arguments, DWORD timeoutMs = 20000);
// The same for a copy of the program at program.
int StartProgramAt(ProgramRun* run, const std::string& program, const std::string& arguments,
                   DWORD timeoutMs = 20000);
// Waits for the process to end; 1 with its exit code when it did.
int WaitForExit(ProgramRun* run, DWORD timeoutMs, DWORD* exitCode);
// Ends the process if it still runs and closes the handles.
void StopProgram(ProgramRun* run);
// Posts WM_CLOSE (the window saves its settings) and waits for the exit.
int CloseProgram(ProgramRun* run, DWORD timeoutMs = 15000);

// A wait of the harness or a test, in milliseconds, multiplied by the whole
// number in SORVANE_TIME_SCALE (1 when unset): under user-mode emulation
// every program starts and answers many times slower, so every wait grows
// alike and the ordinary run keeps its own.
DWORD ScaledWait(DWORD milliseconds);

// Polls condition every 20 ms until it holds or timeoutMs (scaled) passed.
template <class Condition>
int WaitUntil(Condition condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    const DWORD limit = ScaledWait(timeoutMs);
    for (;;) {
        if (condition())
            return 1;
        if (GetTickCount() - start > limit)
            return 0;
        Sleep(20);
    }
}

// Texts read with the messages, so they are the controls' own, not the
// system's copy of the window name.
std::string ControlText(HWND window, int controlId);
std::string WindowText(HWND window);
std::vector<std::string> ListItems(HWND list);
int ListSelection(HWND list);
// The control of the program's UI thread that has the keyboard focus.
HWND FocusOf(const ProgramRun* run);
// Waits until the status line reads "Loaded N files." and returns N, or -1.
// A scan's length depends on the machine, so the wait gives up only when the
// status line has not changed for stallMs (a growing count is progress).
int WaitForScanEnd(const ProgramRun* run, DWORD stallMs = 60000);
// 1 while the Refresh button reads "&Stop".
int IsScanning(const ProgramRun* run);
// The first visible message box of the process, or null.
HWND MessageBoxOf(DWORD processId);
// The pop-up menu window the program shows, or null.
HWND PopupMenuOf(const ProgramRun* run);
// The highlighted item of a pop-up menu window, as the screen shows it: its
// row counted from the top (or, fromBottom, from the bottom; the last is 0),
// or -1 when no item is highlighted. Rows are counted in the highlighted
// item's own height from the menu's edge, where the margin and one separator
// together are thinner than an item: they hold across one separator at most.
// The screen, because another process's menu cannot be asked (GetMenuState
// on it fails under Wine).
int HighlightedMenuRow(HWND popup, int fromBottom = 0);
// Moves the highlight of the shown pop-up to row (as HighlightedMenuRow;
// row < 0 counts from the bottom, -1 being the last) with Down or Up, one
// press at a time, each awaited until the highlight has moved. 1 once there.
int HighlightMenuRow(const ProgramRun* run, int row);
// The clipboard's CF_TEXT up to its NUL, with "(no NUL)" appended when the
// block holds none; empty when there is no text.
std::string ReadClipboardText();
// The clipboard's CF_UNICODETEXT up to its NUL (or the block's end); empty
// when there is none.
std::wstring ReadClipboardUnicode();

// Input. The program's window is brought to the front first.
void BringToFront(const ProgramRun* run);
void PressKey(WORD virtualKey, int withControl = 0, int withShift = 0);
void TypeText(const char* text);
// Characters typed as the keyboard's Unicode packets, which reach an ANSI
// edit control as the code page's characters.
void TypeUnicode(const std::wstring& text);
// Clicks at (x, y) in control's client coordinates with the given button
// (VK_LBUTTON, VK_RBUTTON or VK_MBUTTON) and modifier keys held.
void ClickAt(HWND control, int x, int y, int button = VK_LBUTTON, int withControl = 0,
             int withShift = 0);
// A left double click at (x, y): both clicks go in together, since a settle
// between them outlasts the double-click time when the run is slowed.
void DoubleClickAt(HWND control, int x, int y);

// Drops paths onto the main window as the shell would: a DROPFILES block
// in the program's own memory and WM_DROPFILES.
int DropPaths(const ProgramRun* run, const std::vector<std::string>& paths);

// Removes the program's settings key and this process's command-line
// override, so a run, or a case in this process, starts from the defaults.
void ClearStoredSettings();
// The stored number of setting id (a Setting... index), or 0xFFFFFFFF when
// there is none.
DWORD StoredNumber(int id);
// 1 when the registry key exists.
int KeyExists(HKEY root, const char* path);

// Readiness for input, so that a test sends a key or a click only once the
// program can take it where it is meant to go.
// Brings window (the main window, or a dialog or message box of the
// program) to the front, again while it is not, and waits until it is the
// foreground window and the program's keyboard focus is on focus: a key
// goes to the focus, and a window may be in front before its focus is back
// on its control. 1 once it is.
int WaitForKeyTarget(const ProgramRun* run, HWND window, HWND focus, DWORD timeoutMs = 5000);
// Puts the pointer at (x, y) in control's client coordinates and waits until
// the system has it there, over control, so that a click sent next lands on
// control. 1 once it does.
int PointerOn(HWND control, int x, int y, DWORD timeoutMs = 5000);

#endif
