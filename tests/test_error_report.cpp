#include <doctest/doctest.h>

#include <string.h>

#include "app/base/error_report.h"
#include "harness/child_process.h"
#include "resources/resource.h"

// An error code far outside the system's message table.
static const DWORD codeWithoutText = 0x0ABCDEF1;

static doctest::String SystemText(DWORD code)
{
    char text[500] = {0};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, code, 0, text, sizeof(text), NULL);
    return doctest::String(text);
}

CHILD_SCENARIO("out-of-memory-exiting")
{
    CheckAllocation(static_cast<void*>(NULL), 1);
    return 40;
}

CHILD_SCENARIO("out-of-memory-returning")
{
    return CheckAllocation(static_cast<void*>(NULL), 0) == NULL ? 41 : 42;
}

CHILD_SCENARIO("report-path-not-found-exiting")
{
    SetLastError(ERROR_PATH_NOT_FOUND);
    ReportLastError(NULL, 1, 0, NULL);
    return 43;
}

CHILD_SCENARIO("report-path-not-found-returning")
{
    SetLastError(ERROR_PATH_NOT_FOUND);
    ReportLastError("Scan", 0, 0, NULL);
    return 44;
}

CHILD_SCENARIO("report-code-without-text")
{
    SetLastError(codeWithoutText);
    ReportLastError(NULL, 1, 0, NULL);
    return 45;
}

CHILD_SCENARIO("report-with-source-file")
{
    SetLastError(ERROR_ACCESS_DENIED);
    ReportLastError("ignored caption", 0, 77, "scanner.cpp");
    return 46;
}

TEST_CASE("out of memory ends the process with -1, or returns null when asked")
{
    ChildOutcome outcome;
    SUBCASE("exiting form")
    {
        REQUIRE(RunChildScenario("out-of-memory-exiting", &outcome));
        REQUIRE(outcome.boxCount == 1);
        CHECK(doctest::String(outcome.boxes[0].text) == "Out of Memory - Exiting");
        CHECK(doctest::String(outcome.boxes[0].caption) == "Error");
        CHECK(outcome.exitCode == 0xFFFFFFFF);
    }
    SUBCASE("returning form")
    {
        REQUIRE(RunChildScenario("out-of-memory-returning", &outcome));
        REQUIRE(outcome.boxCount == 1);
        CHECK(doctest::String(outcome.boxes[0].text) == "Out of Memory");
        CHECK(outcome.exitCode == 41);
    }
    SUBCASE("a real pointer passes unchanged and shows nothing")
    {
        int value = 0;
        CHECK(CheckAllocation(&value, 1) == &value);
        CHECK(CheckAllocation(&value, 0) == &value);
    }
}

TEST_CASE("a system error is shown with the system's own text")
{
    ChildOutcome outcome;
    SUBCASE("fatal sites end the process with exit code 0")
    {
        REQUIRE(RunChildScenario("report-path-not-found-exiting", &outcome));
        REQUIRE(outcome.boxCount == 1);
        CHECK(doctest::String(outcome.boxes[0].text) == SystemText(ERROR_PATH_NOT_FOUND));
        CHECK(doctest::String(outcome.boxes[0].caption) == "Error");
        CHECK(outcome.exitCode == 0);
    }
    SUBCASE("a report without exit returns to its caller")
    {
        REQUIRE(RunChildScenario("report-path-not-found-returning", &outcome));
        REQUIRE(outcome.boxCount == 1);
        CHECK(doctest::String(outcome.boxes[0].caption) == "Scan");
        CHECK(outcome.exitCode == 44);
    }
    SUBCASE("a code without system text shows its decimal number")
    {
        REQUIRE(SystemText(codeWithoutText) == "");
        REQUIRE(RunChildScenario("report-code-without-text", &outcome));
        REQUIRE(outcome.boxCount == 1);
        CHECK(doctest::String(outcome.boxes[0].caption) == "FormatMessage Error");
        char decimal[16];
        wsprintfA(decimal, "%d", (int)codeWithoutText);
        CHECK(doctest::String(outcome.boxes[0].text) == decimal);
        CHECK(outcome.exitCode == 0);
    }
    SUBCASE("with a source file the line, code and file follow, under the default caption")
    {
        REQUIRE(RunChildScenario("report-with-source-file", &outcome));
        REQUIRE(outcome.boxCount == 1);
        char expected[1100];
        wsprintfA(expected, "%s\nLine: 77 Error Code: 5\nFile: scanner.cpp",
                  SystemText(ERROR_ACCESS_DENIED).c_str());
        CHECK(doctest::String(outcome.boxes[0].text) == expected);
        CHECK(doctest::String(outcome.boxes[0].caption) == "Error");
        CHECK(outcome.exitCode == 46);
    }
}

TEST_CASE("the status line gets the system text without its closing CR LF")
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    REQUIRE(window);
    HWND status = CreateWindowExA(0, "STATIC", "before", WS_CHILD, 0, 0, 50, 10, window,
                                  (HMENU)IDC_STATUS, NULL, NULL);
    REQUIRE(status);
    char shown[500] = {0};

    SUBCASE("a code with text")
    {
        CHECK(ShowErrorInStatus(window, ERROR_PATH_NOT_FOUND) == 1);
        GetWindowTextA(status, shown, sizeof(shown));
        doctest::String full = SystemText(ERROR_PATH_NOT_FOUND);
        REQUIRE(full.size() > 2);
        CHECK(strlen(shown) > 0);
        CHECK(strchr(shown, '\r') == NULL);
        CHECK(strchr(shown, '\n') == NULL);
        CHECK(strncmp(shown, full.c_str(), strlen(shown)) == 0);
        CHECK(strlen(shown) + 2 == full.size());
    }
    SUBCASE("a code without text shows nothing")
    {
        CHECK(ShowErrorInStatus(window, codeWithoutText) == 0);
        GetWindowTextA(status, shown, sizeof(shown));
        CHECK(doctest::String(shown) == "before");
    }
    DestroyWindow(window);
}
