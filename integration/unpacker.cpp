#include "integration/unpacker.h"

namespace {

// Larger numbers only come from damaged streams: no offset or length within
// a resource gets near it, and staying below it keeps the arithmetic exact.
const size_t gammaLimit = 0x40000000;

struct Decoder {
    const unsigned char* in;
    size_t inLength;
    size_t inAt;
    unsigned char* out;
    size_t capacity;
    size_t outAt;
    unsigned tag;
    int bitsLeft;
    size_t lastOffset;
    int lastWasMatch;

    int Byte(unsigned* value)
    {
        if (inAt >= inLength)
            return 0;
        *value = in[inAt++];
        return 1;
    }

    int Bit(unsigned* bit)
    {
        if (bitsLeft == 0) {
            if (!Byte(&tag))
                return 0;
            bitsLeft = 8;
        }
        *bit = (tag >> 7) & 1;
        tag = (tag << 1) & 0xFF;
        --bitsLeft;
        return 1;
    }

    int Gamma(size_t* value)
    {
        size_t v = 1;
        unsigned more = 0;
        do {
            unsigned bit = 0;
            if (v >= gammaLimit || !Bit(&bit))
                return 0;
            v = 2 * v + bit;
            if (!Bit(&more))
                return 0;
        } while (more);
        *value = v;
        return 1;
    }

    int Put(unsigned value)
    {
        if (outAt >= capacity)
            return 0;
        out[outAt++] = (unsigned char)value;
        return 1;
    }

    // Byte by byte, so that an offset below the length repeats a pattern.
    int Copy(size_t offset, size_t length)
    {
        if (offset == 0 || offset > outAt || length > capacity - outAt)
            return 0;
        for (size_t i = 0; i < length; ++i, ++outAt)
            out[outAt] = out[outAt - offset];
        return 1;
    }

    int LongMatch()
    {
        size_t g = 0;
        if (!Gamma(&g))
            return 0;
        size_t length = 0;
        if (!lastWasMatch && g == 2) {
            if (!Gamma(&length) || !Copy(lastOffset, length))
                return 0;
            lastWasMatch = 1;
            return 1;
        }
        size_t high = g - (lastWasMatch ? 2 : 3);
        unsigned low = 0;
        if (!Byte(&low) || !Gamma(&length))
            return 0;
        size_t offset = high * 256 + low;
        if (offset >= 32000)
            ++length;
        if (offset >= 1280)
            ++length;
        if (offset < 128)
            length += 2;
        if (!Copy(offset, length))
            return 0;
        lastOffset = offset;
        lastWasMatch = 1;
        return 1;
    }

    // Returns 1 to go on, 0 on damage, 2 at the end token.
    int ShortMatch()
    {
        unsigned x = 0;
        if (!Byte(&x))
            return 0;
        size_t offset = x >> 1;
        lastOffset = offset;
        lastWasMatch = 1;
        if (offset == 0)
            return 2;
        return Copy(offset, 2 + (x & 1));
    }

    int SingleByte()
    {
        unsigned offset = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned bit = 0;
            if (!Bit(&bit))
                return 0;
            offset = offset * 2 + bit;
        }
        lastWasMatch = 0;
        if (offset == 0)
            return Put(0);
        if (offset > outAt)
            return 0;
        return Put(out[outAt - offset]);
    }

    int Run()
    {
        if (inLength == 0)
            return 1;
        unsigned value = 0;
        if (!Byte(&value) || !Put(value))
            return 0;
        for (;;) {
            unsigned bit = 0;
            if (!Bit(&bit))
                return 0;
            if (bit == 0) {
                if (!Byte(&value) || !Put(value))
                    return 0;
                lastWasMatch = 0;
                continue;
            }
            if (!Bit(&bit))
                return 0;
            if (bit == 0) {
                if (!LongMatch())
                    return 0;
                continue;
            }
            if (!Bit(&bit))
                return 0;
            if (bit == 0) {
                int step = ShortMatch();
                if (step != 1)
                    return step == 2;
                continue;
            }
            if (!SingleByte())
                return 0;
        }
    }
};

}  // namespace

int UnpackBounded(const unsigned char* packed, size_t packedLength, unsigned char* output,
                  size_t capacity, size_t* written)
{
    Decoder decoder = {packed, packedLength, 0, output, capacity, 0, 0, 0, 0, 0};
    int complete = decoder.Run();
    *written = decoder.outAt;
    return complete;
}

size_t UnpackStream(const void* packed, size_t packedLength, void* output, size_t capacity)
{
    size_t written = 0;
    UnpackBounded(static_cast<const unsigned char*>(packed), packedLength,
                  static_cast<unsigned char*>(output), capacity, &written);
    return written;
}
