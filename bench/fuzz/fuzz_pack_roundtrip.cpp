// Fuzz target: whatever the packer writes, the decoder gives back exactly,
// ends with the end token, and needs no byte more than the original's size.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "integration/unpacker.h"
#include "tools/packer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> packed;
    PackBytes(data, size, &packed);
    unsigned char* output = static_cast<unsigned char*>(malloc(size ? size : 1));
    size_t written = 0;
    const int ended = UnpackBounded(packed.data(), packed.size(), output, size, &written);
    if (!ended || written != size || (size && memcmp(output, data, size) != 0))
        abort();
    free(output);
    return 0;
}
