// Fuzz target: the bounded decoder on any bytes, into an output block of
// exactly the capacity it is given (AddressSanitizer guards both ends).
// Input: two bytes of capacity, then the packed stream.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "integration/unpacker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t capacity = (size_t)data[0] | ((size_t)data[1] << 8);
    const size_t packedLength = size - 2;
    // Exact copies, so a read or write one byte past either end is caught.
    unsigned char* packed = static_cast<unsigned char*>(malloc(packedLength ? packedLength : 1));
    memcpy(packed, data + 2, packedLength);
    unsigned char* output = static_cast<unsigned char*>(malloc(capacity ? capacity : 1));
    size_t written = (size_t)-1;
    const int ended = UnpackBounded(packed, packedLength, output, capacity, &written);
    if (written > capacity)
        abort();
    if (packedLength == 0 && (!ended || written != 0))
        abort();
    // The loaders' form agrees with the whole decoder.
    if (UnpackStream(packed, packedLength, output, capacity) != written)
        abort();
    free(output);
    free(packed);
    return 0;
}
