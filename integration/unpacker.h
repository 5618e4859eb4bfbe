// The decoder of the packed resources (type RT_PACKED): the raw aPLib
// stream that tools/pack_resource writes. The loaders that find the
// resources are integration/help_text and integration/self_removal.
//
// The decoding functions use nothing of the platform, so the build's own
// packer links them to check what it wrote.
#ifndef SORVANE_INTEGRATION_UNPACKER_H
#define SORVANE_INTEGRATION_UNPACKER_H

#include <stddef.h>

// The whole decoder. Reads at most packedLength bytes of packed and writes
// at most capacity bytes to output, whatever the stream asks for; *written
// receives the number of bytes written in either case. Returns 1 when the
// stream ended with its end token, 0 when it ran out of input or would
// have passed the output's end or the start of what it had written. An
// empty stream is the empty output and returns 1.
int UnpackBounded(const unsigned char* packed, size_t packedLength, unsigned char* output,
                  size_t capacity, size_t* written);

// The form the loaders call: the number of bytes written. A damaged stream
// yields what could be decoded within the bounds.
size_t UnpackStream(const void* packed, size_t packedLength, void* output, size_t capacity);

#endif
