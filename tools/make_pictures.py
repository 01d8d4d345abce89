#!/usr/bin/env python3
"""Draws every picture of the program from the shapes below and writes them
into res/ and res/icons/: the program icon, the list header glyph, the
missing-icon question mark, the About picture and the toolbar strips (normal
and greyed), each at 100 %, 150 % and 200 %, and the twelve category icons.

    tools/make_pictures.py            write the pictures
    tools/make_pictures.py --check    fail when a written picture differs

Python 3 standard library only; the output is the same byte for byte on every
run. Small pictures are drawn crisp (a shape covers a pixel when at least half
of it lies inside) with a 1-pixel dark outline traced automatically around each
filled shape; the icon and the About picture are anti-aliased.

Transparency rules the program relies on:
- Category icons, the header glyph and the question mark are drawn transparent
  by the colour of their top-left pixel, so that pixel (and every corner) is
  the key colour KEY, which no art uses.
- The toolbar strips are loaded with LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS,
  which replace palette entries: they are 8-bit palettised, their background
  is RGB 192,192,192 (mapped to the button face), and the art avoids the other
  mapped greys 128,128,128 and 223,223,223. Wine and Windows take the "first
  pixel" from the first byte of the bits, the bottom-left pixel of a bottom-up
  bitmap, so every corner is background.
"""

import math
import os
import struct
import sys

# ---- shared palette ---------------------------------------------------------
OUTLINE = (38, 50, 56)
WHITE = (255, 255, 255)
PAPER_FOLD = (207, 216, 220)
TEXT_LINE = (144, 164, 174)
STEEL = (120, 144, 156)
STEEL_LIGHT = (176, 190, 197)
STEEL_PALE = (236, 239, 241)
SLATE = (55, 71, 79)
BLUE = (30, 136, 229)
BLUE_DARK = (21, 101, 192)
BLUE_LIGHT = (144, 202, 249)
SKY = (79, 195, 247)
GREEN_LIGHT = (165, 214, 167)
GOLD = (255, 193, 7)
GOLD_DARK = (255, 143, 0)
BROWN = (141, 83, 0)
RED = (229, 57, 53)
PINK = (244, 143, 177)
SKIN = (255, 204, 153)
WOOD = (255, 224, 178)

KEY = (255, 0, 255)          # transparent colour of the small pictures
BUTTON_FACE = (192, 192, 192)  # toolbar background, mapped to COLOR_3DFACE
MAPPED_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}


# ---- shapes -----------------------------------------------------------------
class Shape:
    """A set of points in pixel coordinates (pixel (i, j) spans [i, i+1) x
    [j, j+1)), given by a membership test and a bounding box."""

    def __init__(self, inside, box):
        self.inside = inside
        self.box = box

    def __or__(self, other):
        a, b = self.inside, other.inside
        return Shape(lambda x, y: a(x, y) or b(x, y),
                     (min(self.box[0], other.box[0]), min(self.box[1], other.box[1]),
                      max(self.box[2], other.box[2]), max(self.box[3], other.box[3])))

    def __and__(self, other):
        a, b = self.inside, other.inside
        return Shape(lambda x, y: a(x, y) and b(x, y),
                     (max(self.box[0], other.box[0]), max(self.box[1], other.box[1]),
                      min(self.box[2], other.box[2]), min(self.box[3], other.box[3])))

    def __sub__(self, other):
        a, b = self.inside, other.inside
        return Shape(lambda x, y: a(x, y) and not b(x, y), self.box)

    def moved(self, dx, dy):
        f = self.inside
        b = self.box
        return Shape(lambda x, y: f(x - dx, y - dy), (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy))

    def scaled(self, factor):
        f = self.inside
        b = self.box
        return Shape(lambda x, y: f(x / factor, y / factor), tuple(v * factor for v in b))

    def rotated(self, degrees, cx, cy):
        """Turned clockwise on screen (y grows downwards) about (cx, cy)."""
        f = self.inside
        c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

        def inside(x, y):
            u, v = x - cx, y - cy
            return f(cx + u * c + v * s, cy - u * s + v * c)

        x0, y0, x1, y1 = self.box
        corners = [(x0, y0), (x1, y0), (x0, y1), (x1, y1)]
        pts = [(cx + (px - cx) * c - (py - cy) * s, cy + (px - cx) * s + (py - cy) * c) for px, py in corners]
        return Shape(inside, (min(p[0] for p in pts), min(p[1] for p in pts),
                              max(p[0] for p in pts), max(p[1] for p in pts)))


def rect(x0, y0, x1, y1):
    return Shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1))


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return Shape(inside, (x0, y0, x1, y1))


def ellipse(cx, cy, rx, ry):
    return Shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0,
                 (cx - rx, cy - ry, cx + rx, cy + ry))


def circle(cx, cy, r):
    return ellipse(cx, cy, r, r)


def ring(cx, cy, outer, inner):
    return circle(cx, cy, outer) - circle(cx, cy, inner)


def poly(*points):
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                result = not result
        return result
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return Shape(inside, (min(xs), min(ys), max(xs), max(ys)))


def capsule(xa, ya, xb, yb, width):
    """A stroke of the given width from (xa, ya) to (xb, yb), round ends."""
    r = width / 2.0
    dx, dy = xb - xa, yb - ya
    length2 = dx * dx + dy * dy or 1e-9

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length2))
        px, py = xa + t * dx - x, ya + t * dy - y
        return px * px + py * py <= r * r
    return Shape(inside, (min(xa, xb) - r, min(ya, yb) - r, max(xa, xb) + r, max(ya, yb) + r))


def wedge(cx, cy, start, end):
    """Points whose direction from (cx, cy) lies between the two angles, in
    degrees clockwise from the positive x axis (y grows downwards)."""
    def inside(x, y):
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        s, e = start % 360.0, end % 360.0
        return s <= a <= e if s <= e else (a >= s or a <= e)
    return Shape(inside, (-1e6, -1e6, 1e6, 1e6))


def arc(cx, cy, radius, width, start, end):
    """A stroke of the given width along a circle, between two angles."""
    return ring(cx, cy, radius + width / 2.0, radius - width / 2.0) & wedge(cx, cy, start, end)


# ---- canvas -----------------------------------------------------------------
class Canvas:
    def __init__(self, width, height, background=None):
        self.width, self.height = width, height
        # Premultiplied-free RGBA with float alpha; None background = transparent.
        bg = (background + (1.0,)) if background else (0, 0, 0, 0.0)
        self.px = [[list(bg) for _ in range(width)] for _ in range(height)]

    def _coverage(self, shape, sub):
        x0, y0, x1, y1 = shape.box
        i0, j0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        i1, j1 = min(self.width, int(math.ceil(x1)) + 1), min(self.height, int(math.ceil(y1)) + 1)
        offsets = [(k + 0.5) / sub for k in range(sub)]
        total = float(sub * sub)
        for j in range(j0, j1):
            for i in range(i0, i1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if shape.inside(i + ox, j + oy):
                            hits += 1
                if hits:
                    yield i, j, hits / total

    def mask(self, shape, sub=4):
        return {(i, j) for i, j, c in self._coverage(shape, sub) if c >= 0.5}

    def set(self, i, j, colour):
        self.px[j][i] = [colour[0], colour[1], colour[2], 1.0]

    def fill(self, shape, colour, outline=OUTLINE, outline_width=1):
        """Crisp fill; with an outline colour, the shape's border pixels (those
        with a side neighbour outside the shape, up to outline_width pixels
        away) take that colour."""
        m = self.mask(shape)
        steps = [(d * sx, d * sy) for d in range(1, outline_width + 1) for sx, sy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
        for i, j in m:
            edge = outline is not None and any((i + di, j + dj) not in m for di, dj in steps)
            self.set(i, j, outline if edge else colour)
        return m

    def paint(self, shape, colour, sub=8, opacity=1.0, within=None):
        """Anti-aliased fill, composited over what is there; with a set of
        pixels given, only those pixels are touched."""
        for i, j, c in self._coverage(shape, sub):
            if within is not None and (i, j) not in within:
                continue
            a = c * opacity
            p = self.px[j][i]
            out_a = a + p[3] * (1 - a)
            if out_a <= 0:
                continue
            for k in range(3):
                p[k] = (colour[k] * a + p[k] * p[3] * (1 - a)) / out_a
            p[3] = out_a

    def pixels(self, x, y, rows, colours):
        """Pixel map overlay: one character per pixel, '.' leaves the pixel."""
        for dj, row in enumerate(rows):
            for di, ch in enumerate(row):
                if ch != '.':
                    self.set(x + di, y + dj, colours[ch])

    def blit(self, other, x, y):
        for j in range(other.height):
            for i in range(other.width):
                self.px[y + j][x + i] = list(other.px[j][i])

    def rgb(self, background=(255, 255, 255)):
        """Rows of (r, g, b) integers, flattened over a background."""
        out = []
        for row in self.px:
            line = []
            for r, g, b, a in row:
                line.append(tuple(int(round(c * a + bg * (1 - a))) for c, bg in zip((r, g, b), background)))
            out.append(line)
        return out

    def rgba(self):
        return [[tuple(int(round(c)) for c in p[:3]) + (int(round(p[3] * 255)),) for p in row] for row in self.px]


# ---- file formats -------------------------------------------------------------
def bmp_bytes(rows, force_bits=None):
    """A bottom-up BMP: 8-bit palettised when the picture has at most 256
    colours (palette in order of first appearance, top row first), else 24-bit."""
    height, width = len(rows), len(rows[0])
    colours = []
    index = {}
    for row in rows:
        for c in row:
            if c not in index:
                index[c] = len(colours)
                colours.append(c)
    bits = force_bits or (8 if len(colours) <= 256 else 24)
    if bits == 8:
        assert len(colours) <= 256, "too many colours for an 8-bit picture"
        stride = (width + 3) & ~3
        palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
        data = b''.join(bytes(index[c] for c in row) + b'\0' * (stride - width) for row in reversed(rows))
        used = len(colours)
    else:
        stride = (width * 3 + 3) & ~3
        palette = b''
        data = b''.join(b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row) + b'\0' * (stride - width * 3)
                        for row in reversed(rows))
        used = 0
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(data), 2835, 2835, used, used)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    return header + info + palette + data


def ico_bytes(images):
    """An icon file of 32-bit images with alpha and their AND masks."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        xor = b''.join(b''.join(struct.pack('<BBBB', b, g, r, a) for r, g, b, a in row) for row in reversed(pixels))
        mask_stride = ((size + 31) // 32) * 4
        mask = b''
        for row in reversed(pixels):
            bits = bytearray(mask_stride)
            for i, p in enumerate(row):
                if p[3] == 0:
                    bits[i // 8] |= 0x80 >> (i % 8)
            mask += bytes(bits)
        info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + xor + mask
        entries.append(struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


# ---- the product mark: a key whose bow and shaft form a "Q" -------------------
def product_mark(cv, x, y, size, sub=8):
    s = float(size)
    tile = rrect(x, y, x + s, y + s, s * 0.22)
    cv.paint(tile, BLUE_DARK, sub)
    cv.paint(rrect(x, y, x + s, y + s * 0.5, s * 0.22) & tile, BLUE, sub, opacity=0.35)
    cx, cy = x + s * 0.43, y + s * 0.43
    outer, inner = s * 0.27, s * 0.135
    shaft_width = max(s * 0.13, 1.6)
    bow = ring(cx, cy, outer, inner)
    shaft = capsule(cx + outer * 0.55, cy + outer * 0.55, x + s * 0.82, y + s * 0.82, shaft_width)
    key = bow | shaft
    if size >= 24:
        # Two teeth off the shaft, at right angles to it, make the tail a key.
        d = 1 / math.sqrt(2)
        for t, length in ((0.66, 0.13), (0.78, 0.09)):
            px, py = x + s * t, y + s * t
            key = key | capsule(px, py, px + d * s * length, py - d * s * length, shaft_width * 0.85)
    cv.paint(key, GOLD, sub)


def make_icon():
    images = []
    for size in (16, 32, 48):
        cv = Canvas(size, size)
        product_mark(cv, 0, 0, size)
        images.append(cv.rgba())
    return ico_bytes(images)


# ---- the About picture ----------------------------------------------------------
def wordmark():
    """"Quorrel" in a geometric sans drawn from strokes; returns (shape, width)
    with the baseline at y = 0, x-height 10 and cap height 14."""
    w = 2.3                      # stroke width
    xh, cap = 10.0, 14.0
    parts = []
    x = 0.0

    def bowl(cx, ry, rx):
        return ring_e(cx, -xh / 2, rx, ry)

    def ring_e(cx, cy, rx, ry):
        return ellipse(cx, cy, rx, ry) - ellipse(cx, cy, rx - w, ry - w)

    # Q
    qr = cap / 2
    q = ring_e(x + qr, -qr, qr, qr) | capsule(x + qr + 1.5, -3.5, x + 2 * qr + 0.6, 0.6, w)
    parts.append(q)
    x += 2 * qr + 1.8
    # u
    ur = 4.4
    u = (capsule(x + w / 2, -xh + w / 2, x + w / 2, -ur, w)
         | (ring_e(x + ur, -ur, ur, ur) & rect(x - 1, -ur, x + 2 * ur + 1, 1))
         | rect(x + 2 * ur - w, -xh + 0.3, x + 2 * ur, 0))
    parts.append(u)
    x += 2 * ur + 1.8
    # o
    o_r = 5.0
    parts.append(bowl(x + o_r, o_r, o_r))
    x += 2 * o_r + 1.8
    # r r
    for _ in range(2):
        r_shape = (rect(x, -xh + 0.3, x + w, 0)
                   | (ring_e(x + 5.0, -xh + 5.0, 5.0, 5.0) & rect(x, -xh - 1, x + 5.6, -xh + 4.0)))
        parts.append(r_shape)
        x += 6.4
    # e
    er = 5.0
    e = ((bowl(x + er, er, er) - (wedge(x + er, -xh / 2, 8, 52) & rect(x + er, -xh / 2, x + 2 * er + 1, 1)))
         | rect(x + 0.5, -xh / 2 - w / 2, x + 2 * er - 0.5, -xh / 2 + w / 2))
    parts.append(e)
    x += 2 * er + 1.8
    # l
    parts.append(rect(x, -cap - 0.5, x + w, 0))
    x += w
    shape = parts[0]
    for p in parts[1:]:
        shape = shape | p
    return shape, x


def make_about(factor=1):
    """The About picture, 96 x 44 pixels at 100 %, drawn afresh for larger sizes."""
    width, height = 96, 44
    cv = Canvas(int(width * factor), int(height * factor), WHITE)
    mark = 30
    product_mark(cv, 3 * factor, (height - mark) // 2 * factor, mark * factor)
    text, text_width = wordmark()
    scale = 0.84
    left = 3 + mark + 3 + (width - 3 - mark - 3 - 3 - text_width * scale) / 2
    cv.paint(text.scaled(scale).moved(left, height / 2 + 7 * scale).scaled(factor), SLATE)
    rows = cv.rgb()
    assert rows[0][0] == WHITE
    return bmp_bytes(rows, force_bits=24)


# ---- small pictures ----------------------------------------------------------------
def key_canvas(width, height):
    return Canvas(width, height, KEY)


def check_corners(rows, colour, name):
    h, w = len(rows), len(rows[0])
    for i, j in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
        assert rows[j][i] == colour, "%s: corner %d,%d is not the background" % (name, i, j)
    for row in rows:
        for c in row:
            assert c == colour or c not in MAPPED_GREYS | {KEY, BUTTON_FACE}, "%s uses a reserved colour" % name


def make_header_glyph():
    cv = key_canvas(12, 12)
    cv.fill(poly((0.5, 6), (5, 1.5), (11.5, 1.5), (11.5, 10.5), (5, 10.5)), GOLD)
    cv.set(4, 5, OUTLINE)
    cv.set(4, 6, OUTLINE)
    cv.set(5, 5, OUTLINE)
    cv.set(5, 6, OUTLINE)
    return cv


def make_question_mark():
    cv = key_canvas(16, 16)
    cv.pixels(0, 0, [
        ".....KKKKKK.....",
        "....KBBBBBBK....",
        "...KBBBBBBBBK...",
        "...KBBKKKKBBK...",
        "...KKKK..KBBK...",
        "........KBBBK...",
        ".......KBBBK....",
        "......KBBBK.....",
        "......KBBK......",
        "......KBBK......",
        "......KKKK......",
        "................",
        "......KKKK......",
        "......KBBK......",
        "......KBBK......",
        "......KKKK......",
    ], {'K': OUTLINE, 'B': BLUE})
    return cv


def padlock(cv, ox, oy, open_):
    """A padlock in a 28 x 29 cell: steel shackle, gold body, keyhole."""
    cx, lift = ox + 14, (4 if open_ else 0)
    top = oy + 10 - lift
    shackle = (arc(cx, top, 4.6, 3.2, 180, 360)
               | rect(cx - 6.2, top, cx - 3.0, oy + 15)
               | rect(cx + 3.0, top, cx + 6.2, top + (3 if open_ else 15 - (top - oy))))
    cv.fill(shackle, STEEL_LIGHT)
    cv.fill(rrect(ox + 6, oy + 14, ox + 22, oy + 26, 2.0), GOLD)
    cv.fill(rect(ox + 7, oy + 15, ox + 21, oy + 17), (255, 213, 79), outline=None)
    if isinstance(cv, ScaledCanvas):
        # Larger sizes draw the keyhole from its shape, which squares of 1.5 pixels would not keep round.
        cv.fill(circle(ox + 14, oy + 19.6, 1.9) | rect(ox + 13, oy + 19.5, ox + 15, oy + 24), OUTLINE, outline=None)
    else:
        cv.pixels(ox + 12, oy + 18, [".##.", "####", "####", ".##.", ".##.", ".##."], {'#': OUTLINE})


def page(cv, x0, y0, x1, y1, fold=5):
    cv.fill(poly((x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)), WHITE)
    cv.fill(poly((x1 - fold - 0.5, y0), (x1 + 0.01, y0 + fold + 0.5), (x1 - fold - 0.5, y0 + fold + 0.5)), PAPER_FOLD)


def toolbar_new(cv):
    page(cv, 6, 3, 21, 26)


def toolbar_unlocked(cv):
    padlock(cv, 0, 0, True)


def toolbar_locked(cv):
    padlock(cv, 0, 0, False)


def toolbar_edit(cv):
    page(cv, 4, 3, 19, 26)
    for y in (10, 13, 16, 19):
        cv.fill(rect(7, y, 15 if y != 19 else 12, y + 1), TEXT_LINE, outline=None)
    pencil(cv, 29, -19, 7)


def pencil(cv, axis, top, tip):
    """A pencil at 45 degrees from the top right down to the bottom left, drawn
    pixel by pixel: along the pencil a = row - column runs from top (eraser)
    to tip; across it b = column + row, with the axis on b = axis."""
    for j in range(cv.height):
        for i in range(cv.width):
            a, d = j - i, i + j - axis
            if a < top or a > tip:
                continue
            half = min(2, (tip - a) // 2)
            if abs(d) > half:
                continue
            if a >= tip - 1:
                colour = OUTLINE          # graphite point
            elif abs(d) == half or a == top:
                colour = OUTLINE
            elif a < top + 4:
                colour = PINK
            elif a < top + 6:
                colour = STEEL_LIGHT
            elif a < tip - 5:
                colour = GOLD if d >= 0 else (255, 213, 79)
            else:
                colour = WOOD
            cv.set(i, j, colour)


def toolbar_delete(cv):
    cv.fill(poly((7.5, 9), (20.5, 9), (19.5, 26), (8.5, 26)), STEEL_LIGHT)
    for x in (11, 14, 17):
        cv.fill(rect(x - 0.1, 12, x + 1.1, 23.5), STEEL, outline=None)
    cv.fill(rrect(11, 3, 17, 7, 1.0), STEEL_LIGHT)
    cv.fill(rrect(5, 6, 23, 10, 1.0), STEEL_LIGHT)


def toolbar_synchronise(cv):
    cx, cy, r = 14, 15, 11
    disc = cv.fill(circle(cx, cy, r), WHITE)
    # The curve between the halves is anti-aliased; the rim stays crisp.
    dark = (rect(cx, cy - r - 2, cx + r + 2, cy + r + 2) | circle(cx, cy + r / 2, r / 2)) - circle(cx, cy - r / 2, r / 2)
    cv.paint(dark, OUTLINE, within=disc)
    cv.paint(circle(cx, cy - r / 2, 2.0), OUTLINE)
    cv.paint(circle(cx, cy + r / 2, 2.0), WHITE)


TOOLBAR = [toolbar_new, toolbar_unlocked, toolbar_locked, toolbar_edit, toolbar_delete, toolbar_synchronise]


class ScaledCanvas:
    """A canvas for a picture drawn in the coordinates of its 100 % size and
    made larger: shapes are scaled before they are rasterised (so edges stay
    crisp at any size), single pixels and pixel maps become squares, and
    outlines grow with the whole pixels of the factor."""

    def __init__(self, canvas, factor):
        self.cv, self.k = canvas, factor
        self.width, self.height = int(round(canvas.width / factor)), int(round(canvas.height / factor))
        self.outline_width = max(1, int(factor))

    def fill(self, shape, colour, outline=OUTLINE):
        return self.cv.fill(shape.scaled(self.k), colour, outline, self.outline_width)

    def paint(self, shape, colour, sub=8, opacity=1.0, within=None):
        self.cv.paint(shape.scaled(self.k), colour, sub, opacity, within)

    def set(self, i, j, colour):
        self.cv.fill(rect(i, j, i + 1, j + 1).scaled(self.k), colour, outline=None)

    def pixels(self, x, y, rows, colours):
        for dj, row in enumerate(rows):
            for di, ch in enumerate(row):
                if ch != '.':
                    self.set(x + di, y + dj, colours[ch])


# The sizes of the toolbar strips and the About picture: 100 %, 150 % and
# 200 %, each drawn for its size rather than scaled from another.
SCALES = [(1, ""), (1.5, "150"), (2, "200")]


def make_toolbar(factor=1):
    width, height = int(math.ceil(28 * factor)), int(math.ceil(29 * factor))
    strip = Canvas(width * len(TOOLBAR), height, BUTTON_FACE)
    for n, draw in enumerate(TOOLBAR):
        cell = Canvas(width, height, BUTTON_FACE)
        draw(cell if factor == 1 else ScaledCanvas(cell, factor))
        strip.blit(cell, width * n, 0)
    return strip.rgb()


def greyed(rows):
    """The disabled look: every colour turned into a pale grey by its
    brightness, the background kept."""
    def grey(c):
        if c == BUTTON_FACE:
            return c
        lum = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]
        g = int(round(150 + lum * 0.38))
        while (g, g, g) in MAPPED_GREYS:
            g += 1
        return (g, g, g)
    return [[grey(c) for c in row] for row in rows]


# ---- category icons ------------------------------------------------------------------
def icon_dollar(cv):
    cv.fill(circle(7.5, 7.5, 7.2), GOLD)
    cv.fill(ring(7.5, 7.5, 6.0, 5.0), GOLD_DARK, outline=None)
    cv.pixels(5, 3, [
        "..#..",
        ".####",
        "#.#..",
        "#.#..",
        ".###.",
        "..#.#",
        "..#.#",
        "####.",
        "..#..",
    ], {'#': BROWN})


def icon_ccard1(cv):
    cv.fill(rrect(0.5, 2.5, 15.5, 13.5, 1.5), BLUE)
    cv.fill(rect(1, 5, 15, 7), OUTLINE, outline=None)
    cv.fill(rect(2.5, 8.5, 6, 11.5), GOLD, outline=GOLD_DARK)
    cv.fill(rect(8, 10, 13.5, 11), BLUE_LIGHT, outline=None)


def icon_person(cv):
    cv.fill(ellipse(8, 16.5, 6.8, 7.5) & rect(0, 0, 16, 15.5), BLUE)
    cv.fill(rect(7, 9, 9, 11), WHITE, outline=None)
    cv.fill(circle(8, 5.5, 3.9), SKIN)


def icon_mail(cv):
    cv.fill(rect(0.5, 3, 15.5, 13.5), WHITE)
    cv.fill(capsule(1.5, 4, 8, 9, 1.0) | capsule(14.5, 4, 8, 9, 1.0), OUTLINE, outline=None)
    cv.fill(capsule(1.5, 12.5, 6, 8, 0.8) | capsule(14.5, 12.5, 10, 8, 0.8), TEXT_LINE, outline=None)


def icon_appliance(cv):
    cv.fill(rect(2, 0.5, 14, 15.5), STEEL_PALE)
    cv.fill(rect(3, 4, 13, 5), STEEL_LIGHT, outline=None)
    cv.set(4, 2, STEEL)
    cv.set(5, 2, STEEL)
    cv.set(11, 2, RED)
    cv.fill(circle(8, 9.8, 4.3), BLUE_LIGHT)
    cv.fill(circle(8, 9.8, 2.2), SKY, outline=None)


def icon_air1(cv):
    plane = (capsule(8, 1.8, 8, 14, 3.4)
             | poly((8, 4.5), (15.5, 8.5), (15.5, 11), (8, 9.5), (0.5, 11), (0.5, 8.5))
             | poly((8, 11), (11.5, 13.5), (11.5, 15.2), (8, 14.2), (4.5, 15.2), (4.5, 13.5)))
    cv.fill(plane, SKY)


def icon_phone1(cv):
    handle = arc(12, 4, 8.3, 3.6, 90, 180)
    ear = rrect(0.8, 1.0, 7.0, 6.5, 2.0)
    mouth = rrect(9.5, 9.0, 15.0, 15.2, 2.0)
    cv.fill(handle | ear | mouth, RED)


def icon_world(cv):
    disc = cv.fill(circle(7.5, 7.5, 7.45), BLUE)

    def on_grid(i, j):
        if i == 7 or j in (4, 7, 10):
            return True
        half = 7.0 * math.sqrt(max(0.0, 1 - ((j - 7) / 7.0) ** 2))
        return abs(abs(i - 7) - half * 0.55) < 0.5
    for i, j in sorted(disc):
        inner = all((i + di, j + dj) in disc for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        if inner and on_grid(i, j):
            cv.set(i, j, BLUE_LIGHT)


def icon_combolock(cv):
    cx, cy = 7.5, 10
    cv.fill(arc(cx, 5, 3.5, 3.0, 180, 360) | rect(cx - 5, 5, cx - 2, 8) | rect(cx + 2, 5, cx + 5, 8), STEEL_LIGHT)
    cv.fill(circle(cx, cy, 5.6), STEEL_LIGHT)
    cv.fill(circle(cx, cy, 3.6), SLATE, outline=None)
    # The dial's pointer and its marks.
    for i, j in ((7, 7), (7, 8), (7, 9)):
        cv.set(i, j, WHITE)
    for i, j in ((7, 5), (2, 10), (12, 10), (7, 14)):
        cv.set(i, j, SLATE)


def icon_computer1(cv):
    cv.fill(rrect(0.5, 1, 15.5, 11.5, 1.0), SLATE)
    cv.fill(rect(2, 2.5, 14, 10), BLUE, outline=None)
    cv.fill(rect(3, 3.5, 8, 4.5), BLUE_LIGHT, outline=None)
    cv.fill(rect(6.5, 11, 9.5, 13.5), STEEL)
    cv.fill(rrect(3.5, 13, 12.5, 15.5, 0.5), STEEL_LIGHT)


def icon_phone2(cv):
    cv.fill(rrect(3.5, 0.5, 12.5, 15.5, 1.5), SLATE)
    cv.fill(rect(5, 2.5, 11, 8.5), GREEN_LIGHT, outline=None)
    for y in (10, 12):
        for x in (5, 7, 9):
            cv.fill(rect(x, y, x + 2, y + 1), STEEL_LIGHT, outline=None)
    cv.fill(rect(7, 14, 9, 14.6), STEEL, outline=None)


def icon_disk(cv):
    cv.fill(poly((0.5, 0.5), (13, 0.5), (15.5, 3), (15.5, 15.5), (0.5, 15.5)), BLUE_DARK)
    cv.fill(rect(4, 1, 12, 6.5), STEEL_LIGHT)
    cv.fill(rect(9, 2, 10.5, 5.5), SLATE, outline=None)
    cv.fill(rect(2.5, 8.5, 13.5, 15.5), WHITE)
    cv.fill(rect(4, 10.5, 12, 11.4) | rect(4, 12.5, 10, 13.4), TEXT_LINE, outline=None)


CATEGORY_ICONS = [
    ("icon_dollar", icon_dollar),
    ("icon_ccard1", icon_ccard1),
    ("icon_person", icon_person),
    ("icon_mail", icon_mail),
    ("icon_appliance", icon_appliance),
    ("icon_air1", icon_air1),
    ("icon_phone1", icon_phone1),
    ("icon_world", icon_world),
    ("icon_combolock", icon_combolock),
    ("icon_computer1", icon_computer1),
    ("icon_phone2", icon_phone2),
    ("icon_disk", icon_disk),
]


# ---- output ----------------------------------------------------------------------------
def pictures():
    """Every picture as (path relative to the source root, bytes)."""
    out = [("res/Quorrel.ico", make_icon())]

    rows = make_header_glyph().rgb()
    check_corners(rows, KEY, "header glyph")
    out.append(("res/HeaderGlyph.bmp", bmp_bytes(rows)))

    rows = make_question_mark().rgb()
    check_corners(rows, KEY, "question mark")
    out.append(("res/MissingIcon.bmp", bmp_bytes(rows)))

    for factor, suffix in SCALES:
        out.append(("res/About%s.bmp" % suffix, make_about(factor)))

    for factor, suffix in SCALES:
        rows = make_toolbar(factor)
        check_corners(rows, BUTTON_FACE, "toolbar" + suffix)
        out.append(("res/Toolbar%s.bmp" % suffix, bmp_bytes(rows, force_bits=8)))
        disabled = greyed(rows)
        check_corners(disabled, BUTTON_FACE, "disabled toolbar" + suffix)
        out.append(("res/ToolbarDisabled%s.bmp" % suffix, bmp_bytes(disabled, force_bits=8)))

    for name, draw in CATEGORY_ICONS:
        cv = key_canvas(16, 16)
        draw(cv)
        rows = cv.rgb()
        check_corners(rows, KEY, name)
        out.append(("res/icons/%s.bmp" % name, bmp_bytes(rows)))
    return out


def main(argv):
    check = "--check" in argv[1:]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    stale = []
    for relative, data in pictures():
        path = os.path.join(root, relative)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() == data:
                        continue
            except OSError:
                pass
            stale.append(relative)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("pictures out of date (run tools/make_pictures.py): " + ", ".join(stale))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
