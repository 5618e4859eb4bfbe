// Packs one file for a resource of type RT_PACKED and proves the result:
//
//   pack_resource [--crlf] --limit N input output
//
// --crlf turns every line end into CR LF first (the help text is kept with
// plain line ends in the repository). The output is decoded again with the
// program's own decoder and must give the input back; the program's loader
// gives the decoder N x the packed size, so a larger input fails the build.
// Prints the sizes and the ratio.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "integration/unpacker.h"
#include "tools/packer.h"

namespace {

int ReadFile(const char* name, std::vector<unsigned char>* bytes)
{
    FILE* file = fopen(name, "rb");
    if (!file)
        return 0;
    unsigned char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof(block), file)) > 0)
        bytes->insert(bytes->end(), block, block + n);
    int ok = !ferror(file);
    fclose(file);
    return ok;
}

int WriteFile(const char* name, const std::vector<unsigned char>& bytes)
{
    FILE* file = fopen(name, "wb");
    if (!file)
        return 0;
    int ok = bytes.empty() || fwrite(&bytes[0], 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

void ToCrLf(std::vector<unsigned char>* text)
{
    std::vector<unsigned char> result;
    for (size_t i = 0; i < text->size(); ++i) {
        unsigned char c = (*text)[i];
        if (c == '\r')
            continue;
        if (c == '\n')
            result.push_back('\r');
        result.push_back(c);
    }
    text->swap(result);
}

int Usage()
{
    fprintf(stderr, "usage: pack_resource [--crlf] --limit N input output\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int crlf = 0;
    unsigned long limit = 0;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (strcmp(argv[i], "--crlf") == 0)
            crlf = 1;
        else if (strcmp(argv[i], "--limit") == 0 && i + 1 < argc)
            limit = strtoul(argv[++i], NULL, 10);
        else
            return Usage();
    }
    if (argc - i != 2 || limit == 0)
        return Usage();
    const char* inputName = argv[i];
    const char* outputName = argv[i + 1];

    std::vector<unsigned char> input;
    if (!ReadFile(inputName, &input)) {
        fprintf(stderr, "pack_resource: cannot read %s\n", inputName);
        return 1;
    }
    if (crlf)
        ToCrLf(&input);

    std::vector<unsigned char> packed;
    PackBytes(input.empty() ? NULL : &input[0], input.size(), &packed);

    // Decode into exactly the room the loader gives, plus a margin that
    // shows an overrun instead of hiding it.
    std::vector<unsigned char> check(limit * packed.size() + 16, 0);
    size_t written = 0;
    int complete = UnpackBounded(packed.empty() ? NULL : &packed[0], packed.size(),
                                 check.empty() ? NULL : &check[0], check.size(), &written);
    if (!complete || written != input.size() ||
        (written && memcmp(&check[0], &input[0], written) != 0)) {
        fprintf(stderr, "pack_resource: %s does not decode to its input\n", inputName);
        return 1;
    }
    if (input.size() > limit * packed.size()) {
        fprintf(stderr,
                "pack_resource: %s unpacks to %lu bytes, more than the %lu x %lu bytes "
                "its loader allows\n",
                inputName, (unsigned long)input.size(), limit, (unsigned long)packed.size());
        return 1;
    }
    if (!WriteFile(outputName, packed)) {
        fprintf(stderr, "pack_resource: cannot write %s\n", outputName);
        return 1;
    }
    printf("%s: %lu -> %lu bytes (%.1f%% of the input)\n", inputName,
           (unsigned long)input.size(), (unsigned long)packed.size(),
           input.empty() ? 0.0 : 100.0 * packed.size() / input.size());
    return 0;
}
