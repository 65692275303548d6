#!/usr/bin/env python3
"""Renders the shipped calendar styles and writes their gallery previews.

    tools/make_style_snapshots.py [--root DIR] [--only NAME ...] [--check]
                                  [--with-settings] [--keep DIR]

For every style folder under resources/Common/Styles/ this

  1. checks that Style.css keeps the layout the program reads and writes
     (the INI document inside the leading comment, the rules in the editor's
     order, no "=" and no "[...]" line in the CSS part, every picture the INI
     names present in the folder);
  2. writes a sample month page, March 2026, with the style's Style.css in its
     head, the same markup the generator writes for a month page: caption,
     weekday header row, day cells with .Date numbers, events with links, a
     holiday, a day note, the cells before the 1st and the filler cell after
     the last day (weeks start on Monday, so March 2026 opens with six
     leading cells);
  3. renders it with headless Chromium and writes
        resources/Common/Styles/NAME/snapshot.bmp   75 x 60, 24 bits, bottom-up
        docs/styles/NAME.png                          the full render
  4. writes docs/styles/contact-sheet.png with all styles side by side, and
     for the phone style ("Pocket") docs/styles/Pocket-phone.png,
     Pocket-phone-dark.png, Pocket-phone-sunday.png (400 px wide) and
     Pocket-dark.png.

--check also measures the contrast of every piece of text in the rendered
sample (text colour against the backgrounds under it, as the browser computes
them) and prints the lowest ratios; --with-settings adds the rules the
generator's calendar.css carries with the default Format & Publish settings
(blue 8 pt Arial events, white page) to see a style as a new user gets it.
--keep DIR leaves the sample pages there.

    tools/make_style_snapshots.py --generated [--cli PATH] [--page NAME.html]
                                  [--only NAME ...] [--check] [--keep DIR]

--generated shows the styles on real pages instead: for every style it copies
the sample calendar resources/samples/club.cal into a scratch root, sets the
favorite's style with "almanix-cli favorite set Club Publish.StyleName=NAME",
generates the favorite for 2025, checks that the run's style.css is the
style's Style.css, and screenshots April2025.html (the picture day, a holiday
and several events; --page picks another) through tools/check_generated_pages.py,
which also reports pictures, style sheets or scripts the page could not load.
It writes docs/styles/NAME.png and contact-sheet.png from those screenshots;
snapshot.bmp and the Pocket phone and dark renders stay made from the sample
page, since the gallery preview is about the style, not about one calendar's
header and toolbar. --check then measures the contrast on the real page, with
the favorite's own Format & Publish settings. --cli defaults to
build/bin/almanix-cli.

Needs chromium (Debian package "chromium") and Python 3; nothing else.
"""

import argparse
import datetime
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

# The page checker beside this file drives Chromium for the generated pages;
# importing it leaves no __pycache__ in tools/.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import check_generated_pages as pages  # noqa: E402

YEAR, MONTH = 2026, 3
MONTH_NAMES = ["January", "February", "March", "April", "May", "June", "July",
               "August", "September", "October", "November", "December"]
WEEKDAYS = ["Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"]

# Day -> list of (time text or "", name); plus the holiday and a note.
EVENTS = {
    2: [("9:00 am-9:30 am", "Team stand-up")],
    5: [("7:00 pm", "Book club: The Salt Path")],
    8: [("", "Farmers market")],
    10: [("2:15 pm", "Dentist")],
    12: [("10:00 am", "Project review"), ("6:30 pm", "Yoga in the park")],
    14: [("", "Pi Day bake sale")],
    17: [("11:00 am", "Parade downtown")],
    20: [("7:30 am", "Equinox sunrise walk")],
    24: [("1:00 pm-3:00 pm", "Quarterly planning")],
    26: [("6:00 pm", "Choir rehearsal"), ("8:15 pm", "Late movie")],
    27: [("8:00 pm", "Concert in the park")],
}
HOLIDAYS = {17: "St. Patrick's Day"}
NOTES = {30: "Return library books"}
OUTSIDE_LINK = {14: "https://example.org/bake-sale"}
ROW_HEIGHT = 3  # Page.Row_Height, the generator's default

SNAPSHOT_W, SNAPSHOT_H = 75, 60
RENDER_W, RENDER_H = 1000, 800          # the part of the page the previews show
FULL_H = 1400                           # tall enough for any style; trimmed after
TILE_W, TILE_H = 480, 384
# --generated also renders each page 390 px wide, as a phone shows it, into
# NAME-390px.png (the top PHONE_SHOT_H pixels), beside the wide one on the sheet.
PHONE_W, PHONE_H, PHONE_SHOT_H = 390, 844, 1400
PHONE_SUFFIX = "-390px"

SAMPLE_CALENDAR = os.path.join("resources", "samples", "club.cal")
SAMPLE_FAVORITE, SAMPLE_YEAR = "Club", "2025"
GENERATED_PAGE = "April2025.html"

CSS_RULES = ["Body {", ".Photo {", ".Canvas {", "table.calendar {", ".MonthCaption {",
             ".Weekdays {", ".Date {", ".Holidays {", ".Events {",
             "A:Link {", "A:Visited {", "A:Active {", "A:Hover {"]
BACKGROUND_KEYS = ["bgPage", "bgCanvas", "bgTable", "bgCaption", "bgWeekday", "bgDate",
                   "bgEvent", "bgHoliday"]
CELL_KEYS = ["NoDateCell", "EmptyCell", "Saturday", "Sunday", "Monday", "Tuesday",
             "Wednesday", "Thursday", "Friday"]
COUPLING_KEYS = ["MenuStyle", "ActionBarStyle", "ListStyle", "CalendarWidth",
                 "CalendarWidthUnits", "MenuFontSize"]

# What calendar.css holds with the default Format & Publish settings; the
# layout part is always added to the sample (the real page links calendar.css
# after style.css), the colour part only with --with-settings.
SETTINGS_LAYOUT = """
 .Calendar { width: 960px; margin-right  : auto; margin-left  : auto; margin-top: 0px; }
 #header { width: 960px; }
 .Canvas { width: 97%; page-break-after: always; margin-right : 10px;
   margin-right  : auto; margin-left  : auto; text-align:center;}
"""
SETTINGS_COLOURS = """
 Body { background-color: #FFFFFF; text-align: Center; color: #000000; }
 .Holidays {\tcolor: #000000; }
 td.events a:link    { font-family:Arial; font-weight:Normal; color: #0000FF; font-size: 8pt; text-decoration: none;}
 td.events a:visited { font-family:Arial; font-weight:Normal; color: #0000FF; font-size: 8pt; text-decoration: none;}
 td.events a:hover   { font-family:Arial; font-weight:Normal; color: #0000FF; font-size: 8pt; text-decoration: none;}
 td.events a:active  { font-family:Arial; font-weight:Normal; color: #0000FF; font-size: 8pt; text-decoration: none;}
 td.events { font-family:Arial; font-weight:Normal; color: #0000FF; font-size: 8pt; text-decoration: none;}
 td.events .dt { font-family:Arial; font-weight:Normal; color: #0000FF; font-size: 7pt; font-style: Normal; }
"""

AUDIT_JS = r"""
<script>
(function () {
  function parse(c) {
    var m = c.match(/rgba?\(([^)]*)\)/);
    if (!m) return [0, 0, 0, 0];
    var p = m[1].split(',').map(parseFloat);
    return [p[0], p[1], p[2], p.length > 3 ? p[3] : 1];
  }
  function over(top, under) {
    var a = top[3];
    return [top[0] * a + under[0] * (1 - a), top[1] * a + under[1] * (1 - a),
            top[2] * a + under[2] * (1 - a), 1];
  }
  function lum(c) {
    function ch(v) { v /= 255; return v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4); }
    return 0.2126 * ch(c[0]) + 0.7152 * ch(c[1]) + 0.0722 * ch(c[2]);
  }
  function background(el) {
    var layers = [], imaged = false;
    for (var e = el; e; e = e.parentElement) {
      var s = getComputedStyle(e);
      if (s.backgroundImage !== 'none') imaged = true;
      var c = parse(s.backgroundColor);
      if (c[3] > 0) layers.push(c);
      if (c[3] >= 1) break;
    }
    var result = [255, 255, 255, 1];
    for (var i = layers.length - 1; i >= 0; i--) result = over(layers[i], result);
    return {c: result, imaged: imaged};
  }
  var rows = [], seen = {};
  var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  while (walker.nextNode()) {
    var t = walker.currentNode, text = t.nodeValue.trim();
    if (!text) continue;
    var el = t.parentElement, s = getComputedStyle(el);
    if (s.display === 'none' || s.visibility === 'hidden' || el.closest('script,style,#audit')) continue;
    var r = el.getBoundingClientRect();
    if (r.width === 0 || r.height === 0) continue;
    var bg = background(el), fg = over(parse(s.color), bg.c);
    var l1 = lum(fg), l2 = lum(bg.c);
    var ratio = (Math.max(l1, l2) + 0.05) / (Math.min(l1, l2) + 0.05);
    var hex = function (c) { return '#' + c.slice(0, 3).map(function (v) {
      return ('0' + Math.round(v).toString(16)).slice(-2); }).join(''); };
    var key = hex(fg) + hex(bg.c) + el.className + el.tagName;
    if (seen[key]) continue;
    seen[key] = 1;
    rows.push({text: text.slice(0, 28), where: el.tagName.toLowerCase() + (el.className ? '.' + el.className : ''),
               fg: hex(fg), bg: hex(bg.c), ratio: Math.round(ratio * 100) / 100,
               px: parseFloat(s.fontSize), bold: parseInt(s.fontWeight, 10) >= 700,
               picture: bg.imaged});
  }
  var pre = document.createElement('pre');
  pre.id = 'audit';
  pre.textContent = JSON.stringify(rows);
  document.body.appendChild(pre);
})();
</script>
"""


# The same measurement run in a loaded page; returns the rows as JSON text.
AUDIT_EXPRESSION = (AUDIT_JS.strip()[len("<script>"):-len("</script>")]
                    + ";document.getElementById('audit').textContent")


# ---- the style file --------------------------------------------------------

def read_ini(text):
    """An ordinary INI reading of the whole file, as the program does it."""
    sections, current = {}, None
    for raw in text.splitlines():
        line = raw.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].strip().lower(), {})
        elif current is not None and "=" in line and not line.startswith((";", "#")):
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections


def check_layout(folder, text):
    """Problems with the Style.css layout, as a list of messages."""
    problems = []
    lines = text.splitlines()
    if not lines or lines[0] != '<style type="text/css">':
        problems.append('line 1 is not <style type="text/css">')
    if len(lines) < 2 or lines[1] != "/*":
        problems.append("line 2 is not /*")
    try:
        end = lines.index("*/")
    except ValueError:
        return problems + ["no line */ closes the INI comment"]
    ini = lines[2:end]
    sections = [i for i, l in enumerate(ini) if l.startswith("[")]
    names = [ini[i] for i in sections]
    if names != ["[Backgrounds]", "[Photos]", "[Special]"]:
        problems.append("sections are %s, not [Backgrounds] [Photos] [Special]" % names)
        return problems
    b, p, s = sections
    bg_keys = [l.split("=", 1)[0] for l in ini[b + 1:p]]
    if not bg_keys or bg_keys[-1] != "CaptionHeight":
        problems.append("[Backgrounds] does not end with CaptionHeight=")
    order = [k for k in BACKGROUND_KEYS if k in bg_keys]
    if bg_keys[:-1] != order:
        problems.append("[Backgrounds] keys %s out of order" % bg_keys)
    photo_keys = [l.split("=", 1)[0] for l in ini[p + 1:s]]
    if photo_keys[:2] != ["Width", "Height"] or photo_keys[-1] != "Position":
        problems.append("[Photos] must start Width=, Height= and end Position=")
    middle = photo_keys[2:-1]
    flags = [k for k in middle if k in ("Tile", "Captioned")]
    months = [k for k in middle if k in MONTH_NAMES]
    if middle != flags + months or flags != [k for k in ("Tile", "Captioned") if k in flags] \
            or months != [m for m in MONTH_NAMES if m in months]:
        problems.append("[Photos] keys %s out of order" % photo_keys)
    special = [l.split("=", 1)[0] for l in ini[s + 1:]]
    if "DateFormat" not in special:
        problems.append("[Special] has no DateFormat=")
    else:
        cut = special.index("DateFormat")
        cells = special[:cut]
        if cells != [k for k in CELL_KEYS if k in cells]:
            problems.append("[Special] cell colours %s out of order" % cells)
        tail = special[cut + 1:]
        if tail and tail != [k for k in COUPLING_KEYS if k in tail]:
            problems.append("[Special] coupling keys %s out of order" % tail)
    for l in ini:
        if l and not l.startswith("[") and "=" not in l:
            problems.append("INI line without a key: %r" % l)
    # The CSS part: no key lines (a key line there would receive the keys that
    # "Save Template" adds to [Special]) and no section lines.
    css = lines[end + 1:]
    for number, l in enumerate(css, end + 2):
        if "=" in l:
            problems.append("line %d of the CSS holds '=': %r" % (number, l))
        t = l.strip()
        if t.startswith("[") and t.endswith("]"):
            problems.append("line %d of the CSS reads as an INI section" % number)
    if not css or css[-1] != "</style>":
        problems.append("the last line is not </style>")
    # The documented rules in order, each after its predecessor; after each a
    # line holding only a line break (not after A:Link).
    position = 0
    for rule in CSS_RULES:
        try:
            at = css.index(rule, position)
        except ValueError:
            problems.append("rule %r missing or out of order" % rule)
            continue
        close = css.index("}", at)
        if rule != "A:Link {":
            if close + 1 >= len(css) or css[close + 1] != "":
                problems.append("no empty line after the rule %r" % rule)
        elif css[close + 1] != "A:Visited {":
            problems.append("A:Visited { does not follow A:Link")
        position = close
    # Pictures the INI names.
    ini_values = read_ini(text)
    for key in BACKGROUND_KEYS:
        name = ini_values.get("backgrounds", {}).get(key.lower())
        if name and not os.path.isfile(os.path.join(folder, name)):
            problems.append("picture %s (%s) is not in the folder" % (name, key))
    for month in MONTH_NAMES:
        name = ini_values.get("photos", {}).get(month.lower())
        if name and not os.path.isfile(os.path.join(folder, name)):
            problems.append("photo %s (%s) is not in the folder" % (name, month))
    return problems


# ---- the sample month page -------------------------------------------------

def colour_attr(value):
    value = (value or "").strip()
    return 'Style="background-color:' + value + ';"' if value else ""


def sample_page(style_text, ini, week_start="monday", with_settings=False, audit=False,
                marker=True):
    special = ini.get("special", {})
    photos = ini.get("photos", {})
    backgrounds = ini.get("backgrounds", {})
    long_names = special.get("dateformat", "") == "Long"
    month_name = MONTH_NAMES[MONTH - 1] if long_names else MONTH_NAMES[MONTH - 1][:3]

    def is_on(value):
        try:
            return int(value) != 0
        except (TypeError, ValueError):
            return False

    out = []
    w = out.append
    w("<html><head>")
    w('<meta name="GENERATOR" content="almanix 1.0" >')
    w("<title>Sample calendar</title>")
    w('<meta name="viewport" content="width=device-width, initial-scale=1">')
    w(style_text)
    w('<style type="text/css">' + SETTINGS_LAYOUT + (SETTINGS_COLOURS if with_settings else "")
      + "</style>")
    w("</head>")
    w("<body>")
    # The page header text; Pocket reads this marker to name Monday-first weeks.
    if marker and week_start == "monday":
        w('<span class="WeekStartsMonday"></span>')
    w('<div class="Calendar">')
    w("")
    w("<a name=%s></a>" % MONTH_NAMES[MONTH - 1])
    w("")
    w("<div class=Canvas >")
    w('<table class=calendar  cellspacing="0" >')
    photo = photos.get(MONTH_NAMES[MONTH - 1].lower(), "")
    breaks = int(backgrounds.get("captionheight", "1") or 1)
    tile = is_on(photos.get("tile"))
    picture = ""
    if photo and not tile:
        picture = '<img src="' + photo + '" class=photo  />'
    if photo and breaks == 0:
        breaks = 1
    picture += "<br>" * breaks
    tile_style = "style=\"background-image:url('" + photo + "')\"" if tile and photo else ""
    caption = "" if is_on(photos.get("captioned")) else month_name + " " + str(YEAR)
    if photos.get("position", "") == "BelowCaption":
        w("<caption class=monthcaption  " + tile_style + ">" + caption + picture + "</caption>")
    else:
        w("<caption class=monthcaption  " + tile_style + "> " + picture + caption + "</caption>")
    order = [1, 2, 3, 4, 5, 6, 7] if week_start == "sunday" else [2, 3, 4, 5, 6, 7, 1]
    for d in order:
        w('<th  width=14% class="Weekdays">' + WEEKDAYS[d - 1] + "</th>")
    w('<tr class="events">')
    first = datetime.date(YEAR, MONTH, 1)
    dow_first = (first.weekday() + 1) % 7 + 1          # 1 = Sunday .. 7 = Saturday
    lead = dow_first - 1 if week_start == "sunday" else (dow_first + 5) % 7
    for _ in range(lead):
        attr = colour_attr(special.get("nodatecell")) or colour_attr(special.get("emptycell"))
        w('<td valign="top"  class="events" ' + attr + " >")
        w("<br /><br /><br />")
        w("</td>")
    cells = lead
    days = (datetime.date(YEAR, MONTH + 1, 1) - first).days
    for day in range(1, days + 1):
        dow = (datetime.date(YEAR, MONTH, day).weekday() + 1) % 7 + 1
        content = ""
        if day in HOLIDAYS:
            content += '<div class="holidays">' + HOLIDAYS[day] + "<br /></div><br clear=all>"
        if day in NOTES:
            content += NOTES[day] + "<br />"
        entries = EVENTS.get(day, [])
        for time_text, name in entries:
            href = "EventList%d.html#M%dD%d" % (YEAR, MONTH, day)
            if day in OUTSIDE_LINK:
                start = '<a class="itr"  href=' + OUTSIDE_LINK[day] + ">"
                name = "<u>" + name + "</u>"
            else:
                start = '<a class="itr"  href=' + href + " >"
            time_html = '<span class="dt" >' + time_text + "&nbsp;</span>" if time_text else ""
            content += start + time_html + name + "</a><br />"
        attr = ""
        if not content.strip():
            attr = colour_attr(special.get("emptycell"))
        weekday_colour = colour_attr(special.get(WEEKDAYS[dow - 1].lower()))
        if weekday_colour:
            attr = weekday_colour
        if content.strip():
            if len(entries) == 1:
                content += "<br /><br />"
        else:
            content = "<br />" * (ROW_HEIGHT + 1)
        if cells % 7 == 0:
            w("</tr><tr>")
        w('<td valign="top"  class="events" ' + attr + " >")
        w('<a href="EventList%d.html#M%dD%d"  target="_top"  ><div class="Date" >%d<br /></div></a>'
          % (YEAR, MONTH, day, day))
        w(content)
        w("</td>")
        cells += 1
    rest = 7 - (cells % 7 or 7)
    if rest > 0:
        w('<td valign="top"  colspan=%d class="events" %s ></td>'
          % (rest, colour_attr(special.get("nodatecell"))))
    w("</tr></table></div>")
    w("")
    w("<!-- Shown at the bottom of every page. -->")
    w("</div>")
    if audit:
        w(AUDIT_JS)
    w("</body></html>")
    return "\r\n".join(out)


# ---- Chromium ---------------------------------------------------------------

def chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("chromium not found: apt-get install -y chromium")


def browser_args(profile, dark):
    args = [chromium(), "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--hide-scrollbars", "--force-device-scale-factor=1",
            "--user-data-dir=" + profile]
    # Blink's colour-scheme setting: 0 dark, 1 light.
    args.append("--blink-settings=preferredColorScheme=%d" % (0 if dark else 1))
    return args


def screenshot(page, png, width, height, dark=False):
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run(browser_args(profile, dark) + [
            "--screenshot=" + png, "--window-size=%d,%d" % (width, height),
            "--virtual-time-budget=2000", "file://" + page],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def dump_dom(page, width, height):
    with tempfile.TemporaryDirectory() as profile:
        done = subprocess.run(browser_args(profile, False) + [
            "--dump-dom", "--window-size=%d,%d" % (width, height), "file://" + page],
            check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    return done.stdout.decode("utf-8", "replace")


# ---- pictures ----------------------------------------------------------------

def read_png(path):
    """Returns (width, height, rows of RGB bytearrays)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and ctype in (2, 6) and interlace == 0, "unsupported PNG"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    channels = 3 if ctype == 2 else 4
    stride = width * channels
    rows, previous = [], bytearray(stride)
    at = 0
    for _ in range(height):
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        if kind == 1:
            for i in range(channels, stride):
                line[i] = (line[i] + line[i - channels]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - channels] if i >= channels else 0
                b = previous[i]
                c = previous[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        previous = line
        if channels == 4:
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[0::4], line[1::4], line[2::4]
            line = rgb
        rows.append(line)
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + bytes(r) for r in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def crop(rows, width, height):
    return [bytearray(r[:width * 3]) for r in rows[:height]]


def trim_bottom(rows, margin=24):
    """Drops the empty page below the calendar, keeping a small margin."""
    last = rows[-1]
    end = len(rows)
    while end > 1 and rows[end - 1] == last:
        end -= 1
    return rows[:min(len(rows), end + margin)]


def scale(rows, src_w, src_h, dst_w, dst_h):
    """Area-averaging reduction: each target pixel is the mean of the source
    pixels it covers, weighted by how much of each it covers."""
    def spans(src, dst):
        result, step = [], src / dst
        for i in range(dst):
            a, b = i * step, (i + 1) * step
            parts, j = [], int(a)
            while j < b and j < src:
                cover = min(b, j + 1) - max(a, j)
                if cover > 0:
                    parts.append((j, cover))
                j += 1
            result.append(parts)
        return result
    xs, ys = spans(src_w, dst_w), spans(src_h, dst_h)
    # Columns first, then rows.
    narrow = []
    for row in rows[:src_h]:
        out = bytearray()
        for parts in xs:
            total = sum(c for _, c in parts)
            for ch in range(3):
                out.append(int(round(sum(row[j * 3 + ch] * c for j, c in parts) / total)))
        narrow.append(out)
    result = []
    for parts in ys:
        total = sum(c for _, c in parts)
        out = bytearray()
        for i in range(dst_w * 3):
            out.append(int(round(sum(narrow[j][i] * c for j, c in parts) / total)))
        result.append(out)
    return result


def write_bmp(path, width, height, rows):
    """24-bit BMP, rows stored bottom-up, each padded to four bytes."""
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(width):
            r, g, b = row[x * 3:x * 3 + 3]
            line += bytes((b, g, r))
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# ---- contrast -----------------------------------------------------------------

def audit(page_path, style_text, ini, with_settings):
    with open(page_path, "w", encoding="utf-8") as f:
        f.write(sample_page(style_text, ini, with_settings=with_settings, audit=True))
    dom = dump_dom(page_path, RENDER_W, RENDER_H)
    found = re.search(r'<pre id="audit">(.*?)</pre>', dom, re.S)
    if not found:
        return []
    text = found.group(1).replace("&quot;", '"').replace("&lt;", "<").replace("&gt;", ">")
    return json.loads(text.replace("&amp;", "&"))


def contrast(fg, bg):
    """WCAG contrast ratio of two #RRGGBB colours."""
    def luminance(colour):
        values = [int(colour.lstrip("#")[i:i + 2], 16) / 255 for i in (0, 2, 4)]
        lin = [v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4 for v in values]
        return 0.2126 * lin[0] + 0.7152 * lin[1] + 0.0722 * lin[2]
    a, b = luminance(fg), luminance(bg)
    return (max(a, b) + 0.05) / (min(a, b) + 0.05)


# Text colours a still render does not show (visited, hovered and focused
# links), checked from the style's own values.
STATE_PAIRS = {
    "High Contrast": [
        ("visited link on white", "#5B0E8F", "#FFFFFF"),
        ("visited link on a weekend day", "#5B0E8F", "#FFF1A8"),
        ("hovered or focused link", "#000000", "#FFD500"),
        ("holiday on a weekend day", "#A00000", "#FFF1A8"),
        ("day number on a weekend day", "#000000", "#FFF1A8"),
        ("default-settings event blue on white", "#0000FF", "#FFFFFF"),
        ("default-settings event blue on a weekend day", "#0000FF", "#FFF1A8"),
    ],
}


def report_contrast(name, rows, label):
    rows = sorted(rows, key=lambda r: r["ratio"])
    print("  contrast %s: lowest %.2f:1 over %d text colour pairs" % (
        label, rows[0]["ratio"] if rows else 0, len(rows)))
    for r in rows[:6]:
        large = r["px"] >= 24 or (r["bold"] and r["px"] >= 18.66)
        need = 3.0 if large else 4.5
        flag = "ok" if r["ratio"] >= need else "BELOW AA"
        print("    %5.2f  %s on %s  %-22s %-28r %s%s" % (
            r["ratio"], r["fg"], r["bg"], r["where"], r["text"], flag,
            "  (over a picture)" if r["picture"] else ""))
    return rows


# ---- styles on generated pages ---------------------------------------------------

class GeneratedFailure(Exception):
    pass


def run_cli(cli, data_root, calendar, *words):
    """One almanix-cli command on the scratch root and calendar copy; its stdout."""
    command = [cli, "--root", data_root, "--calendar", calendar, "--year", SAMPLE_YEAR] + list(words)
    try:
        done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=300)
    except (OSError, subprocess.TimeoutExpired) as e:
        raise GeneratedFailure("almanix-cli %s: %s" % (" ".join(words), e))
    if done.returncode != 0:
        raise GeneratedFailure("almanix-cli %s exited %d: %s" % (
            " ".join(words), done.returncode, done.stderr.decode("utf-8", "replace").strip()))
    return done.stdout.decode("utf-8", "replace")


def generate_with_style(cli, repo, styles_dir, name, style_work):
    """Generates the sample favorite with style NAME; returns the site folder."""
    shutil.rmtree(style_work, ignore_errors=True)
    os.makedirs(style_work)
    data_root = os.path.join(style_work, "root")
    calendar = os.path.join(style_work, "club.cal")
    site = os.path.join(style_work, "site")
    shutil.copy(os.path.join(repo, SAMPLE_CALENDAR), calendar)

    # The first command lays out the shared style folder of the scratch root
    # from the CLI's installed data, which is only as new as the last build;
    # the style is then replaced by the working tree's, so that a style being
    # edited shows as it is now.
    run_cli(cli, data_root, calendar, "favorite", "show", SAMPLE_FAVORITE)
    shared = os.path.join(data_root, "Common", "Styles")
    if not os.path.isdir(shared):
        raise GeneratedFailure("the scratch root has no shared style folder %s" % shared)
    shutil.rmtree(os.path.join(shared, name), ignore_errors=True)
    shutil.copytree(os.path.join(styles_dir, name), os.path.join(shared, name))

    run_cli(cli, data_root, calendar, "favorite", "set", SAMPLE_FAVORITE,
            "Publish.StyleName=" + name)
    shown = run_cli(cli, data_root, calendar, "favorite", "show", SAMPLE_FAVORITE)
    if "Publish.StyleName=" + name not in shown.splitlines():
        raise GeneratedFailure("favorite set did not store Publish.StyleName=%s" % name)
    run_cli(cli, data_root, calendar, "generate", SAMPLE_FAVORITE, "--out", site)

    # The run copies the Style.css of the style selected in the window to
    # style.css; another style's sheet there means the selection did not
    # follow Publish.StyleName.
    with open(os.path.join(styles_dir, name, "Style.css"), "rb") as f:
        wanted = f.read()
    try:
        with open(os.path.join(site, "style.css"), "rb") as f:
            got = f.read()
    except OSError:
        raise GeneratedFailure("the run wrote no style.css")
    if got != wanted:
        used = [n for n in os.listdir(shared)
                if os.path.isfile(os.path.join(shared, n, "Style.css"))
                and open(os.path.join(shared, n, "Style.css"), "rb").read() == got]
        raise GeneratedFailure("style.css of the run is not %s's Style.css (it is %s)" % (
            name, ", ".join(used) if used else "no style's sheet"))
    return site


def generated_main(args, repo, names, styles_dir, docs_dir, work):
    cli = os.path.abspath(args.cli or os.path.join(repo, "build", "bin", "almanix-cli"))
    if not os.access(cli, os.X_OK):
        sys.exit("%s is not there; build it (ninja -C build almanix-cli) or give --cli" % cli)
    exe = pages.find_chromium(None)
    if not exe:
        sys.exit("chromium not found: apt-get install -y chromium")

    started = time.monotonic()
    browser = pages.Chromium(exe)
    failed = complete = False
    sizes = {}    # name -> width, height and page colour of its render
    try:
        try:
            browser.call("Browser.getVersion", timeout=pages.START_TIMEOUT)
        except pages.BrowserGone as e:
            sys.exit("Chromium did not start: %s\n%s" % (e, browser.log_tail()))
        complete = True
        for name in names:
            folder = os.path.join(styles_dir, name)
            with open(os.path.join(folder, "Style.css"), encoding="utf-8") as f:
                problems = check_layout(folder, f.read())
            print("%s: layout %s" % (name, "ok" if not problems else "PROBLEMS"))
            for p in problems:
                print("  " + p)
            failed = failed or bool(problems)

            step = time.monotonic()
            try:
                site = generate_with_style(cli, repo, styles_dir, name, os.path.join(work, name))
            except GeneratedFailure as e:
                print("  FAIL %s" % e)
                failed, complete = True, False
                continue
            page = os.path.join(site, args.page)
            if not os.path.isfile(page):
                print("  FAIL the run wrote no %s" % args.page)
                failed, complete = True, False
                continue
            png = os.path.join(work, name, "render.png")
            check = pages.PageCheck(browser, page, site, 30, view=(RENDER_W, RENDER_H))
            try:
                check.run(png, evaluate=AUDIT_EXPRESSION if args.check else None)
            except pages.BrowserGone as e:
                check.fail("browser failed: %s" % e)
            # A page that loads with faults is still worth seeing; the faults
            # are reported and fail the run.
            for fault in check.failures:
                print("  page: %s" % fault)
            failed = failed or bool(check.failures)
            if not os.path.isfile(png):
                print("  FAIL no screenshot of %s" % args.page)
                failed, complete = True, False
                continue
            width, _, rows = read_png(png)
            rows = trim_bottom(rows)
            write_png(os.path.join(docs_dir, name + ".png"), width, len(rows), rows)
            sizes[name] = (width, len(rows), "#%02x%02x%02x" % tuple(rows[-1][:3]))
            if args.check and check.evaluated:
                report_contrast(name, json.loads(check.evaluated), "on the generated page")
            # The same page as a phone shows it, its top PHONE_H pixels.
            phone_png = os.path.join(work, name, "phone.png")
            phone = pages.PageCheck(browser, page, site, 30, view=(PHONE_W, PHONE_H))
            try:
                phone.run(phone_png)
            except pages.BrowserGone as e:
                phone.fail("browser failed: %s" % e)
            if os.path.isfile(phone_png):
                p_width, p_height, p_rows = read_png(phone_png)
                p_rows = p_rows[:PHONE_SHOT_H]
                write_png(os.path.join(docs_dir, name + PHONE_SUFFIX + ".png"), p_width,
                          len(p_rows), p_rows)
            else:
                print("  FAIL no phone screenshot of %s" % args.page)
                failed, complete = True, False
            print("  rendered %s from %s in %.1f s" % (name, args.page, time.monotonic() - step))
    finally:
        browser.close()

    if not args.only:
        if complete:
            # A generated page carries the title, toolbar and month tabs above
            # the month: the tiles are made tall enough for the longest page,
            # and a shorter page is continued in its own page colour.
            tile_h = max(-(-h * TILE_W // w) for w, h, _ in sizes.values())
            make_contact_sheet(names, docs_dir, work, tile_h,
                               {n: colour for n, (_, _, colour) in sizes.items()},
                               phones=True)
        else:
            print("contact sheet not remade: not every style was rendered")
    print("took %.1f s" % (time.monotonic() - started))
    return 1 if failed else 0


# ---- main -----------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--only", nargs="*")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--with-settings", action="store_true")
    parser.add_argument("--keep")
    parser.add_argument("--generated", action="store_true",
                        help="render pages the CLI generates from the sample calendar")
    parser.add_argument("--cli", help="almanix-cli for --generated (default build/bin/almanix-cli)")
    parser.add_argument("--page", default=GENERATED_PAGE,
                        help="the generated page to render (default %s)" % GENERATED_PAGE)
    args = parser.parse_args()
    if args.generated and args.with_settings:
        parser.error("--with-settings is for the sample page; generated pages carry "
                     "the favorite's own settings")
    if (args.cli or args.page != GENERATED_PAGE) and not args.generated:
        parser.error("--cli and --page go with --generated")

    root = os.path.abspath(args.root)
    styles_dir = os.path.join(root, "resources", "Common", "Styles")
    docs_dir = os.path.join(root, "docs", "styles")
    os.makedirs(docs_dir, exist_ok=True)
    names = sorted(n for n in os.listdir(styles_dir)
                   if os.path.isfile(os.path.join(styles_dir, n, "Style.css")))
    # The contact sheet shows the house style first.
    names.sort(key=lambda n: (n != "Default", n))
    if args.only:
        names = [n for n in names if n in args.only]

    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="style-samples-")
    os.makedirs(work, exist_ok=True)
    if args.generated:
        try:
            return generated_main(args, root, names, styles_dir, docs_dir, work)
        finally:
            if not args.keep:
                shutil.rmtree(work, ignore_errors=True)
    failed = False
    for name in names:
        folder = os.path.join(styles_dir, name)
        with open(os.path.join(folder, "Style.css"), encoding="utf-8") as f:
            text = f.read()
        ini = read_ini(text)
        problems = check_layout(folder, text)
        print("%s: layout %s" % (name, "ok" if not problems else "PROBLEMS"))
        for p in problems:
            print("  " + p)
        failed = failed or bool(problems)

        # The sample page sits beside copies of the style's pictures, as in
        # the output folder.
        sample_dir = os.path.join(work, name)
        os.makedirs(sample_dir, exist_ok=True)
        for entry in os.listdir(folder):
            if entry.lower().endswith((".png", ".jpg", ".gif")):
                shutil.copy(os.path.join(folder, entry), sample_dir)
        page = os.path.join(sample_dir, "month.html")
        with open(page, "w", encoding="utf-8") as f:
            f.write(sample_page(text, ini, with_settings=args.with_settings))

        png = os.path.join(sample_dir, "render.png")
        screenshot(page, png, RENDER_W, FULL_H)
        width, height, rows = read_png(png)
        # With the default settings added the renders are for looking at
        # only: they stay in the work folder.
        suffix = "-settings" if args.with_settings else ""
        out_dir = work if args.with_settings else docs_dir
        write_png(os.path.join(out_dir, name + suffix + ".png"), width,
                  len(trim_bottom(rows)), trim_bottom(rows))
        if not args.with_settings:
            top = crop(rows, RENDER_W, RENDER_H)
            small = scale(top, RENDER_W, RENDER_H, SNAPSHOT_W, SNAPSHOT_H)
            write_bmp(os.path.join(folder, "snapshot.bmp"), SNAPSHOT_W, SNAPSHOT_H, small)

        if name == "Pocket":
            for label, week, dark, w_px in (("phone", "monday", False, 400),
                                            ("phone-dark", "monday", True, 400),
                                            ("phone-sunday", "sunday", False, 400),
                                            ("dark", "monday", True, RENDER_W)):
                extra = os.path.join(sample_dir, "month-%s.html" % label)
                with open(extra, "w", encoding="utf-8") as f:
                    f.write(sample_page(text, ini, week_start=week,
                                        with_settings=args.with_settings))
                out = os.path.join(sample_dir, label + ".png")
                screenshot(extra, out, w_px, 3200 if w_px < 600 else FULL_H, dark=dark)
                ew, eh, erows = read_png(out)
                erows = trim_bottom(erows)
                write_png(os.path.join(out_dir, "Pocket-%s%s.png" % (label, suffix)),
                          ew, len(erows), erows)

        if args.check:
            rows_found = audit(os.path.join(sample_dir, "audit.html"), text, ini,
                               args.with_settings)
            report_contrast(name, rows_found, "with default settings" if args.with_settings
                            else "of the style")
            for state, fg, bg in STATE_PAIRS.get(name, []):
                print("    %5.2f  %s on %s  %s" % (contrast(fg, bg), fg, bg, state))
        print("  rendered %s" % name)

    if not args.only and not args.with_settings:
        make_contact_sheet(names, docs_dir, work)
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


def make_contact_sheet(names, docs_dir, work, tile_h=TILE_H, backgrounds=None, phones=False):
    columns = 3
    # A phone tile is as tall as the wide one and shows the phone render at
    # the same scale as the wide one's.
    phone_w = PHONE_W * TILE_W // RENDER_W if phones else 0
    cell_w = TILE_W + (phone_w + 8 if phones else 0)
    cells = []
    for name in names:
        colour = (backgrounds or {}).get(name)
        background = ' style="background:%s"' % colour if colour else ""
        phone = ('<div class="shot phone"%s><img src="%s%s.png"></div>'
                 % (background, os.path.join(docs_dir, name), PHONE_SUFFIX)) if phones else ""
        cells.append(
            '<figure><div class="pair"><div class="shot"%s><img src="%s.png"></div>%s</div>'
            '<figcaption>%s</figcaption></figure>'
            % (background, os.path.join(docs_dir, name), phone, name))
    page = os.path.join(work, "contact.html")
    rows_n = (len(names) + columns - 1) // columns
    sheet_w = columns * (cell_w + 24) + 24
    sheet_h = rows_n * (tile_h + 24 + 34) + 24
    with open(page, "w", encoding="utf-8") as f:
        f.write("""<!DOCTYPE html><html><head><style>
body { margin: 0; padding: 12px; background: #e9ecef; font: 600 16px/1.2 "DejaVu Sans", sans-serif; }
.grid { display: grid; grid-template-columns: repeat(%d, %dpx); gap: 0 24px; padding: 0 12px; }
figure { margin: 12px 0 0; }
.shot { width: %dpx; height: %dpx; overflow: hidden; background: #fff;
        box-shadow: 0 1px 4px rgba(0,0,0,.25); }
.shot img { width: %dpx; display: block; }
.pair { display: flex; gap: 8px; }
.shot.phone { width: %dpx; flex: none; }
.shot.phone img { width: %dpx; }
figcaption { height: 22px; padding: 6px 2px 6px; color: #24292f; }
</style></head><body><div class="grid">%s</div></body></html>"""
                % (columns, cell_w, TILE_W, tile_h, TILE_W, phone_w, phone_w, "".join(cells)))
    out = os.path.join(docs_dir, "contact-sheet.png")
    screenshot(page, out, sheet_w, sheet_h)
    print("wrote", out)


if __name__ == "__main__":
    sys.exit(main())
