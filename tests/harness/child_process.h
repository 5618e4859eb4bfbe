// Runs a scenario of this test program in a child process, reads and
// dismisses every message box the child shows, and returns its exit code.
// Fatal paths end their process, so they can only be tested this way.
#ifndef SORVANE_TESTS_CHILD_PROCESS_H
#define SORVANE_TESTS_CHILD_PROCESS_H

#include <windows.h>

const int maxRecordedBoxes = 8;

struct MessageBoxSeen {
    char caption[256];
    char text[1024];
};

struct ChildOutcome {
    int finished;           // 0 when the child had to be killed after the time-out
    DWORD exitCode;
    int boxCount;           // boxes seen; only the first maxRecordedBoxes are kept
    MessageBoxSeen boxes[maxRecordedBoxes];
};

// Starts "<this program> --child=<scenario>" and watches it for at most
// timeoutMs. Each message box it shows is answered with the button answer
// (IDOK, IDCANCEL, ...). Returns outcome.finished.
int RunChildScenario(const char* scenario, ChildOutcome* outcome, DWORD timeoutMs = 30000,
                     int answer = IDOK);

// A scenario is a function the child runs; its return value is the child's
// exit code when it returns at all.
typedef int (*ChildScenarioFunction)();

struct ChildScenario {
    const char* name;
    ChildScenarioFunction run;
    ChildScenario* next;
    ChildScenario(const char* scenarioName, ChildScenarioFunction function);
};

#define CHILD_SCENARIO_CONCAT2(a, b) a##b
#define CHILD_SCENARIO_CONCAT(a, b) CHILD_SCENARIO_CONCAT2(a, b)
// CHILD_SCENARIO("name") { ...; return code; }
#define CHILD_SCENARIO(name)                                                          \
    static int CHILD_SCENARIO_CONCAT(childScenario_, __LINE__)();                     \
    static ChildScenario CHILD_SCENARIO_CONCAT(childScenarioEntry_, __LINE__)(        \
        name, CHILD_SCENARIO_CONCAT(childScenario_, __LINE__));                       \
    static int CHILD_SCENARIO_CONCAT(childScenario_, __LINE__)()

// Runs the scenario named on the command line (from main); returns its
// exit code, or 99 for an unknown name.
int RunNamedScenario(const char* name);

#endif
