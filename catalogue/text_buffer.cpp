#include "catalogue/text_buffer.h"

#include "app/error_report.h"

#include <string.h>

unsigned NextCapacity(unsigned needed, unsigned step)
{
    unsigned long long result = (unsigned long long)step * (needed / step + 1);
    return result > 0xFFFFFFFFull ? 0 : (unsigned)result;
}

TextBuffer::TextBuffer(unsigned initialCapacity, unsigned step)
{
    capacity = initialCapacity ? initialCapacity : 4088;
    growStep = step ? step : 4096;
    length = 0;
    data = CheckAllocation(static_cast<char*>(AllocZeroed(capacity)), 1);
}

TextBuffer::~TextBuffer()
{
    if (!FreeBlock(data))
        ReportLastError(NULL, 1, 0, NULL);
}

void TextBuffer::Reallocate(unsigned newCapacity)
{
    void* grown = NULL;
    // A capacity beyond 32 bits cannot be held: treat it as memory exhausted
    // rather than wrapping round to a block smaller than the text.
    if (newCapacity)
        grown = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, data, newCapacity);
    data = CheckAllocation(static_cast<char*>(grown), 1);
    capacity = newCapacity;
}

void TextBuffer::Clear()
{
    data[0] = 0;
    length = 0;
}

void TextBuffer::Append(const char* bytes, unsigned count)
{
    unsigned needed = length + count + 1;
    if (needed <= length)               // the sum wrapped past 4 GiB
        Reallocate(0);
    if (needed > capacity)
        Reallocate(NextCapacity(needed, growStep));
    CopyMemory(data + length, bytes, count);
    length += count;
    data[length] = 0;
}

unsigned TextBuffer::AppendString(const char* text)
{
    if (!text)
        return 0;
    unsigned count = (unsigned)strlen(text);
    Append(text, count);
    return count;
}

void TextBuffer::AppendChar(char ch)
{
    Append(&ch, 1);
}

void TextBuffer::Compact()
{
    if (capacity - length + 1 > growStep)
        Reallocate(NextCapacity(length + 1, growStep));
    data[length] = 0;
}
