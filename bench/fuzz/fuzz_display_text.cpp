// Fuzz target: the display text of an entry below a root, into an output
// block of exactly the size it is given (AddressSanitizer guards its end),
// held to the rule written out plainly: the entry less the longest leading
// part that equals the root's, letter case aside, cut to the room there is.
// Input: one byte of room (1 to 256), then the root, a NUL, and the entry.
#include <windows.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "catalogue/display_text.h"

static unsigned char Lower(unsigned char ch)
{
    return (unsigned char)(size_t)CharLowerA(reinterpret_cast<LPSTR>((size_t)ch));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const unsigned room = (unsigned)data[0] + 1;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = rest.find('\0');
    const std::string root = rest.substr(0, split);
    const std::string entry =
        split == std::string::npos ? std::string() : rest.substr(split + 1).c_str();

    size_t common = 0;
    while (common < root.size() && common < entry.size() &&
           Lower((unsigned char)root[common]) == Lower((unsigned char)entry[common]))
        ++common;
    const std::string expected = entry.substr(common, room - 1);

    char* out = static_cast<char*>(malloc(room));
    const unsigned written = MakeDisplayText(root.c_str(), entry.c_str(), out, room);
    if (written != expected.size() || out[written] != 0 || memcmp(out, expected.data(), written))
        abort();
    free(out);
    return 0;
}
