#!/usr/bin/env python3
"""Draws the pictures of the small galleries in resources/Common/.

    tools/make_gallery_pictures.py [repository root]

Writes, from simple shapes and with the standard library only:

- ActionBar/<style>/{goback,list,year,print,email,link,rss,ical}.gif: the
  toolbar icons, 24 x 24, one set per toolbar style in its own colours;
- Tabs/<style>/{left,right,left_on,right_on}.gif: the two halves of a month
  tab ("sliding doors": the left picture sits behind the list item, the wide
  right one behind the link, so a tab stretches with its text), plain and
  current;
- Language/<language>/icon.bmp: the language's flag, 60 x 39.

The gallery previews (tab.bmp, actionbar.bmp, list.bmp, event.bmp) show the
style sheets at work, so they are rendered by a browser instead:
tools/make_gallery_previews.py.

GIFs have one transparent colour and no partial alpha. Shapes are sampled
4 x 4 per pixel; a pixel that is at least half covered is kept and its
colour blended onto the colour the picture will sit on (the "matte": the
button of a toolbar style, the page under a tab), so edges stay smooth on
that colour and clean elsewhere.
"""

import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_pictures import (  # noqa: E402  (shared shapes and the LZW coder)
    arc, capsule_outline, lzw, rounded_rect, stroke)


# ---- more shapes: functions of a point (x, y) -> inside? ----


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    half = width / 2.0
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= half


def polygon(points):
    """Even-odd fill of a closed polygon."""
    edges = list(zip(points, points[1:] + points[:1]))

    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y):
                if x < ax + (y - ay) * (bx - ax) / (by - ay):
                    hit = not hit
        return hit
    return inside


def outline_rect(x0, y0, x1, y1, r, width):
    """The band of a rounded rectangle's edge, `width` thick, inside it."""
    outer = rounded_rect(x0, y0, x1, y1, r)
    inner = rounded_rect(x0 + width, y0 + width, x1 - width, y1 - width,
                         max(0.0, r - width))
    return lambda x, y: outer(x, y) and not inner(x, y)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def moved(shape, scale, dx, dy):
    """The shape drawn on a 24-unit grid, scaled and moved on the canvas."""
    return lambda x, y: shape((x - dx) / scale, (y - dy) / scale)


# ---- raster ----


class Canvas:
    """Straight RGB plus coverage per pixel; shapes are painted in order."""

    def __init__(self, width, height, samples=4):
        self.width, self.height, self.samples = width, height, samples
        self.rgb = [(0.0, 0.0, 0.0)] * (width * height)
        self.alpha = [0.0] * (width * height)

    def paint(self, shape, rgb, opacity=1.0, box=None):
        n = self.samples
        offsets = [(i + 0.5) / n for i in range(n)]
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                hits = sum(shape(x + ox, y + oy) for oy in offsets for ox in offsets)
                if hits:
                    self.blend(x, y, rgb, opacity * hits / (n * n))

    def fill(self, colour_at, shape=None):
        """Sets every pixel inside the shape (pixel centre test) to colour_at(x, y)."""
        for y in range(self.height):
            for x in range(self.width):
                if shape is None or shape(x + 0.5, y + 0.5):
                    self.blend(x, y, colour_at(x, y), 1.0)

    def blend(self, x, y, rgb, a):
        i = y * self.width + x
        old, old_a = self.rgb[i], self.alpha[i]
        new_a = a + old_a * (1 - a)
        if new_a <= 0:
            return
        self.rgb[i] = tuple((rgb[c] * a + old[c] * old_a * (1 - a)) / new_a
                            for c in range(3))
        self.alpha[i] = new_a

    def flattened(self, matte, threshold=0.5, levels=None):
        """RGB tuples (None for transparent) with partial pixels on the matte."""
        out = []
        for rgb, a in zip(self.rgb, self.alpha):
            if a < threshold:
                out.append(None)
                continue
            if levels:
                a = round(a * levels) / levels
            out.append(tuple(round(rgb[c] * a + matte[c] * (1 - a)) for c in range(3)))
        return out

    def opaque(self, background):
        return [tuple(round(rgb[c] * a + background[c] * (1 - a)) for c in range(3))
                for rgb, a in zip(self.rgb, self.alpha)]


def gif(width, height, pixels):
    """A GIF89a with index 0 transparent; pixels are RGB tuples or None."""
    palette = [(0, 0, 0)]
    lookup = {}
    indices = []
    for p in pixels:
        if p is None:
            indices.append(0)
            continue
        if p not in lookup:
            lookup[p] = len(palette)
            palette.append(p)
        indices.append(lookup[p])
    if len(palette) > 256:
        raise ValueError("too many colours: %d" % len(palette))
    depth = max(1, (len(palette) - 1).bit_length())
    palette += [(0, 0, 0)] * ((1 << depth) - len(palette))
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    for rgb in palette:
        data += bytes(rgb)
    data += b"\x21\xF9\x04\x01\x00\x00\x00\x00"  # graphic control: index 0 transparent
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code_size = max(2, depth)
    stream = lzw(indices, min_code_size)
    data.append(min_code_size)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


def bmp(width, height, pixels):
    """A 24-bit BMP, rows stored bottom-up."""
    row_size = (width * 3 + 3) & ~3
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for r, g, b in pixels[y * width:(y + 1) * width]:
            row += bytes((b, g, r))
        body += row + b"\0" * (row_size - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0,
                       len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(a[c] + (b[c] - a[c]) * t for c in range(3))


# ---- toolbar icons: shapes on a 24-unit grid, each with a colour role ----
#
# Roles: "ink" (the glyph's lines), "fill" (the paper inside envelopes,
# pages and sheets), "accent" (one spot of colour: a calendar header, the
# printer's light, the feed's dot). Strokes sit on half units where they are
# odd-width so they land on whole pixels.


def icon_goback():
    return [
        (stroke([(19.5, 12.0), (6.0, 12.0)], 3.0), "ink"),
        (stroke([(11.5, 6.0), (5.5, 12.0), (11.5, 18.0)], 3.0), "ink"),
    ]


def icon_list():
    shapes = []
    for y in (6.5, 12.0, 17.5):
        shapes.append((circle(5.5, y, 2.0), "accent"))
        shapes.append((stroke([(10.0, y), (20.0, y)], 2.4), "ink"))
    return shapes


def icon_year():
    shapes = []
    for col in (0, 1):
        for row in (0, 1):
            x0, y0 = 3.0 + col * 10.0, 3.0 + row * 10.0
            shapes.append((rounded_rect(x0, y0, x0 + 8.0, y0 + 8.0, 1.5), "ink"))
            shapes.append((rect(x0 + 1.5, y0 + 3.5, x0 + 6.5, y0 + 6.5), "fill"))
            if (col, row) == (1, 0):
                shapes.append((rect(x0 + 1.5, y0 + 3.5, x0 + 4.0, y0 + 6.5), "accent"))
    return shapes


def icon_print():
    return [
        (outline_rect(7.0, 2.5, 17.0, 10.0, 1.0, 2.0), "ink"),
        (rect(9.0, 4.5, 15.0, 10.0), "fill"),
        (rounded_rect(2.5, 9.0, 21.5, 18.0, 2.5), "ink"),
        (circle(18.0, 12.0, 1.3), "accent"),
        (rect(6.0, 14.0, 18.0, 22.0), "ink"),
        (rect(8.0, 16.0, 16.0, 20.0), "fill"),
        (rect(9.5, 17.0, 14.5, 18.0), "ink"),
    ]


def icon_email():
    return [
        (rounded_rect(2.5, 5.5, 21.5, 18.5, 2.0), "ink"),
        (rounded_rect(4.5, 7.5, 19.5, 16.5, 0.5), "fill"),
        (stroke([(4.0, 7.5), (12.0, 13.5), (20.0, 7.5)], 2.0), "ink"),
    ]


def icon_link():
    # Two chain links on the diagonal; each passes over the other once.
    r, width = 3.4, 2.2
    lower = ((5.4, 18.6), (10.6, 13.4))
    upper = ((13.4, 10.6), (18.6, 5.4))
    below = lambda x, y: x + y > 24.0
    above = lambda x, y: x + y <= 24.0
    both = lambda a, b: (lambda x, y: a(x, y) and b(x, y))
    lower_ring = capsule_outline(*lower, r, width)
    upper_ring = capsule_outline(*upper, r, width)
    lower_gap = capsule_outline(*lower, r, width + 1.6)
    upper_gap = capsule_outline(*upper, r, width + 1.6)
    # Lower link everywhere except where the upper one crosses it below the
    # diagonal; upper link everywhere except where the lower crosses above.
    return [
        (minus(lower_ring, both(upper_gap, below)), "ink"),
        (minus(upper_ring, both(lower_gap, above)), "accent"),
    ]


def icon_rss():
    return [
        (circle(6.0, 18.0, 2.6), "accent"),
        (lambda x, y: x >= 3.0 and y <= 21.0 and
         abs(math.hypot(x - 3.5, y - 20.5) - 8.5) <= 1.5, "ink"),
        (lambda x, y: x >= 3.0 and y <= 21.0 and
         abs(math.hypot(x - 3.5, y - 20.5) - 15.0) <= 1.5, "ink"),
    ]


def icon_ical():
    return [
        (rounded_rect(2.5, 4.0, 21.5, 21.5, 2.5), "ink"),
        (rect(4.5, 9.5, 19.5, 19.5), "fill"),
        (rect(4.5, 6.0, 19.5, 8.0), "accent"),
        (rounded_rect(6.5, 1.5, 9.5, 7.5, 1.2), "ink"),
        (rounded_rect(14.5, 1.5, 17.5, 7.5, 1.2), "ink"),
        (rect(11.0, 11.0, 13.0, 18.0), "ink"),
        (rect(8.5, 13.5, 15.5, 15.5), "ink"),
    ]


ICONS = {
    "goback": icon_goback, "list": icon_list, "year": icon_year,
    "print": icon_print, "email": icon_email, "link": icon_link,
    "rss": icon_rss, "ical": icon_ical,
}

# Each toolbar style: the matte (what the icon sits on in that style's
# ActionBar.css) and the colours of the roles. "tiles" draws every icon in
# white on a rounded square of its own colour.
TOOLBARS = {
    "ActionBar - Default": dict(
        matte="#F6F8FA", ink="#1B4F86", fill="#FFFFFF", accent="#D9480F"),
    "ActionBar - Night": dict(
        matte="#2D333B", ink="#E6EDF3", fill="#2D333B", accent="#F0883E"),
    "ActionBar - Plain": dict(
        matte="#FFFFFF", ink="#57606A", fill="#FFFFFF", accent="#57606A"),
    "ActionBar - Tiles": dict(
        matte="#FFFFFF", ink="#FFFFFF", fill=None, accent="#FFFFFF",
        tiles={"goback": "#2F6FB3", "list": "#1A7F37", "year": "#8250DF",
               "print": "#57606A", "email": "#BF3989", "link": "#0A7EA4",
               "rss": "#E16F24", "ical": "#CF222E"}),
}


def draw_icon(name, style):
    canvas = Canvas(24, 24)
    shapes = ICONS[name]()
    tiles = style.get("tiles")
    if tiles:
        tile = hex_rgb(tiles[name])
        canvas.paint(rounded_rect(0.0, 0.0, 24.0, 24.0, 5.0), tile)
        # The glyph shrinks to 16 units in the middle of the tile; its
        # "fill" parts show the tile through.
        for shape, role in shapes:
            colour = tile if role == "fill" else hex_rgb(style[role])
            canvas.paint(moved(shape, 0.68, 3.84, 3.84), colour)
    else:
        for shape, role in shapes:
            canvas.paint(shape, hex_rgb(style[role]))
    return gif(24, 24, canvas.flattened(hex_rgb(style["matte"]), levels=15))


# ---- month tabs ----
#
# A tab is a rounded-top box: a gradient fill, a one-pixel border on the
# top and sides, no bottom edge (the bar's line under the tabs closes it).
# The left picture is the left edge with its corner; the right picture is
# wide enough for any caption and carries the top-right corner.

TAB_HEIGHT = 64
LEFT_WIDTH = 8
RIGHT_WIDTH = 480
TAB_RADIUS = 5.0

# top, bottom: the fill's gradient over the first GRADIENT rows; border;
# highlight: a lighter first row inside the border (None for none).
GRADIENT = 30
TABS = {
    "tabs - dark black": dict(
        matte="#FFFFFF",
        plain=dict(top="#4A4D52", bottom="#1C1E21", border="#111214", highlight="#6A6E74"),
        on=dict(top="#0B0C0D", bottom="#000000", border="#000000", highlight="#F88017")),
    "tabs - ocean blue": dict(
        matte="#FFFFFF",
        plain=dict(top="#EEF5FC", bottom="#CFE1F3", border="#8FB3DA", highlight="#FFFFFF"),
        on=dict(top="#3A7DC4", bottom="#1B4F86", border="#1B4F86", highlight="#6FA3DA")),
    "tabs - soft grey": dict(
        matte="#FFFFFF",
        plain=dict(top="#F6F8FA", bottom="#E4E8EC", border="#D0D7DE", highlight="#FFFFFF"),
        on=dict(top="#FFFFFF", bottom="#FFFFFF", border="#D0D7DE", highlight="#8C959F")),
    "tabs - forest": dict(
        matte="#FFFFFF",
        plain=dict(top="#EEF5EA", bottom="#CFE2C5", border="#8FB07F", highlight="#FFFFFF"),
        on=dict(top="#4C8A41", bottom="#2A5A24", border="#234D1E", highlight="#7DB26F")),
    "tabs - sunset": dict(
        matte="#FFFFFF",
        plain=dict(top="#FFF6EC", bottom="#FADDBD", border="#E3A868", highlight="#FFFFFF"),
        on=dict(top="#F59A4E", bottom="#C9621A", border="#A94F12", highlight="#FFC28F")),
}


def draw_tab_half(colours, side):
    width = LEFT_WIDTH if side == "left" else RIGHT_WIDTH
    top, bottom = hex_rgb(colours["top"]), hex_rgb(colours["bottom"])
    border = hex_rgb(colours["border"])
    highlight = colours.get("highlight")
    canvas = Canvas(width, TAB_HEIGHT)
    # The whole tab as it would be, cut to this half: the left half's box
    # runs far to the right, the right half's box far to the left.
    if side == "left":
        x0, x1 = 0.0, width + 20.0
    else:
        x0, x1 = -20.0, float(width)
    outer = rounded_rect(x0, 0.0, x1, TAB_HEIGHT + 20.0, TAB_RADIUS)
    inner = rounded_rect(x0 + 1.0, 1.0, x1 - 1.0, TAB_HEIGHT + 20.0, TAB_RADIUS - 1.0)

    def fill_colour(y):
        return mix(top, bottom, min(1.0, y / GRADIENT))

    corner = int(TAB_RADIUS) + 2
    corners = [(0, 0, corner, corner)] if side == "left" else [
        (width - corner, 0, width, corner)]
    # Pixels away from the corners are either fully in or out: set them
    # directly, then supersample only the corners.
    for y in range(TAB_HEIGHT):
        for x in range(width):
            if any(cx0 <= x < cx1 and cy0 <= y < cy1 for cx0, cy0, cx1, cy1 in corners):
                continue
            px, py = x + 0.5, y + 0.5
            if inner(px, py):
                colour = fill_colour(y)
                if highlight and y == 1:
                    colour = hex_rgb(highlight)
                canvas.blend(x, y, colour, 1.0)
            elif outer(px, py):
                canvas.blend(x, y, border, 1.0)
    for box in corners:
        canvas.paint(outer, border, box=box)
        canvas.paint(inner, fill_colour(2), box=box)
        if highlight:
            canvas.paint(lambda x, y: inner(x, y) and 1.0 <= y < 2.0,
                         hex_rgb(highlight), box=box)
    return canvas


def tab_gif(colours, side, matte):
    canvas = draw_tab_half(colours, side)
    return gif(canvas.width, canvas.height, canvas.flattened(hex_rgb(matte), levels=8))


# ---- language flags ----

FLAG_W, FLAG_H = 60, 39
FRAME = (140, 146, 154)


def flag_stripes(colours, vertical=False, weights=None):
    weights = weights or [1] * len(colours)
    total = sum(weights)
    span = FLAG_W if vertical else FLAG_H
    edges, acc = [], 0
    for w in weights:
        acc += w
        edges.append(round(span * acc / total))

    def colour_at(x, y):
        pos = x if vertical else y
        for edge, colour in zip(edges, colours):
            if pos < edge:
                return hex_rgb(colour)
        return hex_rgb(colours[-1])
    return colour_at


def flag_union(canvas):
    blue, red, white = hex_rgb("#012169"), hex_rgb("#C8102E"), (255, 255, 255)
    w, h = FLAG_W, FLAG_H
    cx, cy = w / 2.0, h / 2.0
    diag = math.hypot(w, h)
    canvas.fill(lambda x, y: blue)

    def saltire_distance(x, y):
        # Signed distances to the two diagonals, in pixels.
        d1 = ((x - cx) * h - (y - cy) * w) / diag
        d2 = ((x - cx) * h + (y - cy) * w) / diag
        return d1, d2

    white_half = h * 0.1
    red_width = h * 0.067

    def white_saltire(x, y):
        d1, d2 = saltire_distance(x, y)
        return min(abs(d1), abs(d2)) <= white_half

    def red_saltire(x, y):
        d1, d2 = saltire_distance(x, y)
        # Counterchanged: in each arm the red lies on the side that turns
        # the flag like a pinwheel.
        if (x - cx) * (y - cy) > 0:   # upper hoist and lower fly arms
            d = d1 if x < cx else -d1
        else:                          # upper fly and lower hoist arms
            d = -d2 if x > cx else d2
        return 0 <= d <= red_width

    canvas.paint(white_saltire, white)
    canvas.paint(red_saltire, red)
    # The upright cross on whole pixels: white a third of the height wide,
    # red a fifth.
    canvas.fill(lambda x, y: white, union(rect(24, 0, 36, h), rect(0, 13, w, 26)))
    canvas.fill(lambda x, y: red, union(rect(26, 0, 34, h), rect(0, 16, w, 23)))


def flag_us(canvas):
    red, blue, white = hex_rgb("#B22234"), hex_rgb("#3C3B6E"), (255, 255, 255)
    stripe = FLAG_H // 13  # 3 pixels
    canvas.fill(lambda x, y: red if (y // stripe) % 2 == 0 else white)
    canton_w, canton_h = 24, 7 * stripe
    canvas.fill(lambda x, y: blue, rect(0, 0, canton_w, canton_h))
    # Stars as small dots: rows of 6 and 5, alternating.
    for row in range(5):
        y = 2.2 + row * 4.1
        count, start = (6, 2.0) if row % 2 == 0 else (5, 4.0)
        for i in range(count):
            canvas.paint(circle(start + i * 4.0, y, 0.95), white,
                         box=(0, 0, canton_w, canton_h))


MAPLE = [  # one half of the leaf, from the tip down to the stem, x >= 0.5
    (0.50, 0.06), (0.575, 0.20), (0.655, 0.16), (0.625, 0.42), (0.755, 0.30),
    (0.785, 0.37), (0.915, 0.345), (0.875, 0.49), (0.915, 0.52), (0.715, 0.68),
    (0.745, 0.76), (0.525, 0.735), (0.53, 0.95),
]


def flag_canada(canvas):
    red = hex_rgb("#D52B1E")
    canvas.fill(flag_stripes(["#D52B1E", "#FFFFFF", "#D52B1E"], vertical=True,
                             weights=[1, 2, 1]))
    half = MAPLE
    outline = half + [(1.0 - x, y) for x, y in reversed(half)]
    size = 27.0
    x0, y0 = FLAG_W / 2.0 - size / 2.0, FLAG_H / 2.0 - size / 2.0 + 0.5
    leaf = polygon([(x0 + x * size, y0 + y * size) for x, y in outline])
    canvas.paint(leaf, red, box=(15, 0, 45, FLAG_H))


def flag_portugal(canvas):
    green, red, yellow = hex_rgb("#046A38"), hex_rgb("#DA291C"), hex_rgb("#FFE900")
    split = 24
    canvas.fill(lambda x, y: green if x < split else red)
    cx, cy = float(split), FLAG_H / 2.0
    canvas.paint(ring(cx, cy, 8.0, 2.2), yellow)
    canvas.paint(stroke([(cx - 8.0, cy), (cx + 8.0, cy)], 1.3), yellow)
    canvas.paint(rounded_rect(cx - 3.6, cy - 4.2, cx + 3.6, cy + 4.8, 2.5), (255, 255, 255))
    canvas.paint(rounded_rect(cx - 2.6, cy - 3.2, cx + 2.6, cy + 3.8, 1.8), red)
    canvas.paint(rounded_rect(cx - 1.1, cy - 1.6, cx + 1.1, cy + 1.8, 0.6), hex_rgb("#1A3E9C"))


def flag_sweden(canvas):
    blue, yellow = hex_rgb("#006AA7"), hex_rgb("#FECC02")
    canvas.fill(lambda x, y: blue)
    canvas.fill(lambda x, y: yellow, union(rect(19, 0, 26, FLAG_H), rect(0, 16, FLAG_W, 23)))


FLAGS = {
    "English": flag_union,
    "American": flag_us,
    "Canadien": flag_canada,
    "Deutsch": lambda c: c.fill(flag_stripes(["#000000", "#DD0000", "#FFCE00"])),
    "Français": lambda c: c.fill(flag_stripes(["#0055A4", "#FFFFFF", "#EF4135"], vertical=True)),
    "Español": lambda c: c.fill(flag_stripes(["#AA151B", "#F1BF00", "#AA151B"], weights=[1, 2, 1])),
    "Nederlands": lambda c: c.fill(flag_stripes(["#AE1C28", "#FFFFFF", "#21468B"])),
    "Italiano": lambda c: c.fill(flag_stripes(["#009246", "#FFFFFF", "#CE2B37"], vertical=True)),
    "Português": flag_portugal,
    "Svenska": flag_sweden,
}


def draw_flag(draw):
    canvas = Canvas(FLAG_W, FLAG_H)
    draw(canvas)
    pixels = canvas.opaque((255, 255, 255))
    for y in range(FLAG_H):
        for x in range(FLAG_W):
            if x in (0, FLAG_W - 1) or y in (0, FLAG_H - 1):
                pixels[y * FLAG_W + x] = FRAME
    return bmp(FLAG_W, FLAG_H, pixels)


# ---- output ----


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(path)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..")
    common = os.path.join(root, "resources", "Common")
    for style_name, style in TOOLBARS.items():
        for icon in ICONS:
            write(os.path.join(common, "ActionBar", style_name, icon + ".gif"),
                  draw_icon(icon, style))
    for style_name, style in TABS.items():
        for state, suffix in (("plain", ""), ("on", "_on")):
            for side in ("left", "right"):
                write(os.path.join(common, "Tabs", style_name, side + suffix + ".gif"),
                      tab_gif(style[state], side, style["matte"]))
    for language, draw in FLAGS.items():
        write(os.path.join(common, "Language", language, "icon.bmp"), draw_flag(draw))


if __name__ == "__main__":
    main()
