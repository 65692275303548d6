#!/usr/bin/env python3
"""Draws the picture of the day of the sample calendar.

    tools/make_sample_picture.py [repository root]

Writes resources/samples/riverbank.gif: a 160 x 120 river bank in spring
(sky, sun, hills, trees, the river and its footbridge), painted pixel by
pixel from a few shapes. Only the standard library is used (the GIF
writer of picture_kit), so it can be remade anywhere; the output is the
same on every run.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_kit as kit  # noqa: E402

WIDTH, HEIGHT = 160, 120


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def hill(x, base, height, centre, spread):
    return base - height * math.exp(-((x - centre) / spread) ** 2)


def river_top(x):
    # The far bank bends a little, so the river does not look ruled.
    return 82 + 3 * math.sin(x / 23.0)


def pixel(x, y):
    sky_top, sky_low = (96, 150, 214), (196, 224, 244)
    colour = mix(sky_top, sky_low, y / 70)
    # Sun with a soft rim.
    d = math.hypot(x - 124, y - 22)
    if d < 11:
        colour = (255, 226, 120)
    elif d < 15:
        colour = mix((255, 226, 120), colour, (d - 11) / 4)
    # Two hills behind, the nearer one darker.
    if y > hill(x, 74, 26, 40, 38):
        colour = mix((120, 170, 110), (96, 150, 92), (y - 48) / 30)
    if y > hill(x, 80, 18, 118, 30):
        colour = mix((92, 146, 84), (74, 126, 70), (y - 60) / 24)
    # A row of round trees on the far bank.
    for cx, cy, r in ((18, 70, 7), (30, 68, 8), (88, 71, 6), (100, 69, 7), (146, 70, 6)):
        if math.hypot(x - cx, (y - cy) * 1.15) < r:
            colour = mix((52, 104, 56), (40, 86, 44), (y - cy + r) / (2 * r))
        if abs(x - cx) < 1.2 and cy + r * 0.7 < y < cy + r + 4:
            colour = (92, 68, 44)
    top = river_top(x)
    if y > top:
        colour = mix((70, 122, 180), (44, 88, 148), (y - top) / (HEIGHT - top))
        # Ripples: short light strokes in a staggered pattern.
        if (int(y) % 6 == 0) and ((x + int(y) * 3) % 17) < 6:
            colour = mix(colour, (200, 224, 240), 0.55)
    # The near bank: a strip of grass along the bottom.
    if y > 108 + 3 * math.sin(x / 15.0):
        colour = mix((110, 168, 82), (84, 140, 62), (y - 105) / 15)
    # The footbridge: an arch with railings across the river.
    arch = 104 - 20 * math.sin(math.pi * (x - 62) / 52) if 62 <= x <= 114 else None
    if arch is not None:
        if arch <= y <= arch + 2.5:
            colour = (128, 88, 54)
        elif arch - 7 <= y < arch and (abs(y - (arch - 7)) < 1.2 or (x - 62) % 7 < 1.2):
            colour = (150, 108, 70)
    return colour


def main():
    root = kit.repo_root()
    rgba = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            rgba += bytes(pixel(x + 0.5, y + 0.5)) + b"\xff"
    kit.write(os.path.join(root, "resources", "samples", "riverbank.gif"),
              kit.encode_gif(WIDTH, HEIGHT, bytes(rgba)))


if __name__ == "__main__":
    main()
