#!/usr/bin/env python3
"""Draws the library's small bitmaps (title-bar button faces and glyphs, edit-button glyphs) as
BMP files.

Usage: make_bitmaps.py OUTDIR

Everything is drawn here from code, so the pictures are reproducible and reviewable; the
build runs this and the resource compiler picks the files up from OUTDIR.
"""
import os
import struct
import sys


def bmp24(pixels):
    """pixels: rows top to bottom of (r, g, b). Returns the bytes of a bottom-up 24-bit BMP."""
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    return file_header + header + bytes(data)


def rle8_row(row):
    """One row of 8-bit indices run-length encoded (BI_RLE8): runs of three or more as
    (count, index), what lies between as literal runs (0, count, indices, padded to a word),
    one or two pixels as runs of one; then the end of line (0, 0)."""
    out = bytearray()
    literal = []

    def flush():
        if len(literal) >= 3:
            out.extend((0, len(literal)))
            out.extend(literal)
            if len(literal) % 2:
                out.append(0)
        else:
            for v in literal:
                out.extend((1, v))
        literal.clear()

    x = 0
    while x < len(row):
        n = 1
        while x + n < len(row) and n < 255 and row[x + n] == row[x]:
            n += 1
        if n >= 3:
            flush()
            out.extend((n, row[x]))
        else:
            literal.extend(row[x:x + n])
            if len(literal) >= 254:
                flush()
        x += n
    flush()
    out.extend((0, 0))
    return out


def bmp8(pixels):
    """pixels: rows top to bottom of (r, g, b), at most 256 colours. A bottom-up 8-bit BMP,
    run-length encoded (a picture of flat areas and gradients shrinks to a fraction), whose
    colour table holds the colours in order of first appearance."""
    h = len(pixels)
    w = len(pixels[0])
    index = {}
    for row in pixels:
        for c in row:
            index.setdefault(c, len(index))
    if len(index) > 256:
        raise ValueError(f"{len(index)} colours do not fit an 8-bit bitmap")
    data = bytearray()
    for row in reversed(pixels):
        data += rle8_row([index[c] for c in row])
    data += bytes((0, 1))  # end of bitmap
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in index)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(data), 2835, 2835, len(index), len(index))
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(palette) + len(data), 0, 0,
                              14 + len(header) + len(palette))
    return file_header + header + palette + bytes(data)


def bmp1(pixels):
    """pixels: rows top to bottom of 0 (black) or 1 (white). A bottom-up 1-bit BMP."""
    h = len(pixels)
    w = len(pixels[0])
    stride = ((w + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, v in enumerate(row):
            if v:
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 1, 0, len(data), 2835, 2835, 2, 2)
    offset = 14 + len(header) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return file_header + header + palette + bytes(data)


# The 16 colours every display shows, in the system's palette order.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GRAY, RED, WHITE = 0, 7, 9, 15


def bmp4(pixels):
    """pixels: rows top to bottom of VGA16 indices. A bottom-up 4-bit BMP."""
    h = len(pixels)
    w = len(pixels[0])
    stride = ((w * 4 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, v in enumerate(row):
            line[x // 2] |= v << (4 if x % 2 == 0 else 0)
        data += line
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    offset = 14 + len(header) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return file_header + header + palette + bytes(data)


def blend(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def xp_face(base):
    """A 16 x 16 rounded, softly shaded button face in the given base colour."""
    light = blend(base, (255, 255, 255), 0.55)
    dark = blend(base, (0, 0, 0), 0.35)
    border = (255, 255, 255)
    px = []
    for y in range(16):
        row = []
        for x in range(16):
            # Vertical shading from light at the top to the base colour, darker at the foot.
            t = y / 15.0
            c = blend(light, base, min(1.0, t * 1.6)) if t < 0.6 else blend(base, dark, (t - 0.6) / 0.4)
            edge = x in (0, 15) or y in (0, 15)
            corner = (x in (0, 15)) and (y in (0, 15))
            if corner:
                c = blend(dark, (255, 255, 255), 0.5)
            elif edge:
                c = border
            elif x in (1, 14) or y in (1, 14):
                c = blend(c, dark, 0.35)
            row.append(c)
        px.append(row)
    return px


def glyph(width, height, draw, ink=0, paper=1):
    """A glyph of ink on paper: paper (the pixel at 0, 0) is the transparent colour, and
    black ink is recoloured to the button text colour. draw(dot) calls dot(x, y) or
    dot(x, y, colour) for every inked pixel."""
    px = [[paper for _ in range(width)] for _ in range(height)]

    def dot(x, y, colour=ink):
        if 0 <= x < width and 0 <= y < height:
            px[y][x] = colour

    draw(dot)
    return px


def minimize_to_tray(dot):
    # A small window (title bar doubled) going down into the tray bar at the bottom right.
    for x in range(1, 7):
        dot(x, 1)
        dot(x, 2)
        dot(x, 6)
    for y in range(1, 7):
        dot(1, y)
        dot(6, y)
    # The arrow down and to the right, its head at (9, 8).
    for i in range(4):
        dot(5 + i, 4 + i)
    for x in range(6, 10):
        dot(x, 8)
    for y in range(5, 9):
        dot(9, y)
    # The tray bar.
    for x in range(3, 12):
        dot(x, 10)


def pin(dot, place):
    """A drawing pin along an axis u (0 = the head's rim, 9 = the point) with v across it;
    place(u, v) gives the pixel."""
    for v in range(-3, 4):
        dot(*place(0, v))
    for u in range(1, 6):
        dot(*place(u, -2))
        dot(*place(u, 2))
    for v in range(-1, 2):
        dot(*place(5, v))
        for u in range(1, 5):
            dot(*place(u, v), RED)
    for u in range(6, 10):
        dot(*place(u, 0))


def topmost_up(dot):
    # The pin lies on its side, point to the right: nothing is pinned. The needle keeps off
    # the middle row, which a button shorter than the glyph drops when it shrinks it.
    pin(dot, lambda u, v: (1 + u, 4 + v))


def topmost_down(dot):
    # The pin stands point down through the surface line: the window is pinned on top.
    pin(dot, lambda u, v: (5 + v, u))
    for x in range(1, 11):
        if x != 5:
            dot(x, 8, GRAY)


def autorun_off(dot):
    # A power symbol, plain.
    ring = [(3, 1), (2, 2), (1, 3), (1, 4), (1, 5), (2, 6), (3, 7), (4, 7), (5, 7), (6, 7), (7, 6), (8, 5),
            (8, 4), (8, 3), (7, 2), (6, 1)]
    for x, y in ring:
        dot(x + 1, y + 1)
    for y in range(0, 5):
        dot(5, y)


def autorun_on(dot):
    autorun_off(dot)
    # A check mark to the right: auto-run is on.
    for x, y in [(8, 7), (9, 8), (10, 7), (11, 6), (11, 5)]:
        dot(x, y)


# Edit-button glyphs: one character a pixel. The bottom-left pixel is the background, which
# the button shows through (its transparent colour).
EDIT_GLYPH_PALETTE = {
    ".": (255, 0, 255),    # background
    "#": (0, 0, 0),
    "K": (0, 0, 0),
    "Y": (255, 255, 0),
    "O": (192, 160, 0),
    "N": (0, 0, 128),
    "W": (255, 255, 255),
    "S": (192, 192, 192),
    "G": (160, 208, 160),
}

EDIT_GLYPHS = {
    "VY_ELLIPSIS": [
        "............",
        ".##..##..##.",
        ".##..##..##.",
        "............",
    ],
    "VY_DROPDOWN": [
        ".........",
        ".#######.",
        "..#####..",
        "...###...",
        "....#....",
        ".........",
    ],
    "VY_FILEOPEN": [
        "..............",
        ".####.........",
        "#YYYY#........",
        "#YYYYY#####...",
        "#YYYYYYYYYY#..",
        "#YYY#########.",
        "#YY#OOOOOOOOO#",
        "#Y#OOOOOOOOO#.",
        "##OOOOOOOOO#..",
        "#OOOOOOOOO#...",
        "##########....",
        "..............",
    ],
    "VY_FILESAVE": [
        "###########.",
        "#N#WWWWW#N#.",
        "#N#WWWWW#N#.",
        "#N#WWWWW#N#.",
        "#N#######N#.",
        "#NNNNNNNNN#.",
        "#NN#####NN#.",
        "#NN#SSS#NN#.",
        "#NN#SSS#NN#.",
        "###########.",
        "............",
    ],
    "VY_BROWSE": [
        "..####......",
        ".#WWWW#.....",
        "#WWWWWW#....",
        "#WWWWWW#....",
        "#WWWWWW#....",
        "#WWWWWW#....",
        ".#WWWW#.....",
        "..####K.....",
        "......KK....",
        ".......KK...",
        "........KK..",
        "............",
    ],
    "VY_CALC": [
        "##########",
        "#GGGGGGGG#",
        "#GGGGGKKG#",
        "#GGGGGGGG#",
        "#SSSSSSSS#",
        "#SKSKSKSS#",
        "#SSSSSSSS#",
        "#SKSKSKSS#",
        "#SSSSSSSS#",
        "#SKSKSKSS#",
        "##########",
        "..........",
    ],
}


def edit_glyph(rows):
    assert all(len(r) == len(rows[0]) for r in rows), "ragged glyph"
    assert rows[-1][0] == ".", "the bottom-left pixel must be the background"
    return [[EDIT_GLYPH_PALETTE[ch] for ch in row] for row in rows]


def write_if_changed(path, data):
    # Unchanged files keep their time, so the resource compiler does not run again.
    if os.path.exists(path) and open(path, "rb").read() == data:
        return
    with open(path, "wb") as f:
        f.write(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    faces = {
        "VYCB_XP_BLUE": (60, 110, 230),
        "VYCB_XP_GREEN": (60, 160, 70),
        "VYCB_XP_RED": (210, 70, 50),
        "VYCB_XP_YELLOW": (225, 180, 40),
        "VYCB_XP_BROWN": (150, 100, 60),
    }
    files = {name: bmp24(xp_face(c)) for name, c in faces.items()}
    files["VYCB_MINIMIZETOTRAY"] = bmp1(glyph(12, 11, minimize_to_tray))
    files["VYCB_TOPMOST_UP"] = bmp4(glyph(12, 11, topmost_up, BLACK, WHITE))
    files["VYCB_TOPMOST_DOWN"] = bmp4(glyph(12, 11, topmost_down, BLACK, WHITE))
    files["VYCB_AUTORUN_ENABLED"] = bmp1(glyph(12, 11, autorun_on))
    # Greyed, so that the off state reads as off in any button colour.
    files["VYCB_AUTORUN_DISABLED"] = bmp4(glyph(12, 11, autorun_off, GRAY, WHITE))
    for name, rows in EDIT_GLYPHS.items():
        files[name] = bmp24(edit_glyph(rows))
    for name, data in files.items():
        write_if_changed(os.path.join(out, name + ".bmp"), data)


if __name__ == "__main__":
    main()
