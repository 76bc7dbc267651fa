#!/usr/bin/env python3
"""tools/icons/make_icon.py: draws the program's icon.

    python3 make_icon.py OUTFILE.ico

The icon is the three bars of the live tray picture (black outlines, neighbouring bars
sharing one outline column, a black base line), standing at three heights in the gauges'
three colours, so it reads as the program at a glance. Four images: 32 x 32 and 16 x 16, each
in 16 colours (the standard palette, flat colours) and in 256 colours (shaded bars); every
Windows from 95 on picks the one that suits the display. Outside the bars is transparent.
Everything is drawn here from code, so every build writes the same bytes.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bitmaps"))
from make_bitmaps import VGA16, blend, write_if_changed  # noqa: E402

CLEAR = None  # a transparent pixel
BLACK_RGB = (0, 0, 0)
# Tallest to shortest: a gauge well above 40 %, one in the warning band, one nearly empty.
BAR_COLOURS = [(0, 255, 0), (255, 255, 0), (255, 0, 0)]
# Dark sides of the bars in the 16-colour image: green, olive, maroon.
BAR_SHADES = [(0, 128, 0), (128, 128, 0), (128, 0, 0)]

# Per size: the outline columns (left of bar 1 .. right of bar 3), each bar's top outline row,
# and the base line's row. 16 x 16 is the tray picture's own geometry.
GEOMETRY = {
    16: ([0, 5, 10, 15], [1, 6, 10], 15),
    32: ([1, 11, 21, 31], [2, 11, 19], 30),
}


def bars(size, shaded):
    """size x size rows of (r, g, b) or CLEAR."""
    columns, tops, base = GEOMETRY[size]
    px = [[CLEAR] * size for _ in range(size)]
    for i in range(3):
        left, right, top = columns[i], columns[i + 1], tops[i]
        width = right - left - 1
        for y in range(top, base):
            for x in range(left, right + 1):
                px[y][x] = BLACK_RGB
        for y in range(top + 1, base):
            for k in range(width):
                px[y][left + 1 + k] = fill(i, k, width, size, shaded)
    for x in range(columns[0], columns[-1] + 1):
        px[base][x] = BLACK_RGB
    return px


def fill(bar, k, width, size, shaded):
    """The colour of interior column k (0 = left) of a bar."""
    colour = BAR_COLOURS[bar]
    if not shaded:
        # 16 colours: flat, with a dark right side at the larger size.
        return BAR_SHADES[bar] if size == 32 and k >= width - 2 else colour
    # 256 colours: lit from the left, a rounded look from light through the colour to dark.
    t = k / (width - 1)
    if t < 0.4:
        return blend(colour, (255, 255, 255), 0.5 * (0.4 - t) / 0.4)
    return blend(colour, BLACK_RGB, 0.45 * (t - 0.4) / 0.6)


def dib(px, bits):
    """The image of one icon entry: header, colour table, bottom-up colour rows, AND mask."""
    size = len(px)
    if bits == 4:
        table = list(VGA16)
    else:
        table = list(VGA16)
        for row in px:
            for c in row:
                if c is not CLEAR and c not in table:
                    table.append(c)
        if len(table) > 256:
            raise ValueError(f"{len(table)} colours do not fit 8 bits")
        table += [BLACK_RGB] * (256 - len(table))
    index = {}
    for i, c in enumerate(table):
        index.setdefault(c, i)
    stride = ((size * bits + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for row in reversed(px):
        line = bytearray(stride)
        mline = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c is CLEAR:
                mline[x // 8] |= 0x80 >> (x % 8)
                continue  # colour 0 (black) under a set mask bit leaves the screen as it is
            v = index[c]
            if bits == 4:
                line[x // 2] |= v << (4 if x % 2 == 0 else 0)
            else:
                line[x] = v
        xor += line
        andm += mline
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(andm), 0, 0, 0, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    return header + palette + bytes(xor) + bytes(andm)


def icon_file(entries):
    """entries: (size, bits, image bytes). A .ico file with the entries in that order."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, bits, image in entries:
        colours = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    return out + b"".join(image for _, _, image in entries)


def make_icon():
    entries = []
    for bits in (4, 8):
        for size in (32, 16):
            entries.append((size, bits, dib(bars(size, shaded=bits == 8), bits)))
    return icon_file(entries)


def main():
    out = sys.argv[1]
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    write_if_changed(out, make_icon())


if __name__ == "__main__":
    main()
