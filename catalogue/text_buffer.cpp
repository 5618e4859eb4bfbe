#include "catalogue/text_buffer.h"

#include "app/base/error_report.h"

#include <string.h>

unsigned NextCapacity(unsigned needed, unsigned step)
{
    // A zero step would divide by zero; it means the default step, as it
    // does for a new buffer.
    if (step == 0)
        step = defaultGrowStep;
    unsigned long long result = (unsigned long long)step * (needed / step + 1);
    return result > 0xFFFFFFFFull ? 0 : (unsigned)result;
}

TextBuffer::TextBuffer(unsigned initialCapacity, unsigned step)
{
    capacity = initialCapacity ? initialCapacity : 4088;
    growStep = step ? step : defaultGrowStep;
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
    if (count == 0)
        return;
    unsigned needed = length + count + 1;
    if (needed <= length)               // the sum wrapped past 4 GiB
        Reallocate(0);
    // Bytes taken from this buffer's own block (its text doubled, say) are
    // found again by their offset once growing has moved the block.
    const UINT_PTR offset = (UINT_PTR)bytes - (UINT_PTR)data;
    const int ownBytes = offset < capacity;
    if (needed > capacity) {
        Reallocate(NextCapacity(needed, growStep));
        if (ownBytes)
            bytes = data + offset;
    }
    // The source may overlap the text's end when it comes from this block.
    MoveMemory(data + length, bytes, count);
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
