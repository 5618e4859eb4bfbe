// The decoder of the packed resources (type RT_PACKED): the raw aPLib
// stream that tools/pack_resource writes, and the loader of the help text.
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

#ifdef _WIN32
#include <windows.h>

// Unpacks resource IDR_HELP_TEXT of module into a zero-filled block of
// 4 x its packed size + 1 bytes from heap, so the text is NUL-terminated.
// On success *text holds the block (free it with HeapFree on heap), or null
// when the resource is shorter than 2 bytes. Failures of the resource
// functions are reported; a failed allocation shows "Out of Memory".
int LoadHelpText(HANDLE heap, HINSTANCE module, char** text);
#endif

#endif
