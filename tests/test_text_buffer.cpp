#include <doctest/doctest.h>

#include <string.h>

#include "catalogue/text_buffer.h"

static void AppendFilled(TextBuffer* buffer, unsigned count, char fill)
{
    char* bytes = static_cast<char*>(AllocZeroed(count ? count : 1));
    memset(bytes, fill, count);
    buffer->Append(bytes, count);
    FreeBlock(bytes);
}

TEST_CASE("construction defaults replace zero capacity and zero grow step")
{
    TextBuffer* defaults = new TextBuffer(0, 0);
    CHECK(defaults->Capacity() == 4088);
    CHECK(defaults->GrowStep() == 4096);
    CHECK(defaults->Length() == 0);
    CHECK(defaults->Data()[0] == 0);
    delete defaults;

    TextBuffer* copyList = new TextBuffer(8192, 262144);
    CHECK(copyList->Capacity() == 8192);
    CHECK(copyList->GrowStep() == 262144);
    delete copyList;
}

TEST_CASE("growth gives the smallest whole step strictly above the need")
{
    SUBCASE("the NUL may land in the last byte without growing")
    {
        TextBuffer buffer(8192, 262144);
        AppendFilled(&buffer, 8000, 'a');
        AppendFilled(&buffer, 191, 'b');
        CHECK(buffer.Capacity() == 8192);
        CHECK(buffer.Length() == 8191);
        CHECK(buffer.Data()[8191] == 0);
    }
    SUBCASE("one byte more grows to a whole step")
    {
        TextBuffer buffer(8192, 262144);
        AppendFilled(&buffer, 8000, 'a');
        AppendFilled(&buffer, 192, 'b');
        CHECK(buffer.Capacity() == 262144);
        CHECK(buffer.Length() == 8192);
        CHECK(buffer.Data()[7999] == 'a');
        CHECK(buffer.Data()[8000] == 'b');
        CHECK(buffer.Data()[8191] == 'b');
        // The added room is zero-filled, so the text stays terminated.
        CHECK(buffer.Data()[8192] == 0);
        CHECK(buffer.Data()[262143] == 0);
    }
    SUBCASE("a need that is itself a multiple still gets one more step")
    {
        TextBuffer buffer(4096, 4096);
        AppendFilled(&buffer, 8191, 'x');
        CHECK(buffer.Capacity() == 12288);
        CHECK(NextCapacity(8192, 4096) == 12288);
    }
    SUBCASE("a capacity that does not fit in 32 bits is reported, not wrapped")
    {
        CHECK(NextCapacity(0xFFFFFFF0u, 262144) == 0);
    }
}

TEST_CASE("compact gives back spare room only when a whole step is spare")
{
    TextBuffer buffer(8192, 262144);
    AppendFilled(&buffer, 1000000, 'p');
    CHECK(buffer.Capacity() == 1048576);
    buffer.Compact();
    CHECK(buffer.Capacity() == 1048576);
    CHECK(buffer.Length() == 1000000);

    buffer.Clear();
    CHECK(buffer.Capacity() == 1048576);
    CHECK(buffer.Length() == 0);
    CHECK(buffer.Data()[0] == 0);

    AppendFilled(&buffer, 1000, 'q');
    buffer.Compact();
    CHECK(buffer.Capacity() == 262144);
    CHECK(buffer.Length() == 1000);
    CHECK(buffer.Data()[999] == 'q');
    CHECK(buffer.Data()[1000] == 0);
}

TEST_CASE("appending copies the bytes and keeps the text terminated")
{
    TextBuffer buffer(16, 16);
    SUBCASE("null and empty strings append nothing")
    {
        buffer.AppendString("ab");
        CHECK(buffer.AppendString(NULL) == 0);
        CHECK(buffer.AppendString("") == 0);
        CHECK(buffer.Length() == 2);
        CHECK(strcmp(buffer.Data(), "ab") == 0);
    }
    SUBCASE("CR LF as two characters")
    {
        CHECK(buffer.AppendString("c:\\a.txt") == 8);
        buffer.AppendChar(13);
        buffer.AppendChar(10);
        CHECK(buffer.Length() == 10);
        CHECK(strcmp(buffer.Data(), "c:\\a.txt\r\n") == 0);
    }
    SUBCASE("an appended NUL byte counts like any other byte")
    {
        buffer.Append("a\0b", 3);
        CHECK(buffer.Length() == 3);
        CHECK(memcmp(buffer.Data(), "a\0b\0", 4) == 0);
    }
    SUBCASE("the caller's bytes are copied, not kept")
    {
        char source[] = "xyz";
        buffer.AppendString(source);
        source[0] = 'Q';
        CHECK(strcmp(buffer.Data(), "xyz") == 0);
    }
}

TEST_CASE("a buffer takes bytes from its own block, also when growing moves it")
{
    SUBCASE("a large text doubled: the old block is gone once it grows")
    {
        const unsigned size = 1 << 20;
        TextBuffer buffer(size, size);
        AppendFilled(&buffer, size - 1, 'd');
        buffer.AppendChar('e');
        buffer.Append(buffer.Data(), buffer.Length());
        REQUIRE(buffer.Length() == 2 * size);
        CHECK(buffer.Data()[0] == 'd');
        CHECK(buffer.Data()[size - 1] == 'e');
        CHECK(buffer.Data()[size] == 'd');
        CHECK(buffer.Data()[2 * size - 1] == 'e');
        CHECK(buffer.Data()[2 * size] == 0);
    }
    SUBCASE("a tail of its own text, without growing")
    {
        TextBuffer buffer(64, 64);
        buffer.AppendString("abcdef");
        buffer.Append(buffer.Data() + 3, 3);
        CHECK(strcmp(buffer.Data(), "abcdefdef") == 0);
    }
}

TEST_CASE("a zero grow step asked of the capacity rule means the default step")
{
    CHECK(NextCapacity(10, 0) == NextCapacity(10, 4096));
    CHECK(NextCapacity(4096, 0) == 8192);
}
