// The realistic catalogue: a system drive's program, library, package,
// locale, cache and document folders, with numbered, versioned and hashed
// names, paths up to 259 characters.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "bench/catalogue_generator.h"

// The longest path a listable folder gives: 259 characters.
static const unsigned longestPath = 259;

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

// A name made of names and numbers, held by value so that any number of
// them may be alive at once.
struct Name {
    char text[300];
};

__attribute__((format(printf, 1, 2))) static Name Text(const char* format, ...)
{
    Name name;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(name.text, sizeof(name.text), format, arguments);
    va_end(arguments);
    return name;
}

static Name Hex(Generator* generator, unsigned digits)
{
    Name hex;
    unsigned i = 0;
    for (; i < digits && i < sizeof(hex.text) - 1; ++i)
        hex.text[i] = "0123456789abcdef"[Random(generator, 16)];
    hex.text[i] = 0;
    return hex;
}

static Name Version(Generator* generator)
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
static Name BinaryStem(Generator* generator)
{
    unsigned words = 1 + Random(generator, 3);
    Name stem = Text("%s", Pick(generator, components));
    for (unsigned i = 1; i < words; ++i)
        stem = Text("%s%s", stem.text, Pick(generator, components));
    if (Random(generator, 4) == 0)
        stem = Text("%s%u", stem.text, Random(generator, 64));
    return stem;
}

static Name Guid(Generator* generator)
{
    return Text("{%s-%s-%s-%s-%s}", Hex(generator, 8).text, Hex(generator, 4).text,
                Hex(generator, 4).text, Hex(generator, 4).text, Hex(generator, 12).text);
}

static void SystemFolder(Generator* generator, const Folder& windows)
{
    Folder system = EnterFolder(generator, windows, "system32");
    for (unsigned i = 0; i < 2500; ++i)
        AddFile(generator, system,
                Text("%s%s", BinaryStem(generator).text, Pick(generator, binaryExtensions)).text);
    for (unsigned l = 0; l < 14; ++l) {
        Folder locale = EnterFolder(generator, system, locales[l]);
        for (unsigned i = 0; i < 400; ++i)
            AddFile(generator, locale, Text("%s.dll.mui", BinaryStem(generator).text).text);
    }
    Folder drivers = EnterFolder(generator, system, "drivers");
    for (unsigned i = 0; i < 500; ++i)
        AddFile(generator, drivers, Text("%s.sys", BinaryStem(generator).text).text);
    Folder store = EnterFolder(generator, EnterFolder(generator, system, "driverstore"),
                                 "filerepository");
    for (unsigned i = 0; i < 900; ++i) {
        const Name inf = BinaryStem(generator);
        Folder driver = EnterFolder(
            generator, store, Text("%s.inf_amd64_%s", inf.text, Hex(generator, 16).text).text);
        AddFile(generator, driver, Text("%s.inf", inf.text).text);
        AddFile(generator, driver, Text("%s.cat", inf.text).text);
        unsigned files = Random(generator, 12);
        for (unsigned f = 0; f < files; ++f)
            AddFile(
                generator, driver,
                Text("%s%s", BinaryStem(generator).text, Pick(generator, binaryExtensions)).text);
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
        const Name name =
            Text("%s_%s-%s-%s-%s_%s_%s_none_%s", Pick(generator, architectures),
                 Pick(generator, vendors), Pick(generator, components), Pick(generator, components),
                 Pick(generator, components), Hex(generator, 16).text, Version(generator).text,
                 Hex(generator, 16).text);
        AddFile(generator, manifests, Text("%s.manifest", name.text).text);
        Folder component = EnterFolder(generator, store, name.text);
        unsigned files = Random(generator, 10);
        for (unsigned f = 0; f < files; ++f)
            AddFile(
                generator, component,
                Text("%s%s", BinaryStem(generator).text, Pick(generator, binaryExtensions)).text);
        if (Random(generator, 6) == 0) {
            Folder sub = EnterFolder(generator, component, Pick(generator, locales));
            for (unsigned f = 0; f < 3; ++f)
                AddFile(generator, sub, Text("%s.dll.mui", BinaryStem(generator).text).text);
        }
    }
}

static void WindowsFolder(Generator* generator, const Folder& drive, int end)
{
    generator->limit = end;
    Folder windows = EnterFolder(generator, drive, "windows");
    Folder fonts = EnterFolder(generator, windows, "fonts");
    for (unsigned i = 0; i < 700; ++i)
        AddFile(
            generator, fonts,
            Text("%s%s.ttf", Pick(generator, components), Random(generator, 3) ? "" : "bd").text);
    Folder inf = EnterFolder(generator, windows, "inf");
    for (unsigned i = 0; i < 1800; ++i)
        AddFile(generator, inf,
                Text("%s%s", BinaryStem(generator).text, i % 2 ? ".pnf" : ".inf").text);
    Folder installer = EnterFolder(generator, windows, "installer");
    for (unsigned i = 0; i < 300; ++i) {
        Folder product = EnterFolder(generator, installer, Guid(generator).text);
        for (unsigned f = Random(generator, 6); f > 0; --f)
            AddFile(generator, product, Text("%s.ico", Hex(generator, 8).text).text);
        AddFile(generator, installer, Text("%s.msi", Hex(generator, 7).text).text);
    }
    Folder packages = EnterFolder(generator, EnterFolder(generator, windows, "servicing"),
                                    "packages");
    for (unsigned i = 0; i < 9000; ++i)
        AddFile(generator, packages,
                Text("package_%u_for_kb%u~%s~amd64~~%s.%s", Random(generator, 400),
                     4000000 + Random(generator, 999999), Hex(generator, 16).text,
                     Version(generator).text, i % 2 ? "mum" : "cat").text);
    Folder images = EnterFolder(generator, EnterFolder(generator, windows, "assembly"),
                    "nativeimages_v4.0.30319_64");
    for (unsigned i = 0; i < 2500; ++i) {
        const Name name = Text("%s.%s", Pick(generator, vendors), BinaryStem(generator).text);
        Folder assembly = EnterFolder(generator, images, name.text);
        Folder hashed = EnterFolder(generator, assembly, Hex(generator, 32).text);
        AddFile(generator, hashed, Text("%s.ni.dll", name.text).text);
        AddFile(generator, hashed, Text("%s.ni.dll.aux", name.text).text);
    }
    Folder download = EnterFolder(
        generator, EnterFolder(generator, windows, "softwaredistribution"), "download");
    for (unsigned i = 0; i < 1500; ++i) {
        Folder update = EnterFolder(generator, download, Hex(generator, 32).text);
        for (unsigned f = Random(generator, 8); f > 0; --f)
            AddFile(generator, update,
                    Text("%s-kb%u-x64.%s", BinaryStem(generator).text,
                         4000000 + Random(generator, 999999), f % 2 ? "cab" : "psf").text);
    }
    SystemFolder(generator, windows);
    ComponentStore(generator, windows);
}

// A program's install folder: versions, binaries, plug-ins, translations.
static void Program(Generator* generator, const Folder& programs, const char* vendor,
                    const char* product)
{
    Folder top = EnterFolder(generator, EnterFolder(generator, programs, vendor), product);
    Folder root = Random(generator, 2) ? EnterFolder(generator, top, Version(generator).text) : top;
    Folder bin = EnterFolder(generator, root, "bin");
    for (unsigned i = Random(generator, 60); i > 0; --i)
        AddFile(generator, bin,
                Text("%s%s", BinaryStem(generator).text, Pick(generator, binaryExtensions)).text);
    Folder plugins = EnterFolder(generator, root, "plugins");
    for (unsigned p = Random(generator, 12); p > 0; --p) {
        Folder plugin =
            EnterFolder(generator, plugins,
                        Text("%s-%s", Pick(generator, components), Version(generator).text).text);
        for (unsigned i = Random(generator, 10); i > 0; --i)
            AddFile(
                generator, plugin,
                Text("%s%s", BinaryStem(generator).text, Pick(generator, binaryExtensions)).text);
    }
    Folder locale = EnterFolder(generator, EnterFolder(generator, root, "share"), "locale");
    unsigned domains = 1 + Random(generator, 4);
    for (unsigned l = 0; l < CountOf(locales); ++l) {
        Folder messages = EnterFolder(generator, EnterFolder(generator, locale, locales[l]),
                                        "lc_messages");
        for (unsigned d = 0; d < domains; ++d)
            AddFile(generator, messages, Text("%s-%s.mo", product, components[d * 7]).text);
    }
    Folder resources = EnterFolder(generator, EnterFolder(generator, root, "resources"),
                                     "locales");
    for (unsigned l = 0; l < CountOf(locales); ++l)
        AddFile(generator, resources, Text("%s.pak", locales[l]).text);
    Folder docs = EnterFolder(generator, EnterFolder(generator, root, "doc"), "html");
    for (unsigned i = Random(generator, 40); i > 0; --i)
        AddFile(generator, docs,
                Text("%s-%s.html", Pick(generator, components), Pick(generator, components)).text);
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
        Folder package = EnterFolder(
            generator, cache, Text("%sv%s", Guid(generator).text, Version(generator).text).text);
        const char* product = Pick(generator, products);
        AddFile(generator, package, Text("%s_%s.msi", product, Pick(generator, components)).text);
        Folder inner = EnterFolder(generator, package, "packages");
        for (unsigned i = Random(generator, 6); i > 0; --i) {
            const Name part = Text("%s_%s_x64", Pick(generator, components), product);
            AddFile(generator, EnterFolder(generator, inner, part.text),
                    Text("%s.cab", part.text).text);
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
                         Random(generator, 60)).text);
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
        AddFile(generator, cacheData, Text("f_%s", Hex(generator, 6).text).text);
    Folder code = EnterFolder(generator, EnterFolder(generator, profile, "code cache"), "js");
    for (unsigned i = 0; i < 1500; ++i)
        AddFile(generator, code, Text("%s_0", Hex(generator, 16).text).text);
    Folder indexed = EnterFolder(generator, profile, "indexeddb");
    for (unsigned s = 0; s < 40; ++s) {
        Folder site = EnterFolder(
            generator, indexed,
            Text("https_%s.%s.com_0.indexeddb.leveldb", Pick(generator, components),
                 Pick(generator, vendors)).text);
        for (unsigned i = Random(generator, 8); i > 0; --i)
            AddFile(generator, site, Text("%06u.ldb", Random(generator, 999999)).text);
    }
    Folder extensions = EnterFolder(generator, profile, "extensions");
    for (unsigned e = 0; e < 12; ++e) {
        char id[33];
        for (unsigned i = 0; i < 32; ++i)
            id[i] = (char)('a' + Random(generator, 16));
        id[32] = 0;
        Folder version = EnterFolder(generator, EnterFolder(generator, extensions, id),
                        Text("%s_0", Version(generator).text).text);
        Folder texts = EnterFolder(generator, version, "_locales");
        for (unsigned l = 0; l < CountOf(locales); ++l)
            AddFile(generator, EnterFolder(generator, texts, locales[l]), "messages.json");
        for (unsigned i = Random(generator, 30); i > 0; --i)
            AddFile(generator, EnterFolder(generator, version, Pick(generator, jsFolders)),
                    Text("%s%s", Pick(generator, jsStems), Pick(generator, jsExtensions)).text);
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
        AddFile(generator, package, Text("%s.py", module).text);
        AddFile(generator, cached, Text("%s.cpython-311.pyc", module).text);
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
        Folder info =
            EnterFolder(generator, sitePackages,
                        Text("%s-%s.dist-info", pythonPackages[p], Version(generator).text).text);
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
                    Text("%s%s", Pick(generator, jsStems), Pick(generator, jsExtensions)).text);
    }
    if (depth < 7 && Random(generator, 3) == 0) {
        Folder nested = EnterFolder(generator, package, "node_modules");
        for (unsigned n = 1 + Random(generator, 4); n > 0; --n)
            NodePackage(generator, nested, depth + 1);
    }
}

static void SourceProject(Generator* generator, const Folder& projects)
{
    const Name name = Text("%s-%s", Pick(generator, components), Pick(generator, components));
    Folder project = EnterFolder(generator, projects, name.text);
    AddFile(generator, project, "readme.md");
    AddFile(generator, project, "cmakelists.txt");
    for (unsigned f = 2 + Random(generator, 6); f > 0; --f) {
        Folder folder = EnterFolder(generator, project, Pick(generator, sourceFolders));
        if (Random(generator, 2))
            folder = EnterFolder(generator, folder, Pick(generator, components));
        for (unsigned i = Random(generator, 25); i > 0; --i)
            AddFile(
                generator, folder,
                Text("%s%s", Pick(generator, sourceStems), Pick(generator, sourceExtensions)).text);
    }
    Folder build = EnterFolder(generator, project, "build");
    static const char* const configurations[] = {"debug", "release", "relwithdebinfo"};
    for (unsigned c = 0; c < CountOf(configurations); ++c) {
        Folder objects = EnterFolder(
            generator,
            EnterFolder(generator,
                        EnterFolder(generator, build, configurations[c]), "cmakefiles"),
            Text("%s.dir", name.text).text);
        for (unsigned i = Random(generator, 30); i > 0; --i)
            AddFile(generator, objects, Text("%s.cpp.obj", Pick(generator, sourceStems)).text);
    }
    Folder objects = EnterFolder(generator, EnterFolder(generator, project, ".git"), "objects");
    for (unsigned i = Random(generator, 60); i > 0; --i)
        AddFile(generator, EnterFolder(generator, objects, Hex(generator, 2).text),
                Hex(generator, 38).text);
}

static void Documents(Generator* generator, const Folder& profile)
{
    Folder documents = EnterFolder(generator, profile, "documents");
    for (unsigned year = 2016; year < 2025; ++year) {
        Folder folder = EnterFolder(generator, documents, Text("%s %u",
                                                                 Pick(generator, documentStems),
                                                                 year).text);
        for (unsigned i = Random(generator, 40); i > 0; --i)
            AddFile(generator, folder,
                    Text("%s %u-%02u-%02u%s%s", Pick(generator, documentStems), year,
                         1 + Random(generator, 12), 1 + Random(generator, 28),
                         Random(generator, 3) ? "" : " final",
                         Pick(generator, documentExtensions)).text);
    }
    Folder projects = EnterFolder(generator, documents, "projects");
    for (unsigned p = 0; p < 40; ++p)
        SourceProject(generator, projects);
    Folder pictures = EnterFolder(generator, profile, "pictures");
    for (unsigned year = 2016; year < 2025; ++year) {
        Folder folder = EnterFolder(generator, pictures, Text("%u", year).text);
        for (unsigned month = 1; month <= 12; ++month) {
            Folder sub = EnterFolder(generator, folder, Text("%u-%02u", year, month).text);
            for (unsigned i = Random(generator, 60); i > 0; --i)
                AddFile(generator, sub,
                        Text("img_%u%02u%02u_%02u%02u%02u.jpg", year, month,
                             1 + Random(generator, 28), Random(generator, 24),
                             Random(generator, 60), Random(generator, 60)).text);
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
        Text("index.crates-%s", Hex(generator, 16).text).text);
    for (unsigned c = 0; c < CountOf(crates); ++c) {
        Folder crate =
            EnterFolder(generator, source, Text("%s-%s", crates[c], Version(generator).text).text);
        AddFile(generator, crate, "cargo.toml");
        Folder src = EnterFolder(generator, crate, "src");
        for (unsigned f = Random(generator, 6); f > 0; --f) {
            Folder folder = EnterFolder(generator, src, Pick(generator, components));
            for (unsigned i = Random(generator, 20); i > 0; --i)
                AddFile(generator, folder, Text("%s.rs", Pick(generator, sourceStems)).text);
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
                 Hex(generator, 13).text).text);
        Folder cache = EnterFolder(
            generator, EnterFolder(generator, EnterFolder(generator, package, "ac"), "inetcache"),
            Hex(generator, 8).text);
        for (unsigned i = Random(generator, 30); i > 0; --i)
            AddFile(generator, cache, Text("%s[%u].%s", Pick(generator, jsStems),
                                           1 + Random(generator, 3), i % 2 ? "js" : "css").text);
        AddFile(generator, EnterFolder(generator, package, "settings"), "settings.dat");
    }
    Folder temp = EnterFolder(generator, local, "temp");
    for (unsigned i = 0; i < 2000; ++i)
        AddFile(generator, temp,
                Text("%s%s.tmp", i % 3 ? "~df" : "tmp", Hex(generator, 6).text).text);
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

void GenerateRealisticCatalogue()
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
