#include <doctest/doctest.h>

#include <windows.h>

#include <stdint.h>

#include <vector>

#include "catalogue/linked_list.h"
#include "harness/child_process.h"

static int p1, p2, p3;

TEST_CASE("pop returns elements in reverse order and empties the list")
{
    LinkedList* list = new LinkedList;
    void* out = &p1;
    CHECK(list->PopBack(&out) == 0);
    CHECK(out == &p1);  // untouched on an empty list

    list->PushBack(&p1);
    list->PushBack(&p2);
    list->PushBack(&p3);
    CHECK(list->Count() == 3);
    CHECK(list->PopBack(&out) == 1);
    CHECK(out == &p3);
    CHECK(list->PopBack(&out) == 1);
    CHECK(out == &p2);
    CHECK(list->PopBack(&out) == 1);
    CHECK(out == &p1);
    CHECK(list->PopBack(&out) == 0);
    CHECK(list->Count() == 0);
    CHECK(list->Head() == NULL);
    CHECK(list->Tail() == NULL);
    delete list;
}

TEST_CASE("a cursor on a popped tail steps back onto the new tail")
{
    LinkedList list;
    void* out = NULL;
    SUBCASE("two nodes: stays on a node")
    {
        list.PushBack(&p1);
        list.PushBack(&p2);
        int cursor = list.AllocCursor();
        CHECK(list.MoveCursor(cursor, 2) == 2);
        list.PopBack(&out);
        CHECK(list.CursorStateOf(cursor) == OnNode);
        CHECK(list.GetAtCursor(cursor, &out) == 1);
        CHECK(out == &p1);
        list.FreeCursor(cursor);
    }
    SUBCASE("one node: falls back before the first")
    {
        list.PushBack(&p1);
        int cursor = list.AllocCursor();
        CHECK(list.MoveCursor(cursor, 1) == 1);
        list.PopBack(&out);
        CHECK(list.CursorStateOf(cursor) == BeforeFirst);
        CHECK(list.CursorNodeOf(cursor) == NULL);
        CHECK(list.GetAtCursor(cursor, &out) == 0);
        CHECK(out == NULL);
        list.FreeCursor(cursor);
    }
}

TEST_CASE("moving a cursor counts the step that leaves the list")
{
    LinkedList list;
    void* out = NULL;
    SUBCASE("empty list or zero steps change nothing")
    {
        int cursor = list.AllocCursor();
        CHECK(list.MoveCursor(cursor, 1) == 0);
        CHECK(list.CursorStateOf(cursor) == BeforeFirst);
        list.PushBack(&p1);
        CHECK(list.MoveCursor(cursor, 0) == 0);
        CHECK(list.CursorStateOf(cursor) == BeforeFirst);
        list.FreeCursor(cursor);
    }
    SUBCASE("+5 on two nodes returns 3 and ends past the last")
    {
        list.PushBack(&p1);
        list.PushBack(&p2);
        int cursor = list.AllocCursor();
        CHECK(list.MoveCursor(cursor, 5) == 3);
        CHECK(list.CursorStateOf(cursor) == PastLast);
        CHECK(list.MoveCursor(cursor, 1) == 0);
        CHECK(list.MoveCursor(cursor, -5) == -3);
        CHECK(list.CursorStateOf(cursor) == BeforeFirst);
        CHECK(list.MoveCursor(cursor, -1) == 0);
        list.FreeCursor(cursor);
    }
    SUBCASE("past the last, a push, then -1 lands on the new tail")
    {
        list.PushBack(&p1);
        int cursor = list.AllocCursor();
        CHECK(list.MoveCursor(cursor, 1) == 1);
        CHECK(list.MoveCursor(cursor, 1) == 1);
        CHECK(list.CursorStateOf(cursor) == PastLast);
        list.PushBack(&p2);
        CHECK(list.CursorStateOf(cursor) == PastLast);
        CHECK(list.MoveCursor(cursor, -1) == -1);
        CHECK(list.GetAtCursor(cursor, &out) == 1);
        CHECK(out == &p2);
        list.FreeCursor(cursor);
    }
    SUBCASE("stepping one at a time: leaving the last node still returns 1")
    {
        list.PushBack(&p1);
        list.PushBack(&p2);
        int cursor = list.AllocCursor();
        CHECK(list.MoveCursor(cursor, 1) == 1);
        CHECK(list.MoveCursor(cursor, 1) == 1);
        CHECK(list.MoveCursor(cursor, 1) == 1);
        CHECK(list.GetAtCursor(cursor, &out) == 0);
        CHECK(list.MoveCursor(cursor, 1) == 0);
        list.FreeCursor(cursor);
    }
}

TEST_CASE("the walk idiom visits every element in the order pushed")
{
    LinkedList list;
    int values[5];
    for (int i = 0; i < 5; ++i)
        list.PushBack(&values[i]);
    int cursor = list.AllocCursor();
    int visited = 0;
    void* element = NULL;
    while (list.MoveCursor(cursor, 1) == 1) {
        if (!list.GetAtCursor(cursor, &element))
            break;
        CHECK(element == &values[visited]);
        ++visited;
    }
    list.FreeCursor(cursor);
    CHECK(visited == 5);
}

TEST_CASE("a walk in one call leaves the cursor where single steps would")
{
    LinkedList list;
    int values[5];
    for (int i = 0; i < 5; ++i)
        list.PushBack(&values[i]);
    int walker = list.AllocCursor();
    int stepper = list.AllocCursor();
    std::vector<void*> seen;
    auto stopAt = [&](void* last) {
        return [&seen, last](void* element) {
            seen.push_back(element);
            return element == last ? 0 : 1;
        };
    };
    void* out = NULL;
    SUBCASE("stopped by the visitor: on that node, and the next walk goes on after it")
    {
        CHECK(list.WalkForward(walker, stopAt(&values[2])) == 3);
        CHECK(list.MoveCursor(stepper, 3) == 3);
        CHECK(list.CursorStateOf(walker) == list.CursorStateOf(stepper));
        CHECK(list.GetAtCursor(walker, &out) == 1);
        CHECK(out == &values[2]);
        CHECK(list.WalkForward(walker, stopAt(&values[3])) == 1);
        CHECK(list.MoveCursor(walker, 1) == 1);
        CHECK(list.GetAtCursor(walker, &out) == 1);
        CHECK(out == &values[4]);
        CHECK(seen == std::vector<void*>{&values[0], &values[1], &values[2], &values[3]});
    }
    SUBCASE("to the end: past the last, counting the step that leaves")
    {
        CHECK(list.WalkForward(walker, stopAt(NULL)) == list.MoveCursor(stepper, 100));
        CHECK(list.CursorStateOf(walker) == PastLast);
        CHECK(seen.size() == 5);
        CHECK(list.WalkForward(walker, stopAt(NULL)) == 0);
        CHECK(seen.size() == 5);
        // A push after the end is reached backwards, as by single steps.
        list.PushBack(&p1);
        CHECK(list.MoveCursor(walker, -1) == -1);
        CHECK(list.GetAtCursor(walker, &out) == 1);
        CHECK(out == &p1);
    }
    SUBCASE("an empty list visits nothing and leaves the cursor before the first")
    {
        LinkedList empty;
        int cursor = empty.AllocCursor();
        CHECK(empty.WalkForward(cursor, stopAt(NULL)) == 0);
        CHECK(empty.CursorStateOf(cursor) == BeforeFirst);
        CHECK(seen.empty());
        empty.FreeCursor(cursor);
    }
    list.FreeCursor(walker);
    list.FreeCursor(stepper);
}

TEST_CASE("cursor slots are reused lowest first")
{
    LinkedList list;
    for (int i = 0; i < cursorSlots; ++i)
        CHECK(list.AllocCursor() == i);
    list.FreeCursor(3);
    CHECK(list.AllocCursor() == 3);
}

CHILD_SCENARIO("eleventh-cursor")
{
    LinkedList list;
    for (int i = 0; i < cursorSlots; ++i)
        list.AllocCursor();
    list.FreeCursor(3);
    if (list.AllocCursor() != 3)
        return 50;
    list.AllocCursor();
    return 51;
}

CHILD_SCENARIO("cursor-out-of-range")
{
    LinkedList list;
    void* out;
    list.GetAtCursor(10, &out);
    return 52;
}

CHILD_SCENARIO("negative-cursor")
{
    LinkedList list;
    list.MoveCursor(-1, 1);
    return 53;
}

CHILD_SCENARIO("freed-cursor")
{
    LinkedList list;
    int cursor = list.AllocCursor();
    list.FreeCursor(cursor);
    void* out;
    list.GetAtCursor(cursor, &out);
    return 54;
}

TEST_CASE("cursor misuse ends the process with its own text")
{
    struct {
        const char* scenario;
        const char* text;
    } cases[] = {
        {"eleventh-cursor", "Too many linked list cursors allocated."},
        {"cursor-out-of-range", "Linked list cursor out of range. Exiting."},
        {"negative-cursor", "Linked list cursor out of range. Exiting."},
        {"freed-cursor", "Invalid linked list cursor accessed. Exiting."},
    };
    for (auto& c : cases) {
        doctest::String scenario(c.scenario);
        CAPTURE(scenario);
        ChildOutcome outcome;
        REQUIRE(RunChildScenario(c.scenario, &outcome));
        REQUIRE(outcome.boxCount == 1);
        CHECK(doctest::String(outcome.boxes[0].text) == c.text);
        // The scenario's own return codes (50 and up) would mean it went on.
        // FatalAppExitA ends the process with code 1; a scenario that went on
        // past the fatal call would return its own code (50 and up).
        CHECK(outcome.exitCode == 1);
    }
}

TEST_CASE("the diagnostic readers take any cursor number")
{
    LinkedList list;
    int value = 0;
    list.PushBack(&value);
    const int numbers[] = {-1, cursorSlots, 1 << 30};
    for (int cursor : numbers) {
        CHECK(list.CursorStateOf(cursor) == BeforeFirst);
        CHECK(list.CursorNodeOf(cursor) == NULL);
    }
}

TEST_CASE("a walk takes any data pointer, however far from readable memory")
{
    // A step forward asks for the memory ahead of its node and of its data
    // by address; that may never read it, whatever the pointers hold.
    char* reserved = static_cast<char*>(VirtualAlloc(NULL, 65536, MEM_RESERVE, PAGE_NOACCESS));
    REQUIRE(reserved != NULL);
    void* const data[] = {NULL, reserved, reserved + 65535,
                          reinterpret_cast<void*>(UINTPTR_MAX - 100), reinterpret_cast<void*>(1)};
    LinkedList list;
    for (void* element : data)
        list.PushBack(element);
    const unsigned count = sizeof(data) / sizeof(data[0]);
    int cursor = list.AllocCursor();
    unsigned visited = 0;
    void* element = &visited;
    while (list.MoveCursor(cursor, 1) == 1 && list.GetAtCursor(cursor, &element)) {
        if (visited < count)
            CHECK(element == data[visited]);
        ++visited;
    }
    CHECK(visited == count);
    // The walk in one call prefetches the same way.
    list.FreeCursor(cursor);
    cursor = list.AllocCursor();
    visited = 0;
    list.WalkForward(cursor, [&](void* walked) {
        if (visited < count)
            CHECK(walked == data[visited]);
        ++visited;
        return 1;
    });
    list.FreeCursor(cursor);
    CHECK(visited == count);
    VirtualFree(reserved, 0, MEM_RELEASE);
}
