#!/usr/bin/env python3
"""Fails when a shipped program holds code that only a C runtime's start-up
would run: a static constructor or a TLS callback.

    check_no_constructors.py PROGRAM MAP

Our programs start at their own entry point (-nostartfiles), which runs no
constructors and registers no TLS callbacks; whatever the compiler left for
them would silently never run (a table filled at run time would stay zero).
PROGRAM is the linked image, MAP the map file of the same link (-Wl,-Map),
which names what each section holds and where the linker's constructor list
lies. The runtime pseudo-relocations of auto-imported data are refused too:
only the C runtime's start-up applies them. Thread-local data alone (a .tls
section, a TLS directory without callbacks) runs nothing and passes. Only
reads both files.
"""
import os
import re
import struct
import sys

# Output sections that hold constructors, destructors or the C runtime's
# tables of initialisers and TLS callbacks (.CRT$XC*, .CRT$XI*, .CRT$XL*).
# PE section names are cut to eight bytes in a stripped image.
STARTUP_SECTIONS = (".ctors", ".dtors", ".init_ar", ".fini_ar", ".CRT")
# The same as input sections, as the map names them.
STARTUP_INPUT = re.compile(
    r"^\.(ctors|dtors|ctor|dtor|init_array|fini_array)(\..*)?$|^\.CRT\$X")
TLS_DIRECTORY = 9


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError("not a PE image (no MZ header)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image (no PE signature)")
        sectionCount, = struct.unpack_from("<H", data, pe + 6)
        optionalSize, = struct.unpack_from("<H", data, pe + 20)
        optional = pe + 24
        magic, = struct.unpack_from("<H", data, optional)
        if magic == 0x10B:
            self.pointerSize = 4
            self.imageBase, = struct.unpack_from("<I", data, optional + 28)
            directories = optional + 96
        elif magic == 0x20B:
            self.pointerSize = 8
            self.imageBase, = struct.unpack_from("<Q", data, optional + 24)
            directories = optional + 112
        else:
            raise ValueError("unknown optional header magic 0x%x" % magic)
        directoryCount, = struct.unpack_from("<I", data, directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(directoryCount)]
        self.sections = []
        table = optional + optionalSize
        for i in range(sectionCount):
            name, virtualSize, address, rawSize, rawOffset = struct.unpack_from(
                "<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), virtualSize,
                                  address, rawSize, rawOffset))

    def Read(self, address, size):
        """The bytes at a virtual address (zero past a section's raw data),
        or None when no section holds it."""
        rva = address - self.imageBase
        for _, virtualSize, start, rawSize, rawOffset in self.sections:
            if start <= rva and rva + size <= start + max(virtualSize, rawSize):
                at = rva - start
                raw = self.data[rawOffset + at:rawOffset + min(at + size, rawSize)]
                return raw + b"\0" * (size - len(raw))
        return None

    def Pointer(self, address):
        raw = self.Read(address, self.pointerSize)
        if raw is None:
            return None
        return struct.unpack("<I" if self.pointerSize == 4 else "<Q", raw)[0]


def Shorter(source):
    """An input file as the map names it, its ".." resolved."""
    return os.path.normpath(source) if "/" in source else source


def ReadMap(path):
    """Every input section that the link laid out, as (name, address, size,
    file), and the addresses of the linker script's symbols."""
    with open(path, encoding="latin-1") as f:
        lines = f.read().split("\n")
    # Before this line the map lists archive members, discarded sections and
    # memory regions; only what follows was laid out.
    try:
        start = lines.index("Linker script and memory map") + 1
    except ValueError:
        raise ValueError("no memory map in " + path)
    laid = []
    symbols = {}
    pending = None  # an input section whose name filled its line
    for line in lines[start:]:
        if pending is not None:
            fields = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*)$", line)
            name, pending = pending, None
            if fields:
                laid.append((name, int(fields.group(1), 16), int(fields.group(2), 16),
                             Shorter(fields.group(3))))
                continue
        symbol = re.match(r"^\s+0x([0-9a-f]+)\s+(\S+) = ", line)
        if symbol:
            symbols[symbol.group(2)] = int(symbol.group(1), 16)
            continue
        # An input section: one space, its name, then (on this line or, for
        # a long name, the next) its address, size and file. The script's
        # patterns (" *(.ctors)") and fills (" *fill*") begin with a star.
        section = re.match(r"^ ([^\s*]\S*)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*))?$", line)
        if not section:
            continue
        if section.group(2) is None:
            pending = section.group(1)
        else:
            laid.append((section.group(1), int(section.group(2), 16),
                         int(section.group(3), 16), Shorter(section.group(4))))
    return laid, symbols


def Describe(address, laid):
    """An address, with the input section and file that hold it."""
    for name, start, size, source in laid:
        if start <= address < start + size:
            return "0x%x (in %s of %s)" % (address, name, source)
    return "0x%x" % address


def CheckList(image, symbols, laid, name, failures):
    """The linker's list at symbol name: -1, its entries, 0. Any entry is a
    constructor (or destructor) that nothing calls."""
    if name not in symbols:
        return None
    address = symbols[name]
    size = image.pointerSize
    allOnes = (1 << (8 * size)) - 1
    if image.Pointer(address) != allOnes:
        failures.append("the list at %s (0x%x) does not begin with its -1 terminator; "
                        "the check does not know this layout" % (name, address))
        return None
    entries = []
    at = address + size
    while True:
        value = image.Pointer(at)
        if value is None:
            failures.append("the list at %s (0x%x) runs out of the image without its 0 "
                            "terminator" % (name, address))
            return None
        if value == 0:
            break
        entries.append(value)
        at += size
    if entries:
        failures.append("%d entr%s between the terminators of the linker's list at %s "
                        "(0x%x): %s" % (len(entries), "y" if len(entries) == 1 else "ies",
                                        name, address,
                                        ", ".join(Describe(e, laid) for e in entries)))
    return at + size


def Check(programPath, mapPath):
    image = Image(programPath)
    laid, symbols = ReadMap(mapPath)
    failures = []
    for name, virtualSize, _, _, _ in image.sections:
        if name.startswith(STARTUP_SECTIONS) and virtualSize > 0:
            failures.append("section %s holds %d bytes of constructors, destructors or "
                            "the C runtime's initialisers and TLS callbacks" %
                            (name, virtualSize))
    for name, _, size, source in laid:
        if size > 0 and STARTUP_INPUT.search(name):
            failures.append("input section %s (%d bytes) of %s" % (name, size, source))
    ctorEnd = CheckList(image, symbols, laid, "__CTOR_LIST__", failures)
    dtorEnd = CheckList(image, symbols, laid, "__DTOR_LIST__", failures)
    # The destructor list follows the constructor list; a gap between them
    # would be entries the walk above did not see.
    if ctorEnd is not None and dtorEnd is not None and ctorEnd != symbols["__DTOR_LIST__"]:
        failures.append("the constructor list does not end where __DTOR_LIST__ begins")
    # Data that auto-import took from a DLL is patched by the C runtime's
    # start-up too (its pseudo-relocations), so it would stay unpatched.
    relocations = symbols.get("__RUNTIME_PSEUDO_RELOC_LIST__")
    relocationsEnd = symbols.get("__RUNTIME_PSEUDO_RELOC_LIST_END__")
    if relocations is not None and relocationsEnd is not None and relocationsEnd != relocations:
        failures.append("%d bytes of runtime pseudo-relocations (data auto-imported from a "
                        "DLL) at __RUNTIME_PSEUDO_RELOC_LIST__" % (relocationsEnd - relocations))
    if TLS_DIRECTORY < len(image.directories):
        rva, size = image.directories[TLS_DIRECTORY]
        if rva:
            # IMAGE_TLS_DIRECTORY: start, end, index, callbacks, each a pointer.
            callbacks = image.Pointer(image.imageBase + rva + 3 * image.pointerSize)
            if callbacks is None:
                failures.append("the TLS directory (RVA 0x%x) lies outside the image" % rva)
            elif callbacks:
                found = []
                at = callbacks
                while True:
                    value = image.Pointer(at)
                    if value is None:
                        failures.append("the TLS callback list at 0x%x runs out of the image"
                                        % callbacks)
                        break
                    if value == 0:
                        break
                    found.append(value)
                    at += image.pointerSize
                if found:
                    failures.append("the TLS directory (RVA 0x%x) lists %d callback%s: %s" %
                                    (rva, len(found), "" if len(found) == 1 else "s",
                                     ", ".join(Describe(f, laid) for f in found)))
    return failures


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_no_constructors.py PROGRAM MAP")
    program, mapFile = sys.argv[1:]
    try:
        failures = Check(program, mapFile)
    except (OSError, ValueError, struct.error) as error:
        sys.exit("%s: cannot check for static constructors: %s" % (program, error))
    if failures:
        sys.stderr.write(
            "%s holds work for a C runtime's start-up, which it does not have: it starts "
            "at its own entry point, so none of this would happen (make the object "
            "constexpr, or set it up in code that runs):\n" % program)
        for failure in failures:
            sys.stderr.write("  " + failure + "\n")
        sys.exit(1)


if __name__ == "__main__":
    main()
