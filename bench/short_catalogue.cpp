// The generated catalogue: short paths from a small vocabulary, kept as the
// second line of the filter's figures.
#include <stdio.h>
#include <string.h>

#include "bench/catalogue_generator.h"

// What a drive holds: folder names, file stems and extensions (".txt" is
// about one file in nine, for a Copy List of some 100,000 paths).
static const char* const folderNames[] = {
    "windows", "system32", "program files", "users", "documents", "appdata", "local",
    "roaming", "microsoft", "temp", "projects", "src", "include", "lib", "bin", "obj",
    "debug", "release", "assets", "images", "photos", "music", "videos", "downloads",
    "cache", "data", "config", "drivers", "fonts", "logs", "backup", "archive",
    "node_modules", "packages", "vendor", "tests", "docs", "resources", "icons", "shared",
    "common", "build", "tools", "scripts", "modules", "plugins", "themes", "locale", "en-us",
    "winsxs", "servicing", "installer", "steam", "games", "reports", "invoices", "2019",
    "2020", "2021", "2022", "2023", "desktop", "pictures", "mail", "profiles"};
static const char* const fileStems[] = {
    "readme", "setup", "install", "main", "index", "config", "settings", "report", "invoice",
    "photo", "image", "icon", "logo", "background", "track", "song", "video", "movie",
    "notes", "todo", "letter", "resume", "budget", "schedule", "data", "table", "export",
    "import", "backup", "archive", "module", "helper", "utils", "common", "types", "parser",
    "window", "dialog", "button", "control", "service", "driver", "kernel", "shell", "network",
    "socket", "stream", "buffer", "cache", "error", "trace", "debug", "license", "changelog",
    "manifest", "package", "bundle", "style", "theme", "font", "locale", "strings"};
static const char* const extensions[] = {
    ".txt", ".dll", ".exe", ".cpp", ".h", ".jpg", ".png", ".log", ".xml", ".json",
    ".js", ".html", ".css", ".ini", ".dat", ".mp3", ".pdf", ".docx", ".sys", ".manifest",
    ".mui", ".py", ".cab", ".zip", ".gif", ".cat", ".bmp", ".lnk", ".tmp"};

static unsigned AppendName(Generator* generator, unsigned length, const char* name, int number)
{
    generator->path[length++] = '\\';
    length += (unsigned)sprintf(generator->path + length, number >= 0 ? "%s%d" : "%s", name,
                                number);
    return length;
}

static void GenerateFolder(Generator* generator, unsigned length, int depth)
{
    unsigned files = NextRandom(&generator->random) % 16;
    unsigned folders = depth < 6 ? NextRandom(&generator->random) % 5 : 0;
    for (unsigned i = 0; i < files && !Full(generator); ++i) {
        unsigned r = NextRandom(&generator->random);
        const char* stem = fileStems[r % CountOf(fileStems)];
        int number = (r >> 8) % 4 == 0 ? (int)((r >> 10) % 100) : -1;
        unsigned end = AppendName(generator, length, stem, number);
        // One file in nine a text file; the rest spread over the others.
        unsigned pick = (r >> 16) % 9 == 0 ? 0 : 1 + (r >> 20) % (CountOf(extensions) - 1);
        end += (unsigned)sprintf(generator->path + end, "%s", extensions[pick]);
        AddGenerated(generator, end, 0);
    }
    for (unsigned i = 0; i < folders && !Full(generator); ++i) {
        unsigned r = NextRandom(&generator->random);
        int number = (r >> 8) % 3 == 0 ? (int)((r >> 10) % 10) : -1;
        unsigned end = AppendName(generator, length, folderNames[r % CountOf(folderNames)],
                                  number);
        generator->path[end] = '\\';
        AddGenerated(generator, end + 1, 1);
        generator->path[end] = 0;
        GenerateFolder(generator, end, depth + 1);
    }
}

void GenerateShortCatalogue()
{
    Generator generator;
    ZeroMemory(&generator, sizeof(generator));
    generator.random = 20240601;
    generator.limit = catalogueSize;
    strcpy(generator.path, "c:");
    for (int top = 0; !Full(&generator); ++top) {
        unsigned end = AppendName(&generator, 2, folderNames[top % CountOf(folderNames)], top);
        generator.path[end] = '\\';
        AddGenerated(&generator, end + 1, 1);
        generator.path[end] = 0;
        GenerateFolder(&generator, end, 1);
    }
}

