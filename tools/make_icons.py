#!/usr/bin/env python3
"""Draws the event icons, the category icons and the icon clip art.

    tools/make_icons.py [repository root]

Writes:

- resources/EventIcons/<name>.png: 20 event icons, 32 x 32, in colour,
  with a soft (alpha) edge; the event editor offers this folder and copies
  the chosen file to the calendar's Include folder;
- resources/Icons/<category>.ico: one icon per category name of the eight
  calendar types (16 x 16 and 32 x 32, 32-bit): a white symbol on a
  rounded tile of the category's colour. Numbered names of a kind (Team1 ..
  Team24, Employee1 .. Employee10, Course1 .. Course9) share the symbol and
  step through a row of colours; the plain numbers ("21" .. "30") get none,
  so the program falls back to default.ico;
- resources/ClipArt/Icons/<name>.ico: twelve more icons of the same
  family (reminder, deadline, done ...). The settings window's icon button
  for a category opens this folder and copies the chosen icon to
  Icons/<category>.ico, so they are .ico files and match the tiles there.

Every symbol is one small SVG on a 32-unit grid whose parts carry roles
(class names). In colour each role has its colour and a darker outline;
on a tile every role is white except the "l" roles (and the "m" parts,
which exist only there), which take the tile colour and so read as cut-outs.
Chromium rasterizes them (picture_kit).
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_kit as kit  # noqa: E402


# ---- symbol helpers ----


def pts(points):
    return " ".join("%.2f,%.2f" % p for p in points)


def star_points(cx, cy, r_out, r_in, n=5, rotation=-90.0):
    out = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rotation + i * 180.0 / n)
        out.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return out


def line(cls, d, width):
    """A stroked path: the role's colour on its line, no fill."""
    return '<path class="%s k" d="%s" style="stroke-width:%g"/>' % (cls, d, width)


def person(cx, head_y, scale, cls, gap=False):
    r = 4.3 * scale
    body = ("M%.2f,28 C%.2f,%.2f %.2f,%.2f %.2f,%.2f C%.2f,%.2f %.2f,%.2f %.2f,28 Z" % (
        cx - 7.8 * scale, cx - 7.8 * scale, 28 - 8 * scale, cx - 4.2 * scale, head_y + 7 * scale,
        cx, head_y + 7 * scale, cx + 4.2 * scale, head_y + 7 * scale, cx + 7.8 * scale,
        28 - 8 * scale, cx + 7.8 * scale))
    out = ""
    if gap:
        out += '<path class="m k" d="%s" style="stroke-width:3"/>' % body
        out += '<circle class="m k" cx="%.2f" cy="%.2f" r="%.2f" style="stroke-width:3"/>' % (cx, head_y, r)
    return out + ('<path class="%s" d="%s"/><circle class="%s" cx="%.2f" cy="%.2f" r="%.2f"/>'
                  % (cls, body, cls, cx, head_y, r))


# ---- the symbols (32-unit grid) ----


def g_cake():
    flames = "".join(
        '<path class="f" d="M%g,4 C%g,5.5 %g,6.5 %g,7.3 A1.4,1.4 0 0 1 %g,7.3 C%g,6.5 %g,5.5 %g,4 Z"/>'
        % (x, x + 0.5, x + 1.4, x + 1.4, x - 1.4, x - 1.4, x - 0.5, x) for x in (10.5, 16, 21.5))
    candles = "".join('<rect class="a" x="%g" y="9.5" width="2.2" height="7"/>' % (x - 1.1)
                      for x in (10.5, 16, 21.5))
    return (candles + flames
            + '<rect class="p" x="5.5" y="16.5" width="21" height="10.5" rx="1.5"/>'
            '<path class="s" d="M5.5,16.5 h21 v3.5 q-2.62,2.6 -5.25,0 q-2.62,2.6 -5.25,0 '
            'q-2.62,2.6 -5.25,0 q-2.62,2.6 -5.25,0 z"/>'
            + line("m", "M3,27.2 H29", 1.3)
            + '<rect class="d" x="3.5" y="27.5" width="25" height="2.5" rx="1.25"/>')


def g_meeting():
    return (person(21.5, 9.5, 0.88, "s") + person(11.5, 11.5, 1.0, "p", gap=True))


def g_people():
    return (person(8, 11, 0.78, "s") + person(24, 11, 0.78, "s")
            + person(16, 12, 0.95, "p", gap=True))


def g_person():
    return person(16, 9.5, 1.25, "p")


def g_boss():
    return (person(16, 9.5, 1.25, "p")
            + '<polygon class="l" points="14.6,17.5 17.4,17.5 18.5,25 16,28 13.5,25"/>')


def g_ball():
    centre = star_points(16, 16, 4.4, 4.4 * math.cos(math.radians(36)), 5)[::2]
    out = ['<clipPath id="ball"><circle cx="16" cy="16" r="12.5"/></clipPath>',
           '<circle class="p" cx="16" cy="16" r="12.5"/>', '<g clip-path="url(#ball)">']
    out.append('<polygon class="l n" points="%s"/>' % pts(centre))
    for k in range(5):
        a = math.radians(-90 + 72 * k)
        cx, cy = 16 + 12.2 * math.cos(a), 16 + 12.2 * math.sin(a)
        outer = star_points(cx, cy, 4.2, 3.4, 5, rotation=-90 + 72 * k + 36)[::2]
        out.append('<polygon class="l n" points="%s"/>' % pts(outer))
        vx, vy = centre[k]
        out.append(line("l", "M%.2f,%.2f L%.2f,%.2f" % (vx, vy, 16 + 8.6 * math.cos(a),
                                                         16 + 8.6 * math.sin(a)), 1.3))
    out.append('</g><circle class="c" cx="16" cy="16" r="12.5" fill="none" stroke="#8A939E" '
               'stroke-width="1"/>')
    return "".join(out)


def g_music():
    return ('<ellipse class="p" cx="9" cy="24.5" rx="4.2" ry="3.2" transform="rotate(-20 9 24.5)"/>'
            '<ellipse class="p" cx="23" cy="21.5" rx="4.2" ry="3.2" transform="rotate(-20 23 21.5)"/>'
            '<rect class="p" x="11.6" y="7" width="2.2" height="17"/>'
            '<rect class="p" x="25.6" y="4" width="2.2" height="17"/>'
            '<polygon class="p" points="11.6,6 27.8,2.5 27.8,7.5 11.6,11"/>')


def g_plane():
    return ('<g transform="rotate(45 16 16)">'
            '<path class="p" d="M16,1.5 C17.4,1.5 18.2,3 18.2,5 V26 C18.2,28.5 17.2,30 16,30 '
            'C14.8,30 13.8,28.5 13.8,26 V5 C13.8,3 14.6,1.5 16,1.5 Z"/>'
            '<polygon class="p" points="16,10.5 30,19 30,21.5 16,17.5 2,21.5 2,19"/>'
            '<polygon class="p" points="16,24 22,28.2 22,30 16,28.6 10,30 10,28.2"/>'
            '</g>')


def g_car():
    return ('<path class="p" d="M2.5,22.5 V18 C2.5,16.3 3.5,15.6 5.2,15.2 L9,14.4 L12,9.6 C12.6,8.6 13.5,8 '
            '14.6,8 H21 C22,8 22.9,8.5 23.4,9.4 L26.2,14.4 C28.6,14.9 29.5,16 29.5,18 V22.5 Z"/>'
            '<path class="l" d="M10.8,14.5 L13.4,10.2 H16 V14.5 Z"/>'
            '<path class="l" d="M17.6,10.2 H20.8 L23.4,14.5 H17.6 Z"/>'
            '<circle class="m" cx="9.5" cy="22.5" r="5"/><circle class="m" cx="23" cy="22.5" r="5"/>'
            '<circle class="d" cx="9.5" cy="22.5" r="3.6"/><circle class="d" cx="23" cy="22.5" r="3.6"/>'
            '<circle class="l" cx="9.5" cy="22.5" r="1.4"/><circle class="l" cx="23" cy="22.5" r="1.4"/>')


HEART = ("M16,28.5 C10,23.5 2.5,18.5 2.5,11 C2.5,7 5.7,4 9.4,4 C12.4,4 14.5,6 16,8.6 "
         "C17.5,6 19.6,4 22.6,4 C26.3,4 29.5,7 29.5,11 C29.5,18.5 22,23.5 16,28.5 Z")


def g_heart():
    return ('<path class="p" d="%s"/>'
            '<ellipse class="c h n" cx="9" cy="10" rx="2.3" ry="3.3" transform="rotate(30 9 10)"/>' % HEART)


def g_star():
    return '<polygon class="p" points="%s"/>' % pts(star_points(16, 17, 14.5, 6.2))


def g_book():
    return ('<rect class="p" x="6.5" y="3.5" width="20" height="25" rx="1.5"/>'
            '<rect class="d" x="6.5" y="3.5" width="4" height="25" rx="1.5"/>'
            '<rect class="l" x="10.5" y="24.5" width="16" height="2.5"/>'
            '<rect class="l" x="14" y="8.5" width="9" height="2.6"/>'
            '<rect class="l" x="15.5" y="13" width="6" height="1.5"/>')


def g_phone():
    return ('<rect class="d" x="8.5" y="2.5" width="15" height="27" rx="2.8"/>'
            '<rect class="l" x="10.8" y="6" width="10.4" height="17.5" rx="0.6"/>'
            '<circle class="l" cx="16" cy="26.2" r="1.4"/>')


def g_dollar():
    return ('<circle class="p" cx="16" cy="16" r="13.5"/>'
            + line("l", "M20.6,11.4 C19.7,9.8 18,9 16,9 C13.4,9 11.7,10.4 11.7,12.4 "
                        "C11.7,17 20.5,15.2 20.5,20 C20.5,22 18.5,23.2 16,23.2 C13.8,23.2 12.2,22.4 11.3,20.8", 2.6)
            + line("l", "M16,6.2 V25.8", 2.4))


def g_medical():
    return ('<path class="p" d="M12.3,3.5 h7.4 v8.8 h8.8 v7.4 h-8.8 v8.8 h-7.4 v-8.8 h-8.8 v-7.4 h8.8 z"/>')


def g_food():
    tines = "".join('<rect class="d" x="%g" y="3" width="1.4" height="8"/>' % x for x in (2.6, 4.8, 7.0))
    return ('<circle class="s" cx="16" cy="16.5" r="8"/>'
            + line("l", "M16,11.8 A4.7,4.7 0 1 1 15.99,11.8", 1.2)
            + tines +
            '<path class="d" d="M2.6,10 H8.4 V11.5 C8.4,13 7.4,13.8 6.4,14 V28 C6.4,28.8 5.9,29.3 5.5,29.3 '
            'C5.1,29.3 4.6,28.8 4.6,28 V14 C3.6,13.8 2.6,13 2.6,11.5 Z"/>'
            '<path class="d" d="M25,3 C28.6,4.5 29.4,11 29,17 H26.6 V28 C26.6,28.8 26.1,29.3 25.7,29.3 '
            'C25.3,29.3 25,28.8 25,28 Z"/>')


def g_school():
    return ('<path class="d" d="M8,15 V22 C8,24.5 12,26 16,26 C20,26 24,24.5 24,22 V15 L16,18.5 Z"/>'
            + line("m", "M7,15.2 L16,19.5 L25,15.2", 1.4) +
            '<polygon class="d" points="16,5 31,11.5 16,18 1,11.5"/>'
            + line("a", "M16,11.5 L26.5,14 V21", 1.3) +
            '<rect class="a" x="25.3" y="20.5" width="2.4" height="4.5" rx="0.8"/>')


def g_church():
    return (line("d", "M16,1 V7.5 M13.6,3.4 H18.4", 1.6) +
            '<rect class="p" x="8" y="14" width="16" height="15"/>'
            '<polygon class="s" points="5.5,15.5 16,6.5 26.5,15.5"/>'
            '<path class="l" d="M13.5,29 V24.5 A2.5,2.5 0 0 1 18.5,24.5 V29 Z"/>'
            '<circle class="l" cx="16" cy="18.5" r="1.8"/>')


def g_party():
    return ('<polygon class="p" points="3.5,29 9.5,12 20.5,23"/>'
            + line("l", "M6,22 L13.2,28.3 M7.8,17 L17.6,25.6", 1.6)
            + line("s", "M14,9 C13,6 15,4 17,5", 1.6)
            + line("a", "M20,14 C22.5,11 26,12 27,9.5", 1.6)
            + line("f", "M23,20 C25,19 27.5,20.5 29,19", 1.6) +
            '<circle class="a" cx="21.5" cy="5" r="1.6"/><circle class="f" cx="27.5" cy="14.5" r="1.5"/>'
            '<rect class="s" x="16" y="15" width="2.6" height="2.6" transform="rotate(20 17.3 16.3)"/>'
            '<rect class="f" x="10.5" y="4" width="2.4" height="2.4" transform="rotate(-25 11.7 5.2)"/>'
            '<rect class="s" x="26" y="24" width="2.4" height="2.4" transform="rotate(30 27.2 25.2)"/>')


def g_sun():
    rays = "".join(line("p", "M%.2f,%.2f L%.2f,%.2f" % (
        16 + 10 * math.cos(math.radians(a)), 16 + 10 * math.sin(math.radians(a)),
        16 + 13.5 * math.cos(math.radians(a)), 16 + 13.5 * math.sin(math.radians(a))), 2.6)
        for a in range(0, 360, 45))
    return rays + '<circle class="p" cx="16" cy="16" r="7"/>'


def g_snow():
    out = []
    for a in range(0, 180, 60):
        r = math.radians(a)
        dx, dy = math.cos(r), math.sin(r)
        out.append("M%.2f,%.2f L%.2f,%.2f" % (16 - 13 * dx, 16 - 13 * dy, 16 + 13 * dx, 16 + 13 * dy))
    for a in range(0, 360, 60):
        r = math.radians(a)
        bx, by = 16 + 8.5 * math.cos(r), 16 + 8.5 * math.sin(r)
        for side in (-1, 1):
            b = r + side * math.radians(40) + math.pi
            out.append("M%.2f,%.2f L%.2f,%.2f" % (bx, by, bx - 4 * math.cos(b), by - 4 * math.sin(b)))
    return line("p", " ".join(out), 2.2)


def g_alarm():
    return ('<path class="p" d="M3.5,10.5 A5.5,5.5 0 0 1 11,3.2 Z"/>'
            '<path class="p" d="M28.5,10.5 A5.5,5.5 0 0 0 21,3.2 Z"/>'
            + line("p", "M9,27.5 L6.5,30 M23,27.5 L25.5,30", 2.2) +
            '<circle class="s" cx="16" cy="17.5" r="11"/>'
            + line("l", "M16,17.5 V10.5 M16,17.5 L20.5,20", 2.2) +
            '<circle class="l" cx="16" cy="17.5" r="1.4"/>')


def g_clock():
    return ('<circle class="s" cx="16" cy="16" r="13"/>'
            + line("l", "M16,16 V8 M16,16 L21.5,19", 2.4) +
            '<circle class="l" cx="16" cy="16" r="1.5"/>')


def g_gift():
    return ('<rect class="p" x="5.5" y="15" width="21" height="13.5" rx="0.8"/>'
            '<rect class="p" x="4" y="10" width="24" height="5.5" rx="0.8"/>'
            + line("m", "M4,15.3 H28", 1.3) +
            '<rect class="l" x="14.2" y="10" width="3.6" height="18.5"/>'
            '<path class="a" d="M16,9.5 C13,3.5 7.5,4.5 8.5,8 C9,9.5 11.5,10 16,9.5 Z"/>'
            '<path class="a" d="M16,9.5 C19,3.5 24.5,4.5 23.5,8 C23,9.5 20.5,10 16,9.5 Z"/>')


def g_megaphone():
    return ('<polygon class="p" points="7,11.5 22,5 22,27 7,20.5"/>'
            '<rect class="d" x="3" y="11" width="5" height="10" rx="1.2"/>'
            '<path class="d" d="M9,20.5 L12.5,21.8 L11.5,28.5 H8.5 Z"/>'
            '<ellipse class="s" cx="22" cy="16" rx="2.6" ry="11"/>'
            + line("p", "M26.5,11 C28,13.5 28,18.5 26.5,21", 1.8))


def g_briefcase():
    return (line("p", "M12,10.5 V7.2 C12,6.2 12.6,5.5 13.6,5.5 H18.4 C19.4,5.5 20,6.2 20,7.2 V10.5", 2.2) +
            '<rect class="p" x="3" y="10" width="26" height="17.5" rx="2.5"/>'
            '<rect class="l" x="3" y="16.2" width="26" height="1.8"/>'
            '<rect class="a" x="13.8" y="14.5" width="4.4" height="5" rx="1"/>')


def g_house():
    return ('<rect class="s" x="21" y="5" width="3.4" height="7"/>'
            '<rect class="p" x="6.5" y="14" width="19" height="15"/>'
            '<polygon class="s" points="2.5,16 16,4 29.5,16"/>'
            '<rect class="l" x="13.6" y="19.5" width="4.8" height="9.5"/>'
            '<rect class="l" x="8.5" y="17.5" width="3.6" height="3.6"/>'
            '<rect class="l" x="19.9" y="17.5" width="3.6" height="3.6"/>')


def g_tv():
    return (line("d", "M16,7 L11,2 M16,7 L21,2", 1.5)
            + line("d", "M11,23.5 L9,28.5 M21,23.5 L23,28.5", 2)
            + '<rect class="d" x="3" y="6.5" width="26" height="17.5" rx="2"/>'
            '<rect class="l" x="5.7" y="9.2" width="20.6" height="12.1" rx="1"/>')


def g_apple():
    return ('<path class="p" d="M16,9.5 C12.5,7.5 4.5,8 4.5,16.5 C4.5,23.5 8.8,29.5 12.2,29.5 C13.6,29.5 '
            '14.6,28.6 16,28.6 C17.4,28.6 18.4,29.5 19.8,29.5 C23.2,29.5 27.5,23.5 27.5,16.5 '
            'C27.5,8 19.5,7.5 16,9.5 Z"/>'
            + line("d", "M16,9.5 C16,7.5 16.6,5.8 18,4.2", 1.8)
            + '<path class="s" d="M17.5,6 C19,2.5 23.5,2 26,3.5 C23.5,6.5 20.5,7 17.5,6 Z"/>'
            + '<ellipse class="c h n" cx="9.5" cy="15" rx="1.6" ry="3" transform="rotate(15 9.5 15)"/>')


def g_dumbbell():
    return ('<rect class="d" x="7" y="14.4" width="18" height="3.2"/>'
            '<rect class="p" x="2" y="11" width="3.5" height="10" rx="1"/>'
            '<rect class="p" x="5" y="7.5" width="4.5" height="17" rx="1.2"/>'
            '<rect class="p" x="26.5" y="11" width="3.5" height="10" rx="1"/>'
            '<rect class="p" x="22.5" y="7.5" width="4.5" height="17" rx="1.2"/>')


def g_bag():
    return (line("d", "M11,14 V9.5 C11,6 13,4 16,4 C19,4 21,6 21,9.5 V14", 2.2) +
            '<path class="p" d="M5,11 H27 L25.6,28.5 C25.5,29.4 24.9,30 24,30 H8 C7.1,30 6.5,29.4 6.4,28.5 Z"/>'
            '<circle class="l" cx="11" cy="14.5" r="1.3"/><circle class="l" cx="21" cy="14.5" r="1.3"/>')


def g_wrench():
    return ('<g transform="rotate(45 16 16)">'
            '<path class="p" d="M13.6,2.3 A6.2,6.2 0 1 0 18.4,2.3 L18.4,7.5 L13.6,7.5 Z"/>'
            '<rect class="p" x="13.6" y="11" width="4.8" height="19" rx="2.4"/>'
            '<circle class="l" cx="16" cy="26.5" r="1.3"/></g>')


def g_computer():
    return ('<rect class="d" x="3" y="4" width="26" height="18" rx="2"/>'
            '<rect class="l" x="5.7" y="6.7" width="20.6" height="12.6" rx="0.8"/>'
            '<path class="d" d="M13,22 L12,26.5 H20 L19,22 Z"/>'
            '<rect class="d" x="8.5" y="26" width="15" height="2.8" rx="1.2"/>')


def g_easel():
    return (line("d", "M16,20 L9.5,29.5 M16,20 L22.5,29.5 M16,20 V28", 2) +
            '<rect class="d" x="13.5" y="1.8" width="5" height="2.6" rx="0.8"/>'
            '<rect class="s" x="3.5" y="3.8" width="25" height="17" rx="1.2"/>'
            '<rect class="l" x="8" y="13" width="3.6" height="4.8"/>'
            '<rect class="l" x="14.2" y="10" width="3.6" height="7.8"/>'
            '<rect class="l" x="20.4" y="7" width="3.6" height="10.8"/>')


def g_checklist():
    checks = "".join(line("l", "M10.5,%g L12.3,%g L15.3,%g" % (y, y + 1.8, y - 1.6), 1.6)
                     + line("l", "M17.5,%g H22" % (y + 0.3), 1.6) for y in (12, 17.5, 23))
    return ('<rect class="p" x="5.5" y="4.5" width="21" height="25" rx="2"/>'
            '<rect class="s" x="8" y="7.5" width="16" height="19.5" rx="0.6"/>'
            '<rect class="d" x="11.5" y="2.5" width="9" height="4.6" rx="1.2"/>' + checks)


def g_folder():
    return ('<path class="s" d="M3,8 C3,6.8 3.8,6 5,6 H12 L15,9 H27 C28.2,9 29,9.8 29,11 V25 '
            'C29,26.2 28.2,27 27,27 H5 C3.8,27 3,26.2 3,25 Z"/>'
            + line("m", "M3,12.6 H29", 1.3) +
            '<path class="p" d="M3,13.2 H29 V25 C29,26.2 28.2,27 27,27 H5 C3.8,27 3,26.2 3,25 Z"/>')


def g_package():
    return ('<polygon class="p" points="3.5,9.5 16,14.8 16,29.5 3.5,24"/>'
            '<polygon class="s" points="16,14.8 28.5,9.5 28.5,24 16,29.5"/>'
            '<polygon class="a" points="3.5,9.5 16,4 28.5,9.5 16,14.8"/>'
            + line("m", "M3.5,9.5 L16,14.8 L28.5,9.5 M16,14.8 V29.5", 1.3)
            + line("l", "M9.75,6.75 L22.25,12.15 V17", 2))


def g_target():
    return ('<circle class="p" cx="16" cy="16" r="13.5"/><circle class="l" cx="16" cy="16" r="9.6"/>'
            '<circle class="p n" cx="16" cy="16" r="6"/><circle class="l" cx="16" cy="16" r="2.4"/>')


def g_bill():
    return ('<path class="s" d="M7,3 H25 V28.5 L22.75,26.5 L20.5,28.5 L18.25,26.5 L16,28.5 L13.75,26.5 '
            'L11.5,28.5 L9.25,26.5 L7,28.5 Z"/>'
            + line("l", "M10.5,8.5 H21.5 M10.5,12.5 H21.5 M10.5,16.5 H17", 1.6)
            + '<rect class="l" x="15" y="19.5" width="6.5" height="3" rx="0.5"/>')


def g_palette():
    return ('<path class="p" d="M16,3.5 C8,3.5 3,9.5 3,16 C3,23 8.5,28.5 15,28.5 C17.5,28.5 18.2,26.6 '
            '17.2,25 C16.2,23.4 16.8,21.5 19.2,21.5 H23 C26.5,21.5 29,19 29,15 C29,8.5 23,3.5 16,3.5 Z"/>'
            '<circle class="l1" cx="9.5" cy="13" r="2.2"/><circle class="l2" cx="14.5" cy="8.5" r="2.2"/>'
            '<circle class="l3" cx="21" cy="9" r="2.2"/><circle class="l4" cx="9" cy="20.5" r="2.2"/>')


def g_leaf():
    return ('<path class="p" d="M5.5,26.5 C5.5,13 12.5,4.5 27.5,4.5 C27.5,19 19.5,26.5 5.5,26.5 Z"/>'
            + line("l", "M5.5,26.5 L21.5,10.5 M11.5,20.5 H18.5 M15.5,16.5 V10.5", 1.5)
            + line("d", "M2.5,29.5 L6.5,25.5", 2))


def g_flask():
    glass = ("M13.5,3.5 V12.3 L5,26 C4,28 5.2,29.5 7.2,29.5 H24.8 C26.8,29.5 28,28 27,26 "
             "L18.5,12.3 V3.5 Z")
    return ('<path class="s" d="%s"/>' % glass
            + '<rect class="s" x="11.5" y="2.5" width="9" height="2.4" rx="1"/>'
            + line("m", "M9.4,19 H22.6", 1.3) +
            '<path class="a" d="M9.8,19.6 H22.2 L26.4,26.4 C27.1,27.8 26.2,28.7 24.8,28.7 H7.2 '
            'C5.8,28.7 4.9,27.8 5.6,26.4 Z"/>'
            '<circle class="l" cx="13" cy="24.5" r="1.6"/><circle class="l" cx="18.5" cy="22.5" r="1.1"/>')


def g_atom():
    return ("".join('<ellipse class="p k" cx="16" cy="16" rx="13" ry="5" transform="rotate(%d 16 16)" '
                    'style="stroke-width:1.9"/>' % a for a in (0, 60, 120))
            + '<circle class="a" cx="16" cy="16" r="2.8"/>')


def g_hourglass():
    return ('<path class="s" d="M9,5 H23 C23,11 18,13.5 18,16 C18,18.5 23,21 23,27 H9 C9,21 14,18.5 14,16 '
            'C14,13.5 9,11 9,5 Z"/>'
            '<path class="l" d="M11.5,9 H20.5 C19.5,11.5 16.8,12.8 16,14 C15.2,12.8 12.5,11.5 11.5,9 Z"/>'
            '<path class="l" d="M10.5,26 C11,22.5 14,21.5 16,20.5 C18,21.5 21,22.5 21.5,26 Z"/>'
            '<rect class="d" x="6" y="2.5" width="20" height="3" rx="1"/>'
            '<rect class="d" x="6" y="26.5" width="20" height="3" rx="1"/>')


def g_math():
    return line("p", "M5,9.5 H14 M9.5,5 V14 M18,9.5 H27 M5.8,18.8 L13.2,26.2 M13.2,18.8 L5.8,26.2 "
                     "M18,20 H27 M18,25.2 H27", 2.8)


def g_speech():
    return ('<path class="p" d="M5,4.5 H27 C28.1,4.5 29,5.4 29,6.5 V20 C29,21.1 28.1,22 27,22 H14.5 '
            'L8,28 V22 H5 C3.9,22 3,21.1 3,20 V6.5 C3,5.4 3.9,4.5 5,4.5 Z"/>'
            + line("l", "M8,10 H24 M8,15.5 H19", 2.2))


def g_globe():
    return ('<circle class="p" cx="16" cy="16" r="13"/>'
            + line("l", "M16,3 V29 M3.6,12 H28.4 M3.6,20 H28.4", 1.5)
            + '<ellipse class="l k" cx="16" cy="16" rx="5.8" ry="13" style="stroke-width:1.5"/>')


def g_cross():
    return '<path class="p" d="M13.5,2.5 h5 v7 h7.5 v5 h-7.5 v15 h-5 v-15 h-7.5 v-5 h7.5 z"/>'


def g_star_david():
    up = star_points(16, 16.5, 13, 13, 3)[::2]
    down = star_points(16, 15.5, 13, 13, 3, rotation=90)[::2]
    return ('<polygon class="p k" points="%s" style="stroke-width:2.4"/>'
            '<polygon class="p k" points="%s" style="stroke-width:2.4"/>' % (pts(up), pts(down)))


def g_crescent():
    return ('<path class="p" d="M18.5,3 A13,13 0 1 0 29,23.5 A10.4,10.4 0 1 1 18.5,3 Z"/>'
            '<polygon class="p" points="%s"/>' % pts(star_points(22.5, 12.5, 4.6, 1.9)))


def g_wheel():
    spokes = " ".join("M%.2f,%.2f L%.2f,%.2f" % (
        16 + 2.5 * math.cos(math.radians(a)), 16 + 2.5 * math.sin(math.radians(a)),
        16 + 13.8 * math.cos(math.radians(a)), 16 + 13.8 * math.sin(math.radians(a)))
        for a in range(0, 360, 45))
    return (line("p", spokes, 1.8)
            + '<circle class="p k" cx="16" cy="16" r="9.5" style="stroke-width:2.4"/>'
            + '<circle class="p" cx="16" cy="16" r="3.3"/>'
            + "".join('<circle class="p" cx="%.2f" cy="%.2f" r="1.6"/>' % (
                16 + 13.8 * math.cos(math.radians(a)), 16 + 13.8 * math.sin(math.radians(a)))
                for a in range(0, 360, 45)))


def g_candle():
    return ('<path class="a" d="M16,2.5 C17,5 19.2,6.8 19.2,9.5 A3.2,3.2 0 0 1 12.8,9.5 C12.8,6.8 15,5 16,2.5 Z"/>'
            '<rect class="s" x="12" y="14.5" width="8" height="15" rx="1"/>'
            '<rect class="c h n" x="13.5" y="16" width="1.4" height="12"/>')


def g_rings():
    return ('<circle class="p k" cx="12" cy="19" r="7.5" style="stroke-width:2.6"/>'
            '<circle class="m k" cx="20" cy="19" r="7.5" style="stroke-width:5"/>'
            '<circle class="p k" cx="20" cy="19" r="7.5" style="stroke-width:2.6"/>'
            '<polygon class="l" points="20,5.5 23,8.6 20,11.6 17,8.6"/>')


def g_drop():
    return ('<path class="p" d="M16,2.5 C18,7.5 25.5,13.5 25.5,20 A9.5,9.5 0 0 1 6.5,20 '
            'C6.5,13.5 14,7.5 16,2.5 Z"/>'
            + line("l", "M11,20.5 C11,23.2 12.8,25 15,25.4", 1.8))


def g_chalice():
    return ('<circle class="s" cx="16" cy="5.5" r="4"/>'
            '<path class="p" d="M8.5,10 H23.5 C23.5,16 20.5,19 16,19 C11.5,19 8.5,16 8.5,10 Z"/>'
            '<rect class="p" x="14.6" y="18.5" width="2.8" height="7.5"/>'
            '<path class="p" d="M9.5,29.5 Q16,22.5 22.5,29.5 Z"/>')


def g_whistle():
    return (line("d", "M6,9.5 C3,9.5 3,5 6,5 C8.5,5 9.5,7 9.5,9", 1.6) +
            '<path class="p" d="M12.5,10 H28.5 V16.5 H21.5 C22,17.5 22.3,18.8 22.3,20 A9.8,9.8 0 1 1 12.5,10 Z"/>'
            '<circle class="l" cx="12.5" cy="20" r="3"/>')


def g_sunrise():
    rays = "".join(line("p", "M%.2f,%.2f L%.2f,%.2f" % (
        16 + 10.5 * math.cos(math.radians(a)), 22 + 10.5 * math.sin(math.radians(a)),
        16 + 14 * math.cos(math.radians(a)), 22 + 14 * math.sin(math.radians(a))), 2.4)
        for a in (-165, -130, -90, -50, -15))
    return (rays + '<path class="p" d="M8,22 A8,8 0 0 1 24,22 Z"/>'
            + line("d", "M2,24.5 H30 M8,28.5 H24", 2.2))


def g_moon():
    return ('<path class="p" d="M20,3 A13,13 0 1 0 29.5,22 A11,11 0 0 1 20,3 Z"/>'
            '<polygon class="a" points="%s"/>' % pts(star_points(24, 8, 3.4, 1.4))
            + '<polygon class="a" points="%s"/>' % pts(star_points(27.5, 15.5, 2.2, 0.9)))


def g_mask():
    return ('<path class="p" d="M5,4.5 C11,7 21,7 27,4.5 C28,12 27,22 16,28.5 C5,22 4,12 5,4.5 Z"/>'
            '<path class="l" d="M8.5,12.5 C9.5,10.5 12.5,10.5 13.5,12.5 C12.5,14 9.5,14 8.5,12.5 Z"/>'
            '<path class="l" d="M23.5,12.5 C22.5,10.5 19.5,10.5 18.5,12.5 C19.5,14 22.5,14 23.5,12.5 Z"/>'
            '<path class="l" d="M10.5,18 C13,22.5 19,22.5 21.5,18 C18,19.5 14,19.5 10.5,18 Z"/>')


def g_bell():
    return ('<path class="p" d="M16,3.5 C21.5,3.5 24.5,8 24.5,13 V19 L28,23.5 H4 L7.5,19 V13 '
            'C7.5,8 10.5,3.5 16,3.5 Z"/>'
            '<circle class="p" cx="16" cy="2.8" r="1.8"/>'
            '<path class="p" d="M12.5,25 A3.5,3.5 0 0 0 19.5,25 Z"/>')


def g_check():
    return line("p", "M5.5,16.5 L12.5,23.5 L26.5,8.5", 4.4)


def g_xmark():
    return line("p", "M8,8 L24,24 M24,8 L8,24", 4.4)


def g_exclamation():
    return ('<path class="p" d="M13.2,4 H18.8 L17.8,20 H14.2 Z"/>'
            '<circle class="p" cx="16" cy="25.8" r="2.8"/>')


def g_question():
    return (line("p", "M10,11 C10,6.5 13,4.5 16.2,4.5 C19.8,4.5 22.5,7 22.5,10.3 C22.5,15.5 16.2,15.5 "
                      "16.2,20.5", 3.8)
            + '<circle class="p" cx="16.2" cy="26.3" r="2.6"/>')


def g_pin():
    return ('<path class="p" d="M16,29.5 C11,22.5 6,18 6,12 A10,10 0 0 1 26,12 C26,18 21,22.5 16,29.5 Z"/>'
            '<circle class="l" cx="16" cy="12" r="3.8"/>')


def g_flag():
    return ('<rect class="p" x="6" y="3" width="2.6" height="26.5" rx="1"/>'
            '<path class="p" d="M8.6,4.5 C13,2.5 17,7 21.5,5.5 C23.5,4.8 25,4.3 27,4 V17 '
            'C25,17.3 23.5,17.8 21.5,18.5 C17,20 13,15.5 8.6,17.5 Z"/>')


def g_camera():
    return ('<path class="p" d="M3,11 C3,9.8 3.8,9 5,9 H10 L12.5,5.5 H19.5 L22,9 H27 C28.2,9 29,9.8 29,11 '
            'V25 C29,26.2 28.2,27 27,27 H5 C3.8,27 3,26.2 3,25 Z"/>'
            '<circle class="l" cx="16" cy="17.5" r="6.6"/><circle class="p" cx="16" cy="17.5" r="4.2"/>'
            '<rect class="l" x="23" y="11.5" width="3" height="2" rx="0.5"/>')


def g_palm():
    def blade(angle, length, width, droop):
        return ('<path class="p" transform="translate(17,10.5) rotate(%g)" d="M0,-0.8 '
                'Q%g,%g %g,%g Q%g,%g 0,0.8 Z"/>' % (
                    angle, length * 0.45, -width, length, droop, length * 0.6, droop * 0.35))
    return ('<path class="p" d="M13,30 C14,24 15.5,17 16,11 L18,11 C18,17 17.5,24 17,30 Z"/>'
            + blade(180, 13, 7, 6) + blade(-135, 11, 6, 4) + blade(-75, 9, 5, 3)
            + blade(-35, 11, 6, 4) + blade(0, 13, 7, 6)
            + '<path class="p" d="M4,31 Q15,26.5 26,31 Z"/>')


def g_bulb():
    rays = "".join(line("a", "M%.2f,%.2f L%.2f,%.2f" % (
        16 + 11.5 * math.cos(math.radians(a)), 12.5 + 11.5 * math.sin(math.radians(a)),
        16 + 14 * math.cos(math.radians(a)), 12.5 + 14 * math.sin(math.radians(a))), 1.8)
        for a in (-160, -125, -90, -55, -20))
    return (rays +
            '<path class="p" d="M16,4 A8.5,8.5 0 0 1 21,19.4 V22 H11 V19.4 A8.5,8.5 0 0 1 16,4 Z"/>'
            '<rect class="d" x="11.5" y="22.5" width="9" height="2.4" rx="0.8"/>'
            '<rect class="d" x="12.5" y="25.5" width="7" height="2.4" rx="0.8"/>'
            '<rect class="d" x="14" y="28.4" width="4" height="1.8" rx="0.8"/>')


SYMBOLS = {
    "cake": g_cake, "meeting": g_meeting, "people": g_people, "person": g_person, "boss": g_boss,
    "ball": g_ball, "music": g_music, "plane": g_plane, "car": g_car, "heart": g_heart,
    "star": g_star, "book": g_book, "phone": g_phone, "dollar": g_dollar, "medical": g_medical,
    "food": g_food, "school": g_school, "church": g_church, "party": g_party, "sun": g_sun,
    "snow": g_snow, "alarm": g_alarm, "clock": g_clock, "gift": g_gift, "megaphone": g_megaphone,
    "briefcase": g_briefcase, "house": g_house, "tv": g_tv, "apple": g_apple,
    "dumbbell": g_dumbbell, "bag": g_bag, "wrench": g_wrench, "computer": g_computer,
    "easel": g_easel, "checklist": g_checklist, "folder": g_folder, "package": g_package,
    "target": g_target, "bill": g_bill, "palette": g_palette, "leaf": g_leaf, "flask": g_flask,
    "atom": g_atom, "hourglass": g_hourglass, "math": g_math, "speech": g_speech,
    "globe": g_globe, "cross": g_cross, "star_david": g_star_david, "crescent": g_crescent,
    "wheel": g_wheel, "candle": g_candle, "rings": g_rings, "drop": g_drop, "chalice": g_chalice,
    "whistle": g_whistle, "sunrise": g_sunrise, "moon": g_moon, "mask": g_mask, "bell": g_bell,
    "check": g_check, "xmark": g_xmark, "exclamation": g_exclamation, "question": g_question,
    "pin": g_pin, "flag": g_flag, "camera": g_camera, "palm": g_palm, "bulb": g_bulb,
}


# ---- styles: colour and tile ----


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def darker(colour, k=0.62):
    return "#%02X%02X%02X" % tuple(round(c * k) for c in hex_rgb(colour))


ROLES = ("p", "s", "d", "a", "f", "l", "l1", "l2", "l3", "l4", "h")


def colour_style(palette):
    rules = [".m{display:none}"]
    for role in ROLES:
        colour = palette.get(role, palette["p"])
        rules.append(".%s{fill:%s;stroke:%s;stroke-width:1;stroke-linejoin:round}" % (
            role, colour, darker(colour)))
        rules.append(".%s.k{fill:none;stroke:%s}" % (role, colour))
    rules.append(".n{stroke:none}.k{stroke-linecap:round;stroke-linejoin:round}")
    return "<style>%s</style>" % "".join(rules)


def tile_style(tile):
    rules = [".c{display:none}"]
    for role in ROLES:
        colour = tile if role.startswith("l") else "#FFFFFF"
        rules.append(".%s{fill:%s;stroke:none}" % (role, colour))
        rules.append(".%s.k{fill:none;stroke:%s}" % (role, colour))
    rules.append(".m{fill:%s;stroke:none}.m.k{fill:none;stroke:%s}" % (tile, tile))
    rules.append(".k{stroke-linecap:round;stroke-linejoin:round}")
    return "<style>%s</style>" % "".join(rules)


def colour_svg(symbol, palette, size):
    # The outline falls half outside the shapes: keep a little margin.
    inner = ('<g transform="translate(0.6,0.6) scale(0.9625)">%s</g>' % SYMBOLS[symbol]())
    return kit.svg_doc(colour_style(palette) + inner, size)


def tile_svg(symbol, tile, size):
    """The symbol in white on a rounded tile of the given colour."""
    base = ('<rect x="0.5" y="0.5" width="31" height="31" rx="6" fill="%s" stroke="%s" '
            'stroke-width="1"/>' % (tile, darker(tile, 0.8)))
    # At 16 pixels the symbol takes a little more of the tile, so it keeps
    # its details.
    scale = 0.72 if size >= 32 else 0.78
    offset = 16 - 16 * scale
    inner = '<g transform="translate(%g,%g) scale(%g)">%s</g>' % (offset, offset, scale, SYMBOLS[symbol]())
    return kit.svg_doc(tile_style(tile) + base + inner, size)


# ---- what is made ----

# The event icons: file name -> symbol and colours.
EVENT_ICONS = {
    "birthday": ("cake", dict(p="#F6D3A6", s="#F49AC1", a="#6FB7F0", f="#F2A900", d="#B8C2CC")),
    "meeting": ("meeting", dict(p="#3A7EC4", s="#8FB9E6")),
    "sports": ("ball", dict(p="#FFFFFF", l="#2E3140")),
    "music": ("music", dict(p="#8250DF")),
    "travel": ("plane", dict(p="#4A90D9")),
    "car": ("car", dict(p="#D8413A", l="#CFE6FA", d="#2E3140")),
    "love": ("heart", dict(p="#E0314B", h="#F27C8E")),
    "star": ("star", dict(p="#F2C12E")),
    "book": ("book", dict(p="#2F6FB3", d="#1B4F86", l="#FFFFFF")),
    "phone": ("phone", dict(p="#2E3140", d="#2E3140", l="#8EC5F5")),
    "money": ("dollar", dict(p="#F2C12E", l="#8A6200")),
    "medical": ("medical", dict(p="#D8413A")),
    "food": ("food", dict(p="#FFFFFF", s="#FFFFFF", l="#C3CCD6", d="#7C8896")),
    "school": ("school", dict(p="#2E3140", d="#2E3140", a="#F2C12E")),
    "church": ("church", dict(p="#EEF1F5", s="#C8342C", d="#6B4423", l="#8B5A2B")),
    "party": ("party", dict(p="#8250DF", l="#F2C12E", s="#EE6FA4", a="#2F9A55", f="#F28C28")),
    "sun": ("sun", dict(p="#F6B21B")),
    "snow": ("snow", dict(p="#3A8FD8")),
    "alarm": ("alarm", dict(p="#D8413A", s="#FFFFFF", l="#2E3140")),
    "gift": ("gift", dict(p="#D8413A", l="#F2C12E", a="#F2C12E")),
}

# Icon clip art: file name -> symbol, tile colour.
CLIPART_ICONS = {
    "reminder": ("bell", "#E16F24"), "alarm": ("alarm", "#CF222E"), "done": ("check", "#1A7F37"),
    "cancelled": ("xmark", "#57606A"), "important": ("exclamation", "#D9480F"),
    "question": ("question", "#8250DF"), "featured": ("star", "#B7860B"),
    "location": ("pin", "#0A7EA4"), "deadline": ("flag", "#CF222E"), "photos": ("camera", "#2F6FB3"),
    "vacation": ("palm", "#2DA44E"), "idea": ("bulb", "#BF3989"),
}

BLUE, GREEN, PURPLE, ORANGE, RED = "#2F6FB3", "#1A7F37", "#8250DF", "#E16F24", "#CF222E"
TEAL, PINK, SLATE, BROWN, GOLD = "#0A7EA4", "#BF3989", "#57606A", "#8B5A2B", "#B7860B"
NAVY, INDIGO, LIME = "#1B3F78", "#4B3FB6", "#2DA44E"
CYCLE = [BLUE, GREEN, ORANGE, PURPLE, RED, TEAL, PINK, GOLD, INDIGO, SLATE, BROWN, LIME]

# Category name -> symbol, tile colour (every name of the eight calendar
# types; numbered kinds below).
CATEGORIES = {
    "Announcements": ("megaphone", ORANGE), "Staff": ("people", TEAL), "Employees": ("people", BLUE),
    "Work": ("briefcase", BROWN), "Home": ("house", GREEN), "School": ("school", NAVY),
    "Business": ("briefcase", SLATE), "Money": ("dollar", GREEN), "Love": ("heart", RED),
    "TV": ("tv", PURPLE), "Diet": ("apple", LIME), "Exercise": ("dumbbell", ORANGE),
    "Health": ("medical", RED), "Entertainment": ("star", PURPLE), "Sports": ("ball", GREEN),
    "Shopping": ("bag", PINK), "Food": ("food", ORANGE), "Travel": ("plane", TEAL),
    "Birthdays": ("cake", PINK), "Religion": ("church", INDIGO), "Repairs": ("wrench", SLATE),
    "Music": ("music", PURPLE), "Computer": ("computer", BLUE), "Computers": ("computer", BLUE),
    "Work Schedule": ("clock", NAVY), "Meetings": ("meeting", TEAL),
    "Presentations": ("easel", ORANGE), "Tasks": ("checklist", GREEN), "Projects": ("folder", GOLD),
    "Clients": ("people", INDIGO), "Leads": ("target", RED), "Ship": ("package", BROWN),
    "Bills": ("bill", SLATE), "Contact": ("phone", BLUE), "Boss": ("boss", NAVY),
    "Charity": ("heart", TEAL), "Art": ("palette", ORANGE), "Biology": ("leaf", GREEN),
    "Chemistry": ("flask", TEAL), "Drama": ("mask", PURPLE), "English": ("speech", BLUE),
    "Geography": ("globe", TEAL), "History": ("hourglass", BROWN), "Mathematics": ("math", BLUE),
    "Phys ed": ("dumbbell", RED), "Physics": ("atom", INDIGO), "Science": ("flask", PURPLE),
    "Social Studies": ("people", ORANGE), "Spanish": ("speech", RED), "French": ("speech", INDIGO),
    "German": ("speech", SLATE), "Hebrew": ("speech", TEAL), "Coach": ("whistle", NAVY),
    "Referee": ("whistle", SLATE), "Fundraisers": ("dollar", GOLD), "Mass": ("church", PURPLE),
    "Prayer Services": ("candle", INDIGO), "Outreach": ("people", GREEN), "Weddings": ("rings", PINK),
    "Baptisms": ("drop", BLUE), "Communions": ("chalice", GOLD), "Funerals": ("candle", SLATE),
    "Christian": ("cross", BROWN), "Anglican": ("cross", NAVY), "Protestant": ("cross", INDIGO),
    "Islamic": ("crescent", GREEN), "Catholic": ("cross", PURPLE), "Jewish": ("star_david", BLUE),
    "Evangelical": ("cross", TEAL), "Buddhist": ("wheel", ORANGE), "Baptist": ("cross", BLUE),
    "Personal": ("person", PURPLE), "Lesson Plans": ("checklist", ORANGE),
    "Morning Shift": ("sunrise", ORANGE), "Afternoon Shift": ("sun", GOLD),
    "Night Shift": ("moon", NAVY),
}
NUMBERED = {"Employee": (10, "person"), "Team": (24, "ball"), "Course": (9, "book")}


def category_icons():
    out = dict(CATEGORIES)
    for stem, (count, symbol) in NUMBERED.items():
        for i in range(1, count + 1):
            out["%s%d" % (stem, i)] = (symbol, CYCLE[(i - 1) % len(CYCLE)])
    return out


def main():
    root = kit.repo_root()
    res = os.path.join(root, "resources")
    jobs = []
    for name, (symbol, palette) in EVENT_ICONS.items():
        jobs.append(dict(key="event/" + name, w=32, h=32, svg=colour_svg(symbol, palette, 32)))
    for name, (symbol, colour) in CLIPART_ICONS.items():
        for size in (16, 32):
            jobs.append(dict(key="clip%d/%s" % (size, name), w=size, h=size,
                             svg=tile_svg(symbol, colour, size)))
    cats = category_icons()
    for name, (symbol, colour) in cats.items():
        for size in (16, 32):
            jobs.append(dict(key="cat%d/%s" % (size, name), w=size, h=size,
                             svg=tile_svg(symbol, colour, size)))
    drawn = {key: kit.decode_png(png) for key, png in kit.draw(jobs).items()}

    folder = os.path.join(res, "EventIcons")
    kit.clear_folder(folder, (".png", ".gif"))
    for name in EVENT_ICONS:
        w, h, rgba = drawn["event/" + name]
        kit.write(os.path.join(folder, name + ".png"), kit.encode_png(w, h, rgba))
    folder = os.path.join(res, "ClipArt", "Icons")
    kit.clear_folder(folder, (".png", ".gif", ".ico"))
    for name in CLIPART_ICONS:
        images = [(size, drawn["clip%d/%s" % (size, name)][2]) for size in (16, 32)]
        kit.write(os.path.join(folder, name + ".ico"), kit.encode_ico(images))
    folder = os.path.join(res, "Icons")
    for entry in os.listdir(folder):
        if entry.lower().endswith(".ico") and entry.lower() != "default.ico":
            os.remove(os.path.join(folder, entry))
    for name in cats:
        images = [(size, drawn["cat%d/%s" % (size, name)][2]) for size in (16, 32)]
        kit.write(os.path.join(folder, name + ".ico"), kit.encode_ico(images), quiet=True)
    print("%s: %d category icons" % (folder, len(cats)))


if __name__ == "__main__":
    main()
