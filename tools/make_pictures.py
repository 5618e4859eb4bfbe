#!/usr/bin/env python3
"""Turns the program's ASCII pixel art into the icon, bitmap and cursor files
that the resource script includes, so the pictures stay reviewable as text.

Each art file is a block of equally long lines, one character per pixel, top
row first. Lines starting with '#' are comments. Characters name colours of
the standard 16-colour palette (see PALETTE); '.' is a transparent pixel
(icons and cursors) or the button-face grey (bitmaps, which have no mask).

Usage:
  make_pictures.py icon    OUT.ico ART [ART ...]   one image per art file, 16 colours
  make_pictures.py bitmap  OUT.bmp ART             16 colours
  make_pictures.py cursor  OUT.cur ART HOTX HOTY   black and white with a mask
  make_pictures.py preview OUT.png ART [SCALE]     enlarged picture for review

Only the standard library is used, so any python3 can run it at build time.
"""

import struct
import sys
import zlib

# The 16-colour palette in its usual order; index -> (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00),  # K black
    (0x80, 0x00, 0x00),  # r maroon
    (0x00, 0x80, 0x00),  # g green
    (0x80, 0x80, 0x00),  # o olive
    (0x00, 0x00, 0x80),  # n navy
    (0x80, 0x00, 0x80),  # p purple
    (0x00, 0x80, 0x80),  # t teal
    (0xC0, 0xC0, 0xC0),  # s silver
    (0x80, 0x80, 0x80),  # G grey
    (0xFF, 0x00, 0x00),  # R red
    (0x00, 0xFF, 0x00),  # L lime
    (0xFF, 0xFF, 0x00),  # Y yellow
    (0x00, 0x00, 0xFF),  # B blue
    (0xFF, 0x00, 0xFF),  # F fuchsia
    (0x00, 0xFF, 0xFF),  # A aqua
    (0xFF, 0xFF, 0xFF),  # W white
]
COLOUR_OF_CHAR = {c: i for i, c in enumerate("KrgonptsGRLYBFAW")}
TRANSPARENT = "."
BUTTON_FACE = COLOUR_OF_CHAR["s"]


class ArtError(Exception):
    pass


def read_art(path):
    """Returns the art as a list of rows (strings), checked for shape and
    characters."""
    rows = []
    with open(path, "r", encoding="ascii") as art:
        for line in art:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            rows.append(line)
    if not rows:
        raise ArtError(f"{path}: no pixels")
    width = len(rows[0])
    for number, row in enumerate(rows, 1):
        if len(row) != width:
            raise ArtError(f"{path}: pixel row {number} is {len(row)} wide, not {width}")
        for char in row:
            if char != TRANSPARENT and char not in COLOUR_OF_CHAR:
                raise ArtError(f"{path}: pixel row {number} has unknown colour {char!r}")
    return rows


def row_stride(width, bits):
    """Bytes of one DIB row: whole 32-bit words."""
    return (width * bits + 31) // 32 * 4


def pack_rows(rows, bits, value_of):
    """Packs pixel rows bottom-up, as DIBs store them, at 1 or 4 bits a pixel."""
    width = len(rows[0])
    stride = row_stride(width, bits)
    data = bytearray()
    for row in reversed(rows):
        packed = bytearray(stride)
        for x, char in enumerate(row):
            value = value_of(char)
            bit = x * bits
            packed[bit // 8] |= value << (8 - bits - bit % 8)
        data += packed
    return bytes(data)


def info_header(width, height, bits, image_size, colours):
    # BITMAPINFOHEADER; icons and cursors store twice the height (image + mask).
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0,
                       colours, 0)


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def colour_index(char):
    return 0 if char == TRANSPARENT else COLOUR_OF_CHAR[char]


def mask_bit(char):
    return 1 if char == TRANSPARENT else 0


def icon_image(rows):
    """One 16-colour image of an icon file: header, palette, colour bits, mask."""
    width, height = len(rows[0]), len(rows)
    xor = pack_rows(rows, 4, colour_index)
    mask = pack_rows(rows, 1, mask_bit)
    header = info_header(width, 2 * height, 4, len(xor) + len(mask), 16)
    return header + palette_bytes(PALETTE) + xor + mask


def cursor_image(rows):
    """Black-and-white cursor image: 'K' black, 'W' white, '.' transparent."""
    for row in rows:
        for char in row:
            if char not in "KW" + TRANSPARENT:
                raise ArtError(f"a cursor pixel must be K, W or '.', not {char!r}")
    width, height = len(rows[0]), len(rows)
    xor = pack_rows(rows, 1, lambda c: 1 if c == "W" else 0)
    mask = pack_rows(rows, 1, mask_bit)
    header = info_header(width, 2 * height, 1, len(xor) + len(mask), 2)
    return header + palette_bytes([PALETTE[0], PALETTE[15]]) + xor + mask


def directory_size(width, height):
    # Directory entries hold 0 for 256 pixels.
    return width % 256, height % 256


def make_icon(out_path, art_paths):
    images = []
    for path in art_paths:
        rows = read_art(path)
        images.append((len(rows[0]), len(rows), icon_image(rows)))
    offset = 6 + 16 * len(images)
    data = struct.pack("<HHH", 0, 1, len(images))
    for width, height, image in images:
        w, h = directory_size(width, height)
        data += struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    data += b"".join(image for _, _, image in images)
    write(out_path, data)


def make_cursor(out_path, art_path, hot_x, hot_y):
    rows = read_art(art_path)
    width, height = len(rows[0]), len(rows)
    if not (0 <= hot_x < width and 0 <= hot_y < height):
        raise ArtError(f"hot spot {hot_x},{hot_y} lies outside {width}x{height}")
    image = cursor_image(rows)
    w, h = directory_size(width, height)
    data = struct.pack("<HHH", 0, 2, 1)
    data += struct.pack("<BBBBHHII", w, h, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    write(out_path, data + image)


def make_bitmap(out_path, art_path):
    rows = read_art(art_path)
    width, height = len(rows[0]), len(rows)
    bits = pack_rows(rows, 4, lambda c: BUTTON_FACE if c == TRANSPARENT else COLOUR_OF_CHAR[c])
    header = info_header(width, height, 4, len(bits), 16) + palette_bytes(PALETTE)
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    write(out_path, file_header + header + bits)


def make_preview(out_path, art_path, scale):
    """PNG of the art, each pixel a scale-by-scale square, transparent pixels
    drawn as a light checker so that the mask can be judged too."""
    rows = read_art(art_path)
    raw = bytearray()
    for y, row in enumerate(rows):
        line = bytearray()
        for x, char in enumerate(row):
            if char == TRANSPARENT:
                light = ((x + y) % 2) == 0
                rgb = (0xF0, 0xF0, 0xF0) if light else (0xD8, 0xD8, 0xF8)
            else:
                rgb = PALETTE[COLOUR_OF_CHAR[char]]
            line += bytes(rgb) * scale
        for _ in range(scale):
            raw += b"\x00" + line
    width, height = len(rows[0]) * scale, len(rows) * scale

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    write(out_path, png)


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    kind, out_path, arguments = argv[1], argv[2], argv[3:]
    try:
        if kind == "icon":
            make_icon(out_path, arguments)
        elif kind == "bitmap" and len(arguments) == 1:
            make_bitmap(out_path, arguments[0])
        elif kind == "cursor" and len(arguments) == 3:
            make_cursor(out_path, arguments[0], int(arguments[1]), int(arguments[2]))
        elif kind == "preview" and len(arguments) in (1, 2):
            make_preview(out_path, arguments[0], int(arguments[1]) if len(arguments) == 2 else 8)
        else:
            sys.stderr.write(__doc__)
            return 2
    except (ArtError, OSError, ValueError) as error:
        sys.stderr.write(f"make_pictures: {error}\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
