#!/usr/bin/env python3
"""Draws the upgrade dialogs' pictures (the wizard's side picture, the two 32 x 32 dialog
icons) and writes the stored forms with the pictures in them.

Usage: make_forms.py TEMPLATE_DIR OUTDIR

Each NAME.form.in of TEMPLATE_DIR becomes OUTDIR/NAME.form, with every line
"<indent>Picture.Data = @NAME@" replaced by the picture NAME as stored picture data (the
graphic's class name as a short string, then its stream). Everything is drawn here from code,
so the pictures are reproducible and reviewable.
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bitmaps"))
from make_bitmaps import VGA16, blend, bmp8, write_if_changed  # noqa: E402

BLACK, NAVY, GRAY, SILVER, YELLOW, BLUE, WHITE = 0, 4, 7, 8, 11, 12, 15
OLIVE, TEAL, GREEN = 3, 6, 10


def ico4(pixels, mask):
    """pixels: 32 rows of VGA16 indices; mask: 32 rows of 1 where transparent. A 4-bit .ico."""
    w = h = 32
    xor = bytearray()
    for row in reversed(pixels):
        line = bytearray(w // 2)
        for x, v in enumerate(row):
            line[x // 2] |= v << (4 if x % 2 == 0 else 0)
        xor += line
    andm = bytearray()
    for row in reversed(mask):
        line = bytearray(4)
        for x, v in enumerate(row):
            if v:
                line[x // 8] |= 0x80 >> (x % 8)
        andm += line
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(andm)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(image), 22)
    return directory + image


def canvas(w, h, fill):
    return [[fill] * w for _ in range(h)]


def disc(px, mask, cx, cy, r, color):
    for y in range(len(px)):
        for x in range(len(px[0])):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                px[y][x] = color
                if mask is not None:
                    mask[y][x] = 0


def rect(px, mask, x1, y1, x2, y2, color):
    for y in range(y1, y2):
        for x in range(x1, x2):
            px[y][x] = color
            if mask is not None:
                mask[y][x] = 0


def upgrade_icon():
    """A blue globe-like disc with a white arrow pointing down into it: a newer version."""
    px = canvas(32, 32, BLACK)
    mask = canvas(32, 32, 1)
    disc(px, mask, 16, 16, 15, NAVY)
    disc(px, mask, 15, 15, 13, BLUE)
    # The arrow: a shaft and a head.
    rect(px, mask, 13, 6, 19, 17, WHITE)
    for i in range(7):
        rect(px, mask, 8 + i, 17 + i, 24 - i, 18 + i, WHITE)
    # A highlight at the top left of the disc.
    disc(px, None, 9, 9, 2, TEAL)
    return ico4(px, mask)


def password_icon():
    """A padlock: a grey shackle over a yellow body with a black keyhole."""
    px = canvas(32, 32, BLACK)
    mask = canvas(32, 32, 1)
    for y in range(32):
        for x in range(32):
            d = math.hypot(x + 0.5 - 16, y + 0.5 - 13)
            if y < 14 and 6.0 <= d <= 10.0:
                px[y][x] = GRAY if d > 8.5 else SILVER
                mask[y][x] = 0
    rect(px, mask, 6, 13, 26, 14, GRAY)
    rect(px, mask, 6, 13, 10, 14, SILVER)
    rect(px, mask, 22, 13, 26, 14, SILVER)
    rect(px, mask, 4, 14, 28, 30, BLACK)
    rect(px, mask, 5, 15, 27, 29, YELLOW)
    rect(px, mask, 5, 26, 27, 29, OLIVE)
    disc(px, None, 16, 20, 2.5, BLACK)
    rect(px, None, 15, 21, 17, 26, BLACK)
    return ico4(px, mask)


def side_picture():
    """118 x 218: a deep blue gradient with a monitor receiving a file, and a fading floor.
    The gradient goes in 64 steps (a step is under two levels of a channel, which no eye
    tells apart), so the whole picture has fewer than 256 colours and is stored with 8 bits
    a pixel, run-length encoded: a tenth of the bytes of 24."""
    w, h = 118, 218
    top, bottom = (16, 32, 112), (64, 136, 216)

    def sky(y):
        return blend(top, bottom, round(y / (h - 1) * 64) / 64)

    px = [[sky(y)] * w for y in range(h)]
    px = [list(row) for row in px]

    def fill(x1, y1, x2, y2, color):
        for y in range(max(0, y1), min(h, y2)):
            for x in range(max(0, x1), min(w, x2)):
                px[y][x] = color

    # Faint diagonal rays from the top right.
    for y in range(h):
        for x in range(w):
            if (x + 2 * y) % 24 < 2:
                px[y][x] = blend(px[y][x], (255, 255, 255), 0.08)
    # The monitor: frame, screen, stand.
    fill(19, 118, 99, 176, (200, 200, 200))
    fill(21, 120, 97, 174, (96, 96, 96))
    fill(25, 124, 93, 168, (0, 96, 128))
    for y in range(124, 168):
        for x in range(25, 93):
            px[y][x] = blend((0, 112, 160), (0, 48, 96), (y - 124) / 44)
    fill(49, 176, 69, 184, (160, 160, 160))
    fill(37, 184, 81, 190, (200, 200, 200))
    # A progress bar on the screen.
    fill(31, 156, 87, 162, (0, 32, 64))
    fill(32, 157, 70, 161, (64, 208, 96))
    # The file coming down: a sheet with a folded corner, and an arrow above it.
    fill(45, 58, 73, 96, (255, 255, 255))
    for i in range(8):
        fill(65 + i, 58, 66 + i, 58 + i + 1, sky(58))
        fill(65, 58 + i, 66 + i, 59 + i, (190, 190, 210))
    for line in range(68, 92, 5):
        fill(50, line, 68, line + 2, (120, 140, 200))
    fill(55, 18, 63, 38, (255, 220, 64))
    for i in range(10):
        fill(49 + i, 38 + i, 69 - i, 39 + i, (255, 220, 64))
    # Dots falling from the file onto the screen.
    for y in range(100, 118, 6):
        fill(57, y, 61, y + 3, (255, 220, 64))
    # A floor line.
    for x in range(w):
        px[200][x] = blend(px[200][x], (255, 255, 255), 0.35)
    return bmp8(px)


def picture_data(class_name, stream, with_length):
    data = bytes((len(class_name),)) + class_name.encode("ascii")
    if with_length:
        data += struct.pack("<I", len(stream))
    return data + stream


def form_value(data, indent):
    lines = [indent + "  " + data[i:i + 32].hex().upper() for i in range(0, len(data), 32)]
    return "{\n" + "\n".join(lines) + "}"


def main():
    src, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    pictures = {
        "UPGRADE_ICON": picture_data("TIcon", upgrade_icon(), False),
        "PASSWORD_ICON": picture_data("TIcon", password_icon(), False),
        "WIZARD_SIDE": picture_data("TBitmap", side_picture(), True),
    }
    for name in sorted(os.listdir(src)):
        if not name.endswith(".form.in"):
            continue
        lines = []
        for line in open(os.path.join(src, name), encoding="latin-1").read().split("\n"):
            stripped = line.strip()
            if stripped.startswith("Picture.Data = @") and stripped.endswith("@"):
                indent = line[: len(line) - len(line.lstrip())]
                key = stripped[len("Picture.Data = @"):-1]
                line = indent + "Picture.Data = " + form_value(pictures[key], indent)
            lines.append(line)
        write_if_changed(os.path.join(out, name[: -len(".in")]), "\n".join(lines).encode("latin-1"))


if __name__ == "__main__":
    main()
