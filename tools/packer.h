// The build's packer for resources of type RT_PACKED: writes the raw aPLib
// stream that integration/unpacker.cpp reads (no header), choosing its
// tokens by a cost-driven parse. Host-independent; the build runs it on the
// build machine and the tests link it into the Windows test program.
#ifndef SORVANE_TOOLS_PACKER_H
#define SORVANE_TOOLS_PACKER_H

#include <stddef.h>

#include <vector>

// Packs length bytes of input into packed (replacing its contents). The
// empty input packs to the empty stream.
void PackBytes(const unsigned char* input, size_t length, std::vector<unsigned char>* packed);

#endif
