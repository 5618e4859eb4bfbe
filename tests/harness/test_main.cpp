// The test program's entry: doctest, or a child scenario when started by
// RunChildScenario.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <string.h>

#include "harness/child_process.h"

int main(int argc, char** argv)
{
    const char prefix[] = "--child=";
    if (argc >= 2 && strncmp(argv[1], prefix, sizeof(prefix) - 1) == 0)
        return RunNamedScenario(argv[1] + sizeof(prefix) - 1);
    doctest::Context context(argc, argv);
    return context.run();
}
