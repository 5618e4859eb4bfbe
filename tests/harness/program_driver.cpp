#include "harness/program_driver.h"

#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "integration/settings.h"
#include "resources/resource.h"

DWORD ScaledWait(DWORD milliseconds)
{
    // Read once: the scale holds for the whole run.
    static DWORD scale = 0;
    if (!scale) {
        char text[16] = {0};
        const DWORD length = GetEnvironmentVariableA("SORVANE_TIME_SCALE", text, sizeof(text));
        scale = length > 0 && length < sizeof(text) ? (DWORD)atoi(text) : 1;
        if (scale < 1 || scale > 1000)
            scale = 1;
    }
    // INFINITE and other long waits must not wrap into short ones.
    if (milliseconds >= INFINITE / scale)
        return INFINITE - 1;
    return milliseconds * scale;
}

std::string ProgramPath()
{
    // build/<arch>/tests/sorvane_tests.exe or build/<arch>/bench/sorvane_bench.exe
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder(path);
    for (int up = 0; up < 2; ++up)
        folder = folder.substr(0, folder.find_last_of('\\'));
    return folder + "\\sorvane.exe";
}

namespace {

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {0};
    GetClassNameA(window, className, sizeof(className));
    if (owner == search->processId && strcmp(className, "Sorvane") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct VisibleWindowSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM lParam)
{
    VisibleWindowSearch* search = reinterpret_cast<VisibleWindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {0};
    GetClassNameA(window, className, sizeof(className));
    if (owner == search->processId && IsWindowVisible(window) &&
        strcmp(className, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleWindowOf(DWORD processId, const char* className)
{
    VisibleWindowSearch search = {processId, className, NULL};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void SendKey(WORD virtualKey, int up)
{
    INPUT input;
    ZeroMemory(&input, sizeof(input));
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = (WORD)MapVirtualKeyA(virtualKey, 0);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void SendMouseButton(int button, int up)
{
    INPUT input;
    ZeroMemory(&input, sizeof(input));
    input.type = INPUT_MOUSE;
    if (button == VK_RBUTTON)
        input.mi.dwFlags = up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
    else if (button == VK_MBUTTON)
        input.mi.dwFlags = up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
    else
        input.mi.dwFlags = up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof(input));
}

// Puts the pointer at (x, y) in control's client coordinates.
void PointAt(HWND control, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(control, &point);
    SetCursorPos(point.x, point.y);
}

// Input is asynchronous: give the program time to take it in.
void Settle()
{
    Sleep(ScaledWait(60));
}

}  // namespace

ProgramRun::ProgramRun() : window(NULL)
{
    ZeroMemory(&process, sizeof(process));
}

ProgramRun::~ProgramRun()
{
    StopProgram(this);
}

int StartProgram(ProgramRun* run, const std::string& arguments, DWORD timeoutMs)
{
    return StartProgramAt(run, ProgramPath(), arguments, timeoutMs);
}

int StartProgramAt(ProgramRun* run, const std::string& program, const std::string& arguments,
                   DWORD timeoutMs)
{
    StopProgram(run);
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &run->process))
        return 0;
    WindowSearch search = {run->process.dwProcessId, NULL};
    WaitUntil(
        [&] {
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != NULL && IsWindowVisible(search.found);
        },
        timeoutMs);
    run->window = search.found;
    if (!run->window)
        StopProgram(run);
    return run->window != NULL;
}

int WaitForExit(ProgramRun* run, DWORD timeoutMs, DWORD* exitCode)
{
    if (!run->process.hProcess ||
        WaitForSingleObject(run->process.hProcess, ScaledWait(timeoutMs)) != WAIT_OBJECT_0)
        return 0;
    GetExitCodeProcess(run->process.hProcess, exitCode);
    return 1;
}

void StopProgram(ProgramRun* run)
{
    if (run->process.hProcess) {
        if (WaitForSingleObject(run->process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(run->process.hProcess, 1);
            WaitForSingleObject(run->process.hProcess, ScaledWait(5000));
        }
        CloseHandle(run->process.hProcess);
        CloseHandle(run->process.hThread);
    }
    ZeroMemory(&run->process, sizeof(run->process));
    run->window = NULL;
}

int CloseProgram(ProgramRun* run, DWORD timeoutMs)
{
    PostMessageA(run->window, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    return WaitForExit(run, timeoutMs, &exitCode);
}

std::string WindowText(HWND window)
{
    char text[1100] = {0};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, ScaledWait(5000), NULL);
    return text;
}

std::string ControlText(HWND window, int controlId)
{
    return WindowText(GetDlgItem(window, controlId));
}

namespace {

// A program that has crashed or hangs must fail a test, not stall it.
LRESULT AskWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = (DWORD_PTR)LB_ERR;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ScaledWait(5000), &result))
        return LB_ERR;
    return (LRESULT)result;
}

}  // namespace

std::vector<std::string> ListItems(HWND list)
{
    // The ANSI form of LB_GETTEXT does not convert across processes here.
    std::vector<std::string> items;
    const LRESULT count = AskWide(list, LB_GETCOUNT, 0, 0);
    // The program may refill the list between two questions, so the text
    // can outgrow the length asked for just before: the buffer takes the
    // longest item text there can be, whatever was said.
    const size_t longestItem = 4096;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = AskWide(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        if (length < 0 || (size_t)length >= longestItem)
            break;
        std::vector<wchar_t> wide(longestItem + 1);
        if (AskWide(list, LB_GETTEXT, (WPARAM)i, reinterpret_cast<LPARAM>(wide.data())) < 0)
            break;
        char text[2 * longestItem] = {0};
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof(text) - 1, NULL, NULL);
        items.push_back(text);
    }
    return items;
}

int ListSelection(HWND list)
{
    return (int)AskWide(list, LB_GETCURSEL, 0, 0);
}

HWND FocusOf(const ProgramRun* run)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(run->process.dwThreadId, &info))
        return NULL;
    return info.hwndFocus;
}

int IsScanning(const ProgramRun* run)
{
    return ControlText(run->window, IDC_REFRESH) == "&Stop";
}

int WaitForScanEnd(const ProgramRun* run, DWORD stallMs)
{
    int count = -1;
    std::string seen;
    DWORD changed = GetTickCount();
    for (;;) {
        const std::string status = ControlText(run->window, IDC_STATUS);
        if (!IsScanning(run) && sscanf(status.c_str(), "Loaded %d files.", &count) == 1)
            return count;
        if (status != seen) {
            seen = status;
            changed = GetTickCount();
        } else if (GetTickCount() - changed > ScaledWait(stallMs)) {
            return -1;
        }
        Sleep(20);
    }
}

HWND MessageBoxOf(DWORD processId)
{
    return VisibleWindowOf(processId, "#32770");
}

HWND PopupMenuOf(const ProgramRun* run)
{
    return VisibleWindowOf(run->process.dwProcessId, "#32768");
}

int HighlightedMenuRow(HWND popup, int fromBottom)
{
    RECT frame;
    if (!popup || !GetWindowRect(popup, &frame))
        return -1;
    // A column near the left edge, inside every item, where the text seldom
    // reaches: the highlight fills it from the item's top to its bottom.
    const int x = frame.left + 4;
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    HDC screen = GetDC(NULL);
    int top = -1, bottom = -1;
    for (int y = frame.top; y < frame.bottom; ++y) {
        if (GetPixel(screen, x, y) == highlight) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    ReleaseDC(NULL, screen);
    if (top < 0)
        return -1;
    // The menu's own margin is a few pixels, less than an item's height.
    const int height = bottom - top + 1;
    return fromBottom ? (frame.bottom - 1 - bottom) / height : (top - frame.top) / height;
}

int HighlightMenuRow(const ProgramRun* run, int row)
{
    const int fromBottom = row < 0;
    const int wanted = fromBottom ? -row - 1 : row;
    const WORD key = fromBottom ? VK_UP : VK_DOWN;
    // A move of the pointer may take the highlight away between two presses;
    // each press is judged by what it did, so the walk simply goes on. Enough
    // presses to wrap round a long shell menu twice.
    for (int press = 0; press < 80; ++press) {
        const HWND popup = PopupMenuOf(run);
        const int before = HighlightedMenuRow(popup, fromBottom);
        if (before == wanted)
            return 1;
        if (!popup)
            return 0;
        PressKey(key);
        WaitUntil([&] { return HighlightedMenuRow(PopupMenuOf(run), fromBottom) != before; },
                  5000);
    }
    return 0;
}

std::string ReadClipboardText()
{
    std::string text;
    if (!OpenClipboard(NULL))
        return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* bytes = data ? static_cast<const char*>(GlobalLock(data)) : NULL;
    if (bytes) {
        // Read no further than the block: a text without its NUL says so.
        const SIZE_T size = GlobalSize(data);
        const size_t length = strnlen(bytes, size);
        text.assign(bytes, length);
        if (length == size)
            text += "(no NUL)";
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::wstring ReadClipboardUnicode()
{
    std::wstring text;
    if (!OpenClipboard(NULL))
        return text;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : NULL;
    if (chars) {
        text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void BringToFront(const ProgramRun* run)
{
    SetForegroundWindow(run->window);
    WaitUntil([&] { return GetForegroundWindow() == run->window; }, 2000);
}

void PressKey(WORD virtualKey, int withControl, int withShift)
{
    if (withControl)
        SendKey(VK_CONTROL, 0);
    if (withShift)
        SendKey(VK_SHIFT, 0);
    SendKey(virtualKey, 0);
    SendKey(virtualKey, 1);
    if (withShift)
        SendKey(VK_SHIFT, 1);
    if (withControl)
        SendKey(VK_CONTROL, 1);
    Settle();
}

void TypeText(const char* text)
{
    for (const char* c = text; *c; ++c) {
        const SHORT key = VkKeyScanA(*c);
        const int shift = (key >> 8) & 1;
        if (shift)
            SendKey(VK_SHIFT, 0);
        SendKey((WORD)(key & 0xFF), 0);
        SendKey((WORD)(key & 0xFF), 1);
        if (shift)
            SendKey(VK_SHIFT, 1);
    }
    Settle();
}

void TypeUnicode(const std::wstring& text)
{
    for (wchar_t c : text) {
        INPUT input[2];
        ZeroMemory(input, sizeof(input));
        for (int i = 0; i < 2; ++i) {
            input[i].type = INPUT_KEYBOARD;
            input[i].ki.wScan = c;
            input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, input, sizeof(INPUT));
        Sleep(ScaledWait(5));
    }
    Sleep(ScaledWait(300));
}

void ClickAt(HWND control, int x, int y, int button, int withControl, int withShift)
{
    PointAt(control, x, y);
    if (withControl)
        SendKey(VK_CONTROL, 0);
    if (withShift)
        SendKey(VK_SHIFT, 0);
    SendMouseButton(button, 0);
    SendMouseButton(button, 1);
    if (withShift)
        SendKey(VK_SHIFT, 1);
    if (withControl)
        SendKey(VK_CONTROL, 1);
    Settle();
}

void DoubleClickAt(HWND control, int x, int y)
{
    PointAt(control, x, y);
    for (int i = 0; i < 2; ++i) {
        SendMouseButton(VK_LBUTTON, 0);
        SendMouseButton(VK_LBUTTON, 1);
    }
    Settle();
}

namespace {

// Where the program's memory lies for ReadProcessMemory and
// WriteProcessMemory: under user-mode emulation they reach the emulator's
// own address space, in which the program's address A lies at A plus the
// emulator's base (natively 0). Found by reading the program's image
// headers, which lie at its instance handle, beside their copy in the file.
int RemoteOffset(const ProgramRun* run, ULONG_PTR* offset)
{
    char headers[512];
    HANDLE file = CreateFileA(ProgramPath().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    const BOOL gotFile = ReadFile(file, headers, sizeof(headers), &read, NULL);
    CloseHandle(file);
    if (!gotFile || read != sizeof(headers))
        return 0;
    const ULONG_PTR image = (ULONG_PTR)GetWindowLongPtrA(run->window, GWLP_HINSTANCE);
    if (!image)
        return 0;
    // Page steps up to 64 MiB, far past any base an emulator has been seen to use.
    for (ULONG_PTR candidate = 0; candidate <= ((ULONG_PTR)64 << 20); candidate += 0x1000) {
        char seen[sizeof(headers)];
        SIZE_T got = 0;
        if (ReadProcessMemory(run->process.hProcess, (LPCVOID)(image + candidate), seen,
                              sizeof(seen), &got) &&
            got == sizeof(seen) && memcmp(seen, headers, sizeof(seen)) == 0) {
            *offset = candidate;
            return 1;
        }
    }
    return 0;
}

}  // namespace

int DropPaths(const ProgramRun* run, const std::vector<std::string>& paths)
{
    // DROPFILES, then each path and its NUL, then one more NUL. A fixed
    // block is its own handle, so DragQueryFileA reads it where it lies.
    std::vector<char> block(sizeof(DROPFILES));
    for (const std::string& path : paths)
        block.insert(block.end(), path.c_str(), path.c_str() + path.size() + 1);
    block.push_back(0);
    DROPFILES* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    ULONG_PTR offset = 0;
    if (!RemoteOffset(run, &offset))
        return 0;
    // The program ends the drop with DragFinish, which frees the handle as
    // the shell's own: the system reads a heap header before it. The block
    // lies past zeroed bytes of its own allocation, so that read finds no
    // heap block and no unmapped page (under emulation the fault would end
    // the program instead of being caught).
    const ULONG_PTR before = 64;
    char* remote = static_cast<char*>(VirtualAllocEx(run->process.hProcess, NULL,
                                                     before + block.size(),
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote ||
        !WriteProcessMemory(run->process.hProcess, (LPVOID)((ULONG_PTR)remote + before + offset),
                            block.data(), block.size(), NULL))
        return 0;
    return PostMessageA(run->window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote + before), 0) !=
           0;
}

void ClearStoredSettings()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyPath);
    ZeroMemory(&settingsOverride, sizeof(settingsOverride));
}

DWORD StoredNumber(int id)
{
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof(value);
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, settingNames[id], NULL, NULL, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
}

int KeyExists(HKEY root, const char* path)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

int WaitForKeyTarget(const ProgramRun* run, HWND window, HWND focus, DWORD timeoutMs)
{
    DWORD asked = 0;
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() != window) {
                // Asked again now and then: the first request may come while
                // the window is still being shown, or another window may have
                // taken the front since.
                if (!asked || GetTickCount() - asked > ScaledWait(500)) {
                    SetForegroundWindow(window);
                    asked = GetTickCount();
                }
                return false;
            }
            return FocusOf(run) == focus;
        },
        timeoutMs);
}

int PointerOn(HWND control, int x, int y, DWORD timeoutMs)
{
    POINT target = {x, y};
    if (!ClientToScreen(control, &target))
        return 0;
    return WaitUntil(
        [&] {
            POINT at = {0, 0};
            if (!GetCursorPos(&at) || at.x != target.x || at.y != target.y) {
                SetCursorPos(target.x, target.y);
                return false;
            }
            return WindowFromPoint(target) == control;
        },
        timeoutMs);
}
