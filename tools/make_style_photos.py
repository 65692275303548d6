#!/usr/bin/env python3
"""Paints the pictures that the shipped calendar styles name.

    tools/make_style_photos.py [repository root]

Writes into resources/Common/Styles/:
  Seasons/January.png .. Seasons/December.png   month photos, 900 x 220
  Pastel/pastel-caption.png                     caption background, 960 x 96

Every picture is drawn here from gradients and layered hill silhouettes, so
the pictures are our own, made for this project, and can be remade anywhere:
only the Python standard library is used. The output is deterministic (the
random numbers are seeded per picture).
"""

import math
import os
import random
import struct
import sys
import zlib

PHOTO_W, PHOTO_H = 900, 220


# ---- PNG ------------------------------------------------------------------

def write_png(path, width, height, rows):
    """rows: list of bytearrays of width*3 RGB bytes, top row first."""
    raw = bytearray()
    previous = bytearray(width * 3)
    for row in rows:
        # Filter "Up": the difference to the row above compresses skies and
        # flat hills well.
        raw.append(2)
        raw += bytes((row[i] - previous[i]) & 0xFF for i in range(len(row)))
        previous = row

    def chunk(kind, data):
        body = kind + data
        return (struct.pack(">I", len(data)) + body
                + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---- colour helpers -------------------------------------------------------

def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# ---- scenes ---------------------------------------------------------------
#
# A scene is a sky (gradient top -> horizon), an optional sun or moon with a
# glow, optional stars, and hill layers from the back to the front. A layer is
# (base, amplitude, roughness, colour, [snow line]) with base and amplitude as
# fractions of the picture height; the front layers get darker towards the
# bottom for depth.

SCENES = {
    "January": dict(sky=("#2b3f6b", "#c9d8ec"), sun=(0.72, 0.30, 16, "#fff6e0", 0.5),
                    layers=[(0.45, 0.22, 3, "#8fa4c4", 0.50), (0.62, 0.12, 4, "#b9c8dc", None),
                            (0.80, 0.06, 2, "#e9eef6", None)], flakes=90),
    "February": dict(sky=("#3a2f5c", "#e8b7a8"), sun=(0.25, 0.62, 22, "#ffd9b8", 0.7),
                     layers=[(0.55, 0.16, 3, "#6f6a8f", 0.62), (0.70, 0.10, 5, "#9c9bb8", None),
                             (0.86, 0.05, 3, "#d9dbe8", None)]),
    "March": dict(sky=("#6fa3d6", "#e3f0f4"), sun=(0.80, 0.26, 20, "#fffbe8", 0.45),
                  layers=[(0.52, 0.14, 3, "#8fb39a", None), (0.68, 0.10, 4, "#6e9e6a", None),
                          (0.84, 0.07, 3, "#4f8450", None)]),
    "April": dict(sky=("#8ab6e0", "#f4e6ef"), sun=(0.18, 0.28, 18, "#ffffff", 0.4),
                  layers=[(0.58, 0.12, 3, "#a7c5a0", None), (0.74, 0.09, 4, "#7fb36f", None),
                          (0.88, 0.05, 2, "#5c9a4f", None)], blossoms=140),
    "May": dict(sky=("#4c9ad8", "#dff1f7"), sun=(0.65, 0.22, 22, "#fffbe0", 0.5),
                layers=[(0.50, 0.12, 3, "#8ec3a0", None), (0.66, 0.10, 4, "#5faa57", None),
                        (0.82, 0.06, 3, "#3f8f3c", None)], blossoms=90, blossom_colours=("#f7e36b", "#ffffff")),
    "June": dict(sky=("#2f86d1", "#bfe4f5"), sun=(0.50, 0.20, 26, "#fffde8", 0.6),
                 layers=[(0.56, 0.10, 2, "#7cb8a8", None), (0.72, 0.08, 3, "#4f9d55", None),
                         (0.86, 0.05, 2, "#3a8a3a", None)]),
    "July": dict(sky=("#f07b4f", "#ffd79a"), sun=(0.50, 0.58, 34, "#fff2c0", 0.9),
                 layers=[(0.48, 0.10, 2, "#b0556b", None)], sea=(0.66, "#2f5f8a", "#f2a66b")),
    "August": dict(sky=("#5fa0d8", "#f6e7c1"), sun=(0.30, 0.26, 22, "#fff6d6", 0.6),
                   layers=[(0.58, 0.08, 2, "#b7b07a", None), (0.70, 0.06, 3, "#d9b75a", None),
                           (0.84, 0.04, 2, "#c99a3b", None)], stripes=True),
    "September": dict(sky=("#7a9fc4", "#f3dcb2"), sun=(0.78, 0.40, 22, "#ffe9b8", 0.7),
                      layers=[(0.54, 0.12, 3, "#9a8f6a", None), (0.70, 0.09, 4, "#b48a45", None),
                              (0.85, 0.05, 3, "#8f6a2f", None)]),
    "October": dict(sky=("#5c6f9c", "#f4c08f"), sun=(0.22, 0.46, 20, "#ffd59a", 0.8),
                    layers=[(0.50, 0.14, 3, "#8c5a4a", None), (0.66, 0.10, 4, "#c0612b", None),
                            (0.82, 0.06, 3, "#8e3d1e", None)], trees=26),
    "November": dict(sky=("#4a5563", "#c9c2b8"), sun=(0.70, 0.52, 18, "#f1e4cf", 0.5),
                     layers=[(0.52, 0.12, 3, "#6d6a66", None), (0.68, 0.09, 4, "#857460", None),
                             (0.84, 0.05, 3, "#5d4f40", None)], trees=14),
    "December": dict(sky=("#0b1633", "#3b4f82"), moon=(0.80, 0.26, 14, "#f4f1e6"),
                     layers=[(0.50, 0.20, 3, "#2a3a62", 0.60), (0.66, 0.10, 4, "#8aa0c8", None),
                             (0.82, 0.05, 2, "#dfe7f3", None)], stars=120, flakes=60),
}


def ridge(rng, width, roughness):
    """A smooth random skyline as a function of x in [0, width)."""
    waves = [(rng.uniform(0.6, 1.0) / (k + 1) ** 0.9,
              (k + 1) * roughness * rng.uniform(0.8, 1.2) / width * 2 * math.pi,
              rng.uniform(0, 2 * math.pi)) for k in range(5)]
    total = sum(w[0] for w in waves)
    return [sum(a * math.sin(f * x + p) for a, f, p in waves) / total
            for x in range(width)]


def paint_scene(name, width=PHOTO_W, height=PHOTO_H):
    scene = SCENES[name]
    rng = random.Random(name)
    top, horizon = hex_rgb(scene["sky"][0]), hex_rgb(scene["sky"][1])
    sky_rows = [mix(top, horizon, (y / (height - 1)) ** 0.85) for y in range(height)]

    # Hill tops per layer and column.
    layers = []
    for base, amp, rough, colour, snow in scene["layers"]:
        shape = ridge(rng, width, rough)
        tops = [height * (base - amp * s) for s in shape]
        layers.append((tops, hex_rgb(colour), snow))

    pixels = [[list(sky_rows[y]) for _ in range(width)] for y in range(height)]

    def blend(x, y, colour, alpha):
        if 0 <= x < width and 0 <= y < height and alpha > 0:
            p = pixels[y][x]
            for i in range(3):
                p[i] += (colour[i] - p[i]) * min(1.0, alpha)

    # Stars.
    for _ in range(scene.get("stars", 0)):
        x, y = rng.randrange(width), rng.randrange(int(height * 0.55))
        blend(x, y, (255, 255, 240), rng.uniform(0.4, 1.0))

    # Sun with glow, or moon.
    if "sun" in scene:
        sx, sy, r, colour, glow = scene["sun"]
        cx, cy, colour = sx * width, sy * height, hex_rgb(colour)
        reach = r * 6
        for y in range(max(0, int(cy - reach)), min(height, int(cy + reach))):
            for x in range(max(0, int(cx - reach)), min(width, int(cx + reach))):
                d = math.hypot(x - cx, y - cy)
                if d <= r + 1:
                    blend(x, y, colour, min(1.0, r + 1 - d))
                else:
                    blend(x, y, colour, glow * math.exp(-(d - r) / (r * 1.4)) * 0.6)
    if "moon" in scene:
        sx, sy, r, colour = scene["moon"]
        cx, cy, colour = sx * width, sy * height, hex_rgb(colour)
        for y in range(int(cy - r * 3), int(cy + r * 3)):
            for x in range(int(cx - r * 3), int(cx + r * 3)):
                d = math.hypot(x - cx, y - cy)
                cut = math.hypot(x - cx - r * 0.45, y - cy + r * 0.2)
                if d <= r + 1 and cut > r * 0.85:
                    blend(x, y, colour, min(1.0, r + 1 - d, cut - r * 0.85))
                elif d > r:
                    blend(x, y, colour, 0.25 * math.exp(-(d - r) / r))

    # Sea with a glittering sun path.
    sea = scene.get("sea")
    if sea:
        level, deep, glitter = sea[0] * height, hex_rgb(sea[1]), hex_rgb(sea[2])
        cx = scene["sun"][0] * width
        for y in range(int(level), height):
            depth = max(0.0, (y - level) / (height - level))
            base = mix(mix(horizon, deep, 0.55), deep, depth ** 0.6)
            for x in range(width):
                pixels[y][x] = list(base)
            spread = 20 + 120 * depth
            for x in range(int(cx - spread), int(cx + spread)):
                if rng.random() < 0.22:
                    blend(x, y, glitter, (1 - abs(x - cx) / spread) * 0.9)

    # Hill layers, back to front, with soft edges.
    front = len(layers) - 1
    for index, (tops, colour, snow) in enumerate(layers):
        for x in range(width):
            t = tops[x]
            start = max(0, int(t))
            for y in range(start, height):
                if sea and y >= sea[0] * height and index == 0:
                    break
                shade = colour
                if index == front:
                    shade = mix(colour, (0, 0, 0), (y - t) / height * 0.35)
                if snow is not None and y < height * snow + 6 * math.sin(x / 17.0):
                    shade = mix(shade, (250, 252, 255), 0.85)
                alpha = 1.0 if y >= t + 1 else (y + 1 - t)
                blend(x, y, shade, alpha)

    # Trees: small dark cones standing on the second layer.
    if scene.get("trees"):
        tops = layers[min(1, front)][0]
        tone = mix(layers[min(1, front)][1], (20, 16, 12), 0.55)
        for _ in range(scene["trees"]):
            x0 = rng.randrange(10, width - 10)
            h = rng.uniform(14, 30)
            w = h * 0.32
            ground = tops[x0] + 3
            for y in range(int(ground - h), int(ground) + 1):
                half = w * (y - (ground - h)) / h
                for x in range(int(x0 - half) - 1, int(x0 + half) + 2):
                    cover = min(1.0, half + 0.5 - abs(x - x0))
                    blend(x, y, tone, cover)

    # Field stripes on the front layer.
    if scene.get("stripes"):
        tops = layers[front][0]
        for x in range(width):
            for y in range(int(tops[x]) + 2, height):
                if int((x * 0.6 + (y - tops[x]) * 2.2) / 9) % 2 == 0:
                    blend(x, y, (120, 80, 20), 0.10)

    # Blossoms or flowers scattered on the meadow.
    if scene.get("blossoms"):
        tops = layers[front][0]
        colours = [hex_rgb(c) for c in scene.get("blossom_colours", ("#f6c3d5", "#ffffff"))]
        for _ in range(scene["blossoms"]):
            x = rng.randrange(width)
            y = rng.uniform(tops[x] + 4, height - 2)
            colour = rng.choice(colours)
            r = rng.uniform(1.2, 2.4)
            for yy in range(int(y - 3), int(y + 4)):
                for xx in range(x - 3, x + 4):
                    blend(xx, yy, colour, r + 0.5 - math.hypot(xx - x, yy - y))

    # Falling snow.
    for _ in range(scene.get("flakes", 0)):
        x, y = rng.uniform(0, width), rng.uniform(0, height)
        r = rng.uniform(0.8, 1.8)
        for yy in range(int(y - 2), int(y + 3)):
            for xx in range(int(x - 2), int(x + 3)):
                blend(xx, yy, (255, 255, 255), (r + 0.5 - math.hypot(xx - x, yy - y)) * 0.85)

    return [bytearray(int(round(min(255, max(0, c)))) for p in row for c in p)
            for row in pixels]


def paint_pastel_caption(width=960, height=96):
    """Soft overlapping circles in pastel tints on a warm white."""
    rng = random.Random("pastel")
    ground = hex_rgb("#fbf8ff")
    pixels = [[list(ground) for _ in range(width)] for _ in range(height)]
    tints = [hex_rgb(c) for c in ("#e9defc", "#fde2ec", "#dff3ea", "#fff1d6", "#dcecfb")]
    for _ in range(34):
        cx, cy = rng.uniform(0, width), rng.uniform(-20, height + 20)
        r = rng.uniform(18, 60)
        colour = rng.choice(tints)
        for y in range(max(0, int(cy - r - 1)), min(height, int(cy + r + 2))):
            for x in range(max(0, int(cx - r - 1)), min(width, int(cx + r + 2))):
                d = math.hypot(x - cx, y - cy)
                a = min(1.0, r + 0.5 - d) * 0.55
                if a > 0:
                    p = pixels[y][x]
                    for i in range(3):
                        p[i] += (colour[i] - p[i]) * a
    # Fade towards the bottom so the month name stays easy to read.
    for y in range(height):
        fade = max(0.0, (y / height - 0.45) / 0.55) ** 1.5
        for x in range(width):
            p = pixels[y][x]
            for i in range(3):
                p[i] += (ground[i] - p[i]) * fade
    return [bytearray(int(round(c)) for p in row for c in p) for row in pixels]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    styles = os.path.join(root, "resources", "Common", "Styles")
    seasons = os.path.join(styles, "Seasons")
    os.makedirs(seasons, exist_ok=True)
    for name in SCENES:
        write_png(os.path.join(seasons, name + ".png"), PHOTO_W, PHOTO_H, paint_scene(name))
        print("wrote", os.path.join(seasons, name + ".png"))
    pastel = os.path.join(styles, "Pastel")
    os.makedirs(pastel, exist_ok=True)
    write_png(os.path.join(pastel, "pastel-caption.png"), 960, 96, paint_pastel_caption())
    print("wrote", os.path.join(pastel, "pastel-caption.png"))


if __name__ == "__main__":
    main()
