// Doubly linked list of untyped pointers with ten numbered cursors kept in
// the list. Its one instance is the catalogue. The list never frees its data;
// whoever pops an element frees it. Cursor misuse ends the process.
//
// The operations are inline: the search filter walks a million entries per
// keystroke through WalkForward. A step forward prefetches by address ahead
// of the node and its element (catalogue/prefetch.h), so that the walk does
// not wait on each node before the next.
#ifndef SORVANE_CATALOGUE_LINKED_LIST_H
#define SORVANE_CATALOGUE_LINKED_LIST_H

#include "app/base/error_report.h"
#include "app/base/process_heap.h"
#include "catalogue/prefetch.h"

struct ListNode {
    ListNode* next;
    ListNode* prev;
    void* data;
};

enum CursorState { BeforeFirst = 0, OnNode = 1, PastLast = 2 };

const int cursorSlots = 10;

// Ends the process with text; never returns.
[[noreturn]] void FatalCursorError(const char* text);

class LinkedList {
public:
    SORVANE_HEAP_OBJECT

    LinkedList();
    ~LinkedList();

    void PushBack(void* element);
    int PopBack(void** element);

    int AllocCursor();
    void FreeCursor(int cursor);
    inline int MoveCursor(int cursor, int steps);
    inline int GetAtCursor(int cursor, void** element);
    // The walk idiom in one call: steps cursor forward one node at a time
    // and hands each element reached to visit, until visit returns 0 (the
    // cursor stays on that node) or the step leaves the list. Returns the
    // steps taken, as MoveCursor counts them. The node in hand stays in a
    // register across visit, which a walk through MoveCursor cannot do
    // once visit calls anything the compiler cannot see into. visit must
    // not change the list.
    template <class Visit>
    inline int WalkForward(int cursor, Visit visit);

    // Read access for tests and diagnostics.
    ListNode* Head() const { return head; }
    ListNode* Tail() const { return tail; }
    int Count() const { return count; }
    // A number outside the slots reads as a cursor before the first node.
    int CursorStateOf(int cursor) const
    {
        return (unsigned)cursor < cursorSlots ? cursorState[cursor] : BeforeFirst;
    }
    ListNode* CursorNodeOf(int cursor) const
    {
        return (unsigned)cursor < cursorSlots ? cursorNode[cursor] : 0;
    }

private:
    ListNode* head;
    ListNode* tail;
    int count;
    ListNode* cursorNode[cursorSlots];
    int cursorState[cursorSlots];
    int cursorInUse[cursorSlots];

    inline void CheckCursor(int cursor) const;
    // What every step forward asks for ahead of the node it reached.
    static inline void PrefetchPast(const ListNode* node)
    {
        PrefetchAhead(node, walkAheadBytes);
        PrefetchAhead(node->data, walkAheadBytes);
    }
};

inline void LinkedList::CheckCursor(int cursor) const
{
    if ((unsigned)cursor > cursorSlots - 1)
        FatalCursorError("Linked list cursor out of range. Exiting.");
    if (!cursorInUse[cursor])
        FatalCursorError("Invalid linked list cursor accessed. Exiting.");
}

inline int LinkedList::GetAtCursor(int cursor, void** element)
{
    CheckCursor(cursor);
    if (cursorState[cursor] != OnNode) {
        *element = 0;
        return 0;
    }
    *element = cursorNode[cursor]->data;
    return 1;
}

// Returns the signed number of steps taken; the step that leaves the list
// counts, so a fresh cursor moved +5 over two nodes returns 3.
inline int LinkedList::MoveCursor(int cursor, int steps)
{
    CheckCursor(cursor);
    if (count == 0 || steps == 0)
        return 0;
    ListNode* node = cursorNode[cursor];
    int taken = 0;
    if (steps > 0) {
        if (cursorState[cursor] == PastLast)
            return 0;
        if (cursorState[cursor] == BeforeFirst) {
            node = head;
            cursorState[cursor] = OnNode;
            taken = 1;
        }
        while (taken != steps) {
            node = node->next;
            ++taken;
            if (!node) {
                cursorState[cursor] = PastLast;
                break;
            }
        }
        if (node)
            PrefetchPast(node);
    } else {
        if (cursorState[cursor] == BeforeFirst)
            return 0;
        if (cursorState[cursor] == PastLast) {
            node = tail;
            cursorState[cursor] = OnNode;
            taken = -1;
        }
        while (taken != steps) {
            node = node->prev;
            --taken;
            if (!node) {
                cursorState[cursor] = BeforeFirst;
                break;
            }
        }
    }
    cursorNode[cursor] = node;
    return taken;
}

template <class Visit>
inline int LinkedList::WalkForward(int cursor, Visit visit)
{
    CheckCursor(cursor);
    if (count == 0 || cursorState[cursor] == PastLast)
        return 0;
    ListNode* node = cursorState[cursor] == BeforeFirst ? head : cursorNode[cursor]->next;
    int taken = 0;
    while (node) {
        ++taken;
        PrefetchPast(node);
        if (!visit(node->data)) {
            cursorNode[cursor] = node;
            cursorState[cursor] = OnNode;
            return taken;
        }
        node = node->next;
    }
    cursorNode[cursor] = 0;
    cursorState[cursor] = PastLast;
    return taken + 1;
}

#endif
