#!/usr/bin/env python3
"""Draws the small pictures shipped in resources/ from simple shapes.

    tools/make_pictures.py [repository root]

Writes resources/Config/{link,clip,Calendar}.gif, the same three into
resources/iCONFIG, and resources/Icons/default.ico. Only the standard library
is used, so the pictures can be remade anywhere.

GIFs have one transparent colour and no partial alpha, so they are sampled
once per pixel and keep crisp edges; the icon is 32-bit with alpha and is
supersampled for smooth edges.
"""

import math
import os
import struct
import sys

# ---- shapes: functions of a point (x, y) in pixel units -> inside? ----


def rounded_rect(x0, y0, x1, y1, r=0.0):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def _segment_distance(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    vx, vy = bx - ax, by - ay
    length2 = vx * vx + vy * vy
    t = 0.0 if length2 == 0 else ((x - ax) * vx + (y - ay) * vy) / length2
    t = min(1.0, max(0.0, t))
    return math.hypot(x - (ax + t * vx), y - (ay + t * vy))


def stroke(points, width):
    """A polyline drawn with a round pen."""
    half = width / 2.0
    segments = list(zip(points, points[1:]))

    def inside(x, y):
        return any(_segment_distance(x, y, a, b) <= half for a, b in segments)
    return inside


def arc(cx, cy, r, start_deg, end_deg, steps=24):
    return [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
            for a in (start_deg + (end_deg - start_deg) * i / steps
                      for i in range(steps + 1))]


def capsule_outline(a, b, r, width):
    """The ring around a capsule: points at distance r (+- width/2) from a-b."""
    half = width / 2.0

    def inside(x, y):
        return abs(_segment_distance(x, y, a, b) - r) <= half
    return inside


# ---- raster ----


class Canvas:
    """Premultiplied RGBA pixels; shapes are painted in order."""

    def __init__(self, size, samples):
        self.size = size
        self.samples = samples
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def paint(self, shape, rgb, opacity=1.0):
        n = self.samples
        offsets = [(i + 0.5) / n for i in range(n)]
        for y in range(self.size):
            for x in range(self.size):
                hits = sum(shape(x + ox, y + oy) for oy in offsets for ox in offsets)
                if not hits:
                    continue
                a = opacity * hits / (n * n)
                p = self.px[y * self.size + x]
                for c in range(3):
                    p[c] = rgb[c] / 255.0 * a + p[c] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def erase(self, shape):
        """Clears what lies under the shape, to part overlapping strokes."""
        n = self.samples
        offsets = [(i + 0.5) / n for i in range(n)]
        for y in range(self.size):
            for x in range(self.size):
                hits = sum(shape(x + ox, y + oy) for oy in offsets for ox in offsets)
                keep = 1 - hits / (n * n)
                self.px[y * self.size + x] = [c * keep for c in self.px[y * self.size + x]]

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA tuples, row by row."""
        out = []
        for r, g, b, a in self.px:
            if a <= 0:
                out.append((0, 0, 0, 0))
            else:
                out.append(tuple(round(min(1.0, c / a) * 255) for c in (r, g, b))
                           + (round(a * 255),))
        return out


# ---- GIF89a ----


def lzw(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = fresh()
    emit(clear, size)
    w = bytes([indices[0]])
    for index in indices[1:]:
        wk = w + bytes([index])
        if wk in table:
            w = wk
            continue
        emit(table[w], size)
        if next_code < 4096:
            table[wk] = next_code
            next_code += 1
            # The decoder adds its entry one code later, so widen once the
            # code just assigned no longer fits.
            if next_code - 1 == (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = fresh()
        w = bytes([index])
    emit(table[w], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def gif(canvas):
    """Index 0 is the transparent colour; the rest are the painted colours."""
    pixels = canvas.rgba()
    palette = [(0, 0, 0)]
    indices = []
    for r, g, b, a in pixels:
        if a < 128:
            indices.append(0)
            continue
        if (r, g, b) not in palette:
            palette.append((r, g, b))
        indices.append(palette.index((r, g, b)))
    depth = max(1, (len(palette) - 1).bit_length())
    palette += [(0, 0, 0)] * ((1 << depth) - len(palette))
    n = canvas.size

    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", n, n, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    for rgb in palette:
        data += bytes(rgb)
    data += b"\x21\xF9\x04\x01\x00\x00\x00\x00"  # graphic control: index 0 transparent
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, n, n, 0)
    min_code_size = max(2, depth)
    stream = lzw(indices, min_code_size)
    data.append(min_code_size)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


# ---- ICO (BMP inside, 32-bit with alpha) ----


def ico(canvases):
    images = []
    for canvas in canvases:
        n = canvas.size
        pixels = canvas.rgba()
        rows = [pixels[y * n:(y + 1) * n] for y in range(n)]
        xor = bytearray()
        mask = bytearray()
        mask_row_bytes = ((n + 31) // 32) * 4
        for row in reversed(rows):  # bottom-up
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
            bitrow = bytearray(mask_row_bytes)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bitrow[x // 8] |= 0x80 >> (x % 8)
            mask += bitrow
        header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0,
                             len(xor) + len(mask), 0, 0, 0, 0)
        images.append((n, header + bytes(xor) + bytes(mask)))

    data = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, body in images:
        data += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    for _, body in images:
        data += body
    return bytes(data)


# ---- the pictures ----

BLUE = (58, 126, 196)
DARK_BLUE = (27, 79, 134)
RED = (200, 52, 44)
DARK_RED = (150, 34, 28)
WHITE = (255, 255, 255)
PAPER = (246, 248, 250)
GREY = (110, 118, 129)
LIGHT_GREY = (190, 197, 205)
STEEL = (84, 94, 108)


def draw_link(canvas):
    """Two interlocked chain links on the diagonal: each passes over the
    other at one of the two places where they cross."""
    s = canvas.size / 16.0
    r, width, gap = 2.2 * s, 1.4 * s, 1.0 * s
    lower = ((3.4 * s, 12.6 * s), (7.2 * s, 8.8 * s))
    upper = ((8.8 * s, 7.2 * s), (12.6 * s, 3.4 * s))
    # The links lie along x + y = 16; their crossings sit on either side.
    def below(x, y):
        return x + y > canvas.size

    def above(x, y):
        return x + y <= canvas.size

    def both(a, b):
        return lambda x, y: a(x, y) and b(x, y)

    canvas.paint(capsule_outline(*lower, r, width), BLUE)
    canvas.erase(both(capsule_outline(*upper, r, width + gap), below))
    canvas.paint(capsule_outline(*upper, r, width), DARK_BLUE)
    canvas.erase(both(capsule_outline(*lower, r, width + gap), above))
    canvas.paint(both(capsule_outline(*lower, r, width), above), BLUE)


def draw_clip(canvas):
    """A paper clip, upright so its wires stay one pixel sharp."""
    s = canvas.size / 16.0
    # Wires from left to right: outer (3.5), inner leg (6.5), middle (9.5),
    # outer leg (12.5); the wire runs inner leg -> small bend -> middle ->
    # top bend -> outer -> big bend -> outer leg.
    path = ([(6.5, 5.0), (6.5, 10.5)] + arc(8.0, 10.5, 1.5, 180, 0)[1:]
            + [(9.5, 4.0)] + arc(6.5, 4.0, 3.0, 0, -180)[1:]
            + [(3.5, 10.5)] + arc(8.0, 10.5, 4.5, 180, 0)[1:]
            + [(12.5, 5.0)])
    canvas.paint(stroke([(x * s, y * s) for x, y in path], 1.3 * s), STEEL)


# Calendar layouts on whole pixels, so the day cells stay crisp: one for
# 16 pixels and one for 32. Rectangles are (x0, y0, x1, y1, corner radius).
CALENDAR_LAYOUTS = {
    16: dict(shadow=None,
             frame=(0, 2, 16, 16, 2.0), page=(1, 3, 15, 15, 1.2),
             header=(0, 2, 16, 7), rings=((4, 0, 6, 4, 1.0), (10, 0, 12, 4, 1.0)),
             slot=None, cells=(3, 8, 2, 2, 3, 2), marked=(1, 1)),
    32: dict(shadow=(2, 5, 32, 32, 3.5),
             frame=(1, 4, 31, 31, 3.5), page=(2, 5, 30, 30, 2.5),
             header=(1, 4, 31, 12), rings=((8, 1, 11, 9, 1.5), (21, 1, 24, 9, 1.5)),
             slot=1, cells=(4, 14, 4, 1, 5, 3), marked=(1, 3)),
}


def draw_calendar(canvas):
    """A calendar page: red header with two rings, days in a grid, one marked."""
    lay = CALENDAR_LAYOUTS[canvas.size]
    if lay["shadow"]:
        canvas.paint(rounded_rect(*lay["shadow"]), GREY, 0.3)
    canvas.paint(rounded_rect(*lay["frame"]), LIGHT_GREY)
    canvas.paint(rounded_rect(*lay["page"]), WHITE)
    x0, y0, x1, y1 = lay["header"]
    r = lay["frame"][4]
    canvas.paint(rounded_rect(x0, y0, x1, y1, r), RED)
    canvas.paint(rounded_rect(x0, y0 + r, x1, y1), RED)  # square lower corners
    for ring in lay["rings"]:
        canvas.paint(rounded_rect(*ring), DARK_RED)
        if lay["slot"]:
            rx0, ry0, rx1, ry1, _ = ring
            canvas.paint(rounded_rect(rx0 + 1, ry0 + 1, rx1 - 1, ry1 - 1), PAPER)
    left, top, cell, gap, cols, rows = lay["cells"]
    for row in range(rows):
        for col in range(cols):
            cx = left + col * (cell + gap)
            cy = top + row * (cell + gap)
            colour = RED if (row, col) == lay["marked"] else LIGHT_GREY
            canvas.paint(rounded_rect(cx, cy, cx + cell, cy + cell), colour)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(path)


def render(draw, size, samples):
    canvas = Canvas(size, samples)
    draw(canvas)
    return canvas


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..")
    res = os.path.join(root, "resources")
    gifs = {
        "link.gif": gif(render(draw_link, 16, 1)),
        "clip.gif": gif(render(draw_clip, 16, 1)),
        "Calendar.gif": gif(render(draw_calendar, 32, 1)),
    }
    for folder in ("Config", "iCONFIG"):
        for name, data in gifs.items():
            write(os.path.join(res, folder, name), data)
    write(os.path.join(res, "Icons", "default.ico"),
          ico([render(draw_calendar, 16, 4), render(draw_calendar, 32, 4)]))


if __name__ == "__main__":
    main()
