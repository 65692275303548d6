#!/usr/bin/env python3
"""Draws the pictures that go with the page scripts.

    tools/make_script_pictures.py [repository root]

Writes
  resources/Scroller/lbtn.gif, rbtn.gif  the scroller's step buttons (32 x 32)
  resources/Scroller/blank.jpg           the photo of an event without one:
                                         a plain light grey 120 x 70 baseline
                                         JPEG, a quiet place holder
  resources/thickbox/loading.gif         the overlay's spinner, 12 frames that
                                         loop for ever

Only the standard library is used. Shapes, the canvas and the GIF coder come
from make_pictures.py beside this file; the animated GIF and the JPEG are
written here.
"""

import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_pictures as mp  # noqa: E402

SLATE = (0x2F, 0x41, 0x51)      # the frame colour of the scroller's boxes
WHITE = (0xFF, 0xFF, 0xFF)


# ---- pictures ----


def disc(cx, cy, r):
    def inside(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def draw_button(canvas, pointing_left):
    n = canvas.size
    c = n / 2.0
    canvas.paint(disc(c, c, c - 0.5), SLATE)
    # A chevron, its tip a little off centre so the arrow looks centred.
    s = n / 32.0
    if pointing_left:
        points = [(c + 3 * s, c - 7 * s), (c - 4 * s, c), (c + 3 * s, c + 7 * s)]
    else:
        points = [(c - 3 * s, c - 7 * s), (c + 4 * s, c), (c - 3 * s, c + 7 * s)]
    canvas.paint(mp.stroke(points, 4.0 * s), WHITE)


SPINNER_FRAMES = 12


def draw_spinner(canvas, frame):
    """Twelve dots on a ring; the bright one moves on one place per frame and
    the ones behind it fade, so the ring seems to turn clockwise."""
    n = canvas.size
    c = n / 2.0
    ring = c - 4.5
    for k in range(SPINNER_FRAMES):
        angle = 2 * math.pi * k / SPINNER_FRAMES - math.pi / 2
        behind = (frame - k) % SPINNER_FRAMES     # 0 = the leading dot
        fade = min(1.0, behind / 8.0)
        rgb = tuple(round(SLATE[i] + (0xD8 - SLATE[i]) * fade) for i in range(3))
        radius = 3.2 - 1.0 * fade
        canvas.paint(disc(c + ring * math.cos(angle), c + ring * math.sin(angle), radius), rgb)


# ---- animated GIF89a ----


def animated_gif(canvases, delay_cs):
    """One shared palette (index 0 transparent), a loop-for-ever extension and
    one full-size frame per canvas, each cleared before the next is drawn."""
    frames = [c.rgba() for c in canvases]
    palette = [(0, 0, 0)]
    for pixels in frames:
        for r, g, b, a in pixels:
            if a >= 128 and (r, g, b) not in palette:
                palette.append((r, g, b))
    if len(palette) > 256:
        raise ValueError("too many colours for one GIF palette")
    lookup = {rgb: i for i, rgb in enumerate(palette) if i}
    depth = max(1, (len(palette) - 1).bit_length())
    palette += [(0, 0, 0)] * ((1 << depth) - len(palette))
    n = canvases[0].size

    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", n, n, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    for rgb in palette:
        data += bytes(rgb)
    # Application extension: loop count 0, that is for ever.
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"
    min_code_size = max(2, depth)
    for pixels in frames:
        indices = [0 if a < 128 else lookup[(r, g, b)] for r, g, b, a in pixels]
        # Graphic control: dispose to background (2), index 0 transparent.
        data += b"\x21\xF9\x04" + bytes([(2 << 2) | 1]) + struct.pack("<H", delay_cs) + b"\x00\x00"
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, n, n, 0)
        stream = mp.lzw(indices, min_code_size)
        data.append(min_code_size)
        for i in range(0, len(stream), 255):
            chunk = stream[i:i + 255]
            data.append(len(chunk))
            data += chunk
        data.append(0)
    data += b"\x3B"
    return bytes(data)


# ---- baseline JPEG of one plain grey level ----


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def put(self, code, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((code >> i) & 1)
            self.nbits += 1
            if self.nbits == 8:
                self._byte(self.acc)
                self.acc = 0
                self.nbits = 0

    def _byte(self, b):
        self.out.append(b)
        if b == 0xFF:           # byte stuffing inside entropy-coded data
            self.out.append(0x00)

    def flush(self):
        if self.nbits:          # pad the last byte with 1-bits
            pad = 8 - self.nbits
            self._byte((self.acc << pad) | ((1 << pad) - 1))
            self.acc = 0
            self.nbits = 0
        return bytes(self.out)


def segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def plain_jpeg(width, height, level):
    """A one-component (greyscale) baseline JPEG in which every pixel is
    `level`. Every 8 x 8 block has the same DC value and no AC terms, so two
    tiny Huffman tables cover it: DC sizes {0, s} and AC {end of block}."""
    q_dc = 8
    dc = round((level - 128) * 8 / q_dc)    # the DCT's DC term is 8 x the mean
    size = abs(dc).bit_length()             # the DC difference's size category

    out = bytearray(b"\xFF\xD8")                                  # SOI
    out += segment(0xE0, b"JFIF\x00" + struct.pack(">BBBHHBB", 1, 1, 0, 1, 1, 0, 0))
    quant = bytes([q_dc] + [1] * 63)                              # zig-zag order
    out += segment(0xDB, b"\x00" + quant)                         # DQT table 0
    out += segment(0xC0, struct.pack(">BHHB", 8, height, width, 1)
                   + bytes([1, 0x11, 0]))                         # SOF0, 1 comp.
    # DHT: DC table 0 codes '0' -> size 0 and '10' -> size `size`;
    #      AC table 0 code '0' -> end of block.
    dc_symbols = [0] if size == 0 else [0, size]
    dc_counts = [0] * 16
    dc_counts[0] = 1
    if size:
        dc_counts[1] = 1
    ac_counts = [1] + [0] * 15
    out += segment(0xC4, b"\x00" + bytes(dc_counts) + bytes(dc_symbols)
                   + b"\x10" + bytes(ac_counts) + b"\x00")
    out += segment(0xDA, bytes([1, 1, 0x00, 0, 63, 0]))           # SOS

    bits = BitWriter()
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    for i in range(blocks):
        diff = dc if i == 0 else 0
        if diff == 0:
            bits.put(0b0, 1)
        else:
            bits.put(0b10, 2)
            value = diff if diff > 0 else diff + (1 << size) - 1
            bits.put(value, size)
        bits.put(0b0, 1)                                          # end of block
    out += bits.flush()
    out += b"\xFF\xD9"                                            # EOI
    return bytes(out)


# ---- main ----


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..")
    res = os.path.join(root, "resources")
    mp.write(os.path.join(res, "Scroller", "lbtn.gif"),
             mp.gif(mp.render(lambda c: draw_button(c, True), 32, 4)))
    mp.write(os.path.join(res, "Scroller", "rbtn.gif"),
             mp.gif(mp.render(lambda c: draw_button(c, False), 32, 4)))
    mp.write(os.path.join(res, "Scroller", "blank.jpg"), plain_jpeg(120, 70, 0xEE))
    frames = [mp.render(lambda c, f=f: draw_spinner(c, f), 32, 4)
              for f in range(SPINNER_FRAMES)]
    mp.write(os.path.join(res, "thickbox", "loading.gif"), animated_gif(frames, 8))


if __name__ == "__main__":
    main()
