#include "harness/child_process.h"

#include "harness/program_driver.h"

#include <stdio.h>
#include <string.h>

static ChildScenario* scenarios;

ChildScenario::ChildScenario(const char* scenarioName, ChildScenarioFunction function)
    : name(scenarioName), run(function), next(scenarios)
{
    scenarios = this;
}

int RunNamedScenario(const char* name)
{
    for (ChildScenario* s = scenarios; s; s = s->next)
        if (strcmp(s->name, name) == 0)
            return s->run();
    fprintf(stderr, "unknown child scenario %s\n", name);
    return 99;
}

namespace {

// The message text is the box's static control that holds text (the other
// static shows the icon).
BOOL CALLBACK FindTextStatic(HWND control, LPARAM lParam)
{
    char className[64] = {0};
    GetClassNameA(control, className, sizeof(className));
    if (lstrcmpiA(className, "Static") != 0)
        return TRUE;
    if (GetWindowTextLengthA(control) == 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = control;
    return FALSE;
}

void ReadAndDismiss(HWND box, ChildOutcome* outcome, int answer)
{
    if (outcome->boxCount < maxRecordedBoxes) {
        MessageBoxSeen* seen = &outcome->boxes[outcome->boxCount];
        GetWindowTextA(box, seen->caption, sizeof(seen->caption));
        HWND text = NULL;
        EnumChildWindows(box, FindTextStatic, reinterpret_cast<LPARAM>(&text));
        if (text)
            GetWindowTextA(text, seen->text, sizeof(seen->text));
    }
    ++outcome->boxCount;
    // Press the button as a user would, so the box returns that answer.
    HWND button = GetDlgItem(box, answer);
    if (!button)
        button = GetDlgItem(box, IDOK);
    if (button)
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), (LPARAM)button);
    else
        PostMessageA(box, WM_CLOSE, 0, 0);
}

}  // namespace

int RunChildScenario(const char* scenario, ChildOutcome* outcome, DWORD timeoutMs, int answer)
{
    ZeroMemory(outcome, sizeof(*outcome));
    char self[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, self, sizeof(self));
    char commandLine[2 * MAX_PATH];
    wsprintfA(commandLine, "\"%s\" --child=%s", self, scenario);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 0;
    CloseHandle(process.hThread);

    HWND lastBox = NULL;
    DWORD waited = 0;
    for (;;) {
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            outcome->finished = 1;
            break;
        }
        waited += 20;
        const HWND box = MessageBoxOf(process.dwProcessId);
        // A box stays listed until the child handles the click; read it once.
        if (box && box != lastBox) {
            // Give the box a moment to fill in its text.
            Sleep(ScaledWait(50));
            ReadAndDismiss(box, outcome, answer);
            lastBox = box;
        }
        if (waited >= ScaledWait(timeoutMs)) {
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, ScaledWait(5000));
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, &outcome->exitCode);
    CloseHandle(process.hProcess);
    return outcome->finished;
}
