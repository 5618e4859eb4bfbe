#include "integration/argument_split.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int SplitCommandLine(const char* commandLine, char* storage, char** arguments, int maxArguments)
{
    const char* in = commandLine;
    char* out = storage;
    int count = 0;

    // The program's own name: no escapes, a quote only groups.
    if (*in) {
        char* start = out;
        if (*in == '"') {
            ++in;
            while (*in && *in != '"')
                *out++ = *in++;
            if (*in == '"')
                ++in;
        } else {
            while (*in && !IsBlank(*in))
                *out++ = *in++;
        }
        *out++ = 0;
        if (count < maxArguments)
            arguments[count] = start;
        ++count;
    }

    for (;;) {
        while (IsBlank(*in))
            ++in;
        if (!*in)
            break;
        char* start = out;
        int quoted = 0;
        while (*in && (quoted || !IsBlank(*in))) {
            if (*in == '\\') {
                unsigned slashes = 0;
                while (*in == '\\') {
                    ++slashes;
                    ++in;
                }
                if (*in == '"') {
                    for (unsigned i = 0; i < slashes / 2; ++i)
                        *out++ = '\\';
                    if (slashes % 2) {
                        *out++ = '"';
                        ++in;
                    }
                    // With an even count the quote is handled as a delimiter
                    // on the next turn.
                } else {
                    for (unsigned i = 0; i < slashes; ++i)
                        *out++ = '\\';
                }
            } else if (*in == '"') {
                quoted = !quoted;
                ++in;
            } else {
                *out++ = *in++;
            }
        }
        *out++ = 0;
        if (count < maxArguments)
            arguments[count] = start;
        ++count;
    }
    return count;
}
