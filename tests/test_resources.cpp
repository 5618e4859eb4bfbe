#include <doctest/doctest.h>

#include <windows.h>

#include "resources/resource.h"

TEST_CASE("the string table is linked into the program's module")
{
    char text[100] = {0};
    CHECK(LoadStringA(GetModuleHandleA(NULL), IDS_LOADED_FILES, text, sizeof(text)) > 0);
    CHECK(doctest::String(text) == "Loaded %d files.");
}
