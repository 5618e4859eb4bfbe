#include "catalogue/linked_list.h"

[[noreturn]] void FatalCursorError(const char* text)
{
    FatalAppExitA(0, text);
    ExitProcess(1);     // not reached: FatalAppExitA ends the process
}

LinkedList::LinkedList() : head(0), tail(0), count(0)
{
    for (int i = 0; i < cursorSlots; ++i) {
        cursorNode[i] = 0;
        cursorState[i] = BeforeFirst;
        cursorInUse[i] = 0;
    }
}

LinkedList::~LinkedList()
{
    ListNode* node = head;
    while (node) {
        ListNode* next = node->next;
        FreeBlock(node);
        node = next;
    }
}

void LinkedList::PushBack(void* element)
{
    ListNode* node = CheckAllocation(static_cast<ListNode*>(AllocZeroed(sizeof(ListNode))), 1);
    node->data = element;
    node->prev = tail;
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    ++count;
}

int LinkedList::PopBack(void** element)
{
    if (!tail)
        return 0;
    ListNode* node = tail;
    // A cursor standing on the node that goes steps back onto the new tail.
    for (int i = 0; i < cursorSlots; ++i) {
        if (cursorInUse[i] && cursorNode[i] == node) {
            cursorNode[i] = node->prev;
            if (!cursorNode[i])
                cursorState[i] = BeforeFirst;
        }
    }
    tail = node->prev;
    if (tail)
        tail->next = 0;
    else
        head = 0;
    *element = node->data;
    FreeBlock(node);
    --count;
    return 1;
}

int LinkedList::AllocCursor()
{
    for (int i = 0; i < cursorSlots; ++i) {
        if (!cursorInUse[i]) {
            cursorInUse[i] = 1;
            cursorState[i] = BeforeFirst;
            cursorNode[i] = 0;
            return i;
        }
    }
    FatalCursorError("Too many linked list cursors allocated.");
    return -1;
}

void LinkedList::FreeCursor(int cursor)
{
    CheckCursor(cursor);
    cursorInUse[cursor] = 0;
    cursorState[cursor] = BeforeFirst;
    cursorNode[cursor] = 0;
}
