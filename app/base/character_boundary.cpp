#include "app/base/character_boundary.h"

unsigned CharacterBoundary(const char* text, unsigned length)
{
    unsigned lead = length;
    // Up to three continuation bytes (10xxxxxx) lead back to their start.
    while (lead > 0 && length - lead < 3 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return length;
    const unsigned char first = static_cast<unsigned char>(text[lead - 1]);
    const unsigned needed =
        first >= 0xF8 ? 1 : first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return needed > 1 && length - (lead - 1) < needed ? lead - 1 : length;
}
