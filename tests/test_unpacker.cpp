// The packed-resource format: the decoder against streams written bit by bit
// from the format's description, the build's packer against the decoder, the
// decoder's bounds against damaged streams, and the help text as the
// program's resource delivers it.
#include <doctest/doctest.h>

#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "integration/help_text.h"
#include "integration/unpacker.h"
#include "resources/resource.h"
#include "tools/packer.h"

namespace {

// Composes a stream in the decoder's reading order: control bits go into
// tag bytes that take their place in the stream when their first bit is
// written; data bytes follow directly.
class Stream {
public:
    Stream& Byte(unsigned value)
    {
        bytes.push_back((unsigned char)value);
        return *this;
    }
    Stream& Bits(const char* bits)
    {
        for (; *bits; ++bits) {
            if (left == 0) {
                tagAt = bytes.size();
                bytes.push_back(0);
                left = 8;
            }
            --left;
            if (*bits == '1')
                bytes[tagAt] |= (unsigned char)(1u << left);
        }
        return *this;
    }
    // A gamma number: each bit below the leading one, then 1 for more or 0.
    Stream& Gamma(unsigned value)
    {
        int top = 31;
        while (!(value >> top))
            --top;
        for (int i = top - 1; i >= 0; --i) {
            Bits((value >> i) & 1 ? "1" : "0");
            Bits(i ? "1" : "0");
        }
        return *this;
    }
    Stream& End() { return Bits("110").Byte(0); }

    std::vector<unsigned char> bytes;

private:
    size_t tagAt = 0;
    int left = 0;
};

struct Decoded {
    int complete;
    std::string text;
};

Decoded Decode(const std::vector<unsigned char>& packed, size_t capacity = 100000)
{
    std::vector<unsigned char> out(capacity + 1);
    size_t written = 0;
    Decoded result;
    result.complete = UnpackBounded(packed.data(), packed.size(), out.data(), capacity, &written);
    result.text.assign(reinterpret_cast<char*>(out.data()), written);
    return result;
}

std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

// Reproducible noise that no match can shorten.
struct Noise {
    unsigned state;
    explicit Noise(unsigned seed) : state(seed) {}
    unsigned char Next()
    {
        state = state * 1103515245u + 12345u;
        return (unsigned char)(state >> 23);
    }
    void Append(std::vector<unsigned char>* to, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            to->push_back(Next());
    }
};

std::vector<unsigned char> Pack(const std::vector<unsigned char>& input)
{
    std::vector<unsigned char> packed;
    PackBytes(input.data(), input.size(), &packed);
    return packed;
}

void CheckRoundTrip(const std::vector<unsigned char>& input)
{
    std::vector<unsigned char> packed = Pack(input);
    std::vector<unsigned char> out(input.size() + 64, 0xEE);
    size_t written = 0;
    CHECK(UnpackBounded(packed.data(), packed.size(), out.data(), out.size(), &written) == 1);
    REQUIRE(written == input.size());
    CHECK(memcmp(out.data(), input.data(), written) == 0);
}

// size bytes that end where an inaccessible page begins, so that a single
// access past them ends the test program.
class GuardedBlock {
public:
    explicit GuardedBlock(size_t size) : size(size)
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page = system.dwPageSize;
        span = (size + page - 1) / page * page;
        base = static_cast<unsigned char*>(
            VirtualAlloc(NULL, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base + span, page, PAGE_NOACCESS, &old);
    }
    ~GuardedBlock() { VirtualFree(base, 0, MEM_RELEASE); }
    unsigned char* Start() { return base + span - size; }

private:
    size_t size;
    size_t page;
    size_t span;
    unsigned char* base;
};

int DecodeGuarded(const std::vector<unsigned char>& packed, size_t length, size_t capacity,
                  size_t* written)
{
    GuardedBlock in(length);
    GuardedBlock out(capacity);
    memcpy(in.Start(), packed.data(), length);
    return UnpackBounded(in.Start(), length, out.Start(), capacity, written);
}

std::vector<unsigned char> HelpResource()
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP_TEXT),
                                MAKEINTRESOURCEA(RT_PACKED));
    REQUIRE(found);
    const unsigned char* data =
        static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    return std::vector<unsigned char>(data, data + SizeofResource(module, found));
}

}  // namespace

TEST_CASE("the decoder reads each token as the format describes it")
{
    SUBCASE("a literal and the end token make the smallest stream")
    {
        std::vector<unsigned char> smallest = {'x', 0xC0, 0x00};
        Decoded d = Decode(smallest);
        CHECK(d.complete == 1);
        CHECK(d.text == "x");
    }
    SUBCASE("the single-byte token writes a zero at offset 0 and repeats at offset 1")
    {
        CHECK(Decode(Stream().Byte('a').Bits("1110000").End().bytes).text ==
              std::string("a\0", 2));
        CHECK(Decode(Stream().Byte('a').Bits("1110001").End().bytes).text == "aa");
        CHECK(Decode(Stream().Byte('a').Bits("0").Byte('b').Bits("1110010").End().bytes).text ==
              "aba");
    }
    SUBCASE("g = 2 after a literal reuses the last offset")
    {
        // ab, short match offset 2 length 2, literal c, then g = 2: offset 2
        // again, length 2.
        Stream s;
        s.Byte('a').Bits("0").Byte('b').Bits("110").Byte(2 << 1);
        s.Bits("0").Byte('c').Bits("10").Gamma(2).Gamma(2).End();
        CHECK(Decode(s.bytes).text == "ababcbc");
    }
    SUBCASE("g = 2 after a match is an offset below 256")
    {
        // ab, short match offset 2, then g = 2 with low byte 3: offset 3,
        // and length 2 + 2 because the offset is below 128.
        Stream s;
        s.Byte('a').Bits("0").Byte('b').Bits("110").Byte(2 << 1);
        s.Bits("10").Gamma(2).Byte(3).Gamma(2).End();
        CHECK(Decode(s.bytes).text == "ababbabb");
    }
    SUBCASE("a short match's low bit adds one to its length")
    {
        Stream s;
        s.Byte('a').Bits("0").Byte('b').Bits("110").Byte(2 << 1 | 1).End();
        CHECK(Decode(s.bytes).text == "ababa");
    }
    SUBCASE("an overlapping copy repeats its pattern")
    {
        // offset 2 after a literal: g = 3, length 4 + 2.
        Stream s;
        s.Byte('a').Bits("0").Byte('b').Bits("10").Gamma(3).Byte(2).Gamma(4).End();
        CHECK(Decode(s.bytes).text == "abababab");
    }
    SUBCASE("far offsets lengthen their matches by one at 1280 and two at 32000")
    {
        // Z and (distance - 1) times A, made by a run at offset 1; then a match
        // at offset distance with stored length 2.
        unsigned distances[] = {1280, 40000};
        const char* tails[] = {"ZAA", "ZAAA"};
        for (int i = 0; i < 2; ++i) {
            unsigned distance = distances[i];
            CAPTURE(distance);
            Stream s;
            s.Byte('Z').Bits("0").Byte('A');
            s.Bits("10").Gamma(3 + 0).Byte(1).Gamma(distance - 2 - 2);
            s.Bits("10").Gamma((distance >> 8) + 2).Byte(distance & 0xFF).Gamma(2).End();
            Decoded d = Decode(s.bytes);
            CHECK(d.complete == 1);
            REQUIRE(d.text.size() == distance + strlen(tails[i]));
            CHECK(d.text.substr(distance) == tails[i]);
        }
    }
}

TEST_CASE("the packer's streams decode to their input")
{
    SUBCASE("empty and one byte")
    {
        CHECK(Pack({}).empty());
        CheckRoundTrip({});
        CheckRoundTrip({'q'});
        CheckRoundTrip({0});
    }
    SUBCASE("text")
    {
        std::string text;
        for (int i = 0; i < 400; ++i)
            text += "Line " + std::to_string(i * 7 % 13) + ": the quick brown fox\r\n";
        CheckRoundTrip(Bytes(text));
        CHECK(Pack(Bytes(text)).size() < text.size() / 4);
    }
    SUBCASE("all zeros and long runs")
    {
        std::vector<unsigned char> zeros(100000, 0);
        CheckRoundTrip(zeros);
        CHECK(Pack(zeros).size() < 64);
        std::vector<unsigned char> runs;
        Noise noise(7);
        for (int i = 0; i < 300; ++i)
            runs.insert(runs.end(), 1 + noise.Next() * noise.Next() / 64, noise.Next());
        CheckRoundTrip(runs);
    }
    SUBCASE("binary")
    {
        std::vector<unsigned char> binary;
        Noise noise(11);
        noise.Append(&binary, 3000);
        // Structured data: records that differ in a few bytes.
        for (unsigned i = 0; i < 2000; ++i) {
            unsigned char record[12] = {0x4D, 0x5A, 0, 0, (unsigned char)i, (unsigned char)(i >> 8),
                                        0xFF, 0xFF, 0, 0, 0x10, (unsigned char)(i * 3)};
            binary.insert(binary.end(), record, record + sizeof(record));
        }
        noise.Append(&binary, 500);
        CheckRoundTrip(binary);
    }
    SUBCASE("a repeat at each distance where the offset's coding changes costs a few bytes")
    {
        size_t distances[] = {15, 16, 127, 128, 255, 256, 1279, 1280, 31999, 32000, 70000};
        for (size_t distance : distances) {
            CAPTURE(distance);
            Noise noise((unsigned)distance);
            std::vector<unsigned char> once;
            noise.Append(&once, distance);
            std::vector<unsigned char> twice = once;
            twice.insert(twice.end(), once.begin(), once.begin() + (distance < 40 ? distance : 40));
            CheckRoundTrip(twice);
            CHECK(Pack(twice).size() <= Pack(once).size() + 6);
        }
    }
}

TEST_CASE("a damaged stream is neither read nor written out of bounds")
{
    std::vector<unsigned char> input;
    Noise noise(3);
    for (int i = 0; i < 200; ++i) {
        static const char* const words[] = {"search ", "folder ", "drive ", "\r\n", "Sorvane "};
        const char* word = words[noise.Next() % 5];
        input.insert(input.end(), word, word + strlen(word));
        noise.Append(&input, noise.Next() % 3);
    }
    std::vector<unsigned char> packed = Pack(input);

    SUBCASE("every truncation stops inside the input and says it is incomplete")
    {
        for (size_t length = 0; length < packed.size(); ++length) {
            size_t written = 0;
            int complete = DecodeGuarded(packed, length, input.size(), &written);
            CHECK(complete == (length == 0));
            CHECK(written <= input.size());
        }
    }
    SUBCASE("an output buffer too small keeps what fits")
    {
        for (size_t capacity = 0; capacity < input.size(); capacity += 37) {
            size_t written = 0;
            CHECK(DecodeGuarded(packed, packed.size(), capacity, &written) == 0);
            CHECK(written <= capacity);
        }
    }
    SUBCASE("corrupted bytes")
    {
        for (int trial = 0; trial < 2000; ++trial) {
            std::vector<unsigned char> damaged = packed;
            int flips = 1 + trial % 4;
            for (int f = 0; f < flips; ++f)
                damaged[(noise.Next() << 8 | noise.Next()) % damaged.size()] ^=
                    (unsigned char)(1 + noise.Next() % 255);
            size_t written = 0;
            DecodeGuarded(damaged, damaged.size(), input.size(), &written);
            CHECK(written <= input.size());
        }
        // Long runs of set bits ask for huge gamma numbers.
        std::vector<unsigned char> ones(64, 0xFF);
        size_t written = 0;
        CHECK(DecodeGuarded(ones, ones.size(), 1000, &written) == 0);
    }
}

TEST_CASE("the help text unpacks whole and NUL-terminated, with CR LF line ends")
{
    std::vector<unsigned char> packed = HelpResource();
    char* text = NULL;
    REQUIRE(LoadHelpText(GetProcessHeap(), GetModuleHandleA(NULL), &text) == 1);
    REQUIRE(text != NULL);
    size_t length = strlen(text);
    CHECK(length > 0);
    CHECK(length <= 4 * packed.size());

    std::vector<unsigned char> again(4 * packed.size());
    size_t written = 0;
    CHECK(UnpackBounded(packed.data(), packed.size(), again.data(), again.size(), &written) == 1);
    CHECK(written == length);
    for (size_t i = 0; i < length; ++i)
        if (text[i] == '\n') {
            CAPTURE(i);
            REQUIRE(i > 0);
            CHECK(text[i - 1] == '\r');
        }
    HeapFree(GetProcessHeap(), 0, text);
}
