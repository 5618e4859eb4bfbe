// One run of the real program for an end-to-end test: started (from the
// default settings unless told to keep the stored ones), brought to the
// front, and stopped when the test leaves its scope.
#ifndef SORVANE_TESTS_PROGRAM_SESSION_H
#define SORVANE_TESTS_PROGRAM_SESSION_H

#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "harness/program_driver.h"
#include "resources/resource.h"

struct Session {
    ProgramRun run;
    explicit Session(const std::string& arguments, int clearSettings = 1)
    {
        if (clearSettings)
            ClearStoredSettings();
        REQUIRE(StartProgram(&run, arguments));
        BringToFront(&run);
    }
    ~Session() { StopProgram(&run); }
    HWND Control(int id) const { return GetDlgItem(run.window, id); }
    std::vector<std::string> Results() const { return ListItems(Control(IDC_RESULT_LIST)); }
    std::string Status() const { return ControlText(run.window, IDC_STATUS); }
    // Keys go to the foreground window, typing to the control with the focus,
    // which the program hands back to the search box when a scan ends: 1
    // once typed keys reach the search box.
    int ReadyForTyping() const
    {
        return WaitUntil(
            [&] {
                return GetForegroundWindow() == run.window &&
                       FocusOf(&run) == Control(IDC_SEARCH_BOX);
            },
            5000);
    }
    // The program still takes messages within a second.
    int Answers() const
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(run.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ScaledWait(1000), &result) != 0;
    }
};

#endif
