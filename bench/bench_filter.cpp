// Filter passes over two catalogues of a million entries each: one laid out
// like a real system drive (long, deep paths from a realistic vocabulary)
// and the older generated one (short paths), kept as a second line. Each
// query is timed beside the memory-bandwidth floor over the same bytes (one
// scan of them in one block). The paths of each catalogue, one per line, go
// to a file for the native grep of bench.sh: the realistic ones to PATHS,
// the generated ones to PATHS.generated. For each query a line
//   grep: NAME LINES WORD
// tells bench.sh which word to give grep (the query's rarest) over how many
// leading lines (the entries the pass walks).
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <emmintrin.h>

#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "bench/bench_common.h"
#include "catalogue/linked_list.h"
#include "catalogue/scanner.h"
#include "catalogue/search_filter.h"
#include "catalogue/text_buffer.h"

static const int catalogueSize = 1000000;
static const int repeats = 15;
// The longest path a listable folder gives: 259 characters.
static const unsigned longestPath = 259;

template <class T, unsigned N>
static unsigned CountOf(T (&)[N])
{
    return N;
}

struct Generator {
    unsigned random;
    int made;
    int limit;  // the entries of the part being made end here
    char path[1024];
};

static unsigned Random(Generator* generator, unsigned below)
{
    return NextRandom(&generator->random) % below;
}

template <unsigned N>
static const char* Pick(Generator* generator, const char* const (&names)[N])
{
    return names[Random(generator, N)];
}

static int Full(const Generator* generator)
{
    return generator->made >= generator->limit;
}

static void AddGenerated(Generator* generator, unsigned length, int isFolder)
{
    // The scanner's allocation pattern: the string with room for the folder
    // form, then its node.
    char* entry = static_cast<char*>(AllocZeroed(length + (isFolder ? 1 : 2)));
    memcpy(entry, generator->path, length);
    catalogue->PushBack(entry);
    ++generator->made;
}

// ---------------------------------------------------------------------------
// The generated catalogue: short paths from a small vocabulary, as before.

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

static void GenerateShortCatalogue()
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

// ---------------------------------------------------------------------------
// The realistic catalogue: a system drive's program, library, package,
// locale, cache and document folders, with numbered, versioned and hashed
// names, paths up to 259 characters.

static const char* const vendors[] = {
    "arbelo", "kestrel systems", "northfield", "vantor", "lumenware", "orchard labs",
    "halcyon", "brightline", "copperleaf", "tessera", "bluefin software", "ridgeway",
    "silverpine", "ostrander", "maplecroft", "quillon"};
static const char* const products[] = {
    "studio", "media player", "office suite", "photo editor", "backup agent", "sync client",
    "update service", "runtime", "sdk", "toolkit", "reader", "browser", "mail", "notes",
    "compiler", "database server", "vpn client", "driver pack", "print manager",
    "game launcher", "cloud drive", "password manager", "screen recorder", "code editor"};
static const char* const components[] = {
    "shell", "common", "dialogs", "network", "security", "kernel", "graphics", "audio",
    "print", "storage", "search", "indexer", "media", "foundation", "runtime", "framework",
    "services", "management", "console", "update", "install", "setup", "deployment",
    "identity", "crypto", "certificate", "font", "text", "input", "speech", "camera",
    "bluetooth", "wireless", "power", "display", "desktop", "explorer", "control", "panel",
    "help", "diagnostics", "telemetry", "tracing", "event", "log", "task", "scheduler",
    "remote", "session", "terminal", "virtual", "machine", "container", "package", "store",
    "app", "model", "resource", "locale", "language", "feature", "optional", "component",
    "servicing", "stack", "client", "server", "core", "base", "system", "user", "data",
    "cache", "provider", "host", "broker", "manager", "handler", "extension", "plugin",
    "library", "driver", "settings", "policy", "account", "sync", "backup", "restore"};
static const char* const locales[] = {
    "en-us", "en-gb", "de-de", "fr-fr", "es-es", "it-it", "ja-jp", "ko-kr", "zh-cn", "zh-tw",
    "pt-br", "pt-pt", "ru-ru", "pl-pl", "nl-nl", "sv-se", "nb-no", "da-dk", "fi-fi", "cs-cz",
    "hu-hu", "tr-tr", "el-gr", "he-il", "ar-sa", "th-th", "uk-ua", "ro-ro", "sk-sk", "bg-bg"};
static const char* const binaryExtensions[] = {".dll", ".dll", ".dll", ".dll", ".exe",
                                               ".exe", ".sys", ".cpl", ".ocx", ".tlb",
                                               ".dat", ".ini", ".xml", ".cat", ".manifest"};
static const char* const pythonPackages[] = {
    "numpy", "pandas", "requests", "urllib3", "setuptools", "pip", "matplotlib", "scipy",
    "certifi", "idna", "charset_normalizer", "jinja2", "markupsafe", "pygments", "docutils",
    "babel", "pytz", "dateutil", "six", "attrs", "packaging", "pyparsing", "cryptography",
    "cffi", "pycparser", "yaml", "click", "colorama", "tqdm", "lxml", "pillow", "sqlalchemy",
    "werkzeug", "flask", "sphinx", "pytest", "hypothesis", "networkx", "sympy", "openpyxl"};
static const char* const pythonModules[] = {
    "__init__", "core", "utils", "base", "api", "models", "compat", "exceptions", "helpers",
    "config", "parser", "types", "_internal", "io", "common", "conftest", "test_basic",
    "test_api", "version", "cli", "main", "encoding", "formats", "backends", "plugins",
    "registry", "tokenizer", "lexers", "filters", "styles", "format", "_compat", "_utils",
    "algorithms", "indexing", "generic", "frame", "series", "arrays", "dtypes", "linalg",
    "random", "fft", "polynomial", "testing", "typing", "strings", "datetimes", "groupby"};
static const char* const pythonFolders[] = {
    "core", "tests", "_lib", "io", "util", "utils", "internal", "compat", "backends",
    "plotting", "linalg", "sparse", "stats", "optimize", "integrate", "signal", "data",
    "templates", "static", "locale", "vendor", "_vendor", "extensions", "formatters",
    "lexers", "styles", "commands", "parsers", "writers", "readers", "transforms"};
static const char* const npmPackages[] = {
    "lodash", "react", "react-dom", "typescript", "webpack", "babel-loader", "eslint",
    "prettier", "chalk", "commander", "debug", "ms", "semver", "glob", "minimatch", "rimraf",
    "mkdirp", "yargs", "uuid", "axios", "express", "body-parser", "mime-types", "source-map",
    "acorn", "postcss", "tslib", "rxjs", "core-js", "regenerator-runtime", "inherits",
    "safe-buffer", "readable-stream", "string_decoder", "graceful-fs", "fs-extra",
    "jsonfile", "universalify", "@babel", "@types", "ajv", "json-schema-traverse",
    "fast-deep-equal", "esbuild", "rollup", "terser", "browserslist", "caniuse-lite",
    "electron-to-chromium", "picomatch", "micromatch", "braces", "fill-range"};
static const char* const jsFolders[] = {"lib", "dist", "src", "esm", "cjs", "umd", "types",
                                        "internal", "operators", "modules", "helpers", "util",
                                        "bin", "test", "docs", "build", "es", "locale"};
static const char* const jsStems[] = {
    "index", "main", "utils", "helpers", "parse", "compile", "runtime", "types", "constants",
    "errors", "stringify", "normalize", "resolve", "loader", "plugin", "options", "config",
    "cli", "async", "sync", "stream", "buffer", "map", "set", "array", "object", "string",
    "number", "function", "iterator", "scheduler", "observable", "subscriber", "operator",
    "transform", "visitor", "traverse", "generator", "template", "tokenizer", "scope"};
static const char* const jsExtensions[] = {".js", ".js", ".js", ".d.ts", ".js.map",
                                           ".mjs", ".cjs", ".json", ".md", ".ts"};
static const char* const documentStems[] = {
    "invoice", "report", "meeting notes", "budget", "letter", "contract", "resume",
    "presentation", "minutes", "proposal", "timesheet", "statement", "receipt", "tax return",
    "travel plan", "schedule", "manual", "thesis", "draft", "summary", "quarterly review",
    "project plan", "price list", "order confirmation", "insurance policy"};
static const char* const documentExtensions[] = {".pdf", ".docx", ".xlsx", ".pptx",
                                                 ".txt", ".odt", ".csv", ".pdf"};
static const char* const sourceFolders[] = {"src", "include", "tests", "docs", "scripts",
                                            "tools", "third_party", "cmake", "assets",
                                            "examples", "benchmarks", "platform", "common"};
static const char* const sourceStems[] = {
    "main", "window", "dialog", "parser", "lexer", "buffer", "string_util", "file_system",
    "network", "socket", "thread_pool", "allocator", "config", "settings", "logger",
    "renderer", "texture", "shader", "mesh", "camera", "input", "audio_device", "scheduler",
    "database", "query", "index", "cache", "hash_map", "vector_math", "json_reader"};
static const char* const sourceExtensions[] = {".cpp", ".h", ".c", ".py", ".cmake",
                                               ".txt", ".md", ".hpp", ".rs", ".go"};
static const char* const crates[] = {
    "serde", "serde_json", "tokio", "rand", "regex", "syn", "quote", "proc-macro2", "libc",
    "log", "clap", "anyhow", "thiserror", "futures", "bytes", "hashbrown", "itertools",
    "once_cell", "memchr", "aho-corasick", "windows-sys", "winapi", "cc", "bitflags"};

// A folder of the realistic catalogue: its path without the trailing
// backslash; length 0 when it could not be made.
struct Folder {
    unsigned length;
    char path[longestPath + 1];
};

static void AddPath(Generator* generator, const Folder& parent, const char* name, int isFolder)
{
    unsigned size = (unsigned)strlen(name);
    memcpy(generator->path, parent.path, parent.length);
    generator->path[parent.length] = '\\';
    memcpy(generator->path + parent.length + 1, name, size);
    unsigned length = parent.length + 1 + size;
    if (isFolder)
        generator->path[length++] = '\\';
    AddGenerated(generator, length, isFolder);
}

// Pushes the folder name below parent, unless its path would be too long
// or the part is full.
static Folder EnterFolder(Generator* generator, const Folder& parent, const char* name)
{
    Folder folder;
    folder.length = 0;
    unsigned size = (unsigned)strlen(name);
    if (parent.length == 0 || Full(generator) || parent.length + size + 2 > longestPath)
        return folder;
    AddPath(generator, parent, name, 1);
    memcpy(folder.path, parent.path, parent.length);
    folder.path[parent.length] = '\\';
    memcpy(folder.path + parent.length + 1, name, size);
    folder.length = parent.length + 1 + size;
    return folder;
}

static void AddFile(Generator* generator, const Folder& parent, const char* name)
{
    if (parent.length == 0 || Full(generator) || parent.length + strlen(name) + 1 > longestPath)
        return;
    AddPath(generator, parent, name, 0);
}

// printf into one of a few rotating buffers, so that a name can be made from
// names.
static const char* Text(const char* format, ...)
{
    static char buffers[4][300];
    static unsigned next;
    char* buffer = buffers[next++ % 4];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(buffer, sizeof(buffers[0]), format, arguments);
    va_end(arguments);
    return buffer;
}

static const char* Hex(Generator* generator, unsigned digits)
{
    static char buffers[8][80];
    static unsigned next;
    char* buffer = buffers[next++ % 8];
    for (unsigned i = 0; i < digits && i < sizeof(buffers[0]) - 1; ++i)
        buffer[i] = "0123456789abcdef"[Random(generator, 16)];
    buffer[digits] = 0;
    return buffer;
}

static const char* Version(Generator* generator)
{
    switch (Random(generator, 3)) {
    case 0:
        return Text("%u.%u.%u", Random(generator, 20), Random(generator, 30),
                    Random(generator, 40));
    case 1:
        return Text("%u.%u", 1 + Random(generator, 12), Random(generator, 10));
    default:
        return Text("%u.%u.%u.%u", 1 + Random(generator, 10), Random(generator, 5),
                    Random(generator, 30000), Random(generator, 500));
    }
}

// A system binary's name: one to three component words run together.
static const char* BinaryStem(Generator* generator)
{
    unsigned words = 1 + Random(generator, 3);
    const char* stem = Pick(generator, components);
    for (unsigned i = 1; i < words; ++i)
        stem = Text("%s%s", stem, Pick(generator, components));
    if (Random(generator, 4) == 0)
        stem = Text("%s%u", stem, Random(generator, 64));
    return stem;
}

static const char* Guid(Generator* generator)
{
    return Text("{%s-%s-%s-%s-%s}", Hex(generator, 8), Hex(generator, 4), Hex(generator, 4),
                Hex(generator, 4), Hex(generator, 12));
}

static void SystemFolder(Generator* generator, const Folder& windows)
{
    Folder system = EnterFolder(generator, windows, "system32");
    for (unsigned i = 0; i < 2500; ++i)
        AddFile(generator, system,
                Text("%s%s", BinaryStem(generator), Pick(generator, binaryExtensions)));
    for (unsigned l = 0; l < 14; ++l) {
        Folder locale = EnterFolder(generator, system, locales[l]);
        for (unsigned i = 0; i < 400; ++i)
            AddFile(generator, locale, Text("%s.dll.mui", BinaryStem(generator)));
    }
    Folder drivers = EnterFolder(generator, system, "drivers");
    for (unsigned i = 0; i < 500; ++i)
        AddFile(generator, drivers, Text("%s.sys", BinaryStem(generator)));
    Folder store = EnterFolder(generator, EnterFolder(generator, system, "driverstore"),
                                 "filerepository");
    for (unsigned i = 0; i < 900; ++i) {
        const char* inf = BinaryStem(generator);
        Folder driver = EnterFolder(
            generator, store, Text("%s.inf_amd64_%s", inf, Hex(generator, 16)));
        AddFile(generator, driver, Text("%s.inf", inf));
        AddFile(generator, driver, Text("%s.cat", inf));
        unsigned files = Random(generator, 12);
        for (unsigned f = 0; f < files; ++f)
            AddFile(generator, driver,
                    Text("%s%s", BinaryStem(generator), Pick(generator, binaryExtensions)));
    }
}

// Side-by-side components: very long folder names of words, hashes and
// versions, a few files each.
static void ComponentStore(Generator* generator, const Folder& windows)
{
    Folder store = EnterFolder(generator, windows, "winsxs");
    Folder manifests = EnterFolder(generator, store, "manifests");
    static const char* const architectures[] = {"amd64", "amd64", "x86", "wow64", "msil"};
    while (store.length && !Full(generator)) {
        const char* name = Text("%s_%s-%s-%s-%s_%s_%s_none_%s", Pick(generator, architectures),
                                Pick(generator, vendors), Pick(generator, components),
                                Pick(generator, components), Pick(generator, components),
                                Hex(generator, 16), Version(generator), Hex(generator, 16));
        AddFile(generator, manifests, Text("%s.manifest", name));
        Folder component = EnterFolder(generator, store, name);
        unsigned files = Random(generator, 10);
        for (unsigned f = 0; f < files; ++f)
            AddFile(generator, component,
                    Text("%s%s", BinaryStem(generator), Pick(generator, binaryExtensions)));
        if (Random(generator, 6) == 0) {
            Folder sub = EnterFolder(generator, component, Pick(generator, locales));
            for (unsigned f = 0; f < 3; ++f)
                AddFile(generator, sub, Text("%s.dll.mui", BinaryStem(generator)));
        }
    }
}

static void WindowsFolder(Generator* generator, const Folder& drive, int end)
{
    generator->limit = end;
    Folder windows = EnterFolder(generator, drive, "windows");
    Folder fonts = EnterFolder(generator, windows, "fonts");
    for (unsigned i = 0; i < 700; ++i)
        AddFile(generator, fonts,
                Text("%s%s.ttf", Pick(generator, components), Random(generator, 3) ? "" : "bd"));
    Folder inf = EnterFolder(generator, windows, "inf");
    for (unsigned i = 0; i < 1800; ++i)
        AddFile(generator, inf, Text("%s%s", BinaryStem(generator), i % 2 ? ".pnf" : ".inf"));
    Folder installer = EnterFolder(generator, windows, "installer");
    for (unsigned i = 0; i < 300; ++i) {
        Folder product = EnterFolder(generator, installer, Guid(generator));
        for (unsigned f = Random(generator, 6); f > 0; --f)
            AddFile(generator, product, Text("%s.ico", Hex(generator, 8)));
        AddFile(generator, installer, Text("%s.msi", Hex(generator, 7)));
    }
    Folder packages = EnterFolder(generator, EnterFolder(generator, windows, "servicing"),
                                    "packages");
    for (unsigned i = 0; i < 9000; ++i)
        AddFile(generator, packages,
                Text("package_%u_for_kb%u~%s~amd64~~%s.%s", Random(generator, 400),
                     4000000 + Random(generator, 999999), Hex(generator, 16),
                     Version(generator), i % 2 ? "mum" : "cat"));
    Folder images = EnterFolder(generator, EnterFolder(generator, windows, "assembly"),
                    "nativeimages_v4.0.30319_64");
    for (unsigned i = 0; i < 2500; ++i) {
        const char* name = Text("%s.%s", Pick(generator, vendors), BinaryStem(generator));
        Folder assembly = EnterFolder(generator, images, name);
        Folder hashed = EnterFolder(generator, assembly, Hex(generator, 32));
        AddFile(generator, hashed, Text("%s.ni.dll", name));
        AddFile(generator, hashed, Text("%s.ni.dll.aux", name));
    }
    Folder download = EnterFolder(
        generator, EnterFolder(generator, windows, "softwaredistribution"), "download");
    for (unsigned i = 0; i < 1500; ++i) {
        Folder update = EnterFolder(generator, download, Hex(generator, 32));
        for (unsigned f = Random(generator, 8); f > 0; --f)
            AddFile(generator, update,
                    Text("%s-kb%u-x64.%s", BinaryStem(generator),
                         4000000 + Random(generator, 999999), f % 2 ? "cab" : "psf"));
    }
    SystemFolder(generator, windows);
    ComponentStore(generator, windows);
}

// A program's install folder: versions, binaries, plug-ins, translations.
static void Program(Generator* generator, const Folder& programs, const char* vendor,
                    const char* product)
{
    Folder top = EnterFolder(generator, EnterFolder(generator, programs, vendor), product);
    Folder root = Random(generator, 2) ? EnterFolder(generator, top, Version(generator)) : top;
    Folder bin = EnterFolder(generator, root, "bin");
    for (unsigned i = Random(generator, 60); i > 0; --i)
        AddFile(generator, bin,
                Text("%s%s", BinaryStem(generator), Pick(generator, binaryExtensions)));
    Folder plugins = EnterFolder(generator, root, "plugins");
    for (unsigned p = Random(generator, 12); p > 0; --p) {
        Folder plugin = EnterFolder(
            generator, plugins, Text("%s-%s", Pick(generator, components), Version(generator)));
        for (unsigned i = Random(generator, 10); i > 0; --i)
            AddFile(generator, plugin,
                    Text("%s%s", BinaryStem(generator), Pick(generator, binaryExtensions)));
    }
    Folder locale = EnterFolder(generator, EnterFolder(generator, root, "share"), "locale");
    unsigned domains = 1 + Random(generator, 4);
    for (unsigned l = 0; l < CountOf(locales); ++l) {
        Folder messages = EnterFolder(generator, EnterFolder(generator, locale, locales[l]),
                                        "lc_messages");
        for (unsigned d = 0; d < domains; ++d)
            AddFile(generator, messages, Text("%s-%s.mo", product, components[d * 7]));
    }
    Folder resources = EnterFolder(generator, EnterFolder(generator, root, "resources"),
                                     "locales");
    for (unsigned l = 0; l < CountOf(locales); ++l)
        AddFile(generator, resources, Text("%s.pak", locales[l]));
    Folder docs = EnterFolder(generator, EnterFolder(generator, root, "doc"), "html");
    for (unsigned i = Random(generator, 40); i > 0; --i)
        AddFile(generator, docs,
                Text("%s-%s.html", Pick(generator, components), Pick(generator, components)));
}

static void ProgramFiles(Generator* generator, const Folder& drive, const char* name, int end)
{
    generator->limit = end;
    Folder programs = EnterFolder(generator, drive, name);
    while (programs.length && !Full(generator))
        Program(generator, programs, Pick(generator, vendors), Pick(generator, products));
}

static void ProgramData(Generator* generator, const Folder& drive, int end)
{
    generator->limit = end;
    Folder data = EnterFolder(generator, drive, "programdata");
    Folder cache = EnterFolder(generator, data, "package cache");
    while (cache.length && !Full(generator)) {
        Folder package =
            EnterFolder(generator, cache, Text("%sv%s", Guid(generator), Version(generator)));
        const char* product = Pick(generator, products);
        AddFile(generator, package, Text("%s_%s.msi", product, Pick(generator, components)));
        Folder inner = EnterFolder(generator, package, "packages");
        for (unsigned i = Random(generator, 6); i > 0; --i) {
            const char* part = Text("%s_%s_x64", Pick(generator, components), product);
            AddFile(generator, EnterFolder(generator, inner, part), Text("%s.cab", part));
        }
        Folder logs = EnterFolder(
            generator,
            EnterFolder(generator, EnterFolder(generator, data, Pick(generator, vendors)),
                        product),
            "logs");
        for (unsigned i = Random(generator, 20); i > 0; --i)
            AddFile(generator, logs,
                    Text("%s_202%u%02u%02u_%02u%02u%02u.log", Pick(generator, components),
                         Random(generator, 5), 1 + Random(generator, 12),
                         1 + Random(generator, 28), Random(generator, 24), Random(generator, 60),
                         Random(generator, 60)));
    }
}

// A browser-like profile: hashed cache files and extensions with their
// translations.
static void BrowserProfile(Generator* generator, const Folder& local)
{
    Folder profile = EnterFolder(
        generator,
        EnterFolder(generator,
                    EnterFolder(generator, EnterFolder(generator, local, Pick(generator, vendors)),
                                Pick(generator, products)),
                    "user data"),
        "default");
    Folder cacheData =
        EnterFolder(generator, EnterFolder(generator, profile, "cache"), "cache_data");
    for (unsigned i = 0; i < 3000; ++i)
        AddFile(generator, cacheData, Text("f_%s", Hex(generator, 6)));
    Folder code = EnterFolder(generator, EnterFolder(generator, profile, "code cache"), "js");
    for (unsigned i = 0; i < 1500; ++i)
        AddFile(generator, code, Text("%s_0", Hex(generator, 16)));
    Folder indexed = EnterFolder(generator, profile, "indexeddb");
    for (unsigned s = 0; s < 40; ++s) {
        Folder site = EnterFolder(
            generator, indexed,
            Text("https_%s.%s.com_0.indexeddb.leveldb", Pick(generator, components),
                 Pick(generator, vendors)));
        for (unsigned i = Random(generator, 8); i > 0; --i)
            AddFile(generator, site, Text("%06u.ldb", Random(generator, 999999)));
    }
    Folder extensions = EnterFolder(generator, profile, "extensions");
    for (unsigned e = 0; e < 12; ++e) {
        char id[33];
        for (unsigned i = 0; i < 32; ++i)
            id[i] = (char)('a' + Random(generator, 16));
        id[32] = 0;
        Folder version = EnterFolder(generator, EnterFolder(generator, extensions, id),
                        Text("%s_0", Version(generator)));
        Folder texts = EnterFolder(generator, version, "_locales");
        for (unsigned l = 0; l < CountOf(locales); ++l)
            AddFile(generator, EnterFolder(generator, texts, locales[l]), "messages.json");
        for (unsigned i = Random(generator, 30); i > 0; --i)
            AddFile(generator, EnterFolder(generator, version, Pick(generator, jsFolders)),
                    Text("%s%s", Pick(generator, jsStems), Pick(generator, jsExtensions)));
    }
}

static void PythonPackage(Generator* generator, const Folder& sitePackages, const char* name,
                          int depth)
{
    Folder package = EnterFolder(generator, sitePackages, name);
    unsigned modules = 2 + Random(generator, 12);
    Folder cached = EnterFolder(generator, package, "__pycache__");
    for (unsigned i = 0; i < modules; ++i) {
        const char* module = Pick(generator, pythonModules);
        AddFile(generator, package, Text("%s.py", module));
        AddFile(generator, cached, Text("%s.cpython-311.pyc", module));
    }
    if (depth < 4)
        for (unsigned s = Random(generator, depth == 0 ? 10 : 4); s > 0; --s)
            PythonPackage(generator, package, Pick(generator, pythonFolders), depth + 1);
}

static void Python(Generator* generator, const Folder& local)
{
    Folder python = EnterFolder(
        generator,
        EnterFolder(generator, EnterFolder(generator, local, "programs"), "python"),
        "python311");
    Folder sitePackages =
        EnterFolder(generator, EnterFolder(generator, python, "lib"), "site-packages");
    for (unsigned p = 0; p < CountOf(pythonPackages); ++p) {
        PythonPackage(generator, sitePackages, pythonPackages[p], 0);
        Folder info = EnterFolder(generator, sitePackages,
                                    Text("%s-%s.dist-info", pythonPackages[p], Version(generator)));
        static const char* const records[] = {"metadata", "record", "wheel", "top_level.txt",
                                              "installer", "license.txt"};
        for (unsigned r = 0; r < CountOf(records); ++r)
            AddFile(generator, info, records[r]);
    }
}

// node_modules within node_modules: the deepest paths of a real drive.
static void NodePackage(Generator* generator, const Folder& modules, int depth)
{
    Folder package = EnterFolder(generator, modules, Pick(generator, npmPackages));
    AddFile(generator, package, "package.json");
    AddFile(generator, package, "readme.md");
    AddFile(generator, package, "license");
    for (unsigned f = Random(generator, 5); f > 0; --f) {
        Folder folder = EnterFolder(generator, package, Pick(generator, jsFolders));
        if (Random(generator, 3) == 0)
            folder = EnterFolder(generator, folder, Pick(generator, jsFolders));
        for (unsigned i = Random(generator, 14); i > 0; --i)
            AddFile(generator, folder,
                    Text("%s%s", Pick(generator, jsStems), Pick(generator, jsExtensions)));
    }
    if (depth < 7 && Random(generator, 3) == 0) {
        Folder nested = EnterFolder(generator, package, "node_modules");
        for (unsigned n = 1 + Random(generator, 4); n > 0; --n)
            NodePackage(generator, nested, depth + 1);
    }
}

static void SourceProject(Generator* generator, const Folder& projects)
{
    const char* name = Text("%s-%s", Pick(generator, components), Pick(generator, components));
    Folder project = EnterFolder(generator, projects, name);
    AddFile(generator, project, "readme.md");
    AddFile(generator, project, "cmakelists.txt");
    for (unsigned f = 2 + Random(generator, 6); f > 0; --f) {
        Folder folder = EnterFolder(generator, project, Pick(generator, sourceFolders));
        if (Random(generator, 2))
            folder = EnterFolder(generator, folder, Pick(generator, components));
        for (unsigned i = Random(generator, 25); i > 0; --i)
            AddFile(generator, folder,
                    Text("%s%s", Pick(generator, sourceStems), Pick(generator, sourceExtensions)));
    }
    Folder build = EnterFolder(generator, project, "build");
    static const char* const configurations[] = {"debug", "release", "relwithdebinfo"};
    for (unsigned c = 0; c < CountOf(configurations); ++c) {
        Folder objects = EnterFolder(
            generator,
            EnterFolder(generator,
                        EnterFolder(generator, build, configurations[c]), "cmakefiles"),
            Text("%s.dir", name));
        for (unsigned i = Random(generator, 30); i > 0; --i)
            AddFile(generator, objects, Text("%s.cpp.obj", Pick(generator, sourceStems)));
    }
    Folder objects = EnterFolder(generator, EnterFolder(generator, project, ".git"), "objects");
    for (unsigned i = Random(generator, 60); i > 0; --i)
        AddFile(generator, EnterFolder(generator, objects, Hex(generator, 2)), Hex(generator, 38));
}

static void Documents(Generator* generator, const Folder& profile)
{
    Folder documents = EnterFolder(generator, profile, "documents");
    for (unsigned year = 2016; year < 2025; ++year) {
        Folder folder = EnterFolder(generator, documents, Text("%s %u",
                                                                 Pick(generator, documentStems),
                                                                 year));
        for (unsigned i = Random(generator, 40); i > 0; --i)
            AddFile(generator, folder,
                    Text("%s %u-%02u-%02u%s%s", Pick(generator, documentStems), year,
                         1 + Random(generator, 12), 1 + Random(generator, 28),
                         Random(generator, 3) ? "" : " final",
                         Pick(generator, documentExtensions)));
    }
    Folder projects = EnterFolder(generator, documents, "projects");
    for (unsigned p = 0; p < 40; ++p)
        SourceProject(generator, projects);
    Folder pictures = EnterFolder(generator, profile, "pictures");
    for (unsigned year = 2016; year < 2025; ++year) {
        Folder folder = EnterFolder(generator, pictures, Text("%u", year));
        for (unsigned month = 1; month <= 12; ++month) {
            Folder sub = EnterFolder(generator, folder, Text("%u-%02u", year, month));
            for (unsigned i = Random(generator, 60); i > 0; --i)
                AddFile(generator, sub,
                        Text("img_%u%02u%02u_%02u%02u%02u.jpg", year, month,
                             1 + Random(generator, 28), Random(generator, 24),
                             Random(generator, 60), Random(generator, 60)));
        }
    }
}

static void Cargo(Generator* generator, const Folder& profile)
{
    Folder source = EnterFolder(
        generator,
        EnterFolder(generator,
                    EnterFolder(generator, EnterFolder(generator, profile, ".cargo"), "registry"),
                    "src"),
        Text("index.crates-%s", Hex(generator, 16)));
    for (unsigned c = 0; c < CountOf(crates); ++c) {
        Folder crate = EnterFolder(generator, source, Text("%s-%s", crates[c], Version(generator)));
        AddFile(generator, crate, "cargo.toml");
        Folder src = EnterFolder(generator, crate, "src");
        for (unsigned f = Random(generator, 6); f > 0; --f) {
            Folder folder = EnterFolder(generator, src, Pick(generator, components));
            for (unsigned i = Random(generator, 20); i > 0; --i)
                AddFile(generator, folder, Text("%s.rs", Pick(generator, sourceStems)));
        }
    }
}

static void UserProfile(Generator* generator, const Folder& users, const char* name)
{
    Folder profile = EnterFolder(generator, users, name);
    Folder appData = EnterFolder(generator, profile, "appdata");
    Folder local = EnterFolder(generator, appData, "local");
    Documents(generator, profile);
    Cargo(generator, profile);
    for (unsigned b = 0; b < 3; ++b)
        BrowserProfile(generator, local);
    Python(generator, local);
    Folder packages = EnterFolder(generator, local, "packages");
    for (unsigned p = 0; p < 60; ++p) {
        Folder package = EnterFolder(
            generator, packages,
            Text("%s.%s_%s", Pick(generator, vendors), Pick(generator, products),
                 Hex(generator, 13)));
        Folder cache = EnterFolder(
            generator, EnterFolder(generator, EnterFolder(generator, package, "ac"), "inetcache"),
            Hex(generator, 8));
        for (unsigned i = Random(generator, 30); i > 0; --i)
            AddFile(generator, cache, Text("%s[%u].%s", Pick(generator, jsStems),
                                           1 + Random(generator, 3), i % 2 ? "js" : "css"));
        AddFile(generator, EnterFolder(generator, package, "settings"), "settings.dat");
    }
    Folder temp = EnterFolder(generator, local, "temp");
    for (unsigned i = 0; i < 2000; ++i)
        AddFile(generator, temp, Text("%s%s.tmp", i % 3 ? "~df" : "tmp", Hex(generator, 6)));
    Folder roaming = EnterFolder(generator, appData, "roaming");
    Folder npm = EnterFolder(generator, EnterFolder(generator, roaming, "npm"), "node_modules");
    while (npm.length && !Full(generator))
        NodePackage(generator, npm, 0);
}

static void Users(Generator* generator, const Folder& drive, int end)
{
    static const char* const names[] = {"anna.keller", "build-agent", "default", "public",
                                        "tomasz", "svc-backup"};
    generator->limit = end;
    Folder users = EnterFolder(generator, drive, "users");
    for (unsigned u = 0; u < CountOf(names); ++u) {
        generator->limit = generator->made + (end - generator->made) / (int)(CountOf(names) - u);
        UserProfile(generator, users, names[u]);
    }
}

static void GenerateRealisticCatalogue()
{
    Generator generator;
    ZeroMemory(&generator, sizeof(generator));
    generator.random = 20250317;
    Folder drive;
    drive.length = 2;
    strcpy(drive.path, "c:");
    // The folders of a system drive in the order a scan meets them, each
    // with its share of the entries.
    ProgramFiles(&generator, drive, "program files", catalogueSize * 16 / 100);
    ProgramFiles(&generator, drive, "program files (x86)", catalogueSize * 22 / 100);
    ProgramData(&generator, drive, catalogueSize * 26 / 100);
    Users(&generator, drive, catalogueSize * 66 / 100);
    WindowsFolder(&generator, drive, catalogueSize);
}

// ---------------------------------------------------------------------------
// Queries: chosen on the catalogue itself and checked with a plain reference.

struct Catalogue {
    const char** entries;
    int count;
    char* block;  // the paths one per line, as grep reads them
    unsigned blockSize;
    unsigned* lineEnds;  // byte offset in block after each entry's line
};

static void CollectEntries(Catalogue* paths)
{
    paths->count = catalogue->Count();
    paths->entries = static_cast<const char**>(AllocZeroed(sizeof(char*) * paths->count));
    paths->lineEnds = static_cast<unsigned*>(AllocZeroed(sizeof(unsigned) * paths->count));
    unsigned total = 0;
    int i = 0;
    for (ListNode* node = catalogue->Head(); node; node = node->next) {
        paths->entries[i] = static_cast<const char*>(node->data);
        total += (unsigned)strlen(paths->entries[i]) + 1;
        paths->lineEnds[i++] = total;
    }
    paths->block = static_cast<char*>(AllocZeroed(total + 1));
    unsigned at = 0;
    for (i = 0; i < paths->count; ++i) {
        unsigned length = (unsigned)strlen(paths->entries[i]);
        memcpy(paths->block + at, paths->entries[i], length);
        paths->block[at + length] = '\n';
        at += length + 1;
    }
    paths->blockSize = total;
}

static void ReleaseCatalogue(Catalogue* paths)
{
    FreeBlock(paths->entries);
    FreeBlock(paths->lineEnds);
    FreeBlock(paths->block);
    FreeCatalogueEntries();
}

// Lines of the block that contain word, by Horspool's search over the
// whole block. followers, when given (256 bytes), gets a 1 for each byte
// that follows an occurrence.
static int CountLines(const Catalogue* paths, const char* word, unsigned char* followers)
{
    const unsigned char* text = reinterpret_cast<const unsigned char*>(paths->block);
    const unsigned char* wanted = reinterpret_cast<const unsigned char*>(word);
    const unsigned size = paths->blockSize;
    const unsigned length = (unsigned)strlen(word);
    unsigned shift[256];
    for (unsigned i = 0; i < 256; ++i)
        shift[i] = length;
    for (unsigned i = 0; i + 1 < length; ++i)
        shift[wanted[i]] = length - 1 - i;
    int lines = 0;
    unsigned lineEnd = 0;  // just past the last line counted
    unsigned at = 0;
    while (at + length <= size) {
        unsigned char last = text[at + length - 1];
        if (last != wanted[length - 1] || memcmp(text + at, wanted, length - 1) != 0) {
            at += shift[last];
            continue;
        }
        if (at >= lineEnd) {
            ++lines;
            const void* newline = memchr(text + at, '\n', size - at);
            lineEnd = newline ? (unsigned)(static_cast<const unsigned char*>(newline) - text) + 1
                              : size;
        }
        if (!followers) {
            at = lineEnd;
            continue;
        }
        followers[text[at + length]] = 1;
        ++at;
    }
    return lines;
}

// Indexes of the entries that contain every one of the words, at most most.
static int CollectEntriesWithAll(const Catalogue* paths, const char* const* words, int wordCount,
                                 int* found, int most)
{
    int count = 0;
    for (int i = 0; i < paths->count && count < most; ++i) {
        int all = 1;
        for (int w = 0; w < wordCount && all; ++w)
            all = strstr(paths->entries[i], words[w]) != NULL;
        if (all)
            found[count++] = i;
    }
    return count;
}

struct Query {
    char text[1000];
    const char* words[10];
    int wordCount;
    char storage[1000];
};

static void SetQuery(Query* query, const char* text)
{
    ZeroMemory(query, sizeof(*query));
    lstrcpynA(query->text, text, sizeof(query->text));
    lstrcpynA(query->storage, text, sizeof(query->storage));
    char* p = query->storage;
    while (*p && query->wordCount < 10) {
        while (*p == ' ')
            *p++ = 0;
        if (!*p)
            break;
        query->words[query->wordCount++] = p;
        while (*p && *p != ' ')
            ++p;
    }
}

static int IsLetter(char ch)
{
    return ch >= 'a' && ch <= 'z';
}

// A word of common letters that occurs nowhere: letters - 1 letters that run
// in many entries (at least one in a thousand), then the letter that makes
// the whole word occur nowhere, as a user who types on past what exists.
static int ChooseAbsentWord(const Catalogue* paths, unsigned letters, unsigned seed,
                            char* word)
{
    unsigned random = seed;
    for (int attempt = 0; attempt < 400; ++attempt) {
        const char* entry = paths->entries[NextRandom(&random) % paths->count];
        unsigned length = (unsigned)strlen(entry);
        if (length < letters + 4)
            continue;
        unsigned at = NextRandom(&random) % (length - letters);
        unsigned i = 0;
        while (i + 1 < letters && IsLetter(entry[at + i]))
            ++i;
        if (i + 1 < letters)
            continue;
        memcpy(word, entry + at, letters - 1);
        word[letters - 1] = 0;
        unsigned char followers[256] = {0};
        if (CountLines(paths, word, followers) < paths->count / 1000)
            continue;
        for (const char* last = "esaiortnlcdmpuhgfbwyvk"; *last; ++last)
            if (!followers[(unsigned char)*last]) {
                word[letters - 1] = *last;
                word[letters] = 0;
                return 1;
            }
    }
    return 0;
}

// A 40-byte word of two common path pieces (each 20 bytes from a backslash
// on, without spaces, each in at least one entry in a thousand) that never
// follow each other.
static int ChooseLongWord(const Catalogue* paths, unsigned seed, char* word)
{
    unsigned random = seed;
    char pieces[2][21];
    int have = 0;
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const char* entry = paths->entries[NextRandom(&random) % paths->count];
        unsigned length = (unsigned)strlen(entry);
        if (length < 30)
            continue;
        unsigned at = 3 + NextRandom(&random) % (length - 23);
        const char* slash = strchr(entry + at, '\\');
        if (!slash || strlen(slash) < 20)
            continue;
        memcpy(pieces[have], slash, 20);
        pieces[have][20] = 0;
        if (strchr(pieces[have], ' ') ||
            CountLines(paths, pieces[have], NULL) < paths->count / 1000)
            continue;
        if (have == 0 || strcmp(pieces[0], pieces[1]) == 0) {
            have = 1;
            continue;
        }
        sprintf(word, "%s%s", pieces[0], pieces[1]);
        if (CountLines(paths, word, NULL) == 0)
            return 1;
        memcpy(pieces[0], pieces[1], sizeof(pieces[0]));
    }
    return 0;
}

static int IsWordByte(char ch)
{
    return IsLetter(ch) || (ch >= '0' && ch <= '9');
}

// The distinct pieces of entry below the drive (runs of letters and
// digits) with at least minLength characters, in order.
static int PathPieces(const char* entry, unsigned minLength, char pieces[][100], int most)
{
    int count = 0;
    const char* p = entry + 2;
    while (*p && count < most) {
        while (*p && !IsWordByte(*p))
            ++p;
        const char* start = p;
        while (IsWordByte(*p))
            ++p;
        unsigned length = (unsigned)(p - start);
        if (length < minLength || length >= 100)
            continue;
        int seen = 0;
        for (int i = 0; i < count; ++i)
            seen |= strncmp(pieces[i], start, length) == 0 && pieces[i][length] == 0;
        if (!seen) {
            memcpy(pieces[count], start, length);
            pieces[count++][length] = 0;
        }
    }
    return count;
}

// Pieces (see PathPieces) of at least four characters that occur in at
// least one entry in a hundred, judged on a sample of the entries.
struct CommonPieces {
    char (*pieces)[32];
    int count;
};

static int ComparePieces(const void* a, const void* b)
{
    return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

static void FindCommonPieces(const Catalogue* paths, CommonPieces* common)
{
    const int sample = 20000;
    const int most = sample * 20;
    char (*all)[32] = static_cast<char (*)[32]>(AllocZeroed(sizeof(*all) * most));
    int count = 0;
    unsigned random = 4242;
    for (int s = 0; s < sample; ++s) {
        char pieces[20][100];
        int found = PathPieces(paths->entries[NextRandom(&random) % paths->count], 4, pieces, 20);
        for (int i = 0; i < found && count < most; ++i)
            if (strlen(pieces[i]) < sizeof(all[0]))
                strcpy(all[count++], pieces[i]);
    }
    qsort(all, count, sizeof(all[0]), ComparePieces);
    common->pieces = static_cast<char (*)[32]>(AllocZeroed(sizeof(*all) * (count + 1)));
    common->count = 0;
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && strcmp(all[i], all[i + run]) == 0)
            ++run;
        if (run >= sample / 100)
            strcpy(common->pieces[common->count++], all[i]);
        i += run;
    }
    FreeBlock(all);
}

// leading words that occur together (pieces of one deep entry, in at least
// together entries), then one more common piece that never occurs with
// them all.
static int ChooseFailingLast(const Catalogue* paths, const CommonPieces* common, int leading,
                             int together, unsigned seed, Query* query)
{
    unsigned random = seed;
    int* withAll = static_cast<int*>(AllocZeroed(sizeof(int) * paths->count));
    int chosen = 0;
    for (int attempt = 0; attempt < 2000 && !chosen && common->count > 0; ++attempt) {
        char names[20][100];
        const char* entry = paths->entries[NextRandom(&random) % paths->count];
        if (PathPieces(entry, 3, names, 20) < leading)
            continue;
        const char* words[10];
        for (int w = 0; w < leading; ++w)
            words[w] = names[w];
        int matching = CollectEntriesWithAll(paths, words, leading, withAll, paths->count);
        if (matching < together)
            continue;
        for (int tries = 0; tries < 200 && !chosen; ++tries) {
            const char* last = common->pieces[NextRandom(&random) % common->count];
            int clash = 0;
            for (int w = 0; w < leading; ++w)
                clash |= strstr(words[w], last) != NULL || strstr(last, words[w]) != NULL;
            for (int i = 0; i < matching && !clash; ++i)
                clash = strstr(paths->entries[withAll[i]], last) != NULL;
            if (clash)
                continue;
            char text[1000] = {0};
            for (int w = 0; w < leading; ++w) {
                lstrcatA(text, words[w]);
                lstrcatA(text, " ");
            }
            lstrcatA(text, last);
            SetQuery(query, text);
            chosen = 1;
        }
    }
    FreeBlock(withAll);
    return chosen;
}

// Of the words of length letters made of the catalogue's most common
// letters, the one in the fewest entries.
static void ChooseShortWord(const Catalogue* paths, unsigned letters, char* word)
{
    unsigned counts[26] = {0};
    for (unsigned i = 0; i < paths->blockSize; ++i)
        if (IsLetter(paths->block[i]))
            ++counts[paths->block[i] - 'a'];
    int common[26];
    for (int i = 0; i < 26; ++i)
        common[i] = i;
    for (int i = 1; i < 26; ++i)
        for (int j = i; j > 0 && counts[common[j]] > counts[common[j - 1]]; --j) {
            int moved = common[j];
            common[j] = common[j - 1];
            common[j - 1] = moved;
        }
    // Entries per word over the twelve commonest letters, each entry
    // counted once per word (stamp: the last entry counted).
    const unsigned letterCount = 12;
    int index[26];
    for (int i = 0; i < 26; ++i)
        index[i] = -1;
    for (unsigned i = 0; i < letterCount; ++i)
        index[common[i]] = (int)i;
    unsigned cells = letters == 2 ? letterCount * letterCount
                                  : letterCount * letterCount * letterCount;
    int* entries = static_cast<int*>(AllocZeroed(sizeof(int) * cells));
    int* stamp = static_cast<int*>(AllocZeroed(sizeof(int) * cells));
    for (int e = 0; e < paths->count; ++e) {
        const char* entry = paths->entries[e];
        for (unsigned i = 0; entry[i] && entry[i + 1] && (letters == 2 || entry[i + 2]); ++i) {
            unsigned cell = 0;
            unsigned l = 0;
            for (; l < letters; ++l) {
                char ch = entry[i + l];
                if (!IsLetter(ch) || index[ch - 'a'] < 0)
                    break;
                cell = cell * letterCount + (unsigned)index[ch - 'a'];
            }
            if (l == letters && stamp[cell] != e + 1) {
                stamp[cell] = e + 1;
                ++entries[cell];
            }
        }
    }
    unsigned best = 0;
    for (unsigned cell = 1; cell < cells; ++cell)
        if (entries[cell] < entries[best])
            best = cell;
    for (unsigned l = letters; l > 0; --l) {
        word[l - 1] = (char)('a' + common[best % letterCount]);
        best /= letterCount;
    }
    word[letters] = 0;
    FreeBlock(entries);
    FreeBlock(stamp);
}

// ---------------------------------------------------------------------------
// Timing.

// The floor: every byte looked at once, 64 bytes a round.
static const char* ScanForByte(const char* bytes, unsigned size, char wanted)
{
    const __m128i pattern = _mm_set1_epi8(wanted);
    unsigned at = 0;
    for (; at + 64 <= size; at += 64) {
        const __m128i* p = reinterpret_cast<const __m128i*>(bytes + at);
        __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(p), pattern);
        __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(p + 1), pattern);
        __m128i c = _mm_cmpeq_epi8(_mm_loadu_si128(p + 2), pattern);
        __m128i d = _mm_cmpeq_epi8(_mm_loadu_si128(p + 3), pattern);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))))
            break;
    }
    return static_cast<const char*>(memchr(bytes + at, wanted, size - at));
}

// One scan of the first bytes of the paths, in seconds.
static double FloorOnce(const Catalogue* paths, unsigned bytes)
{
    double start = Seconds();
    if (ScanForByte(paths->block, bytes, 'Q'))
        return 0;
    return Seconds() - start;
}

// One pass of the filter, in seconds.
static double FilterOnce(BenchWindow* bench, int toBuffer, int* results)
{
    if (toBuffer)
        copyListBuffer->Clear();
    double start = Seconds();
    *results = FilterCatalogue(toBuffer ? copyListLimit : resultListLimit, searchFull, toBuffer,
                               bench->window, bench->resultList);
    return Seconds() - start;
}

// One walk alone, as the filter makes it (cursor, lock), reading the first
// byte of each entry: what no test of the entries can go below. In seconds.
static double WalkOnce()
{
    double start = Seconds();
    WaitForSingleObject(catalogueLock, INFINITE);
    int cursor = catalogue->AllocCursor();
    void* element;
    unsigned bytes = 0;
    while (catalogue->MoveCursor(cursor, 1) == 1 && catalogue->GetAtCursor(cursor, &element))
        bytes += *static_cast<const unsigned char*>(element);
    catalogue->FreeCursor(cursor);
    ReleaseMutex(catalogueLock);
    double taken = Seconds() - start;
    return bytes == 1 ? 0 : taken;  // the sum keeps the reads
}

// Median times in milliseconds of repeats runs of something and of the
// floor over bytes, taken in turns so that both meet the same load of a
// shared machine.
struct Timed {
    double ms;
    double floorMs;
};

static Timed TimeBesideFloor(const Catalogue* paths, unsigned bytes, BenchWindow* bench,
                             int toBuffer, int* results)
{
    double times[repeats];
    double floors[repeats];
    for (int i = 0; i < repeats; ++i) {
        floors[i] = FloorOnce(paths, bytes);
        times[i] = bench ? FilterOnce(bench, toBuffer, results) : WalkOnce();
    }
    Timed timed;
    timed.ms = Median(times, repeats) * 1000;
    timed.floorMs = Median(floors, repeats) * 1000;
    return timed;
}

static void FigureOf(const char* prefix, const char* name, const char* suffix, double value,
                     const char* unit)
{
    char full[200];
    sprintf(full, "%s_%s%s", prefix, name, suffix);
    Figure(full, value, unit);
}

// Times one query and prints its figures: time, results, entries walked,
// the floor over the bytes of those entries and the ratio to it, and the
// grep line for bench.sh. Returns 0 when the filter's results differ from
// the reference's.
static int MeasureQuery(BenchWindow* bench, const Catalogue* paths, const char* prefix,
                        const char* name, const char* text, int toBuffer)
{
    Query query;
    SetQuery(&query, text);
    printf("query: %s_%s \"%s\"\n", prefix, name, text);
    const int limit = toBuffer ? copyListLimit : resultListLimit;
    int walked = 0;
    int matches = 0;
    for (int i = 0; i < paths->count; ++i) {
        ++walked;
        int all = 1;
        for (int w = 0; w < query.wordCount && all; ++w)
            all = strstr(paths->entries[i], query.words[w]) != NULL;
        if (all && ++matches > limit)
            break;
    }
    // grep's word: the one in the fewest of the walked entries.
    int rarest = 0;
    int rarestCount = 0x7FFFFFFF;
    for (int w = 0; w < query.wordCount; ++w) {
        int found = 0;
        for (int i = 0; i < walked; ++i)
            found += strstr(paths->entries[i], query.words[w]) != NULL;
        if (found < rarestCount) {
            rarestCount = found;
            rarest = w;
        }
    }
    int results = 0;
    SetWindowTextA(bench->searchBox, text);
    Timed timed = TimeBesideFloor(paths, paths->lineEnds[walked - 1], bench, toBuffer, &results);
    double ms = timed.ms;
    double floor = timed.floorMs;
    FigureOf(prefix, name, "", ms, "ms");
    FigureOf(prefix, name, "_results", results, "entries");
    FigureOf(prefix, name, "_walked", walked, "entries");
    FigureOf(prefix, name, "_floor", floor, "ms");
    FigureOf(prefix, name, "_vs_floor", floor > 0 ? ms / floor : 0, "x");
    if (toBuffer)
        FigureOf(prefix, name, "_bytes", copyListBuffer->Length() / 1e6, "MB");
    printf("grep: %s_%s %d %s\n", prefix, name, walked, query.words[rarest]);
    fflush(stdout);
    if (results != matches) {
        printf("error: %s_%s gives %d results, the reference %d\n", prefix, name, results,
               matches);
        return 0;
    }
    return 1;
}

static int RunQueries(BenchWindow* bench, const Catalogue* paths, const char* prefix)
{
    int sound = 1;
    // The first queries of this benchmark: an absent word of rare letters,
    // a common word, three words, Copy List of one file in nine.
    sound &= MeasureQuery(bench, paths, prefix, "full_walk", "zqxj", 0);
    sound &= MeasureQuery(bench, paths, prefix, "early_exit", "report", 0);
    sound &= MeasureQuery(bench, paths, prefix, "three_words", "tests debug .png", 0);
    sound &= MeasureQuery(bench, paths, prefix, "copy_list", ".txt", 1);

    // What a user types that this matcher finds hard.
    char word[1000];
    static const unsigned absentLengths[] = {4, 6, 9};
    for (unsigned i = 0; i < CountOf(absentLengths); ++i) {
        char name[40];
        sprintf(name, "absent%u", absentLengths[i]);
        if (ChooseAbsentWord(paths, absentLengths[i], 7001 + i, word))
            sound &= MeasureQuery(bench, paths, prefix, name, word, 0);
        else
            printf("note: %s_%s: no word found\n", prefix, name);
    }
    if (ChooseLongWord(paths, 8101, word))
        sound &= MeasureQuery(bench, paths, prefix, "long_word", word, 0);
    else
        printf("note: %s_long_word: no word found\n", prefix);
    CommonPieces common;
    FindCommonPieces(paths, &common);
    Query query;
    if (ChooseFailingLast(paths, &common, 3, 100, 9201, &query))
        sound &= MeasureQuery(bench, paths, prefix, "last_fails", query.text, 0);
    else
        printf("note: %s_last_fails: no query found\n", prefix);
    if (ChooseFailingLast(paths, &common, 9, 1, 9301, &query))
        sound &= MeasureQuery(bench, paths, prefix, "ten_words", query.text, 0);
    else
        printf("note: %s_ten_words: no query found\n", prefix);
    FreeBlock(common.pieces);
    ChooseShortWord(paths, 2, word);
    sound &= MeasureQuery(bench, paths, prefix, "two_letters", word, 0);
    ChooseShortWord(paths, 3, word);
    sound &= MeasureQuery(bench, paths, prefix, "three_letters", word, 0);
    return sound;
}

static void DescribeCatalogue(const Catalogue* paths, const char* prefix)
{
    unsigned longer = 0;
    unsigned longest = 0;
    for (int i = 0; i < paths->count; ++i) {
        unsigned length = (unsigned)strlen(paths->entries[i]);
        longer += length > 112;
        if (length > longest)
            longest = length;
    }
    FigureOf(prefix, "entries", "", paths->count, "entries");
    FigureOf(prefix, "average_path", "", (double)(paths->blockSize - paths->count) / paths->count,
             "bytes");
    FigureOf(prefix, "paths_over_112", "", 100.0 * longer / paths->count, "%");
    FigureOf(prefix, "longest_path", "", longest, "bytes");
    FigureOf(prefix, "bytes", "", paths->blockSize / 1e6, "MB");
    int unused = 0;
    Timed timed = TimeBesideFloor(paths, paths->blockSize, NULL, 0, &unused);
    double floor = timed.floorMs;
    double walk = timed.ms;
    FigureOf(prefix, "memchr_floor", "", floor, "ms");
    FigureOf(prefix, "walk", "", walk, "ms");
    FigureOf(prefix, "walk_vs_floor", "", floor > 0 ? walk / floor : 0, "x");
}

static int MeasureCatalogue(BenchWindow* bench, const char* prefix, const char* pathsFile)
{
    Catalogue paths;
    CollectEntries(&paths);
    HANDLE file = CreateFileA(pathsFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    BOOL wrote = file != INVALID_HANDLE_VALUE &&
                 WriteFile(file, paths.block, paths.blockSize, &written, NULL) &&
                 written == paths.blockSize;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!wrote) {
        fprintf(stderr, "cannot write %s\n", pathsFile);
        return 0;
    }
    DescribeCatalogue(&paths, prefix);
    int sound = RunQueries(bench, &paths, prefix);
    ReleaseCatalogue(&paths);
    return sound;
}

int RunFilterBench(const char* pathsFile)
{
    BenchWindow bench;
    if (!CreateBenchWindow(&bench)) {
        fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    lstrcpyA(scanPath, "c:");
    GenerateRealisticCatalogue();
    int sound = MeasureCatalogue(&bench, "real", pathsFile);
    char generatedFile[MAX_PATH + 20];
    lstrcpynA(generatedFile, pathsFile, MAX_PATH);
    lstrcatA(generatedFile, ".generated");
    GenerateShortCatalogue();
    sound &= MeasureCatalogue(&bench, "gen", generatedFile);
    return sound ? 0 : 1;
}
