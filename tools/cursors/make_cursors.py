#!/usr/bin/env python3
"""tools/cursors/make_cursors.py: draws the vy library's 41 cursor resources.

    python3 make_cursors.py OUTDIR [--preview FILE.png]

Writes OUTDIR/<RESOURCE NAME>.cur for every cursor of the set (CR3DARROW.cur and the rest),
as classic 32 x 32 Windows cursor files with a 1-bit AND mask and a 1-bit (black and white
cursors) or 4-bit XOR image in the standard 16-colour palette, which every Windows from 95
on loads. The output depends on nothing but this file, so every build draws the same bytes.
--preview also writes an enlarged picture of them all (for looking at them on Linux; the
Windows test draws the real contact sheet).

Only the standard library: the build needs nothing beyond python3.
"""

import math
import os
import struct
import sys
import zlib

SIZE = 32

# The standard VGA/Windows 16-colour palette as (R, G, B), so a 16-colour display shows
# the cursors exactly.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
INVERT = -1  # the screen under the pixel, inverted (AND 1, XOR white)


# --- Masks: sets of (x, y) pixels -----------------------------------------------------

def inside_image(p):
    return 0 <= p[0] < SIZE and 0 <= p[1] < SIZE


def polygon(points):
    """Pixels whose centre lies inside or on the polygon. Vertices are pixel centres, so
    an edge from (0, 0) to (10, 10) covers exactly the diagonal pixels."""
    eps = 1e-6
    n = len(points)
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    result = set()
    for y in range(max(0, math.floor(min(ys))), min(SIZE, math.ceil(max(ys)) + 1)):
        for x in range(max(0, math.floor(min(xs))), min(SIZE, math.ceil(max(xs)) + 1)):
            hit = False
            inside = False
            for i in range(n):
                x0, y0 = points[i]
                x1, y1 = points[(i + 1) % n]
                # On the edge counts as inside.
                dx, dy = x1 - x0, y1 - y0
                length2 = dx * dx + dy * dy
                if length2 > 0:
                    t = ((x - x0) * dx + (y - y0) * dy) / length2
                    if -eps <= t <= 1 + eps and abs((x - x0) * dy - (y - y0) * dx) / math.sqrt(length2) < 0.02:
                        hit = True
                        break
                if (y0 > y) != (y1 > y):
                    cross = x0 + (y - y0) * dx / dy
                    if x < cross:
                        inside = not inside
            if hit or inside:
                result.add((x, y))
    return result


def rect(x0, y0, x1, y1):
    """Pixels x0..x1, y0..y1 inclusive."""
    return {(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1) if inside_image((x, y))}


def disc(cx, cy, r):
    """Pixels whose centre is within r of (cx, cy)."""
    return {(x, y) for x in range(SIZE) for y in range(SIZE)
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 1e-9}


def line(x0, y0, x1, y1):
    """A one-pixel Bresenham line, both ends included."""
    pts = set()
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx = 1 if x0 < x1 else -1
    sy = 1 if y0 < y1 else -1
    err = dx + dy
    while True:
        pts.add((x0, y0))
        if x0 == x1 and y0 == y1:
            return pts
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def thick_line(x0, y0, x1, y1, width):
    """A band of the given width between two pixel centres, square ends."""
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length * (width - 1) / 2, (x1 - x0) / length * (width - 1) / 2
    return polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])


def move(mask, dx, dy):
    return {(x + dx, y + dy) for x, y in mask if inside_image((x + dx, y + dy))}


def mirror_x(mask):
    return {(SIZE - 1 - x, y) for x, y in mask}


def transpose(mask):
    return {(y, x) for x, y in mask}


def grow(mask):
    """The mask and every pixel beside it (eight neighbours)."""
    return {(x + dx, y + dy) for x, y in mask for dx in (-1, 0, 1) for dy in (-1, 0, 1)
            if inside_image((x + dx, y + dy))}


def interior(mask):
    """The pixels of the mask whose four neighbours are in it too."""
    return {(x, y) for x, y in mask
            if (x - 1, y) in mask and (x + 1, y) in mask and (x, y - 1) in mask and (x, y + 1) in mask}


def ascii_mask(rows, x0=0, y0=0, mark="X"):
    return {(x0 + x, y0 + y) for y, row in enumerate(rows) for x, ch in enumerate(row) if ch == mark}


# --- Pictures ------------------------------------------------------------------------

class Picture:
    """A 32 x 32 cursor picture: None is transparent, an int a palette index, INVERT the
    inverted screen."""

    def __init__(self):
        self.px = [[None] * SIZE for _ in range(SIZE)]

    def paint(self, mask, colour):
        for x, y in mask:
            if inside_image((x, y)):
                self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def opaque(self):
        return {(x, y) for y in range(SIZE) for x in range(SIZE) if self.px[y][x] is not None}

    def flat(self, shape, fill=WHITE, edge=BLACK):
        """The classic cursor look: a one-pixel edge around a plain fill."""
        inner = interior(shape)
        self.paint(shape - inner, edge)
        self.paint(inner, fill)

    def bevel(self, shape, face=SILVER, light=WHITE, dark=GREY, edge=BLACK, shadow=True):
        """The 3-D look of raised buttons: lit from the top left, a black edge, and a grey
        shadow cast down to the right onto whatever is not drawn yet."""
        if shadow:
            for x, y in move(shape, 2, 2) - shape:
                if self.px[y][x] is None:
                    self.px[y][x] = GREY
        inner = interior(shape)
        self.paint(shape - inner, edge)
        for x, y in inner:
            lit = (x - 1, y) not in inner or (x, y - 1) not in inner
            shaded = (x + 1, y) not in inner or (x, y + 1) not in inner
            if shaded and not lit:
                colour = dark
            elif lit and not shaded:
                colour = light
            else:
                colour = face
            self.px[y][x] = colour

    def colours(self):
        return {c for row in self.px for c in row if c is not None}


# --- Shapes ---------------------------------------------------------------------------

def spans(rows):
    """A mask from rows of inclusive (first, last) x ranges, row 0 at the top."""
    return {(x, y) for y, ranges in enumerate(rows) for first, last in ranges for x in range(first, last + 1)}


def arrow_nw():
    """The pointer: tip at (0, 0), a straight left edge, a 45-degree right edge, and a
    tail slanting down to the right (edge included; 12 x 20 pixels)."""
    rows = [[(0, y)] for y in range(12)]
    rows += [[(0, 7)], [(0, 3), (5, 8)], [(0, 2), (5, 8)], [(0, 1), (6, 9)], [(0, 0), (6, 9)],
             [(7, 10)], [(7, 10)], [(8, 9)]]
    return spans(rows)


def double_arrow(half, head, shaft, cx=15, cy=15):
    """A horizontal double-headed arrow centred on (cx, cy): half its length, the depth
    of a head, and the shaft's thickness (odd, edge included)."""
    w = shaft // 2
    h = head
    return polygon([(cx - half, cy), (cx - half + h, cy - h), (cx - half + h, cy - w), (cx + half - h, cy - w),
                    (cx + half - h, cy - h), (cx + half, cy), (cx + half - h, cy + h), (cx + half - h, cy + w),
                    (cx - half + h, cy + w), (cx - half + h, cy + h)])


def diagonal_double_arrow(half, head, band, cx=15, cy=15):
    """A double-headed arrow from top left to bottom right through (cx, cy): the tips at
    (cx - half, cy - half) and (cx + half, cy + half), each head a right-angled corner
    head pixels deep, the shaft the pixels within band of the diagonal."""
    result = set()
    for x in range(SIZE):
        for y in range(SIZE):
            u, v = x - cx, y - cy
            if abs(u - v) <= band and -half <= min(u, v) and max(u, v) <= half:
                result.add((x, y))
            if u >= -half and v >= -half and (u + half) + (v + half) <= head:
                result.add((x, y))
            if u <= half and v <= half and (half - u) + (half - v) <= head:
                result.add((x, y))
    return result


def four_way(half, head, shaft, cx=15, cy=15):
    return double_arrow(half, head, shaft, cx, cy) | transpose(double_arrow(half, head, shaft, cy, cx))


def up_arrow(cx=15):
    """A long arrow pointing straight up, its tip at (cx, 0)."""
    return polygon([(cx, 0), (cx + 7, 7), (cx + 2, 7), (cx + 2, 24), (cx - 2, 24), (cx - 2, 7), (cx - 7, 7)])


def ibeam(cx=15, cy=15, slant=0.0):
    """A text cursor: a stem with curled serifs at both ends and a short bar across the
    middle. slant leans it to the right (italic)."""
    top, bottom = cy - 8, cy + 8

    def at(y):
        return round(cx + slant * (cy - y))
    pts = {(at(y), y) for y in range(top + 1, bottom)}
    for y, step in ((top, -1), (bottom, 1)):
        x = at(y)
        pts |= {(x - 1, y), (x + 1, y), (x - 2, y + step), (x - 3, y + step), (x + 2, y + step), (x + 3, y + step)}
    x = at(cy)
    pts |= {(x - 2, cy), (x - 1, cy), (x + 1, cy), (x + 2, cy)}
    return pts


def draw_hourglass(pic, cx, cy, half_w, half_h):
    """A 3-D hourglass centred on (cx, cy): two plates, a glass, sand running down."""
    plate_h = 3
    plates = rect(cx - half_w, cy - half_h, cx + half_w, cy - half_h + plate_h) | \
        rect(cx - half_w, cy + half_h - plate_h, cx + half_w, cy + half_h)
    gw = half_w - 2
    top, bottom = cy - half_h + plate_h + 1, cy + half_h - plate_h - 1
    glass = polygon([(cx - gw, top - 1), (cx + gw, top - 1), (cx + 1, cy), (cx + gw, bottom + 1),
                     (cx - gw, bottom + 1), (cx - 1, cy)])
    pic.bevel(glass | plates, face=WHITE, light=WHITE, dark=SILVER)
    inner = interior(glass)
    top_sand = {(x, y) for x, y in inner if cy - (bottom - top) // 4 <= y < cy}
    bottom_sand = {(x, y) for x, y in inner if y >= bottom - (bottom - top) // 4}
    stream = {(cx, y) for y in range(cy, bottom)} & inner
    pic.paint(top_sand | bottom_sand | stream, OLIVE)
    pic.paint({(x, y) for x, y in top_sand | bottom_sand if (x - 1, y) not in top_sand | bottom_sand}, YELLOW)
    pic.bevel(plates, face=MAROON, light=RED, dark=MAROON, shadow=False)


def question_mark(x0, y0):
    return ascii_mask([
        ".XXXX.",
        "XX..XX",
        "....XX",
        "...XX.",
        "..XX..",
        "..XX..",
        "......",
        "..XX..",
        "..XX..",
    ], x0, y0)


def marquee(x0, y0, x1, y1):
    """A dotted selection rectangle: every other pixel of its border."""
    border = rect(x0, y0, x1, y1) - rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1)
    return {(x, y) for x, y in border if (x + y) % 2 == 0}


def draw_page(pic, x0, y0, w=11, h=13, fold=4):
    """A sheet of paper with its top right corner folded over and a few lines of text."""
    sheet = polygon([(x0, y0), (x0 + w - fold, y0), (x0 + w, y0 + fold), (x0 + w, y0 + h), (x0, y0 + h)])
    pic.flat(sheet)
    pic.paint(line(x0 + w - fold, y0, x0 + w - fold, y0 + fold) | line(x0 + w - fold, y0 + fold, x0 + w, y0 + fold),
              BLACK)
    for i, ty in enumerate(range(y0 + 3, y0 + h - 1, 2)):
        right = x0 + w - 3 - (2 if i % 2 else 0)
        if ty <= y0 + fold:
            right = min(right, x0 + w - fold - 2)
        pic.paint(line(x0 + 2, ty, right, ty), BLACK)


def warning_sign(pic, cx, top, half):
    """A yellow triangle with a black exclamation mark, its apex at (cx, top)."""
    pic.bevel(polygon([(cx, top), (cx + half, top + half), (cx - half, top + half)]), face=YELLOW, light=YELLOW,
              dark=OLIVE)
    pic.paint(rect(cx, top + 4, cx, top + half - 4) | rect(cx, top + half - 2, cx, top + half - 2), BLACK)


def screwdriver():
    """A screwdriver pointing to the top left, its blade's tip at (0, 0): the blade, the
    handle, and the handle's grooves."""
    blade = set()
    handle = set()
    for x in range(SIZE):
        for y in range(SIZE):
            along, across = x + y, x - y
            if abs(across) <= 1 and along <= 22:
                blade.add((x, y))
            if abs(across) <= 2 and 18 <= along <= 24:
                blade.add((x, y))
            if abs(across) <= 4 and 25 <= along <= 54 and along + abs(across) <= 57:
                handle.add((x, y))
    grooves = {(x, y) for x, y in interior(handle) if abs(x - y) == 2 and 28 <= x + y <= 50}
    return blade, handle, grooves


def pencil():
    """A pencil slanting from top right to its point at bottom left (0, 31): the body, the
    sharpened wood, and the lead."""
    body = polygon([(23, 1), (30, 8), (10, 28), (3, 21)])
    wood = polygon([(3, 21), (10, 28), (0, 31)])
    lead = polygon([(0, 31), (2, 27), (4, 29)])
    return body, wood, lead


def magnifier():
    """A magnifying glass: the rim, the lens centred on (12, 12), the handle."""
    rim = disc(12, 12, 10.4)
    lens = disc(12, 12, 7.6)
    handle = thick_line(20, 20, 29, 29, 5)
    return rim, lens, handle


def hand(x0, y0):
    """A hand pointing its index finger up, the fingertip's top row starting at
    (x0 + 1, y0): the outline to fill, and the lines between the fingers."""
    def finger(left, top, bottom):
        return rect(x0 + left, y0 + top + 1, x0 + left + 3, y0 + bottom) | \
            rect(x0 + left + 1, y0 + top, x0 + left + 2, y0 + top)
    shape = finger(0, 0, 14) | finger(3, 6, 14) | finger(6, 7, 14) | finger(9, 9, 14)
    shape |= rect(x0, y0 + 11, x0 + 12, y0 + 17)
    shape |= polygon([(x0, y0 + 17), (x0 + 12, y0 + 17), (x0 + 11, y0 + 21), (x0 + 2, y0 + 21)])
    # The thumb, slanting in from the left along a diagonal band.
    tx, ty = x0 - 4, y0 + 9
    shape |= {(x, y) for x in range(SIZE) for y in range(SIZE)
              if abs((x - y) - (tx - ty)) <= 2 and tx + ty <= x + y <= tx + ty + 14 and x <= x0 + 1}
    gaps = rect(x0 + 3, y0 + 6, x0 + 3, y0 + 11) | rect(x0 + 6, y0 + 7, x0 + 6, y0 + 11) | \
        rect(x0 + 9, y0 + 9, x0 + 9, y0 + 12)
    return shape, gaps


# --- The set ---------------------------------------------------------------------------

def badge(pic, shape, three_d, face=WHITE):
    """A sign beside the pointer, in the pointer's own style."""
    if three_d:
        pic.bevel(shape, face=face, light=WHITE, dark=SILVER)
    else:
        pic.flat(shape, fill=face)


def pointer(three_d):
    pic = Picture()
    if three_d:
        pic.bevel(arrow_nw(), face=WHITE, light=WHITE, dark=SILVER)
    else:
        pic.flat(arrow_nw())
    return pic


def mirrored(pic, horizontal, vertical):
    out = Picture()
    for y in range(SIZE):
        for x in range(SIZE):
            out.px[y][x] = pic.px[SIZE - 1 - y if vertical else y][SIZE - 1 - x if horizontal else x]
    return out


def make_set():
    """Resource name -> (picture, hot spot)."""
    cursors = {}

    def pointer_with(name, three_d, draw):
        pic = pointer(three_d)
        draw(pic, three_d)
        cursors[name] = (pic, (0, 0))

    def selection(pic, three_d, plus=False):
        dots = marquee(9, 13, 25, 26)
        pic.paint(grow(dots) - dots - pic.opaque(), WHITE)
        pic.paint(dots, BLACK)
        if plus:
            badge(pic, rect(20, 21, 28, 29), three_d)
            pic.paint(rect(22, 25, 26, 25) | rect(24, 23, 24, 27), BLACK)

    # The pointer with signs: the same for the 3-D and the flat family.
    for three_d, prefix in ((True, "CR3D"), (False, "CR")):
        pointer_with(prefix + "ARROWSCROLLHORZ", three_d, lambda p, t: badge(p, double_arrow(8, 4, 3, 22, 25), t))
        pointer_with(prefix + "ARROWSCROLLVERT", three_d,
                     lambda p, t: badge(p, transpose(double_arrow(8, 4, 3, 22, 22)), t))
        pointer_with(prefix + "ARROWSIZE", three_d, lambda p, t: badge(p, four_way(8, 4, 3, 22, 22), t))
        pointer_with(prefix + "ARROWRESIZE", three_d, lambda p, t: badge(p, diagonal_double_arrow(7, 5, 1, 22, 22), t))
        pointer_with(prefix + "DRAGSELECTION", three_d, selection)
        pointer_with(prefix + "DRAGSELECTIONPLUS", three_d, lambda p, t: selection(p, t, True))

    cursors["CR3DARROW"] = (pointer(True), (0, 0))
    cursors["CR3DARROWNE"] = (mirrored(pointer(True), True, False), (SIZE - 1, 0))
    pointer_with("CR3DAPPSTART", True, lambda p, t: draw_hourglass(p, 22, 22, 6, 9))
    pointer_with("CR3DARROWWARNING", True, lambda p, t: warning_sign(p, 21, 14, 10))

    def help_mark(pic, three_d):
        mark = question_mark(17, 13)
        mark |= move(mark, 1, 0)
        pic.paint(grow(mark) - mark, WHITE)
        pic.paint(mark, NAVY)
    pointer_with("CR3DHELP", True, help_mark)

    # Centred on (15, 15): cross, text cursors, the "no" sign, the hourglass, size arrows.
    pic = Picture()
    pic.bevel(rect(13, 2, 17, 28) | rect(2, 13, 28, 17), face=SILVER)
    pic.paint(rect(15, 11, 15, 19) | rect(11, 15, 19, 15), BLACK)
    cursors["CR3DCROSS"] = (pic, (15, 15))

    # An outlined block letter, so that it shows on dark backgrounds as well as light.
    pic = Picture()
    pic.bevel(rect(14, 7, 16, 23) | rect(11, 6, 19, 8) | rect(11, 22, 19, 24), face=WHITE, light=WHITE, dark=SILVER)
    cursors["CR3DIBEAM"] = (pic, (15, 15))

    # Inverted, as text cursors are, so that it shows on any background.
    pic = Picture()
    pic.paint(ibeam(15, 15, slant=0.25), INVERT)
    cursors["CRITBEAM"] = (pic, (15, 15))

    pic = Picture()
    ring = disc(15, 15, 11.6) - disc(15, 15, 7.4)
    bar = diagonal_double_arrow(9, 0, 2) & disc(15, 15, 8.5)
    pic.bevel(ring | bar, face=RED, light=RED, dark=MAROON)
    cursors["CR3DNO"] = (pic, (15, 15))

    pic = Picture()
    draw_hourglass(pic, 15, 15, 9, 14)
    cursors["CR3DHOURGLASS"] = (pic, (15, 15))

    sizes = {
        "CR3DSIZE": four_way(13, 5, 5),
        "CR3DSIZEWE": double_arrow(13, 6, 5),
        "CR3DSIZENS": transpose(double_arrow(13, 6, 5)),
        "CR3DSIZENWSE": diagonal_double_arrow(10, 8, 2),
        "CR3DSIZENESW": mirror_x(diagonal_double_arrow(10, 8, 2, 16, 15)),
    }
    for name, shape in sizes.items():
        pic = Picture()
        pic.bevel(shape, face=WHITE, light=WHITE, dark=SILVER)
        cursors[name] = (pic, (15, 15))

    pic = Picture()
    pic.bevel(up_arrow(), face=WHITE, light=WHITE, dark=SILVER)
    cursors["CR3DUPARROW"] = (pic, (15, 0))

    # Pens write with their point at the bottom left.
    body, wood, lead = pencil()
    pic = Picture()
    pic.bevel(body | wood, face=SILVER)
    pic.paint(interior(body | wood) & wood, WHITE)
    pic.paint(lead, BLACK)
    pic.paint(polygon([(18, 6), (25, 13), (24, 14), (17, 7)]) & interior(body), NAVY)
    cursors["CR3DHANDWRITING"] = (pic, (0, 31))

    pic = Picture()
    pic.flat(body | wood)
    pic.paint(line(3, 21, 10, 28) | line(23, 1, 30, 8) | line(21, 3, 28, 10) | lead, BLACK)
    cursors["CRPEN"] = (pic, (0, 31))

    # Tools work with the blade's tip.
    blade, handle, grooves = screwdriver()
    pic = Picture()
    pic.bevel(handle, face=RED, light=RED, dark=MAROON)
    pic.paint(grooves, MAROON)
    pic.bevel(blade, face=SILVER)
    cursors["CR3DTOOL"] = (pic, (0, 0))
    pic = Picture()
    pic.flat(handle)
    pic.paint(grooves, BLACK)
    pic.flat(blade)
    cursors["CRTOOL"] = (pic, (0, 0))

    # The flat pointer in four directions.
    cursors["CRARROWNW"] = (pointer(False), (0, 0))
    cursors["CRARROWNE"] = (mirrored(pointer(False), True, False), (SIZE - 1, 0))
    cursors["CRARROWSW"] = (mirrored(pointer(False), False, True), (0, SIZE - 1))
    cursors["CRARROWSE"] = (mirrored(pointer(False), True, True), (SIZE - 1, SIZE - 1))

    pointer_with("CRDRAGFILE", False, lambda p, t: draw_page(p, 14, 15))

    def pages(pic, three_d):
        for offset in (6, 3, 0):
            draw_page(pic, 12 + offset, 12 + 6 - offset)
    pointer_with("CRDRAGFILES", False, pages)

    pic = Picture()
    shape, gaps = hand(10, 1)
    pic.flat(shape)
    pic.paint(gaps, BLACK)
    cursors["CRHAND"] = (pic, (11, 1))

    # Zoom glasses aim with the middle of the lens.
    for name, plus in (("CRZOOMIN", True), ("CRZOOMOUT", False)):
        rim, lens, handle = magnifier()
        pic = Picture()
        pic.flat(grow(handle) | rim)
        pic.paint(handle | (rim - lens), BLACK)
        pic.paint(lens, WHITE)
        sign = rect(8, 12, 16, 12) | (rect(12, 8, 12, 16) if plus else set())
        pic.paint(sign, BLACK)
        cursors[name] = (pic, (12, 12))

    return cursors


# --- File formats ----------------------------------------------------------------------

def cursor_file(pic, hotspot):
    """A .cur file: one 32 x 32 image, 1-bit if black and white suffice, else 4-bit."""
    colours = pic.colours()
    mono = colours <= {BLACK, WHITE, INVERT}
    bits = 1 if mono else 4
    palette = [(0, 0, 0), (255, 255, 255)] if mono else PALETTE

    def index(c):
        if c is None:
            return 0
        if c == INVERT:
            return 1 if mono else WHITE
        if mono:
            return 1 if c == WHITE else 0
        return c

    xor = bytearray()
    and_mask = bytearray()
    for y in reversed(range(SIZE)):  # DIBs are stored bottom row first
        row = pic.px[y]
        if bits == 1:
            value = 0
            for x in range(SIZE):
                value = (value << 1) | index(row[x])
            xor += value.to_bytes(4, "big")
        else:
            for x in range(0, SIZE, 2):
                xor.append((index(row[x]) << 4) | index(row[x + 1]))
        value = 0
        for x in range(SIZE):
            value = (value << 1) | (1 if row[x] is None or row[x] == INVERT else 0)
        and_mask += value.to_bytes(4, "big")

    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, bits, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    rgbquads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + rgbquads + bytes(xor) + bytes(and_mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2 if mono else 16, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return directory + entry + image


def preview_png(cursors, path, scale=4):
    """Every cursor enlarged on a light grey background, the hot spot marked in red."""
    names = list(cursors)
    cols = min(8, len(names))
    cell = SIZE * scale + 8
    rows = (len(names) + cols - 1) // cols
    width, height = cols * cell, rows * cell
    img = [[(0xC0, 0xC0, 0xC0)] * width for _ in range(height)]
    for i, name in enumerate(names):
        pic, (hx, hy) = cursors[name]
        ox, oy = (i % cols) * cell + 4, (i // cols) * cell + 4
        for y in range(SIZE):
            for x in range(SIZE):
                c = pic.px[y][x]
                if c is None:
                    rgb = (0xC0, 0xC0, 0xC0) if (x // 4 + y // 4) % 2 else (0xB0, 0xB0, 0xB0)
                elif c == INVERT:
                    rgb = (0x3F, 0x3F, 0x3F)
                else:
                    rgb = PALETTE[c]
                for dy in range(scale):
                    img[oy + y * scale + dy][ox + x * scale:ox + (x + 1) * scale] = [rgb] * scale
        for d in range(scale):
            img[oy + hy * scale + scale // 2][ox + hx * scale + d] = (255, 0, 0)
            img[oy + hy * scale + d][ox + hx * scale + scale // 2] = (255, 0, 0)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in img)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main(argv):
    args = argv[1:]
    preview = None
    if "--preview" in args:
        i = args.index("--preview")
        preview = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    outdir = args[0]
    os.makedirs(outdir, exist_ok=True)
    cursors = make_set()
    for name, (pic, (hx, hy)) in sorted(cursors.items()):
        # A hot spot on a see-through pixel would click somewhere the user cannot see.
        if pic.get(hx, hy) is None:
            raise SystemExit(f"{name}: hot spot ({hx}, {hy}) is on a transparent pixel")
        data = cursor_file(pic, (hx, hy))
        path = os.path.join(outdir, name + ".cur")
        with open(path, "wb") as f:
            f.write(data)
    if preview:
        preview_png(cursors, preview)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
