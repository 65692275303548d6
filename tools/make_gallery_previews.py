#!/usr/bin/env python3
"""Renders the gallery previews of resources/Common/ and the contact sheet.

    tools/make_gallery_previews.py [repository root]

Needs Chromium (Debian package "chromium"); everything else is the standard
library. Run tools/make_gallery_pictures.py first: the previews show the
entries' own style sheets and pictures at work.

Writes:
- Tabs/<entry>/tab.bmp: the menu of the entry (tabs, arrows, next-month
  bar, month names or nothing) over the top of a month;
- ActionBar/<entry>/actionbar.bmp: four of the style's buttons;
- Lists/<entry>/list.bmp: the top of an event list page;
- EventStyles/<entry>/event.bmp: a day cell with two events in the style;
- docs/styles/galleries.png: every toolbar icon and tab style on one sheet.

Each preview is 75 x 60 pixels. A sample is laid out at twice that size,
in the markup the generator writes, and shrunk by averaging 2 x 2 pixels,
so text and edges stay smooth; the toolbar preview is taken at full size,
so its 24-pixel icons stay sharp.
"""

import configparser
import html
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_gallery_pictures import ICONS, TOOLBARS, bmp  # noqa: E402

PREVIEW_W, PREVIEW_H = 75, 60
FONT = ('system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", Arial, '
        '"Noto Sans", "Liberation Sans", sans-serif')
BROWSER_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--hide-scrollbars", "--force-device-scale-factor=1"]

# What the generated calendar.css holds for a new calendar: menu and toolbar
# links in the settings' default colour and size.
DEFAULT_LINKS = """
.NavMenu a:link, .NavMenu a:visited, .NavMenu a:hover, .NavMenu a:active
  { color: #F88017; font-size: 9pt; }
.ActionBar a:link, .ActionBar a:visited, .ActionBar a:hover, .ActionBar a:active
  { font-size: 14pt; color: #F88017; }
"""

MONTHS = ["January", "February", "March", "April", "May", "June", "July",
          "August", "September", "October", "November", "December"]


# ---- PNG in, pixels out ----


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG: " + path)
    pos, idat = 8, b""
    width = height = colour_type = 0
    while pos < len(data):
        length, = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or interlace or colour_type not in (2, 6):
                raise ValueError("unexpected PNG format: " + path)
        elif kind == b"IDAT":
            idat += body
    bpp = 3 if colour_type == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    prev = bytearray(stride)
    pixels = []
    i = 0
    for _ in range(height):
        kind = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        pixels.extend(tuple(line[x * bpp:x * bpp + 3]) for x in range(width))
        prev = line
    return width, height, pixels


def png_bytes(width, height, pixels):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for p in pixels[y * width:(y + 1) * width]:
            raw += bytes(p)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def crop(width, pixels, x0, y0, w, h):
    return [pixels[(y0 + y) * width + x0 + x] for y in range(h) for x in range(w)]


def shrink(w, h, pixels, k):
    out = []
    for y in range(h // k):
        for x in range(w // k):
            block = [pixels[(y * k + dy) * w + x * k + dx] for dy in range(k) for dx in range(k)]
            out.append(tuple(round(sum(p[c] for p in block) / len(block)) for c in range(3)))
    return out


# ---- the browser ----


def browser():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("make_gallery_previews: Chromium is needed (apt-get install chromium)")


def screenshot(page_html, width, height, work):
    """Renders one page of the given viewport size; returns its pixels."""
    page = os.path.join(work, "page.html")
    shot = os.path.join(work, "shot.png")
    with open(page, "w", encoding="utf-8") as f:
        f.write(page_html)
    if os.path.exists(shot):
        os.remove(shot)
    profile = tempfile.mkdtemp(dir=work)
    subprocess.run([browser()] + BROWSER_FLAGS + [
        "--user-data-dir=" + profile, "--virtual-time-budget=3000",
        "--screenshot=" + shot, "--window-size=%d,%d" % (width, height),
        "file://" + page], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shutil.rmtree(profile, ignore_errors=True)
    w, h, pixels = read_png(shot)
    return w, pixels


def render_all(docs, w, h, work):
    """Renders each sample on a page of its own (their style sheets use the
    same ids and classes); returns the pixels of each."""
    out = []
    for doc in docs:
        sw, pixels = screenshot(doc, max(w, 480), max(h, 360), work)
        out.append(crop(sw, pixels, 0, 0, w, h))
    return out


def url(path):
    return "file://" + html.escape(path)


def page(head, body, extra_css="", size=None):
    """A sample page; with a size, the body is laid out in a box of that
    size at the top left (small browser windows are not painted reliably,
    so samples are rendered in a larger window and cut out)."""
    if size:
        body = ('<div id="sample" style="position:absolute;left:0;top:0;width:%dpx;height:%dpx;'
                'overflow:hidden">%s</div>' % (size[0], size[1], body))
    return ('<html><head><meta charset="utf-8">%s<style>html,body{margin:0;overflow:hidden;'
            'background:#fff}%s</style></head><body>%s</body></html>' % (head, extra_css, body))


# ---- month tab samples ----


def mini_month(caption, width):
    rows = "".join("<tr>" + "<td></td>" * 7 + "</tr>" for _ in range(3))
    return ('<div class="month" style="width:%dpx"><div class="caption">%s</div>'
            '<table>%s</table></div>' % (width, caption, rows))


MONTH_CSS = (".month{margin:0 auto}.month .caption{font:700 11pt/1.3 %s;text-align:center;"
             "padding:4px 0 3px;color:#1F2328}.month table{width:100%%;border-collapse:collapse}"
             ".month td{border:1px solid #C9D1D9;height:16px}" % FONT)


def menu_sample(form, folder, w):
    """The markup the menu builder writes for February 2025, cut down to
    what fits a preview."""
    month_page = lambda m: MONTHS[m - 1] + "2025.html"
    if form == "tabs":
        items = "".join(('<li id="current">' if m == 2 else "<li>")
                        + "<a href=%s>%s</a></li>" % (month_page(m), MONTHS[m - 1][:3])
                        for m in (1, 2, 3))
        body = '<center><div id="header">\n<ul>\n%s\n</ul>\n</div></center>' % items
        head = '<link rel="stylesheet" type="text/css" href="%s" />' % url(
            os.path.join(folder, "tabs.css"))
        extra = "#header { width: %dpx; }" % w
    elif form == "none":
        return "", '<div style="height:30px"></div>', ""
    elif form == "arrows":
        body = ("<center> <a href=January2025.html>  << </a> &nbsp;&nbsp;<font size=+1>"
                "February&nbsp;2025</font>&nbsp;&nbsp <a href=March2025.html>  >> </a> </center>")
        head, extra = "", ".NavMenu { white-space: nowrap } .NavMenu font { font-size: 8pt }"
    elif form == "next":
        body = ("<a href=January2025.html> <<  &nbspJan</a><a href=February2025.html>"
                "&nbsp;&nbsp;FEBRUARY&nbsp;2025&nbsp;&nbsp</a><a href=March2025.html>"
                "Mar&nbsp; >></a>")
        head, extra = "", (".NavMenu { white-space: nowrap } .NavMenu a:link,"
                           " .NavMenu a:visited { font-size: 6pt; letter-spacing: -0.01em }")
    else:  # text links
        body = "&nbsp;&nbsp;&nbsp;".join("<a href=%s>%s</a>" % (month_page(m), MONTHS[m - 1][:3])
                                         for m in range(1, 13))
        head, extra = "", ".NavMenu { width: %dpx; margin: 0 auto; line-height: 1.5 }" % (w - 10)
    body = ('<div class=NavMenu  >%s</div> <div style="clear:both;"></div>' % body)
    return head, body, extra


def tab_form(name):
    if name == "No Menu":
        return "none"
    if name == "Arrows":
        return "arrows"
    if name == "Next Month":
        return "next"
    if "tabs" in name:
        return "tabs"
    return "links"


def tab_previews(common, work):
    folder = os.path.join(common, "Tabs")
    names = sorted(os.listdir(folder), key=str.lower)
    w, h = PREVIEW_W * 2, PREVIEW_H * 2
    docs = []
    for name in names:
        head, body, extra = menu_sample(tab_form(name), os.path.join(folder, name), w - 8)
        # The tab font size of a calendar showing a whole year (7 pt).
        extra = (DEFAULT_LINKS + MONTH_CSS + ".NavMenu{font:600 7pt/1.3 %s;text-align:center;"
                 "padding-top:5px} .NavMenu a:link, .NavMenu a:visited { font-size: 7pt; }"
                 % FONT + extra)
        if tab_form(name) == "none":
            body += '<div style="margin:0 4px">%s</div>' % mini_month("February 2025", w - 8)
        else:
            body = '<div style="margin:0 4px">%s%s</div>' % (body, mini_month("February 2025", w - 8))
        docs.append(page(head, body, extra, (w, h)))
    for name, pixels in zip(names, render_all(docs, w, h, work)):
        write(os.path.join(folder, name, "tab.bmp"),
              bmp(PREVIEW_W, PREVIEW_H, shrink(w, h, pixels, 2)))
    return names


# ---- toolbar samples ----


def toolbar_sample(folder, icons, captions=False, columns=2):
    cells = []
    for icon in icons:
        caption = "&nbsp;%s&nbsp;" % icon.capitalize() if captions else ""
        cells.append('<td><a align=right href="#" border=0 ><img src="%s" border=0> %s</a></td>'
                     % (url(os.path.join(folder, icon + ".gif")), caption))
    rows = ["<tr>" + "".join(cells[i:i + columns]) + "</tr>"
            for i in range(0, len(cells), columns)]
    return ('<center><table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0>'
            '%s</table></center>' % "".join(rows))


def toolbar_previews(common, work):
    folder = os.path.join(common, "ActionBar")
    names = sorted(os.listdir(folder), key=str.lower)
    docs = []
    for name in names:
        entry = os.path.join(folder, name)
        head = '<link rel="stylesheet" type="text/css" href="%s" />' % url(
            os.path.join(entry, "ActionBar.css"))
        body = toolbar_sample(entry, ["goback", "list", "print", "rss"])
        extra = (DEFAULT_LINKS + "#sample{display:flex;align-items:center;justify-content:center}"
                 " table.ActionBar{margin:0 auto;border-spacing:3px}"
                 " table.ActionBar td > a{padding:2px 3px}")
        docs.append(page(head, body, extra, (PREVIEW_W, PREVIEW_H)))
    for name, pixels in zip(names, render_all(docs, PREVIEW_W, PREVIEW_H, work)):
        write(os.path.join(folder, name, "actionbar.bmp"), bmp(PREVIEW_W, PREVIEW_H, pixels))
    return names


# ---- event list samples ----


def list_day(row, month, day, weekday, content):
    two = "2" if row % 2 == 0 else ""
    date_cell = ('<td class="ListDate%s" ><font size=-2>%s&nbsp;2025</font><br>%s'
                 '<a href=%s2025.html#M%dD target=_top >%d</a><br><font size=-3>%s</font></td>'
                 % (two, MONTHS[month - 1], "" if two else " ", MONTHS[month - 1], month, day, weekday))
    return ('<tr class="events" ><td>\n<a name=M%dD%d></a><table width=100%% class="ListTableDay"  >'
            '<tr>%s<td class="ListEvent%s" ><br>%s</td></tr></table></td></tr>'
            % (month, day, date_cell, two, content))


def list_entry(name, time, location=""):
    entry = "<b><font size=+1>%s</font></b><br>%s&nbsp;" % (name, time)
    if location:
        entry += "<br><i>%s</i></div>" % location
    return entry + "<br>"


def list_page(sheet_path, width, size):
    days = [
        list_day(0, 2, 3, "Monday", list_entry("Team meeting", "9:00 am-10:00 am", "Room 4")),
        list_day(1, 2, 6, "Thursday", list_entry("Choir practice", "7:30 pm-9:00 pm")),
        list_day(2, 2, 14, "Friday", '<div class="holidays">Valentine\'s Day\n</div>'
                 + list_entry("Dinner", "8:00 pm")),
        list_day(3, 2, 20, "Thursday", list_entry("Dentist", "11:15 am")),
    ]
    body = ('<div class=Calendar><div class=PageTitle>Upcoming Events</div>\n\n'
            '<a name=February></a>\n\n<div class="ListCanvas" >\n'
            '<center><table class="ListTable" >\n</table></center>\n'
            '<center><table class="ListTable" >\n<tr> <td colspan=2 class=ListMonth  > February</td></tr>\n'
            + "\n".join(days) + '\n</tr></table></div></center>\n</div>')
    head = '<link rel="stylesheet" type="text/css"   href="%s" />' % url(sheet_path)
    extra = (" Body { background-color: #FFFFFF; color: #000000; text-align: center; }"
             " .Calendar { width: %dpx; margin: 0 auto; }"
             " .PageTitle { text-align: center; margin: 6px; font-weight: bold;"
             " font-family: Arial; font-size: 13pt; color: #000000; }" % width)
    return page(head, body, extra, size)


def list_previews(common, work):
    folder = os.path.join(common, "Lists")
    names = sorted((n for n in os.listdir(folder) if os.path.isdir(os.path.join(folder, n))),
                   key=str.lower)
    k = 4
    w, h = PREVIEW_W * k, PREVIEW_H * k
    docs = [list_page(os.path.join(folder, n, "eventlist.css"), w - 12, (w, h)) for n in names]
    for name, pixels in zip(names, render_all(docs, w, h, work)):
        write(os.path.join(folder, name, "list.bmp"),
              bmp(PREVIEW_W, PREVIEW_H, shrink(w, h, pixels, k)))
    return names


# ---- event style samples ----


def read_estyle(path):
    ini = configparser.ConfigParser(interpolation=None)
    ini.optionxform = str
    ini.read(path, encoding="utf-8")
    return ini["Formatting"]


def event_cell(f):
    """A day cell with two events as the cell renderer writes them."""
    on = lambda key: f.get(key, "0") not in ("0", "")
    sep = f["EventSeperator"]
    sep = "" if sep in ("none", "") else sep + "&nbsp;"
    time_sep = f["TimeSeperator"]
    twenty_four = "ampm" not in f["TimeFormat"].lower()
    entries = []
    for name, start, end, location in (("Meeting", (9, 0), (10, 0), "Room 4"),
                                       ("Lunch", (12, 30), None, "")):
        def clock(hm):
            h, m = hm
            if twenty_four:
                return ("%02d:%02d" if f["TimeFormat"].startswith("hh") else "%d:%02d") % (h, m)
            return "%d:%02d %s" % ((h - 1) % 12 + 1, m, "am" if h < 12 else "pm")
        t = clock(start) + ("-" + clock(end) if end else "")
        t += "<br />" if on("TimeOnNewLine") else "&nbsp;"
        if time_sep not in ("none", "") and time_sep.strip():
            t = time_sep + "&nbsp;" + t
        t = '<span class="dt" >%s</span>' % t
        shown = "<b>%s</b>" % name if on("EventnameBold") else name
        loc = ("<br><span class=dt ><i>%s</i></span>" % location
               if on("EventLocation") and location else "")
        a = '<a class="itr"  href=EventList2025.html#M2D5 >'
        if on("DateTimeBelow"):
            entries.append(a + sep + shown + loc + "<br clear=all>" + t + "</a>")
        elif on("TimeOnNewLine"):
            entries.append(t + a + sep + shown + loc + "</a>")
        else:
            entries.append(a + sep + t + shown + loc + "</a>")
    return ('<table class=calendar cellspacing="0"><tr class="events"><td valign="top" class="events" >'
            '<a href="#"><div class="Date" >5<br /></div></a>%s</td></tr></table>'
            % "<br />".join(entries))


def event_css(f, height):
    decoration = "underline" if f.get("EventUnderline", "0") not in ("0", "") else "none"
    # The families named in the settings, with a generic fallback for
    # machines that lack them (Verdana, Geneva).
    events = ("font-family:%s, sans-serif; font-weight:%s; color: %s; font-size: %spt;"
              " text-decoration: %s;"
              % (f["EventFontFamily"], f["EventFontWeight"], f["EventFontColor"],
                 f["EventFontSzie"], decoration))
    return ("td.events a:link, td.events a:visited { %s } td.events { %s }"
            " td.events .dt { font-family:%s, sans-serif; font-weight:%s; color: %s; font-size: %spt;"
            " font-style: %s; }"
            " table.calendar { border-collapse: collapse; width: 100%%; }"
            " td.events { border: 1px solid #C9D1D9; height: %dpx; padding: 1px 3px;"
            " line-height: 1.25; background: #FFFFFF; }"
            " .Date { float: right; color: #57606A; font: 700 7pt Arial; text-decoration: none; }"
            " td.events > a:first-child { text-decoration: none; }"
            % (events, events, f["DateFontFamily"], f["DateFontWeight"], f["DateFontColor"],
               f["DateFontSzie"], f["DateFontStyle"], height - 2))


def event_previews(common, work):
    folder = os.path.join(common, "EventStyles")
    names = sorted(os.listdir(folder), key=str.lower)
    # Full size: these entries are about type, which shrinking would blur.
    w, h = PREVIEW_W, PREVIEW_H
    docs = []
    for name in names:
        f = read_estyle(os.path.join(folder, name, "estyle.ini"))
        docs.append(page("", event_cell(f), event_css(f, h), (w, h)))
    for name, pixels in zip(names, render_all(docs, w, h, work)):
        write(os.path.join(folder, name, "event.bmp"), bmp(w, h, pixels))
    return names


# ---- the contact sheet ----


def contact_sheet(root, common, work, tab_names):
    out = ['<html><head><meta charset="utf-8"><style>'
           'body{margin:0;padding:18px 22px;background:#fff;color:#1F2328;font:13px/1.4 %s}'
           'h1{font-size:18px;margin:0 0 4px}h2{font-size:14px;margin:18px 0 6px}'
           '.bar{display:flex;align-items:center;gap:14px;margin:6px 0;padding:8px 12px;'
           'border-radius:8px;width:max-content}'
           '.bar .name{width:150px;font-weight:600}.big{image-rendering:pixelated;width:48px;height:48px}'
           '.icon{display:flex;flex-direction:column;align-items:center;gap:3px;font-size:11px}'
                      '.previews{display:flex;flex-wrap:wrap;gap:12px}.previews div{font-size:11px;'
           'text-align:center;width:96px}.previews img{image-rendering:pixelated;width:75px;'
           'height:60px;border:1px solid #D0D7DE}'
           '</style></head><body><h1>Web Almanix: toolbar icons and month tabs</h1>' % FONT]
    out.append("<h2>Toolbar styles (icons at 2&times; and at their own size)</h2>")
    for name, style in TOOLBARS.items():
        entry = os.path.join(common, "ActionBar", name)
        back = style["matte"]
        fg = "#E6EDF3" if name.endswith("Night") else "#1F2328"
        cells = "".join('<div class="icon"><img class="big" src="%s"><img src="%s">%s</div>'
                        % (url(os.path.join(entry, i + ".gif")), url(os.path.join(entry, i + ".gif")), i)
                        for i in ICONS)
        out.append('<div class="bar" style="background:%s;color:%s"><span class="name">%s</span>%s</div>'
                   % (back, fg, html.escape(name), cells))
    out.append("<h2>Month tab styles</h2><div class=tabs>")
    months = "".join(('<li id="current">' if m == 3 else "<li>")
                     + "<a href=#>%s</a></li>" % MONTHS[m - 1][:3] for m in range(1, 13))
    strip_w, strip_h = 900, 40
    for name in tab_names:
        if "tabs" not in name:
            continue
        doc = page('<link rel="stylesheet" type="text/css" href="%s" />'
                   % url(os.path.join(common, "Tabs", name, "tabs.css")),
                   '<div class=NavMenu  ><center><div id="header">\n<ul>\n<li><a href=#>'
                   '<<&nbsp;2024</a></li>%s<li><a href=#>Events</a></li><li><a href=#>2026&nbsp;>>'
                   '</a></li>\n</ul>\n</div></center></div>' % months,
                   DEFAULT_LINKS + "#header{width:%dpx}" % (strip_w - 10))
        sw, pixels = screenshot(doc, strip_w, 300, work)
        png = os.path.join(work, "strip-%d.png" % len(out))
        with open(png, "wb") as f:
            f.write(png_bytes(strip_w, strip_h, crop(sw, pixels, 0, 0, strip_w, strip_h)))
        out.append('<div>%s</div><img src="file://%s" style="display:block;margin:2px 0 8px">'
                   % (html.escape(name), png))
    out.append("</div><h2>Gallery previews</h2>")
    for gallery, preview in (("Tabs", "tab.bmp"), ("ActionBar", "actionbar.bmp"),
                             ("Lists", "list.bmp"), ("EventStyles", "event.bmp"),
                             ("Language", "icon.bmp")):
        folder = os.path.join(common, gallery)
        items = []
        for name in sorted(os.listdir(folder), key=str.lower):
            bmp_path = os.path.join(folder, name, preview)
            if not os.path.exists(bmp_path):
                continue
            png = os.path.join(work, "%s-%s.png" % (gallery, len(items)))
            with open(png, "wb") as f:
                f.write(png_bytes(*bmp_pixels(bmp_path)))
            size = ' style="width:60px;height:39px"' if gallery == "Language" else ""
            items.append('<div><img src="file://%s"%s><br>%s</div>' % (png, size, html.escape(name)))
        out.append('<h2 style="font-size:12px;margin:10px 0 4px">%s</h2><div class="previews">%s</div>'
                   % (gallery, "".join(items)))
    out.append("</body></html>")
    width, height = 960, 2000
    sw, pixels = screenshot("".join(out), width, height, work)
    # Cut the empty space under the last row.
    last = height - 1
    while last > 0 and all(p == (255, 255, 255) for p in pixels[last * sw:(last + 1) * sw]):
        last -= 1
    height = min(height, last + 20)
    write(os.path.join(root, "docs", "styles", "galleries.png"),
          png_bytes(width, height, crop(sw, pixels, 0, 0, width, height)))


def bmp_pixels(path):
    data = open(path, "rb").read()
    offset, = struct.unpack("<I", data[10:14])
    width, height = struct.unpack("<ii", data[18:26])
    row_size = (width * 3 + 3) & ~3
    pixels = [None] * (width * height)
    for r in range(height):
        y = height - 1 - r
        for x in range(width):
            b, g, red = data[offset + r * row_size + x * 3:offset + r * row_size + x * 3 + 3]
            pixels[y * width + x] = (red, g, b)
    return width, height, pixels


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(path)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), ".."))
    common = os.path.join(root, "resources", "Common")
    work = tempfile.mkdtemp(prefix="almanix-previews-")
    try:
        tab_names = tab_previews(common, work)
        toolbar_previews(common, work)
        list_previews(common, work)
        event_previews(common, work)
        contact_sheet(root, common, work, tab_names)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
