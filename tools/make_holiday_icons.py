#!/usr/bin/env python3
"""Draws the holiday pictures in resources/Holidays/.

    tools/make_holiday_icons.py [repository root]

A day cell shows a holiday's picture when the build folder holds a GIF
named after the holiday: the holiday's name with every blank and
apostrophe taken out, plus ".gif" ("Martin Luther King Day" ->
"MartinLutherKingDay.gif", "St Patrick's Day" -> "StPatricksDay.gif").
The generator copies the files of one set folder into the build folder:
US/, Canada/ or Other/ (the holidays typed in by the user). UK/,
Catholic/ and Jewish/ are sets to copy from when a calendar keeps those
days.

Every picture is 32 x 32 with a transparent background, drawn here as a
small SVG on a 32-unit grid and rasterized by Chromium (picture_kit).
The GIF keeps partly covered edge pixels in their own colour instead of
blending them onto a guessed cell colour, so the pictures stay crisp on
light and on dark calendars.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_kit as kit  # noqa: E402
from make_gallery_pictures import MAPLE  # noqa: E402  (the maple leaf outline)

SIZE = 32


# ---- helpers: SVG fragments on the 32-unit grid ----


def pts(points):
    return " ".join("%.2f,%.2f" % p for p in points)


def star_points(cx, cy, r_out, r_in, n=5, rotation=-90.0):
    out = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rotation + i * 180.0 / n)
        out.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return out


def star(cx, cy, r_out, r_in, fill, stroke=None, n=5, width=0.8, rotation=-90.0):
    s = ' stroke="%s" stroke-width="%g" stroke-linejoin="round"' % (stroke, width) if stroke else ""
    return '<polygon points="%s" fill="%s"%s/>' % (
        pts(star_points(cx, cy, r_out, r_in, n, rotation)), fill, s)


def sparkle(cx, cy, r, fill):
    """A four-pointed glint."""
    k = r * 0.22
    return '<path d="M%g,%g Q%g,%g %g,%g Q%g,%g %g,%g Q%g,%g %g,%g Q%g,%g %g,%gZ" fill="%s"/>' % (
        cx, cy - r, cx + k, cy - k, cx + r, cy, cx + k, cy + k, cx, cy + r,
        cx - k, cy + k, cx - r, cy, cx - k, cy - k, cx, cy - r, fill)


def flame(cx, base, height, width, outer, inner=None, core=None):
    """A teardrop flame standing on (cx, base)."""
    def drop(h, w, colour, lift=0.0):
        b = base - lift
        top = b - h
        r = w / 2.0
        return ('<path d="M%.2f,%.2f C%.2f,%.2f %.2f,%.2f %.2f,%.2f '
                'A%.2f,%.2f 0 0 1 %.2f,%.2f C%.2f,%.2f %.2f,%.2f %.2f,%.2f Z" fill="%s"/>' % (
                    cx, top,
                    cx + r * 0.3, top + h * 0.3, cx + r, top + h * 0.45, cx + r, b - r,
                    r, r, cx - r, b - r,
                    cx - r, top + h * 0.45, cx - r * 0.3, top + h * 0.3, cx, top,
                    colour))
    out = drop(height, width, outer)
    if inner:
        out += drop(height * 0.62, width * 0.58, inner, lift=0.4)
    if core:
        out += drop(height * 0.32, width * 0.3, core, lift=0.6)
    return out


def wave_band(x0, x1, y0, y1, amp, phase=0.0, steps=24):
    """A waving strip (flag stripe) between heights y0 and y1."""
    def dy(x):
        return amp * math.sin(phase + (x - x0) / (x1 - x0) * 2 * math.pi)
    top = [(x0 + (x1 - x0) * i / steps, 0) for i in range(steps + 1)]
    upper = [(x, y0 + dy(x)) for x, _ in top]
    lower = [(x, y1 + dy(x)) for x, _ in reversed(top)]
    return upper + lower


# ---- the drawings ----

GOLD, GOLD_DARK = "#F2C12E", "#B98A0E"
RED, RED_DARK = "#D8413A", "#9E2A25"
GREEN, GREEN_DARK = "#2F9A55", "#1D6B3A"
BLUE, BLUE_DARK = "#3A7EC4", "#1B4F86"
BROWN, BROWN_DARK = "#9C6B3E", "#6B4423"
INK = "#2E3140"


def champagne():
    def flute(x, angle, liquid_top):
        return (
            '<g transform="translate(%g,29.5) rotate(%g)">'
            '<path d="M-3.4,-25 L3.4,-25 L2.8,-15.5 C2.4,-12.8 1.2,-11.8 0,-11.8 '
            'C-1.2,-11.8 -2.4,-12.8 -2.8,-15.5 Z" fill="#EAF3FB" stroke="#6F88A6" stroke-width="1"/>'
            '<path d="M-3.1,%g L3.1,%g L2.4,-15.6 C2.1,-13.4 1.1,-12.6 0,-12.6 '
            'C-1.1,-12.6 -2.1,-13.4 -2.4,-15.6 Z" fill="#F4C542"/>'
            '<circle cx="-0.8" cy="-17" r="0.6" fill="#FFF6D0"/>'
            '<circle cx="1" cy="-19.5" r="0.5" fill="#FFF6D0"/>'
            '<rect x="-0.6" y="-12" width="1.2" height="10.5" fill="#6F88A6"/>'
            '<ellipse cx="0" cy="-1.2" rx="3.6" ry="1.2" fill="#EAF3FB" stroke="#6F88A6" stroke-width="1"/>'
            '</g>' % (x, angle, liquid_top, liquid_top))
    return (flute(10.5, 13, -21.5) + flute(21.5, -13, -21)
            + sparkle(16, 3.6, 3.4, "#F2A900")
            + '<circle cx="6" cy="6" r="1" fill="#E0403A"/><circle cx="27" cy="8" r="1" fill="#3A7EC4"/>'
            + '<circle cx="25" cy="3" r="0.8" fill="#2F9A55"/>')


def christmas_tree():
    return (
        '<rect x="14" y="25" width="4" height="5" fill="#8B5A2B"/>'
        '<g fill="%s" stroke="%s" stroke-width="1" stroke-linejoin="round">'
        '<polygon points="16,14 28,26 4,26"/>'
        '<polygon points="16,9.5 25.5,20 6.5,20"/>'
        '<polygon points="16,5.5 22.5,14 9.5,14"/></g>'
        '<path d="M9,19 Q16,22.5 23,18.5" fill="none" stroke="#F2C12E" stroke-width="1"/>'
        '<circle cx="13" cy="12" r="1.3" fill="#E0403A"/>'
        '<circle cx="19" cy="16.5" r="1.3" fill="#3A7EC4"/>'
        '<circle cx="11" cy="23" r="1.4" fill="#F2C12E"/>'
        '<circle cx="21" cy="23.5" r="1.4" fill="#E0403A"/>'
        '<circle cx="16" cy="21" r="1.2" fill="#FFFFFF"/>'
        % (GREEN, GREEN_DARK)
        + star(16, 4.8, 3.4, 1.45, GOLD, GOLD_DARK))


def gift():
    return (
        '<rect x="5.5" y="14.5" width="21" height="14" fill="%s" stroke="%s"/>'
        '<rect x="4.5" y="10.5" width="23" height="5" fill="#E8625A" stroke="%s"/>'
        '<rect x="14.5" y="10.5" width="3" height="18" fill="%s"/>'
        '<g fill="%s" stroke="%s" stroke-width="1">'
        '<path d="M16,10 C13,4 8,5 9,8.5 C9.5,10 12,10.5 16,10Z"/>'
        '<path d="M16,10 C19,4 24,5 23,8.5 C22.5,10 20,10.5 16,10Z"/></g>'
        '<circle cx="16" cy="10" r="1.7" fill="%s" stroke="%s"/>'
        % (RED, RED_DARK, RED_DARK, GOLD, GOLD, GOLD_DARK, GOLD, GOLD_DARK))


def cross_drape():
    return (
        '<path d="M1,31 Q16,22 31,31 Z" fill="#7DB46A" stroke="#4F8A3E"/>'
        '<path d="M14,3 h4 v6 h6 v4 h-6 v14 h-4 v-14 h-6 v-4 h6 z" fill="%s" stroke="%s" '
        'stroke-width="1" stroke-linejoin="round"/>'
        '<path d="M11.5,9.5 L20.5,9.5 C19.4,13 19.6,16 20.8,20 L18.2,18.6 L16,21.5 L13.8,18.6 '
        'L11.2,20 C12.4,16 12.6,13 11.5,9.5 Z" fill="#8A58B8" stroke="#5B3585" stroke-width="0.8" '
        'stroke-linejoin="round"/>' % (BROWN, BROWN_DARK))


def easter_egg(shell, edge, band, dots):
    egg = ("M16,3 C22.5,3 26.5,13 26.5,19.5 C26.5,25.5 22,29.5 16,29.5 "
           "C10,29.5 5.5,25.5 5.5,19.5 C5.5,13 9.5,3 16,3 Z")
    zig = " ".join("%g,%g" % (4 + i * 2.4, 16.5 + (1.6 if i % 2 else -1.6)) for i in range(11))
    return (
        '<clipPath id="egg"><path d="%s"/></clipPath>'
        '<path d="%s" fill="%s"/>'
        '<g clip-path="url(#egg)">'
        '<polyline points="%s" fill="none" stroke="%s" stroke-width="2.6" stroke-linejoin="round"/>'
        '<rect x="0" y="22" width="32" height="2.2" fill="%s"/>'
        '<circle cx="11" cy="10.5" r="1.3" fill="%s"/><circle cx="16" cy="8.5" r="1.3" fill="%s"/>'
        '<circle cx="21" cy="10.5" r="1.3" fill="%s"/>'
        '<circle cx="10" cy="27" r="1.2" fill="%s"/><circle cx="16" cy="27.5" r="1.2" fill="%s"/>'
        '<circle cx="22" cy="27" r="1.2" fill="%s"/></g>'
        '<path d="%s" fill="none" stroke="%s" stroke-width="1"/>'
        % (egg, egg, shell, zig, band, "#FFFFFF", dots, dots, dots, dots, dots, dots, egg, edge))


def easter_lily():
    return (
        '<path d="M16,21 C15,25 15.5,28 16.5,31" fill="none" stroke="%s" stroke-width="1.8"/>'
        '<path d="M16.2,27 C11,26 7,27 4,30 C8,31 13,30 16.2,27Z" fill="%s"/>'
        '<path d="M16.3,25 C21,22 25,22.5 28,25 C24,27.5 19.5,27 16.3,25Z" fill="%s"/>'
        '<path d="M16,22 C13,18.5 9,14 4.5,9.5 C8.5,10.5 12,9.5 14,6.5 C15,5 15.5,4 16,2.5 '
        'C16.5,4 17,5 18,6.5 C20,9.5 23.5,10.5 27.5,9.5 C23,14 19,18.5 16,22 Z" fill="#FFFDF4" '
        'stroke="#8C9B6E" stroke-width="1" stroke-linejoin="round"/>'
        '<path d="M16,21 L16,8 M16,20 L11,10 M16,20 L21,10" stroke="#D9E3C4" stroke-width="0.8" fill="none"/>'
        '<path d="M16,17 L13.5,7.5 M16,17 L16,6 M16,17 L18.5,7.5" stroke="#C9A227" stroke-width="0.7" fill="none"/>'
        '<circle cx="13.5" cy="7.2" r="1" fill="#E98A15"/><circle cx="16" cy="5.7" r="1" fill="#E98A15"/>'
        '<circle cx="18.5" cy="7.2" r="1" fill="#E98A15"/>'
        % (GREEN, GREEN, GREEN))


def capitol():
    columns = "".join('<rect x="%g" y="17" width="1" height="5" fill="#8796AA"/>' % x
                      for x in (10.5, 13, 15.5, 18, 20.5))
    return (
        '<rect x="15.5" y="1.5" width="1" height="5" fill="#5F6B7A"/>'
        '<path d="M16.5,1.5 h4 v2.4 h-4 z" fill="#C8342C"/>'
        '<rect x="14.5" y="6" width="3" height="3.5" fill="#EEF1F5" stroke="#7F8FA3" stroke-width="0.8"/>'
        '<path d="M9,15.5 C9,11 12,9 16,9 C20,9 23,11 23,15.5 Z" fill="#EEF1F5" stroke="#7F8FA3"/>'
        '<path d="M12,15.5 C12,12 13.5,10.2 16,10 M20,15.5 C20,12 18.5,10.2 16,10" fill="none" '
        'stroke="#B3BECB" stroke-width="0.8"/>'
        '<rect x="8.5" y="15.5" width="15" height="7" fill="#F6F8FA" stroke="#7F8FA3"/>'
        + columns +
        '<rect x="3.5" y="22.5" width="25" height="5" fill="#EEF1F5" stroke="#7F8FA3"/>'
        '<path d="M5,25 h22" stroke="#B3BECB" stroke-width="0.8"/>'
        '<rect x="1.5" y="27.5" width="29" height="2.5" fill="#DCE2EA" stroke="#7F8FA3"/>')


def dove():
    leaves = "".join(
        '<ellipse cx="%g" cy="%g" rx="1.7" ry="0.8" transform="rotate(%g %g %g)" fill="#4E9A3C"/>'
        % (x, y, a, x, y) for x, y, a in ((27.5, 19.5, 60), (25.2, 21.8, -20), (24.2, 25.5, 50),
                                          (21.8, 26.8, -30)))
    return (
        '<path d="M29.5,15 C29,19 27,23 23,27.5" fill="none" stroke="#4E9A3C" stroke-width="0.9"/>'
        + leaves +
        '<path d="M2,17 L7.5,18.5 L6,21.5 L1.5,23.5 Z" fill="#FFFFFF" stroke="#5D7FA8" '
        'stroke-width="1" stroke-linejoin="round"/>'
        '<path d="M6,19 C9,15.5 14,14.5 19,16 C20.5,12.5 22.5,10.5 25,10.5 C27.3,10.5 28.5,12 '
        '28.8,13.4 L31,14.4 L28.6,15.2 C28,18.5 25.5,21.5 21.5,23 C16,25 10,23.5 6,19 Z" '
        'fill="#FFFFFF" stroke="#5D7FA8" stroke-width="1" stroke-linejoin="round"/>'
        '<path d="M11,17.5 C11.5,10 16,5 24,2.5 C21.5,7 20.5,11 20,16.5 C17,18.5 14,18.5 11,17.5 Z" '
        'fill="#EEF4FB" stroke="#5D7FA8" stroke-width="1" stroke-linejoin="round"/>'
        '<path d="M14,16 C15,11 17.5,8 21,6 M17,16.5 C17.5,13 18.5,10.5 20.5,9" fill="none" '
        'stroke="#A9BED8" stroke-width="0.8"/>'
        '<circle cx="25.5" cy="12.8" r="0.9" fill="%s"/>'
        '<path d="M28.8,13.4 L31,14.4 L28.6,15.2 Z" fill="#F2A33A"/>' % INK)


def top_hat():
    return (
        '<ellipse cx="16" cy="24" rx="13.5" ry="3.6" fill="#2E3140" stroke="#15171E"/>'
        '<path d="M9,5.5 L23,5.5 L22,24 L10,24 Z" fill="#393D4F" stroke="#15171E" stroke-linejoin="round"/>'
        '<rect x="10.2" y="18" width="11.6" height="4" fill="#C8342C"/>'
        '<rect x="10.2" y="19.4" width="11.6" height="1.2" fill="#FFFFFF"/>'
        '<path d="M11.2,7 L10.8,17" stroke="#5B607A" stroke-width="1.2"/>'
        '<ellipse cx="16" cy="5.5" rx="7" ry="1.6" fill="#4A4F66" stroke="#15171E"/>'
        + star(16, 20, 2.2, 0.95, "#FFFFFF", None))


def us_stripes(x0, x1, y0, y1, amp, phase):
    out = []
    h = (y1 - y0) / 7.0
    for i in range(7):
        colour = "#C8283A" if i % 2 == 0 else "#FFFFFF"
        out.append('<polygon points="%s" fill="%s"/>' % (
            pts(wave_band(x0, x1, y0 + i * h, y0 + (i + 1) * h + 0.05, amp, phase)), colour))
    return "".join(out)


def us_flag():
    x0, x1, y0, y1 = 6.0, 30.0, 6.0, 22.0
    amp, phase = 1.4, 0.0
    outline = wave_band(x0, x1, y0, y1, amp, phase)
    canton = wave_band(x0, 17.0, y0, y0 + 4 * (y1 - y0) / 7.0, amp * 0.45, phase, steps=10)
    stars = "".join('<circle cx="%g" cy="%g" r="0.7" fill="#FFFFFF"/>' % (x, y + 0.25 + 0.5 * math.sin(
        (x - x0) / (x1 - x0) * 2 * math.pi))
                    for x in (8, 10.5, 13, 15.5) for y in (7.7, 10.4)) + "".join(
        '<circle cx="%g" cy="%g" r="0.7" fill="#FFFFFF"/>' % (x, 9.05 + 0.5 * math.sin(
            (x - x0) / (x1 - x0) * 2 * math.pi)) for x in (9.25, 11.75, 14.25))
    return (
        '<rect x="3.5" y="3" width="2" height="27" rx="0.8" fill="#9AA3AD" stroke="#5F6770" stroke-width="0.8"/>'
        '<circle cx="4.5" cy="2.8" r="1.8" fill="%s" stroke="%s" stroke-width="0.8"/>' % (GOLD, GOLD_DARK)
        + us_stripes(x0, x1, y0, y1, amp, phase)
        + '<polygon points="%s" fill="#2D3A7A"/>' % pts(canton) + stars
        + '<polygon points="%s" fill="none" stroke="#8A1D2A" stroke-width="0.8"/>' % pts(outline))


def half_staff_flag():
    x0, x1, y0, y1 = 8.5, 28.5, 11.0, 23.0
    amp, phase = 0.9, 0.5
    outline = wave_band(x0, x1, y0, y1, amp, phase)
    canton = wave_band(x0, 17.5, y0, y0 + 4 * (y1 - y0) / 7.0, amp * 0.5, phase, steps=10)
    return (
        '<path d="M2,31 Q7,27 12,31 Z" fill="#7DB46A" stroke="#4F8A3E" stroke-width="0.8"/>'
        '<rect x="6" y="3" width="2" height="27" rx="0.8" fill="#9AA3AD" stroke="#5F6770" stroke-width="0.8"/>'
        '<circle cx="7" cy="2.8" r="1.8" fill="%s" stroke="%s" stroke-width="0.8"/>' % (GOLD, GOLD_DARK)
        + us_stripes(x0, x1, y0, y1, amp, phase)
        + '<polygon points="%s" fill="#2D3A7A"/>' % pts(canton)
        + "".join('<circle cx="%g" cy="%g" r="0.6" fill="#FFFFFF"/>' % (x, y)
                  for x in (10.5, 13, 15.5) for y in (12.9, 15.3))
        + '<polygon points="%s" fill="none" stroke="#8A1D2A" stroke-width="0.8"/>' % pts(outline))


def hard_hat():
    return (
        '<path d="M5,22 C5,13 10,7.5 16,7.5 C22,7.5 27,13 27,22 Z" fill="#F5C02B" stroke="#A77B0A"/>'
        '<path d="M13.5,7.9 C14.5,7.6 17.5,7.6 18.5,7.9 L18.5,22 L13.5,22 Z" fill="#FFD65A" stroke="#A77B0A"/>'
        '<path d="M8,18 C8,13.5 10,11 12,10" fill="none" stroke="#FFF1B8" stroke-width="1.4" '
        'stroke-linecap="round"/>'
        '<path d="M1.5,21.5 H30.5 Q30.5,25.5 27,25.5 H5 Q1.5,25.5 1.5,21.5 Z" fill="#E9AE17" stroke="#A77B0A"/>')


def sailing_ship():
    def sail(x, top, bottom, w):
        return ('<path d="M%g,%g L%g,%g Q%g,%g %g,%g L%g,%g Q%g,%g %g,%g Z" fill="#FFF6E0" '
                'stroke="#A58A5C" stroke-width="0.8" stroke-linejoin="round"/>' % (
                    x - w, top, x + w, top, x + w + 1.2, (top + bottom) / 2, x + w, bottom,
                    x - w, bottom, x - w + 1.2, (top + bottom) / 2, x - w, top))
    return (
        '<path d="M16,3 V20 M10,7 V20 M22,7 V20" stroke="#5E3B1A" stroke-width="1.2"/>'
        + sail(16, 5, 11, 4) + sail(16, 12, 18, 5) + sail(10, 9, 18, 3) + sail(22, 9, 18, 3)
        + '<path d="M16,3 l4,1.2 l-4,1.2 z" fill="#C8342C"/>'
        '<path d="M3,19.5 H29 L25.5,26 H7 Z" fill="#9C6B3E" stroke="#5E3B1A" stroke-linejoin="round"/>'
        '<path d="M5.5,22 H27" stroke="#C8965F" stroke-width="1"/>'
        '<path d="M1,27.5 Q3.5,25.5 6,27.5 T11,27.5 T16,27.5 T21,27.5 T26,27.5 T31,27.5 V31 H1 Z" '
        'fill="#4A90D9" stroke="#1F5F9E" stroke-width="0.8"/>'
        '<path d="M4,29.5 q2,-1 4,0 M14,29.8 q2,-1 4,0 M23,29.5 q2,-1 4,0" fill="none" '
        'stroke="#BFE0FF" stroke-width="0.8"/>')


def ballot_box():
    return (
        '<g transform="rotate(-8 16 9)"><rect x="10.5" y="2.5" width="11" height="13" fill="#FFFFFF" '
        'stroke="#7C8896"/><path d="M12.5,5.5 h7 M12.5,7.5 h5" stroke="#B8C0CA" stroke-width="0.8"/>'
        '<path d="M13,10.5 L15,12.8 L19.5,8.2" fill="none" stroke="#2E9B47" stroke-width="1.8" '
        'stroke-linecap="round" stroke-linejoin="round"/></g>'
        '<rect x="5.5" y="16.5" width="21" height="13" fill="%s" stroke="%s"/>'
        '<rect x="4.5" y="13.5" width="23" height="3.5" fill="#2F6BAA" stroke="%s"/>'
        '<rect x="10" y="14.6" width="12" height="1.3" fill="#0E2D4F"/>' % (BLUE, BLUE_DARK, BLUE_DARK)
        + star(16, 23.5, 4, 1.7, "#FFFFFF", None))


def medal():
    return (
        '<polygon points="8,1.5 14,1.5 18.5,15 13.5,16.5" fill="#C8342C" stroke="#8A1D2A" '
        'stroke-width="0.8" stroke-linejoin="round"/>'
        '<polygon points="10.4,1.5 11.8,1.5 16.2,15.6 14.9,16" fill="#FFFFFF"/>'
        '<polygon points="24,1.5 18,1.5 13.5,15 18.5,16.5" fill="#2D5DA8" stroke="#1B3F78" '
        'stroke-width="0.8" stroke-linejoin="round"/>'
        '<polygon points="21.6,1.5 20.2,1.5 15.8,15.6 17.1,16" fill="#FFFFFF"/>'
        '<circle cx="16" cy="22.5" r="7.5" fill="%s" stroke="%s"/>'
        '<circle cx="16" cy="22.5" r="5.6" fill="none" stroke="#FFE27A" stroke-width="0.8"/>'
        % (GOLD, GOLD_DARK) + star(16, 22.8, 4.6, 1.9, "#FFE27A", GOLD_DARK, width=0.7))


def turkey():
    colours = ["#C8342C", "#F28C28", "#F2C12E", "#8B5A2B"]
    feathers = []
    for i, angle in enumerate(range(195, 346, 25)):
        a = math.radians(angle)
        cx, cy = 16 + 8.5 * math.cos(a), 19 + 8.5 * math.sin(a)
        feathers.append('<ellipse cx="%.2f" cy="%.2f" rx="3.1" ry="7" transform="rotate(%g %.2f %.2f)" '
                        'fill="%s" stroke="#6B3A12" stroke-width="0.7"/>'
                        % (cx, cy, angle + 90, cx, cy, colours[i % 4]))
    return (
        "".join(feathers) +
        '<path d="M12,27.5 l-1.5,3 M12,27.5 l0.5,3 M20,27.5 l-0.5,3 M20,27.5 l1.5,3" '
        'stroke="#E9911B" stroke-width="1" stroke-linecap="round"/>'
        '<ellipse cx="16" cy="21" rx="7" ry="7.2" fill="#8B5A2B" stroke="#5E3B1A"/>'
        '<ellipse cx="16" cy="23" rx="4" ry="4" fill="#B07A45"/>'
        '<circle cx="16" cy="12.5" r="4.2" fill="#A46A3A" stroke="#5E3B1A"/>'
        '<circle cx="14.4" cy="11.7" r="1.1" fill="#FFFFFF"/><circle cx="17.6" cy="11.7" r="1.1" fill="#FFFFFF"/>'
        '<circle cx="14.6" cy="11.9" r="0.55" fill="#1A1A1A"/><circle cx="17.4" cy="11.9" r="0.55" fill="#1A1A1A"/>'
        '<path d="M14.8,13.6 L17.2,13.6 L16,15.4 Z" fill="#F2A33A"/>'
        '<path d="M16.6,14.6 C17.8,15.2 17.6,17.2 16.6,17.6 C16.2,16.6 16.2,15.6 16.6,14.6 Z" fill="#D7263D"/>')


def pumpkin_body(fill="#F28C28", edge="#B65E12"):
    return (
        '<ellipse cx="10.5" cy="19.5" rx="6.5" ry="8.5" fill="%s" stroke="%s"/>'
        '<ellipse cx="21.5" cy="19.5" rx="6.5" ry="8.5" fill="%s" stroke="%s"/>'
        '<ellipse cx="16" cy="19.5" rx="6" ry="9.3" fill="%s" stroke="%s"/>'
        '<path d="M15,10.5 C14.5,8 15,6 17,4 L18.5,5 C17,6.5 16.8,8.5 17.2,10.5 Z" fill="#6B7F2A" '
        'stroke="#46561A" stroke-width="0.8"/>' % (fill, edge, fill, edge, fill, edge))


def pumpkin():
    return (pumpkin_body()
            + '<path d="M17.5,7 C20,3 25,3 27,5.5 C24,6 21,7 17.5,7 Z" fill="#4E9A3C" stroke="#2F6B24" '
              'stroke-width="0.8"/>'
            + '<path d="M14,22 C13.5,18 13.5,15 14.5,12 M18,22 C18.5,18 18.5,15 17.5,12" fill="none" '
              'stroke="#FFB366" stroke-width="0.8"/>')


def jack_o_lantern():
    return (pumpkin_body()
            + '<polygon points="9.5,18 12.5,14.5 14,18.5" fill="#FFD23F" stroke="#7A3A05" stroke-width="0.7"/>'
            + '<polygon points="22.5,18 19.5,14.5 18,18.5" fill="#FFD23F" stroke="#7A3A05" stroke-width="0.7"/>'
            + '<path d="M8.5,21.5 Q16,27 23.5,21.5 L21.5,22.5 L20,21.5 L18,23.5 L16,22 L14,23.5 L12,21.5 '
              'L10.5,22.5 Z" fill="#FFD23F" stroke="#7A3A05" stroke-width="0.7" stroke-linejoin="round"/>')


def crown():
    return (
        '<path d="M5,25 L3.5,10.5 L10,16.5 L16,7.5 L22,16.5 L28.5,10.5 L27,25 Z" fill="%s" stroke="%s" '
        'stroke-linejoin="round"/>'
        '<rect x="4.5" y="22.5" width="23" height="5" rx="1" fill="#E0A91A" stroke="%s"/>'
        '<circle cx="3.5" cy="10" r="1.7" fill="%s" stroke="%s" stroke-width="0.8"/>'
        '<circle cx="16" cy="6.8" r="1.8" fill="%s" stroke="%s" stroke-width="0.8"/>'
        '<circle cx="28.5" cy="10" r="1.7" fill="%s" stroke="%s" stroke-width="0.8"/>'
        '<circle cx="16" cy="25" r="1.6" fill="#D7263D"/><circle cx="10" cy="25" r="1.3" fill="#2D5DA8"/>'
        '<circle cx="22" cy="25" r="1.3" fill="#2D5DA8"/>'
        '<path d="M16,13 L17.5,16.5 L16,20 L14.5,16.5 Z" fill="#2E9B47"/>'
        % ((GOLD, GOLD_DARK, GOLD_DARK) + (GOLD, GOLD_DARK) * 3))


def maple_leaf():
    outline = MAPLE + [(1.0 - x, y) for x, y in reversed(MAPLE)]
    size = 31.0
    x0, y0 = 16 - size / 2, 16 - size / 2 + 0.3
    return '<polygon points="%s" fill="#D52B1E" stroke="#9C1A12" stroke-width="0.9" stroke-linejoin="round"/>' % pts(
        [(x0 + x * size, y0 + y * size) for x, y in outline])


def beach_umbrella():
    canopy = ("M6,15 C6,8 11,4 17,4 C23,4 28,8 28,15 Q25.25,13 22.5,15 Q19.75,13 17,15 "
              "Q14.25,13 11.5,15 Q8.75,13 6,15 Z")
    rays = "".join('<path d="M%.2f,%.2f L%.2f,%.2f" stroke="#F6B21B" stroke-width="1" stroke-linecap="round"/>'
                   % (5 + 4.2 * math.cos(math.radians(a)), 6 + 4.2 * math.sin(math.radians(a)),
                      5 + 5.8 * math.cos(math.radians(a)), 6 + 5.8 * math.sin(math.radians(a)))
                   for a in (100, 145, 190, 235, 280))
    return (
        '<circle cx="5" cy="6" r="3" fill="#F6B21B"/>' + rays +
        '<path d="M1,31 Q16,24.5 31,31 Z" fill="#F0D39A" stroke="#C9A55E"/>'
        '<path d="M17,14 L16,29" stroke="#7A5A3A" stroke-width="1.4"/>'
        '<clipPath id="canopy"><path d="%s"/></clipPath>'
        '<path d="%s" fill="#FFFFFF"/>'
        '<g clip-path="url(#canopy)" fill="#D8413A">'
        '<polygon points="17,3 6,16 11.5,16"/><polygon points="17,3 17,16 22.5,16"/></g>'
        '<path d="%s" fill="none" stroke="#9E2A25" stroke-linejoin="round"/>' % (canopy, canopy, canopy))


def poppy():
    return (
        '<path d="M16,20 C16,24 15,27 13,31" fill="none" stroke="#2F7D32" stroke-width="1.8"/>'
        '<path d="M15,25 C19,22 23,23 25,26 C21,27.5 18,27 15,25 Z" fill="#3E9142" stroke="#24602A" '
        'stroke-width="0.7"/>'
        '<g fill="#D7263D" stroke="#8E1122" stroke-width="0.9">'
        '<circle cx="11" cy="16" r="6"/><circle cx="21" cy="16" r="6"/>'
        '<circle cx="11" cy="9.5" r="6.2"/><circle cx="21" cy="9.5" r="6.2"/></g>'
        '<circle cx="16" cy="12.8" r="3.2" fill="#1E1E1E"/>'
        '<circle cx="15" cy="12" r="0.6" fill="#555"/><circle cx="17" cy="13.3" r="0.6" fill="#555"/>')


def maypole():
    ribbons = "".join('<path d="M16,7 L%g,29" stroke="%s" stroke-width="1.3"/>' % (x, c)
                      for x, c in ((3.5, "#D8413A"), (9, "#3A7EC4"), (23, "#F2C12E"), (28.5, "#2F9A55")))
    flowers = "".join('<circle cx="%g" cy="%g" r="1.5" fill="%s"/>' % (x, y, c)
                      for x, y, c in ((13.3, 5.5, "#EE6FA4"), (16, 4, "#F2C12E"), (18.7, 5.5, "#8250DF")))
    return (
        '<path d="M1,31 Q16,27 31,31 Z" fill="#7DB46A" stroke="#4F8A3E"/>'
        + ribbons +
        '<rect x="15" y="5" width="2" height="25" fill="#D3A86C" stroke="#8B6A3A" stroke-width="0.7"/>'
        '<ellipse cx="16" cy="6" rx="4" ry="1.6" fill="#4E9A3C"/>' + flowers)


def tulips():
    def tulip(x, y, fill, edge, angle):
        return ('<g transform="translate(%g,%g) rotate(%g)"><path d="M-4,0 C-4.5,-4 -3.6,-6.5 -2.5,-8 '
                'L-1,-5 L0,-8.5 L1,-5 L2.5,-8 C3.6,-6.5 4.5,-4 4,0 C3.5,2.8 2,4 0,4 C-2,4 -3.5,2.8 -4,0 Z" '
                'fill="%s" stroke="%s" stroke-width="0.9" stroke-linejoin="round"/></g>' % (x, y, angle, fill, edge))
    return (
        '<path d="M10,16 C11,22 14,26 16,31 M22,13 C21,20 18,26 16,31" fill="none" stroke="#2F7D32" '
        'stroke-width="1.6"/>'
        '<path d="M16,31 C10,28 6,24 5,19 C9,20.5 13,24 16,31 Z" fill="#3E9142" stroke="#24602A" '
        'stroke-width="0.7"/>'
        '<path d="M16,31 C21,27 25,24 27,19.5 C23,20.5 19,24 16,31 Z" fill="#3E9142" stroke="#24602A" '
        'stroke-width="0.7"/>'
        + tulip(9.5, 11.5, "#EE5A8A", "#A8285A", -12) + tulip(22.5, 9, "#F7C43A", "#B8860B", 10))


def ice_cream():
    hatch = "".join('<path d="M%g,16 L%g,28" stroke="#B07C35" stroke-width="0.7"/>' % (x, x + 5)
                    for x in (9, 13, 17)) + "".join(
        '<path d="M%g,16 L%g,28" stroke="#B07C35" stroke-width="0.7"/>' % (x, x - 5) for x in (15, 19, 23))
    return (
        '<clipPath id="cone"><polygon points="9.5,15.5 22.5,15.5 16,30.5"/></clipPath>'
        '<polygon points="9.5,15.5 22.5,15.5 16,30.5" fill="#E7B062"/>'
        '<g clip-path="url(#cone)">' + hatch + '</g>'
        '<polygon points="9.5,15.5 22.5,15.5 16,30.5" fill="none" stroke="#A8702A" stroke-linejoin="round"/>'
        '<circle cx="16" cy="12.5" r="6.3" fill="#F49AC1" stroke="#C5648F"/>'
        '<path d="M10,14.5 Q11,18 12.5,15.5 Q14,19 16,16 Q18,19 19.5,15.5 Q21,18 22,14.5" fill="#F49AC1" '
        'stroke="#C5648F" stroke-width="0.9" stroke-linejoin="round"/>'
        '<circle cx="16" cy="7" r="4.5" fill="#A8E6CF" stroke="#5DAE8B"/>'
        '<circle cx="17.5" cy="2.6" r="1.8" fill="#D7263D"/>'
        '<path d="M17.5,1 Q19,-0.5 20.5,0.5" fill="none" stroke="#2F7D32" stroke-width="0.8"/>')


SHIELD = "M6,3.5 H26 V15 C26,22 21.5,26.8 16,29.5 C10.5,26.8 6,22 6,15 Z"


def shield_george():
    return ('<clipPath id="sh"><path d="%s"/></clipPath><path d="%s" fill="#FFFFFF"/>'
            '<g clip-path="url(#sh)" fill="#CF1F2E"><rect x="14" y="0" width="4" height="32"/>'
            '<rect x="0" y="11" width="32" height="4"/></g>'
            '<path d="%s" fill="none" stroke="#7C8896" stroke-width="1.2"/>' % (SHIELD, SHIELD, SHIELD))


def shield_andrew():
    return ('<clipPath id="sh"><path d="%s"/></clipPath><path d="%s" fill="#0065BD"/>'
            '<g clip-path="url(#sh)" stroke="#FFFFFF" stroke-width="3.4">'
            '<path d="M4,1.5 L28,29.5 M28,1.5 L4,29.5"/></g>'
            '<path d="%s" fill="none" stroke="#003F7A" stroke-width="1.2"/>' % (SHIELD, SHIELD, SHIELD))


def daffodil():
    petals = "".join('<ellipse cx="16" cy="6.5" rx="3.2" ry="5.5" transform="rotate(%d 16 12)" '
                     'fill="#FBE26B" stroke="#C9A227" stroke-width="0.8"/>' % a for a in range(0, 360, 60))
    return (
        '<path d="M16,18 C16,23 15,27 15,31" fill="none" stroke="#2F7D32" stroke-width="1.8"/>'
        '<path d="M15.2,31 C10,27 8,22 9,17 C12,21 14.5,25 15.2,31 Z" fill="#3E9142" stroke="#24602A" '
        'stroke-width="0.7"/>'
        + petals +
        '<circle cx="16" cy="12" r="4.3" fill="#F39C1F" stroke="#B86A0B"/>'
        '<circle cx="16" cy="12" r="2.2" fill="#D9780E"/>')


def shamrock():
    leaf = ('<path d="M0,0 C-2,-1.6 -6.8,-3 -6.8,-7.6 C-6.8,-10.6 -3.4,-11.6 0,-8.6 '
            'C3.4,-11.6 6.8,-10.6 6.8,-7.6 C6.8,-3 2,-1.6 0,0 Z" fill="#34A853" stroke="#1D6B31" '
            'stroke-width="0.9" stroke-linejoin="round"/>')
    return (
        '<path d="M16,15 C17,21 19,26 22,30.5" fill="none" stroke="#1D6B31" stroke-width="2" '
        'stroke-linecap="round"/>'
        + "".join('<g transform="translate(16,14.5) rotate(%d)">%s</g>' % (a, leaf) for a in (0, 120, 240))
        + '<circle cx="16" cy="14.5" r="1" fill="#1D6B31"/>')


def bonfire():
    return (
        '<g stroke="#5E3B1A" stroke-width="0.9">'
        '<rect x="3" y="24.5" width="26" height="3.6" rx="1.8" fill="#9C6B3E" transform="rotate(-12 16 26)"/>'
        '<rect x="3" y="24.5" width="26" height="3.6" rx="1.8" fill="#8B5A2B" transform="rotate(12 16 26)"/></g>'
        + flame(16, 26, 23, 16, "#F0642A", "#F8A72C", "#FFE066")
        + '<circle cx="7" cy="8" r="0.9" fill="#F8A72C"/><circle cx="25" cy="5" r="0.9" fill="#F0642A"/>'
        '<circle cx="27" cy="11" r="0.7" fill="#F8A72C"/>')


def bouquet():
    def flower(x, y, r, fill, centre):
        return ('<circle cx="%g" cy="%g" r="%g" fill="%s" stroke="#00000033" stroke-width="0.6"/>'
                '<circle cx="%g" cy="%g" r="%g" fill="%s"/>' % (x, y, r, fill, x, y, r * 0.4, centre))
    return (
        '<ellipse cx="9" cy="15" rx="2" ry="4" transform="rotate(-40 9 15)" fill="#3E9142"/>'
        '<ellipse cx="23" cy="15" rx="2" ry="4" transform="rotate(40 23 15)" fill="#3E9142"/>'
        + flower(10.5, 10, 4, "#E0403A", "#F2C12E") + flower(21.5, 10, 4, "#8250DF", "#F2C12E")
        + flower(16, 5.5, 4, "#F2C12E", "#D9780E") + flower(16, 13, 4.2, "#EE6FA4", "#FFFFFF")
        + '<polygon points="9,16 23,16 16,31" fill="#FCE4EE" stroke="#D68AA8" stroke-linejoin="round"/>'
        '<path d="M12.5,16 L16,31 M19.5,16 L16,31" stroke="#F2BDD2" stroke-width="0.8"/>'
        '<path d="M16,21 C13,18 11,20.5 13,22 Z M16,21 C19,18 21,20.5 19,22 Z" fill="#D8413A"/>'
        '<circle cx="16" cy="21" r="1.2" fill="#B22B24"/>')


def pancake_pan():
    return (
        '<path d="M23,20.5 L31,16.5" stroke="#5E3B1A" stroke-width="3.2" stroke-linecap="round"/>'
        '<ellipse cx="13.5" cy="22" rx="11" ry="8" fill="#3B3F46" stroke="#1E2126"/>'
        '<ellipse cx="13.5" cy="21.5" rx="9" ry="6.2" fill="#50555E"/>'
        '<ellipse cx="13.5" cy="22" rx="6.5" ry="4" fill="#D9A048" fill-opacity="0.55"/>'
        '<g transform="rotate(-18 14 7.5)">'
        '<ellipse cx="14" cy="7.5" rx="8" ry="3.6" fill="#F2C46D" stroke="#C98E2E"/>'
        '<circle cx="11" cy="7" r="1.1" fill="#D9A048"/><circle cx="16" cy="8.3" r="1.3" fill="#D9A048"/>'
        '<circle cx="17.5" cy="6.3" r="0.8" fill="#D9A048"/></g>'
        '<path d="M3.5,14 Q2.5,9 5,5.5 M25.5,11.5 Q27.5,8 26,3.5" fill="none" stroke="#9AA6B4" '
        'stroke-width="1" stroke-linecap="round"/>')


def bethlehem_star():
    rays = ('<path d="M16,1 L17.6,8.4 L25,10 L17.6,11.6 L16,28 L14.4,11.6 L7,10 L14.4,8.4 Z" '
            'fill="%s" stroke="%s" stroke-width="0.8" stroke-linejoin="round"/>' % (GOLD, GOLD_DARK))
    diag = ('<path d="M11,5 L16,10 L21,5 L16,10 L21,15 L16,10 L11,15" stroke="#F7D767" '
            'stroke-width="1" stroke-linecap="round" fill="none"/>')
    return (
        '<path d="M0,31 Q9,24 17,28 Q24,25 32,29 V32 H0 Z" fill="#E3C188" stroke="#B0864A" stroke-width="0.8"/>'
        + diag + rays + '<circle cx="16" cy="10" r="1.6" fill="#FFF6C8"/>'
        + sparkle(6, 20, 1.6, "#F2C12E") + sparkle(26, 19, 1.6, "#F2C12E"))


def ash_cross():
    return (
        '<circle cx="16" cy="16" r="14" fill="#7D4BA3" stroke="#52307A"/>'
        '<path d="M16,6.5 L16,25.5 M9.5,12.5 L22.5,12.5" stroke="#C9C4CC" stroke-width="4" '
        'stroke-linecap="round"/>'
        '<path d="M15,8 L15.5,24 M10.5,13.2 L21.5,12" stroke="#8F8A94" stroke-width="1" stroke-linecap="round"/>'
        '<circle cx="18" cy="18" r="0.7" fill="#8F8A94"/><circle cx="11.5" cy="11.2" r="0.6" fill="#8F8A94"/>')


def palm_frond():
    out = []
    p0, p1, p2 = (7.0, 30.0), (10.0, 12.0), (27.0, 3.0)

    def at(t):
        x = (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0]
        y = (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]
        dx = 2 * (1 - t) * (p1[0] - p0[0]) + 2 * t * (p2[0] - p1[0])
        dy = 2 * (1 - t) * (p1[1] - p0[1]) + 2 * t * (p2[1] - p1[1])
        n = math.hypot(dx, dy)
        return x, y, dx / n, dy / n
    for i in range(9):
        t = 0.2 + i * 0.085
        x, y, dx, dy = at(t)
        length = 9.0 * (1 - t) + 2.5
        for side in (1, -1):
            # Leaflets lean forward along the rib.
            nx, ny = -dy * side, dx * side
            ex, ey = x + (nx * 0.8 + dx * 0.6) * length, y + (ny * 0.8 + dy * 0.6) * length
            out.append('<path d="M%.2f,%.2f L%.2f,%.2f" stroke="#3FA34D" stroke-width="1.4" '
                       'stroke-linecap="round"/>' % (x, y, ex, ey))
    return ('<path d="M%g,%g Q%g,%g %g,%g" fill="none" stroke="#2F7D32" stroke-width="1.6" '
            'stroke-linecap="round"/>' % (p0 + p1 + p2) + "".join(out))


def chalice():
    return (
        '<path d="M8.5,9 H23.5 C23.5,15.5 20.5,18.5 16,18.5 C11.5,18.5 8.5,15.5 8.5,9 Z" fill="%s" '
        'stroke="%s"/>' % (GOLD, GOLD_DARK) +
        '<path d="M11,11 C11.5,14 13,16 15,16.5" fill="none" stroke="#FFE9A0" stroke-width="1" '
        'stroke-linecap="round"/>'
        '<rect x="14.8" y="18.5" width="2.4" height="7" fill="%s" stroke="%s" stroke-width="0.8"/>'
        '<ellipse cx="16" cy="21.5" rx="2.8" ry="1.4" fill="%s" stroke="%s" stroke-width="0.8"/>'
        '<path d="M9.5,29.5 Q16,22.5 22.5,29.5 Z" fill="%s" stroke="%s" stroke-linejoin="round"/>'
        % ((GOLD, GOLD_DARK) * 3) +
        '<circle cx="16" cy="5.5" r="4.5" fill="#FFFDF4" stroke="#BFAE80"/>'
        '<path d="M16,3 V8 M13.5,5.5 H18.5" stroke="#D6C79C" stroke-width="0.9"/>')


def pentecost_flame():
    return (flame(16, 29.5, 27, 19, "#D7263D", "#F28C28", "#FFE066")
            + '<path d="M16,30 H16" stroke="none"/>')


def ascension():
    rays = []
    for i, a in enumerate(range(-160, -15, 18)):
        r = math.radians(a)
        rays.append('<polygon points="16,17 %.2f,%.2f %.2f,%.2f" fill="%s"/>' % (
            16 + 17 * math.cos(r - 0.09), 17 + 17 * math.sin(r - 0.09),
            16 + 17 * math.cos(r + 0.09), 17 + 17 * math.sin(r + 0.09),
            "#F6C945" if i % 2 == 0 else "#FBE08A"))
    return (
        "".join(rays) +
        '<path d="M6,27 C2.5,27 2.5,21.5 6.5,21.5 C6.5,17.5 11.5,16 13.5,19 C15,15 21.5,15 22,19.5 '
        'C26,18.5 29,22 27,25 C30,27 28,29.5 25.5,29 L7,29 C5,29 4.5,27.5 6,27 Z" fill="#FFFFFF" '
        'stroke="#8FA6C2" stroke-linejoin="round"/>'
        '<path d="M10,24 C11,22.5 13,22.3 14.5,23.5" fill="none" stroke="#C9D6E6" stroke-width="0.9"/>')


def candle(x=16.0, top=13.0, bottom=29.0, width=6.0):
    return ('<rect x="%g" y="%g" width="%g" height="%g" rx="1" fill="#FFF4D6" stroke="#BFAE80"/>'
            '<path d="M%g,%g V%g" stroke="#E8DDBE" stroke-width="1"/>'
            '<path d="M%g,%g V%g" stroke="#3B3B3B" stroke-width="0.8"/>' % (
                x - width / 2, top, width, bottom - top, x - width / 2 + 1.5, top + 1.5, bottom - 1.5,
                x, top, top - 1.5))


def candle_halo():
    rays = "".join('<path d="M%.2f,%.2f L%.2f,%.2f" stroke="%s" stroke-width="1.2" stroke-linecap="round"/>'
                   % (16 + 8 * math.cos(math.radians(a)), 8.5 + 8 * math.sin(math.radians(a)),
                      16 + 10.5 * math.cos(math.radians(a)), 8.5 + 10.5 * math.sin(math.radians(a)), GOLD)
                   for a in (-150, -120, -90, -60, -30, 0, 180))
    return ('<circle cx="16" cy="8.5" r="6.8" fill="#FFF1A8" stroke="%s" stroke-width="1.2"/>' % GOLD
            + rays + candle(16, 14.5, 30, 8) + flame(16, 13, 9, 5, "#F28C28", "#FFD23F"))


def grave_lantern():
    return (
        '<path d="M12,5 H20 L22,8.5 H10 Z" fill="#D6AE3A" stroke="#8E6E12" stroke-width="0.8" '
        'stroke-linejoin="round"/>'
        '<path d="M16,1.5 V5" stroke="#8E6E12" stroke-width="1.2"/>'
        '<rect x="9.5" y="8.5" width="13" height="19" rx="2" fill="#C8342C" stroke="#7E1C17"/>'
        '<ellipse cx="16" cy="17.5" rx="4.5" ry="6.5" fill="#E86A3A"/>'
        + flame(16, 21, 9, 4.6, "#FFB23F", "#FFF0A0") +
        '<path d="M12,11 V25" stroke="#E8625A" stroke-width="1"/>'
        '<rect x="8.5" y="27" width="15" height="3" rx="1" fill="#D6AE3A" stroke="#8E6E12" stroke-width="0.8"/>')


def marian_stars():
    stars = "".join(star(16 + 10.2 * math.cos(math.radians(a)), 16 + 10.2 * math.sin(math.radians(a)),
                         2.2, 0.95, "#F7D24A", None, rotation=a) for a in range(-90, 270, 30))
    # A crescent with its horns up: a white disc with a blue one over its top.
    return (
        '<circle cx="16" cy="16" r="14.5" fill="#2D5DA8" stroke="#17386E"/>' + stars +
        '<circle cx="16" cy="17" r="5" fill="#FFFFFF"/>'
        '<circle cx="16" cy="14.6" r="4.8" fill="#2D5DA8"/>')


def apple_honey():
    return (
        '<path d="M13,9.5 C10,7.5 3.5,8.5 3.5,16 C3.5,23 7.5,29.5 10.5,29.5 C11.8,29.5 12.3,28.8 13,28.8 '
        'C13.7,28.8 14.2,29.5 15.5,29.5 C18.5,29.5 22.5,23 22.5,16 C22.5,8.5 16,7.5 13,9.5 Z" '
        'fill="#D7263D" stroke="#8E1122"/>'
        '<path d="M7,14 C6.5,17 7,19 8,21" fill="none" stroke="#F07A8A" stroke-width="1.3" '
        'stroke-linecap="round"/>'
        '<path d="M13,9.5 C13,7.5 13.5,6 14.8,4.5" fill="none" stroke="#6B4423" stroke-width="1.3"/>'
        '<path d="M14.5,6 C16,3 20,2.5 22,4 C19.5,6 17,6.5 14.5,6 Z" fill="#4E9A3C" stroke="#2F6B24" '
        'stroke-width="0.7"/>'
        '<rect x="19.5" y="18.5" width="11" height="11.5" rx="3" fill="#F2A516" stroke="#A35F00"/>'
        '<rect x="19" y="16" width="12" height="3" rx="1" fill="#C8342C" stroke="#7E1C17" stroke-width="0.8"/>'
        '<path d="M21.5,19 V22 Q22.5,23.5 23.5,22 V19 M26,19 V20.8 Q26.8,22 27.6,20.8 V19" fill="#F2A516"/>'
        '<path d="M22,24 V28" stroke="#FFD27A" stroke-width="1" stroke-linecap="round"/>')


def shofar():
    def centre(t):
        x = 4 + 24 * t
        y = 27 - 21 * t + 9 * math.sin(math.pi * t)
        return x, y
    upper, lower = [], []
    steps = 24
    for i in range(steps + 1):
        t = i / steps
        x, y = centre(t)
        x2, y2 = centre(min(1, t + 0.01))
        x1, y1 = centre(max(0, t - 0.01))
        dx, dy = x2 - x1, y2 - y1
        n = math.hypot(dx, dy)
        nx, ny = -dy / n, dx / n
        w = 0.9 + 3.6 * t ** 1.4
        upper.append((x + nx * w, y + ny * w))
        lower.append((x - nx * w, y - ny * w))
    body = upper + list(reversed(lower))
    bands = []
    for t in (0.35, 0.55, 0.72):
        x, y = centre(t)
        bands.append('<circle cx="%.2f" cy="%.2f" r="%.2f" fill="#B8894E"/>' % (x, y, 0.5))
    ex, ey = centre(1.0)
    bx, by = centre(0.97)
    angle = math.degrees(math.atan2(ey - by, ex - bx))
    return ('<polygon points="%s" fill="#E2BF86" stroke="#8C6334" stroke-linejoin="round"/>' % pts(body)
            + "".join(bands)
            + '<ellipse cx="%.2f" cy="%.2f" rx="1.3" ry="3.6" transform="rotate(%.1f %.2f %.2f)" '
              'fill="#6B4A22"/>' % (ex, ey, angle, ex, ey))


def sukkah():
    leaves = "".join('<ellipse cx="%g" cy="%g" rx="%g" ry="2.2" fill="%s" transform="rotate(%g %g %g)"/>'
                     % (x, y, rx, c, a, x, y)
                     for x, y, rx, c, a in ((6, 9.5, 4, "#3FA34D", -15), (12, 8, 4.2, "#2E8B3E", 10),
                                            (18, 8.5, 4.2, "#3FA34D", -8), (24.5, 9, 4.2, "#2E8B3E", 12),
                                            (9, 11, 3.5, "#2E8B3E", 5), (21, 11, 3.5, "#3FA34D", -5),
                                            (27.5, 11, 3, "#3FA34D", 20), (15, 11.2, 3.2, "#4EB05A", 0)))
    fruit = "".join('<path d="M%g,12 V%g" stroke="#8B6A3A" stroke-width="0.6"/>'
                    '<circle cx="%g" cy="%g" r="1.5" fill="%s"/>' % (x, y - 1.2, x, y, c)
                    for x, y, c in ((10, 17, "#F28C28"), (16, 16, "#D7263D"), (22, 17.5, "#F2C12E")))
    return (
        '<rect x="4.5" y="12" width="23" height="17.5" fill="#F6E7C8" stroke="#B79D72"/>'
        '<rect x="12" y="19" width="8" height="10.5" fill="#E2CFA6" stroke="#B79D72" stroke-width="0.8"/>'
        '<path d="M4.5,12 V30 M27.5,12 V30" stroke="#8B5A2B" stroke-width="1.6"/>'
        + fruit + leaves)


def torah():
    def roller(x):
        return ('<rect x="%g" y="2.5" width="1.6" height="27" rx="0.8" fill="#6B4423"/>'
                '<rect x="%g" y="5.5" width="5" height="21" rx="2.5" fill="#9C6B3E" stroke="#5E3B1A"/>'
                '<circle cx="%g" cy="2.5" r="1.5" fill="%s" stroke="%s" stroke-width="0.7"/>'
                '<circle cx="%g" cy="29.5" r="1.5" fill="%s" stroke="%s" stroke-width="0.7"/>'
                % (x - 0.8, x - 2.5, x, GOLD, GOLD_DARK, x, GOLD, GOLD_DARK))
    lines = "".join('<path d="M11,%g h4.4 M16.6,%g h4.4" stroke="#8C7B57" stroke-width="0.8"/>' % (y, y)
                    for y in (10, 12.5, 15, 17.5, 20, 22.5))
    return ('<rect x="8" y="7.5" width="16" height="17" fill="#FFF7E0" stroke="#BFA874"/>' + lines
            + roller(6.5) + roller(25.5))


def hanukkiah():
    out = ['<path d="M3,19.5 H29" stroke="%s" stroke-width="2" stroke-linecap="round"/>' % GOLD_DARK,
           '<path d="M3,19.5 H29" stroke="%s" stroke-width="1.1" stroke-linecap="round"/>' % GOLD,
           '<rect x="15" y="19" width="2" height="8" fill="%s" stroke="%s" stroke-width="0.6"/>' % (GOLD, GOLD_DARK),
           '<path d="M9.5,30 Q16,24.5 22.5,30 Z" fill="%s" stroke="%s" stroke-width="0.8"/>' % (GOLD, GOLD_DARK)]
    for i in range(9):
        x = 3.6 + i * 3.1
        top = 9.5 if i == 4 else 12.5
        out.append('<rect x="%.2f" y="%g" width="1.8" height="%g" fill="#5B9BE0" stroke="#1F5F9E" '
                   'stroke-width="0.5"/>' % (x - 0.9, top, 19 - top))
        out.append(flame(x, top - 0.3, 3.6, 1.9, "#F28C28", "#FFE066"))
    return "".join(out)


def purim_mask():
    mask = ("M2.5,14 C4.5,9.5 11,9.5 16,12.5 C21,9.5 27.5,9.5 29.5,14 C29.5,19.5 25.5,22.5 21,21.5 "
            "C18.8,21 17.5,18.5 16,18.5 C14.5,18.5 13.2,21 11,21.5 C6.5,22.5 2.5,19.5 2.5,14 Z "
            "M6.5,15.5 C7.5,13 11,13 12.5,15.5 C11,17.5 8,17.5 6.5,15.5 Z "
            "M25.5,15.5 C24.5,13 21,13 19.5,15.5 C21,17.5 24,17.5 25.5,15.5 Z")
    return (
        '<path d="M27,20 L30,31" stroke="%s" stroke-width="1.4" stroke-linecap="round"/>' % GOLD_DARK
        + '<ellipse cx="25" cy="5.5" rx="1.8" ry="5" transform="rotate(25 25 5.5)" fill="#EE6FA4" '
          'stroke="#A8285A" stroke-width="0.7"/>'
          '<ellipse cx="28.5" cy="7" rx="1.6" ry="4.6" transform="rotate(50 28.5 7)" fill="#F2C12E" '
          'stroke="#B98A0E" stroke-width="0.7"/>'
        + '<path d="%s" fill="#8250DF" fill-rule="evenodd" stroke="#4E2A96" stroke-linejoin="round"/>' % mask
        + '<path d="M5,12.5 C8,10.8 12,11 16,13.5 C20,11 24,10.8 27,12.5" fill="none" stroke="%s" '
          'stroke-width="1" stroke-linecap="round"/>' % GOLD
        + '<circle cx="16" cy="15.5" r="1.1" fill="%s"/>' % GOLD)


def matzah_cup():
    dots = "".join('<circle cx="%g" cy="%g" r="0.5" fill="#A8743A"/>' % (x, y)
                   for x in (6.5, 9.5, 12.5, 15.5) for y in (13.5, 16.5, 19.5, 22.5, 25.5))
    return (
        '<g transform="rotate(-6 11 19)"><rect x="3.5" y="11" width="15" height="17" rx="1" fill="#EBC98E" '
        'stroke="#B0834A"/><path d="M3.5,15 H18.5 M3.5,21 H18.5" stroke="#D8AE6A" stroke-width="1.2"/>'
        + dots + '</g>'
        '<path d="M19,6 H29 C29,12 27,14.5 24,14.5 C21,14.5 19,12 19,6 Z" fill="#E1E6EC" stroke="#7C8896"/>'
        '<path d="M19.6,8.5 H28.4 C28,12 26.5,13.6 24,13.6 C21.5,13.6 20,12 19.6,8.5 Z" fill="#9E1B32"/>'
        '<rect x="23.3" y="14.5" width="1.4" height="9" fill="#B8C2CC" stroke="#7C8896" stroke-width="0.6"/>'
        '<path d="M19.5,27.5 Q24,22.5 28.5,27.5 Z" fill="#E1E6EC" stroke="#7C8896" stroke-linejoin="round"/>')


def wheat():
    out = []
    for angle in (-22, 0, 22):
        grains = []
        for i in range(5):
            y = 4 + i * 2.4
            grains.append('<ellipse cx="-1.3" cy="%g" rx="1.1" ry="2" transform="rotate(-25 -1.3 %g)" '
                          'fill="#E8B84A" stroke="#A8801E" stroke-width="0.5"/>' % (y, y))
            grains.append('<ellipse cx="1.3" cy="%g" rx="1.1" ry="2" transform="rotate(25 1.3 %g)" '
                          'fill="#E8B84A" stroke="#A8801E" stroke-width="0.5"/>' % (y, y))
        grains.append('<ellipse cx="0" cy="2.5" rx="1" ry="2" fill="#E8B84A" stroke="#A8801E" stroke-width="0.5"/>')
        out.append('<g transform="rotate(%d 16 30)"><path d="M16,15 V30" stroke="#C9A227" stroke-width="1"/>'
                   '<g transform="translate(16,0)">%s</g></g>' % (angle, "".join(grains)))
    return "".join(out) + ('<path d="M12.5,23 Q16,25.5 19.5,23 L19.5,25.5 Q16,28 12.5,25.5 Z" fill="#3A7EC4" '
                           'stroke="#1B4F86" stroke-width="0.7"/>')


def almond_tree():
    blossoms = "".join('<circle cx="%g" cy="%g" r="1.3" fill="#F7B6CF" stroke="#D6709A" stroke-width="0.5"/>'
                       % p for p in ((9, 10), (14, 6.5), (20, 8), (23.5, 13), (11, 16), (17, 13.5), (21, 18)))
    return (
        '<path d="M14.5,30 C15,25 15,22 13,18 M16.5,30 C16.5,25 17.5,21 20,18 M15.5,22 L15.5,16" '
        'stroke="#7A4E2A" stroke-width="2.4" stroke-linecap="round" fill="none"/>'
        '<g fill="#4EA85A" stroke="#2F7D3A" stroke-width="0.9">'
        '<circle cx="10" cy="14" r="6"/><circle cx="22" cy="14" r="6"/><circle cx="16" cy="9" r="7"/>'
        '<circle cx="16" cy="16" r="5"/></g>' + blossoms +
        '<path d="M8,30 H24" stroke="#7DB46A" stroke-width="1.4" stroke-linecap="round"/>')


def heart():
    path = ("M16,28.5 C10,23.5 2.5,18.5 2.5,11 C2.5,7 5.7,4 9.4,4 C12.4,4 14.5,6 16,8.6 "
            "C17.5,6 19.6,4 22.6,4 C26.3,4 29.5,7 29.5,11 C29.5,18.5 22,23.5 16,28.5 Z")
    return ('<path d="%s" fill="#E0314B" stroke="#A01B32" stroke-linejoin="round"/>'
            '<ellipse cx="9" cy="10" rx="2.4" ry="3.4" transform="rotate(30 9 10)" fill="#F27C8E"/>' % path)


def necktie():
    return (
        '<polygon points="7.5,2.5 14.5,4.5 12.5,10.5" fill="#FFFFFF" stroke="#8A95A3" stroke-linejoin="round"/>'
        '<polygon points="24.5,2.5 17.5,4.5 19.5,10.5" fill="#FFFFFF" stroke="#8A95A3" stroke-linejoin="round"/>'
        '<clipPath id="tie"><polygon points="13.8,9.5 18.2,9.5 21.5,24.5 16,30 10.5,24.5"/></clipPath>'
        '<polygon points="13.8,9.5 18.2,9.5 21.5,24.5 16,30 10.5,24.5" fill="#2F6FB3"/>'
        '<g clip-path="url(#tie)" stroke="#8FB9E6" stroke-width="1.2">'
        '<path d="M8,16 L24,8 M8,21 L24,13 M8,26 L24,18 M8,31 L24,23"/></g>'
        '<polygon points="13.8,9.5 18.2,9.5 21.5,24.5 16,30 10.5,24.5" fill="none" stroke="#1B4F86" '
        'stroke-linejoin="round"/>'
        '<polygon points="13,4 19,4 18,9.8 14,9.8" fill="#2F6FB3" stroke="#1B4F86" stroke-linejoin="round"/>')


def jester_hat():
    return (
        '<path d="M8,23 C7,16 4,11 2.5,8.5 C7,9.5 11,13 13,18 Z" fill="#D8413A" stroke="#8E2520" '
        'stroke-linejoin="round"/>'
        '<path d="M24,23 C25,16 28,11 29.5,8.5 C25,9.5 21,13 19,18 Z" fill="#2F9A55" stroke="#1D6B3A" '
        'stroke-linejoin="round"/>'
        '<path d="M10,23 C11,15 13.5,8 16,4 C18.5,8 21,15 22,23 Z" fill="#8250DF" stroke="#4E2A96" '
        'stroke-linejoin="round"/>'
        '<rect x="6" y="21.5" width="20" height="6" rx="2" fill="%s" stroke="%s"/>' % (GOLD, GOLD_DARK)
        + "".join('<circle cx="%g" cy="%g" r="1.9" fill="%s" stroke="%s" stroke-width="0.8"/>'
                  % (x, y, GOLD, GOLD_DARK) for x, y in ((2.5, 8.5), (16, 3.5), (29.5, 8.5)))
        + '<path d="M9,24.5 h2 M15,24.5 h2 M21,24.5 h2" stroke="#D8413A" stroke-width="1.4"/>')


def globe():
    land = ('<path d="M7,9 C9,6.5 13,6 14.5,8 C15.5,10 13,11 13.5,13 C14,15 17,15 16.5,18 C16,21 13,21 '
            '12.5,24 C12,26 10,25 9,22.5 C8,20 5.5,19 5,16 C4.5,13 5,11 7,9 Z" fill="#46A85A"/>'
            '<path d="M19,6 C21.5,5 25,7 26.5,10 C25,11 23,10 21.5,11.5 C20,13 21,15 19.5,15.5 '
            'C18,15.5 17.5,13 18,11 C18.5,9 17.5,7 19,6 Z" fill="#46A85A"/>'
            '<path d="M21,19 C23,17.5 26.5,18 27.5,20 C26.5,23 24,25.5 21.5,26 C20.5,24 20,21 21,19 Z" '
            'fill="#46A85A"/>')
    return ('<clipPath id="gl"><circle cx="16" cy="16" r="13.5"/></clipPath>'
            '<circle cx="16" cy="16" r="13.5" fill="#3E8FDA"/>'
            '<g clip-path="url(#gl)">' + land + '</g>'
            '<circle cx="16" cy="16" r="13.5" fill="none" stroke="#1F5F9E" stroke-width="1.1"/>'
            '<path d="M8,7.5 C10,5.5 12.5,4.5 15,4.3" fill="none" stroke="#BFE0FF" stroke-width="1.2" '
            'stroke-linecap="round"/>')


def clock_midnight():
    ticks = "".join('<path d="M%.2f,%.2f L%.2f,%.2f" stroke="%s" stroke-width="%g" stroke-linecap="round"/>'
                    % (17 + 8.6 * math.cos(math.radians(a)), 18 + 8.6 * math.sin(math.radians(a)),
                       17 + 10 * math.cos(math.radians(a)), 18 + 10 * math.sin(math.radians(a)),
                       INK, 1.4 if a % 90 == 0 else 0.8) for a in range(0, 360, 30))
    return (
        '<circle cx="17" cy="18" r="12.5" fill="#FFFFFF" stroke="%s" stroke-width="1.8"/>' % INK
        + ticks +
        '<path d="M17,18 L16,10.5 M17,18 L17,7.5" stroke="%s" stroke-width="1.6" stroke-linecap="round"/>' % INK
        + '<circle cx="17" cy="18" r="1.4" fill="#C8342C"/>'
        + sparkle(4.5, 5, 3.6, "#F2A900") + sparkle(29, 4, 2.2, "#3A7EC4")
        + '<circle cx="3.5" cy="14" r="0.9" fill="#E0403A"/><circle cx="9" cy="2" r="0.8" fill="#2F9A55"/>')


def diya():
    dots = "".join('<circle cx="%g" cy="%g" r="0.8" fill="#F7D24A"/>' % (x, y)
                   for x, y in ((8, 23), (12, 24.5), (16, 25), (20, 24.3)))
    return (
        '<ellipse cx="16" cy="12" rx="7.5" ry="8" fill="#FFE9A0" fill-opacity="0.55"/>'
        + flame(16, 17, 12, 6, "#F28C28", "#FFD23F", "#FFF6C8") +
        '<path d="M2.5,19 C9,20.5 19,20.5 29.5,17 C28,24 23,28.5 16,28.5 C9,28.5 4.5,25 2.5,19 Z" '
        'fill="#C8652A" stroke="#7E3A12" stroke-linejoin="round"/>'
        '<path d="M5,20.3 C11,21.3 19,21.3 27.5,18.6" fill="none" stroke="#E89A5E" stroke-width="1"/>' + dots)


def crescent_star():
    return ('<path d="M19,3.5 A12.5,12.5 0 1 0 28.5,23 A10,10 0 1 1 19,3.5 Z" fill="%s" stroke="%s" '
            'stroke-linejoin="round"/>' % (GOLD, GOLD_DARK)
            + star(22.5, 12.5, 4.4, 1.8, GOLD, GOLD_DARK))


def red_lantern():
    ribs = "".join('<ellipse cx="16" cy="17" rx="%g" ry="9" fill="none" stroke="#9E1F1A" stroke-width="0.8"/>'
                   % rx for rx in (3.5, 7.5))
    return (
        '<path d="M16,1 V6" stroke="#8E6E12" stroke-width="1"/>'
        '<path d="M14,27.5 V31 M16,27.5 V31.5 M18,27.5 V31" stroke="%s" stroke-width="0.9"/>' % GOLD_DARK
        + '<ellipse cx="16" cy="17" rx="12" ry="9" fill="#D8312C" stroke="#8E1A16"/>' + ribs
        + '<path d="M8,13 C9,11 10.5,10 12,9.5" fill="none" stroke="#F07A6E" stroke-width="1.2" '
          'stroke-linecap="round"/>'
        '<rect x="11.5" y="6" width="9" height="3" rx="0.8" fill="%s" stroke="%s" stroke-width="0.8"/>'
        '<rect x="11.5" y="25" width="9" height="3" rx="0.8" fill="%s" stroke="%s" stroke-width="0.8"/>'
        % (GOLD, GOLD_DARK, GOLD, GOLD_DARK))


def ballot():
    return ballot_box()


# ---- the sets ----

DRAWINGS = {
    "champagne": champagne, "tree": christmas_tree, "gift": gift, "cross": cross_drape,
    "egg_blue": lambda: easter_egg("#9CD3F5", "#3F86C0", "#EE6FA4", "#F7D24A"),
    "egg_pink": lambda: easter_egg("#F9C4DA", "#C5648F", "#8250DF", "#FFFFFF"),
    "lily": easter_lily, "capitol": capitol, "dove": dove, "top_hat": top_hat,
    "half_staff": half_staff_flag, "us_flag": us_flag, "hard_hat": hard_hat, "ship": sailing_ship,
    "ballot": ballot, "medal": medal, "turkey": turkey, "pumpkin": pumpkin,
    "jack_o_lantern": jack_o_lantern, "crown": crown, "maple": maple_leaf, "beach": beach_umbrella,
    "poppy": poppy, "maypole": maypole, "tulips": tulips, "ice_cream": ice_cream,
    "shield_george": shield_george, "shield_andrew": shield_andrew, "daffodil": daffodil,
    "shamrock": shamrock, "bonfire": bonfire, "bouquet": bouquet, "pancake": pancake_pan,
    "bethlehem": bethlehem_star, "ash_cross": ash_cross, "palm": palm_frond, "chalice": chalice,
    "pentecost": pentecost_flame, "ascension": ascension, "candle_halo": candle_halo,
    "grave_lantern": grave_lantern, "marian": marian_stars, "apple_honey": apple_honey,
    "shofar": shofar, "sukkah": sukkah, "torah": torah, "hanukkiah": hanukkiah, "mask": purim_mask,
    "matzah": matzah_cup, "wheat": wheat, "almond": almond_tree, "heart": heart, "necktie": necktie,
    "jester": jester_hat, "globe": globe, "clock": clock_midnight, "diya": diya,
    "crescent": crescent_star, "lantern": red_lantern,
}

# Holiday name as it appears in the day cell -> drawing. US and Canada hold
# exactly the names of the holiday files; the other sets the best-known days
# under their usual English names.
SETS = {
    "US": [
        ("New Year", "champagne"), ("Inauguration Day", "capitol"),
        ("Martin Luther King Day", "dove"), ("Presidents Day", "top_hat"),
        ("Good Friday", "cross"), ("Memorial Day", "half_staff"),
        ("Independence Day", "us_flag"), ("Labor Day", "hard_hat"), ("Columbus Day", "ship"),
        ("Election Day", "ballot"), ("Veterans Day", "medal"), ("Thanksgiving", "turkey"),
        ("Christmas Day", "tree"),
    ],
    "Canada": [
        ("New Year", "champagne"), ("Good Friday", "cross"), ("Easter Monday", "egg_blue"),
        ("Victoria Day", "crown"), ("Canada Day", "maple"), ("Civic Holiday", "beach"),
        ("Labour Day", "hard_hat"), ("Thanksgiving Day", "pumpkin"),
        ("Remembrance Day", "poppy"), ("Christmas Day", "tree"), ("Boxing Day", "gift"),
    ],
    "UK": [
        ("New Year's Day", "champagne"), ("St David's Day", "daffodil"),
        ("Shrove Tuesday", "pancake"), ("St Patrick's Day", "shamrock"),
        ("Mothering Sunday", "bouquet"), ("Good Friday", "cross"), ("Easter Monday", "egg_blue"),
        ("St George's Day", "shield_george"), ("Early May Bank Holiday", "maypole"),
        ("Spring Bank Holiday", "tulips"), ("Summer Bank Holiday", "ice_cream"),
        ("Bonfire Night", "bonfire"), ("Remembrance Sunday", "poppy"),
        ("St Andrew's Day", "shield_andrew"), ("Christmas Day", "tree"), ("Boxing Day", "gift"),
    ],
    "Catholic": [
        ("Epiphany", "bethlehem"), ("Ash Wednesday", "ash_cross"), ("Palm Sunday", "palm"),
        ("Holy Thursday", "chalice"), ("Good Friday", "cross"), ("Easter Sunday", "lily"),
        ("Ascension Day", "ascension"), ("Pentecost", "pentecost"),
        ("All Saints' Day", "candle_halo"), ("All Souls' Day", "grave_lantern"),
        ("Immaculate Conception", "marian"), ("Christmas Day", "tree"),
    ],
    "Jewish": [
        ("Rosh Hashanah", "apple_honey"), ("Yom Kippur", "shofar"), ("Sukkot", "sukkah"),
        ("Simchat Torah", "torah"), ("Hanukkah", "hanukkiah"), ("Tu BiShvat", "almond"),
        ("Purim", "mask"), ("Passover", "matzah"), ("Shavuot", "wheat"),
    ],
}

# The holidays a user types in (the "Other" column): the days most often
# added, and every day of the three sets above.
OTHER_EXTRA = [
    ("New Year", "champagne"), ("New Year's Eve", "clock"), ("Valentine's Day", "heart"),
    ("April Fools' Day", "jester"), ("Easter", "egg_pink"), ("Earth Day", "globe"),
    ("Mother's Day", "bouquet"), ("Father's Day", "necktie"), ("Halloween", "jack_o_lantern"),
    ("Thanksgiving", "turkey"), ("Lunar New Year", "lantern"), ("Ramadan", "crescent"),
    ("Eid al-Fitr", "crescent"), ("Diwali", "diya"),
]


def file_name(holiday):
    """The generator's rule: blanks and apostrophes removed, ".gif" added."""
    return holiday.replace(" ", "").replace("'", "") + ".gif"


def all_sets():
    sets = {name: list(days) for name, days in SETS.items()}
    other, seen = [], set()
    for name in ("UK", "Catholic", "Jewish"):
        for day in SETS[name]:
            if file_name(day[0]) not in seen:
                seen.add(file_name(day[0]))
                other.append(day)
    for day in OTHER_EXTRA:
        if file_name(day[0]) not in seen:
            seen.add(file_name(day[0]))
            other.append(day)
    sets["Other"] = other
    return sets


def render_drawings(size=SIZE):
    jobs = [dict(key=key, w=size, h=size, svg=kit.svg_doc(make(), size)) for key, make in DRAWINGS.items()]
    return {key: kit.decode_png(png) for key, png in kit.draw(jobs).items()}


def main():
    root = kit.repo_root()
    out = os.path.join(root, "resources", "Holidays")
    pictures = render_drawings()
    gifs = {key: kit.encode_gif(w, h, rgba) for key, (w, h, rgba) in pictures.items()}
    for set_name, days in all_sets().items():
        folder = os.path.join(out, set_name)
        kit.clear_folder(folder, (".gif",))
        for holiday, drawing in days:
            kit.write(os.path.join(folder, file_name(holiday)), gifs[drawing])


if __name__ == "__main__":
    main()
