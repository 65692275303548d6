#!/usr/bin/env python3
"""Checks the installed pictures and draws their contact sheet.

    tools/check_installed_pictures.py [repository root] [--sheet]

Checks, printing one line per problem and "N passed, N failed" at the end
(exit status 1 on any problem):

- every holiday of resources/Config/US.ini and Canada.ini has its picture
  in Holidays/US/ or Holidays/Canada/ under the name the generator derives
  (the holiday's name without blanks and apostrophes, plus ".gif"), and
  every holiday picture is a 32 x 32 GIF89a with a transparent colour;
- every category name of the eight calendar types (read from
  src/app/config.cc) has Icons/<name>.ico with a 16 x 16 and a 32 x 32
  entry, and so has every icon of ClipArt/Icons/;
- the event icons are 32 x 32 PNGs, the photos 640 x 160 JPEGs, and the
  clip art stays under its size budget;
- every help page is UTF-8, says so in a meta element, and its links and
  pictures point at files that exist.

With --sheet it also renders docs/installed-data.png (Chromium, through
picture_kit): every picture at its own size, the icons on a light and on a
dark ground.
"""

import base64
import html
import os
import re
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_kit as kit  # noqa: E402

CLIPART_BUDGET = 400 * 1024
CHOICES = {"Default Calendar", "My personal calendar", "Company/business event calendar",
           "School calendar ", "Sports team schedule/calendar", "Church calendar",
           "Teacher's calendar", "Work Schedule"}


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def expect(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL: " + what)


def holiday_file_name(holiday):
    return holiday.replace(" ", "").replace("'", "") + ".gif"


def ini_keys(path):
    keys = []
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.strip()
        if "=" in line and not line.startswith(("[", ";")):
            keys.append(line.split("=", 1)[0])
    return keys


def preset_names(root):
    text = open(os.path.join(root, "src", "app", "config.cc"), encoding="utf-8").read()
    body = text[text.index("CategoryPresets()"):text.index("FindCategoryPreset")]
    names = []
    for literal in re.findall(r'"([^"]*)"', body):
        if literal in CHOICES or not literal:
            continue
        names.append(literal)
    # Numbered(..., "Employee", 10): the stem is a literal too; expand it.
    for stem, count in re.findall(r'"(\w+)",\s*(\d+)\)', body):
        names.remove(stem)
        names += ["%s%d" % (stem, i) for i in range(1, int(count) + 1)]
    return sorted(set(names))


def gif_info(path):
    data = open(path, "rb").read()
    if data[:6] != b"GIF89a":
        return None
    w, h = struct.unpack("<HH", data[6:10])
    return w, h, b"\x21\xF9\x04\x01" in data


def png_size(path):
    data = open(path, "rb").read(24)
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", data[16:24])


def jpeg_size(path):
    data = open(path, "rb").read()
    if data[:2] != b"\xFF\xD8":
        return None
    i = 2
    while i < len(data) - 9:
        if data[i] != 0xFF:
            return None
        marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            h, w = struct.unpack(">HH", data[i + 5:i + 9])
            return w, h
        i += 2 + length
    return None


def ico_images(path):
    """-> {size: RGBA bytes} of the 32-bit BMP entries."""
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1:
        return None
    out = {}
    for k in range(count):
        w, _, _, _, _, bpp, size, offset = struct.unpack("<BBBBHHII", data[6 + 16 * k:22 + 16 * k])
        w = w or 256
        body = data[offset:offset + size]
        if bpp != 32 or struct.unpack("<I", body[:4])[0] != 40:
            continue
        pixels = body[40:40 + w * w * 4]
        rgba = bytearray()
        for y in range(w - 1, -1, -1):
            row = pixels[y * w * 4:(y + 1) * w * 4]
            for x in range(w):
                b, g, r, a = row[x * 4:x * 4 + 4]
                rgba += bytes((r, g, b, a))
        out[w] = bytes(rgba)
    return out


def folder_bytes(path):
    total = 0
    for base, _, files in os.walk(path):
        total += sum(os.path.getsize(os.path.join(base, f)) for f in files)
    return total


def check(root):
    res = os.path.join(root, "resources")
    c = Checks()
    for set_name in ("US", "Canada"):
        for holiday in ini_keys(os.path.join(res, "Config", set_name + ".ini")):
            path = os.path.join(res, "Holidays", set_name, holiday_file_name(holiday))
            c.expect(os.path.isfile(path), "%s holiday %r has no picture %s" % (set_name, holiday, path))
    holidays = os.path.join(res, "Holidays")
    for set_name in sorted(os.listdir(holidays)):
        folder = os.path.join(holidays, set_name)
        if not os.path.isdir(folder):
            c.expect(False, "a file lies directly in Holidays/ (the 'None' set copies it): " + set_name)
            continue
        for name in sorted(os.listdir(folder)):
            info = gif_info(os.path.join(folder, name))
            c.expect(name.endswith(".gif") and info == (32, 32, True),
                     "Holidays/%s/%s is not a transparent 32 x 32 GIF" % (set_name, name))
            c.expect(" " not in name and "'" not in name,
                     "Holidays/%s/%s: a derived name has no blanks or apostrophes" % (set_name, name))
    for name in preset_names(root):
        if name.isdigit():
            continue
        path = os.path.join(res, "Icons", name + ".ico")
        images = ico_images(path) if os.path.isfile(path) else None
        c.expect(images is not None and {16, 32} <= set(images),
                 "category %r has no 16 + 32 icon %s" % (name, path))
    for name in sorted(os.listdir(os.path.join(res, "ClipArt", "Icons"))):
        images = ico_images(os.path.join(res, "ClipArt", "Icons", name))
        c.expect(name.endswith(".ico") and images is not None and {16, 32} <= set(images),
                 "ClipArt/Icons/%s is not a 16 + 32 icon" % name)
    icons = sorted(os.listdir(os.path.join(res, "EventIcons")))
    c.expect(len(icons) >= 20, "fewer than 20 event icons")
    for name in icons:
        c.expect(png_size(os.path.join(res, "EventIcons", name)) == (32, 32),
                 "EventIcons/%s is not a 32 x 32 PNG" % name)
    photos = os.path.join(res, "ClipArt", "Photos")
    seen = set()
    for set_name in ("Airshow", "Nature", "Ocean", "Scenic"):
        names = sorted(os.listdir(os.path.join(photos, set_name)))
        c.expect(len(names) >= 3, "photo set %s has fewer than 3 pictures" % set_name)
        for name in names:
            c.expect(jpeg_size(os.path.join(photos, set_name, name)) == (640, 160),
                     "Photos/%s/%s is not a 640 x 160 JPEG" % (set_name, name))
            c.expect(name.lower() not in seen, "photo name %s is used twice" % name)
            seen.add(name.lower())
    backgrounds = sorted(os.listdir(os.path.join(res, "ClipArt", "Backgrounds")))
    c.expect(len(backgrounds) >= 4, "fewer than 4 backgrounds")
    size = folder_bytes(os.path.join(res, "ClipArt"))
    c.expect(size <= CLIPART_BUDGET, "ClipArt/ holds %d bytes, over %d" % (size, CLIPART_BUDGET))
    help_dir = os.path.join(res, "Help")
    c.expect(os.path.isfile(os.path.join(help_dir, "index.html")), "Help/index.html is missing")
    for name in sorted(os.listdir(help_dir)):
        if not name.endswith(".html"):
            continue
        raw = open(os.path.join(help_dir, name), "rb").read()
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            c.expect(False, "Help/%s is not UTF-8" % name)
            continue
        c.expect('<meta charset="utf-8">' in text, "Help/%s has no meta charset" % name)
        for link in re.findall(r'(?:href|src)="([^"#:]+)', text):
            c.expect(os.path.exists(os.path.normpath(os.path.join(help_dir, link))),
                     "Help/%s points at a missing %s" % (name, link))
    print("%d passed, %d failed" % (c.passed, c.failed))
    return c.failed == 0


# ---- the contact sheet ----


def data_uri(path=None, png=None):
    if png is None:
        with open(path, "rb") as f:
            raw = f.read()
        kind = {".gif": "gif", ".png": "png", ".jpg": "jpeg"}[os.path.splitext(path)[1].lower()]
    else:
        raw, kind = png, "png"
    return "data:image/%s;base64,%s" % (kind, base64.b64encode(raw).decode("ascii"))


def ico_uri(path, size):
    return data_uri(png=kit.encode_png(size, size, ico_images(path)[size]))


def sheet(root):
    res = os.path.join(root, "resources")
    parts = []

    def section(title, body):
        parts.append("<h2>%s</h2>%s" % (html.escape(title), body))

    def tiles(items, size, label=True):
        cells = []
        for uri, name in items:
            cells.append('<div class="t"><div class="pair"><span class="lt"><img src="%s" width="%d" '
                         'height="%d"></span><span class="dk"><img src="%s" width="%d" height="%d"></span>'
                         '</div>%s</div>' % (uri, size, size, uri, size, size,
                                             "<div class=n>%s</div>" % html.escape(name) if label else ""))
        return '<div class="grid">%s</div>' % "".join(cells)

    shown = set()
    for set_name in ("US", "Canada", "UK", "Catholic", "Jewish", "Other"):
        folder = os.path.join(res, "Holidays", set_name)
        names = sorted(os.listdir(folder), key=str.lower)
        extra = [n for n in names if n not in shown] if set_name == "Other" else names
        shown.update(names)
        title = "Holidays/%s (%d pictures%s)" % (
            set_name, len(names), ", those not shown above" if set_name == "Other" else "")
        section(title, tiles([(data_uri(os.path.join(folder, n)), n[:-4]) for n in extra], 32))
    icons = sorted(os.listdir(os.path.join(res, "EventIcons")))
    section("EventIcons (%d)" % len(icons),
            tiles([(data_uri(os.path.join(res, "EventIcons", n)), n[:-4]) for n in icons], 32))
    clip = sorted(os.listdir(os.path.join(res, "ClipArt", "Icons")))
    section("ClipArt/Icons (%d, 32 and 16)" % len(clip),
            tiles([(ico_uri(os.path.join(res, "ClipArt", "Icons", n), 32), n[:-4]) for n in clip], 32)
            + tiles([(ico_uri(os.path.join(res, "ClipArt", "Icons", n), 16), "") for n in clip], 16, False))
    names = sorted((n for n in os.listdir(os.path.join(res, "Icons")) if n != "default.ico"), key=str.lower)
    singles = [n for n in names if not re.match(r"(Team|Employee|Course)\d+\.ico$", n)]
    numbered = [n for n in names if n not in singles]
    cells = "".join('<div class="c"><img src="%s" width="32" height="32"> <img src="%s" width="16" '
                    'height="16"><div class=n>%s</div></div>'
                    % (ico_uri(os.path.join(res, "Icons", n), 32), ico_uri(os.path.join(res, "Icons", n), 16),
                       html.escape(n[:-4])) for n in singles + ["default.ico"])
    strip = "".join('<img src="%s" width="16" height="16" title="%s">'
                    % (ico_uri(os.path.join(res, "Icons", n), 16), html.escape(n))
                    for n in sorted(numbered, key=lambda n: (re.sub(r"\d", "", n), int(re.sub(r"\D", "", n)))))
    section("Icons (%d category icons, 32 and 16, and default.ico)" % len(names),
            '<div class="cats">%s</div><p class="num">Employee1&ndash;10, Team1&ndash;24, Course1&ndash;9 at 16: %s</p>'
            % (cells, strip))
    bgs = sorted(os.listdir(os.path.join(res, "ClipArt", "Backgrounds")))
    section("ClipArt/Backgrounds (%d, tiled)" % len(bgs),
            '<div class="bgs">%s</div>' % "".join(
                '<div class="b"><div class="tile" style="background-image:url(%s)"></div>%s</div>'
                % (data_uri(os.path.join(res, "ClipArt", "Backgrounds", n)), html.escape(n)) for n in bgs))
    photos = []
    for set_name in ("Airshow", "Nature", "Ocean", "Scenic"):
        folder = os.path.join(res, "ClipArt", "Photos", set_name)
        for n in sorted(os.listdir(folder)):
            photos.append('<div class="p"><img src="%s" width="240" height="60"><div class=n>%s/%s</div></div>'
                          % (data_uri(os.path.join(folder, n)), set_name, html.escape(n)))
    section("ClipArt/Photos (%d, 640 x 160, shown at 3/8 size)" % len(photos),
            '<div class="photos">%s</div>' % "".join(photos))
    page = """<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body { margin: 16px 20px; font: 12px/1.3 "DejaVu Sans", sans-serif; color: #1f2328; background: #fff; width: 1160px; }
h1 { font-size: 20px; margin: 0 0 6px; } h2 { font-size: 14px; margin: 14px 0 6px; color: #1b4f86; }
.grid { display: flex; flex-wrap: wrap; gap: 4px; }
.t { width: 86px; text-align: center; }
.pair { display: flex; justify-content: center; }
.pair span { display: inline-block; padding: 4px; line-height: 0; }
.lt { background: #ffffff; border: 1px solid #e3e7eb; } .dk { background: #1f2530; border: 1px solid #1f2530; }
.n { font-size: 10px; color: #57606a; overflow: hidden; white-space: nowrap; text-overflow: ellipsis; }
.cats { display: flex; flex-wrap: wrap; gap: 4px; }
.c { width: 86px; text-align: center; } .c img { vertical-align: middle; }
.num img { margin-right: 2px; vertical-align: middle; } .num { margin: 6px 0 0; color: #57606a; }
.bgs { display: flex; flex-wrap: wrap; gap: 8px; } .b { font-size: 10px; color: #57606a; }
.tile { width: 165px; height: 70px; border: 1px solid #d0d7de; }
.photos { display: grid; grid-template-columns: repeat(4, 244px); gap: 6px 16px; }
.p img { display: block; border: 1px solid #d0d7de; }
</style></head><body><h1>Web Almanix: installed pictures</h1>%s</body></html>""" % "".join(parts)
    png = kit.screenshot(page, 1200, 4000)
    w, h, rgba = kit.decode_png(png)
    # Trim the empty white below the last section.
    row = w * 4
    last = h - 1
    while last > 0 and set(rgba[last * row:(last + 1) * row]) <= {255}:
        last -= 1
    height = min(h, last + 20)
    rgb = bytes(b for i, b in enumerate(rgba[:height * row]) if i % 4 != 3)
    kit.write(os.path.join(root, "docs", "installed-data.png"), kit.encode_png(w, height, rgb, alpha=False))


def main():
    root = kit.repo_root()
    ok = check(root)
    if "--sheet" in sys.argv:
        sheet(root)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
