#!/usr/bin/env python3
"""Checks the small galleries shipped in resources/Common/.

    tools/check_galleries.py [repository root]

Every entry must have what the program lists and uses: its preview, its
style sheet and pictures, the full set of keys or phrases. Prints one line
per problem and "N passed, N failed" at the end; exits 1 on any problem.
"""

import os
import struct
import sys

PHRASES = ["Calendar View", "Calendar", "Events", "Event List", "Go back", "iCal",
           "List View", "updated", "Print", "RSS", "Location", "Year", "Linking Help",
           "Download", "Your Name", "Suggest an Event", "Submit", "Holiday",
           "Upcoming Events", "Email", "Home", "List"]
# Every event key but EventEmail: a shipped style that carried an address
# would put its placeholder in place of the user's own when chosen.
ESTYLE_KEYS = ["EventLocation", "EventSeperator", "TimeSeperator",
               "DateFormat", "TimeFormat", "Target", "UnderlineLinks", "TimeOnNewLine",
               "EventDateShow", "DateTimeBelow", "EventnameBold", "EventFontColor",
               "EventFontSzie", "EventUnderline", "EventFontWeight", "EventFontFamily",
               "EventPopUpColor", "DateFontColor", "DateFontSzie", "DateFontWeight",
               "DateFontFamily", "DateFontStyle"]
ICONS = ["goback", "list", "year", "print", "email", "link", "rss", "ical"]
TAB_PICTURES = ["left.gif", "right.gif", "left_on.gif", "right_on.gif"]
MENU_FORMS = ["No Menu", "Arrows", "Next Month", "Month Name"]


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


def bmp_size(path):
    with open(path, "rb") as f:
        head = f.read(30)
    if head[:2] != b"BM":
        return None
    width, height = struct.unpack("<ii", head[18:26])
    return width, abs(height)


def gif_size(path):
    with open(path, "rb") as f:
        head = f.read(10)
    if head[:6] != b"GIF89a":
        return None
    return struct.unpack("<HH", head[6:10])


def rows(path):
    """Key=value lines of a CR LF, UTF-8 text file; None when it is not one."""
    data = open(path, "rb").read()
    if data.replace(b"\r\n", b"").count(b"\n") or not data.endswith(b"\r\n"):
        return None
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return None
    out = []
    for line in text.split("\r\n")[:-1]:
        key, sep, value = line.partition("=")
        if sep:
            out.append((key, value))
    return out


def entries(folder):
    return sorted((n for n in os.listdir(folder) if os.path.isdir(os.path.join(folder, n))),
                  key=str.lower)


def check_tabs(c, folder):
    names = entries(folder)
    c.expect("tabs - dark black" in names, "Tabs: the default 'tabs - dark black' is missing")
    c.expect(sum("tabs" in n for n in names) >= 4, "Tabs: fewer than four tab styles")
    for form in MENU_FORMS:
        c.expect(form in names, "Tabs: the menu form '%s' is missing" % form)
    for name in names:
        entry = os.path.join(folder, name)
        c.expect(bmp_size(os.path.join(entry, "tab.bmp")) == (75, 60),
                 "Tabs/%s: tab.bmp missing or not 75 x 60" % name)
        c.expect(".css" not in name, "Tabs/%s: the gallery skips names with .css" % name)
        if "tabs" in name:
            sheet = os.path.join(entry, "tabs.css")
            c.expect(os.path.isfile(sheet), "Tabs/%s: tabs.css missing" % name)
            text = open(sheet).read() if os.path.isfile(sheet) else ""
            for picture in TAB_PICTURES:
                c.expect(gif_size(os.path.join(entry, picture)) is not None,
                         "Tabs/%s: %s missing or not a GIF" % (name, picture))
                c.expect("url(%s)" % picture in text,
                         "Tabs/%s: tabs.css does not name %s" % (name, picture))


def check_toolbars(c, folder):
    names = entries(folder)
    c.expect("ActionBar - Default" in names, "ActionBar: 'ActionBar - Default' is missing")
    c.expect(len(names) >= 3, "ActionBar: fewer than three styles")
    for name in names:
        entry = os.path.join(folder, name)
        c.expect(bmp_size(os.path.join(entry, "actionbar.bmp")) == (75, 60),
                 "ActionBar/%s: actionbar.bmp missing or not 75 x 60" % name)
        c.expect(os.path.isfile(os.path.join(entry, "ActionBar.css")),
                 "ActionBar/%s: ActionBar.css missing" % name)
        for icon in ICONS:
            c.expect(gif_size(os.path.join(entry, icon + ".gif")) == (24, 24),
                     "ActionBar/%s: %s.gif missing or not 24 x 24" % (name, icon))


def check_lists(c, folder):
    names = entries(folder)
    c.expect("Classic List" in names, "Lists: 'Classic List' is missing")
    c.expect(len(names) >= 3, "Lists: fewer than three styles")
    for name in names:
        entry = os.path.join(folder, name)
        c.expect(bmp_size(os.path.join(entry, "list.bmp")) == (75, 60),
                 "Lists/%s: list.bmp missing or not 75 x 60" % name)
        c.expect(os.path.isfile(os.path.join(entry, "eventlist.css")),
                 "Lists/%s: eventlist.css missing" % name)


def check_event_styles(c, folder):
    names = entries(folder)
    c.expect("EventStyle - Default" in names, "EventStyles: 'EventStyle - Default' is missing")
    c.expect(len(names) >= 4, "EventStyles: fewer than four styles")
    seen = {}
    for name in names:
        entry = os.path.join(folder, name)
        c.expect(bmp_size(os.path.join(entry, "event.bmp")) == (75, 60),
                 "EventStyles/%s: event.bmp missing or not 75 x 60" % name)
        path = os.path.join(entry, "estyle.ini")
        lines = rows(path) if os.path.isfile(path) else None
        c.expect(lines is not None, "EventStyles/%s: estyle.ini missing or not CR LF UTF-8" % name)
        if lines is None:
            continue
        first = open(path, "rb").read().split(b"\r\n")[0]
        c.expect(first == b"[Formatting]", "EventStyles/%s: section Formatting first" % name)
        keys = dict(lines)
        for key in ESTYLE_KEYS:
            c.expect(key in keys, "EventStyles/%s: key %s missing" % (name, key))
        c.expect("EventEmail" not in keys,
                 "EventStyles/%s: holds EventEmail, which would replace the user's own" % name)
        settings = tuple(sorted(keys.items()))
        c.expect(settings not in seen, "EventStyles/%s: same settings as %s"
                 % (name, seen.get(settings)))
        seen[settings] = name


def check_languages(c, folder):
    names = entries(folder)
    for required in ("English", "American", "Canadien"):
        c.expect(required in names, "Language: '%s' is missing" % required)
    c.expect(len(names) >= 7, "Language: fewer than seven languages")
    for name in names:
        entry = os.path.join(folder, name)
        c.expect(bmp_size(os.path.join(entry, "icon.bmp")) is not None,
                 "Language/%s: icon.bmp missing" % name)
        for file_name, keys in (("months.txt", [str(i) for i in range(1, 13)]),
                                ("weekdays.txt", [str(i) for i in range(1, 8)]),
                                ("translate.txt", PHRASES)):
            path = os.path.join(entry, file_name)
            lines = rows(path) if os.path.isfile(path) else None
            c.expect(lines is not None,
                     "Language/%s: %s missing or not CR LF UTF-8" % (name, file_name))
            if lines is None:
                continue
            c.expect([k for k, _ in lines] == keys,
                     "Language/%s: %s does not hold the rows %s" % (name, file_name, keys))
            c.expect(all(v.strip() for _, v in lines),
                     "Language/%s: %s has an empty value" % (name, file_name))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..")
    common = os.path.join(root, "resources", "Common")
    c = Checks()
    check_tabs(c, os.path.join(common, "Tabs"))
    check_toolbars(c, os.path.join(common, "ActionBar"))
    check_lists(c, os.path.join(common, "Lists"))
    check_event_styles(c, os.path.join(common, "EventStyles"))
    check_languages(c, os.path.join(common, "Language"))
    print("%d passed, %d failed" % (c.passed, c.failed))
    sys.exit(1 if c.failed else 0)


if __name__ == "__main__":
    main()
