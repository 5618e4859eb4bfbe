// A growable NUL-terminated byte string whose capacity moves in whole grow
// steps. Its one instance, copyListBuffer, collects the "Copy List" text.
#ifndef SORVANE_CATALOGUE_TEXT_BUFFER_H
#define SORVANE_CATALOGUE_TEXT_BUFFER_H

#include "app/base/process_heap.h"

class TextBuffer {
public:
    SORVANE_HEAP_OBJECT

    // 0 means 4088 bytes of initial capacity, or a grow step of 4096 bytes.
    TextBuffer(unsigned initialCapacity, unsigned growStep);
    ~TextBuffer();

    void Clear();
    // bytes may lie in this buffer's own block.
    void Append(const char* bytes, unsigned count);
    unsigned AppendString(const char* text);
    void AppendChar(char ch);
    void Compact();

    const char* Data() const { return data; }
    unsigned Length() const { return length; }
    unsigned Capacity() const { return capacity; }
    unsigned GrowStep() const { return growStep; }

private:
    char* data;
    unsigned length;
    unsigned capacity;
    unsigned growStep;

    void Reallocate(unsigned newCapacity);
};

const unsigned defaultGrowStep = 4096;

// Smallest multiple of step (0 means defaultGrowStep) strictly above needed;
// 0 when that does not fit in 32 bits.
unsigned NextCapacity(unsigned needed, unsigned step);

#endif
