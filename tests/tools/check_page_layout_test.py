#!/usr/bin/env python3
"""Runs tools/check_page_layout.py --site in real headless Chromium on pages made here.

Each page has one known layout fault or none; the FAIL line of each faulty
page must name its fault, the good pages must pass at both sizes, and the
run must exit 1 with faults and 0 without. The month-page pieces use the
shipped popup.css and popup.js, so a good page here is a page whose
details open as the generated ones must.
"""

import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "check_page_layout.py")
VIEWPORT = '<meta name="viewport" content="width=device-width, initial-scale=1">'

# An entry with details, as a month cell holds it.
ENTRY = ('<a class="itr" href="list.html#M4D1">Walk<span class="bpop" '
         'style="left:-10em; width:35em; top:4.5em; ">An easy 5 km along the river.</span></a>')


def month(body_style="", script=True, cell_style=""):
    return ('<html><head>%s<link rel="stylesheet" href="popup.css">%s'
            '<style>%s</style></head><body><table class="calendar"><tr>'
            '<td class="events" style="width:120px;height:80px;%s">'
            '<a href="list.html#M4D1"><div class="Date">1</div></a>%s</td></tr></table>'
            '</body></html>' % (VIEWPORT, '<script src="popup.js" defer></script>' if script else "",
                                body_style, cell_style, ENTRY))


PASSING = {
    "plain.html": '<html><head>%s</head><body><p>A short page.</p></body></html>' % VIEWPORT,
    "month-good.html": month(),
}
# Page -> (html, text its FAIL line at 390 px (1280 px for names ending in
# "@1280") must hold).
FAILING = {
    "wide.html": ('<html><head>%s</head><body><table style="width:900px"><tr><td>x</td></tr>'
                  '</table></body></html>' % VIEWPORT, "scrolls sideways: 9"),
    "no-viewport.html": ('<html><head></head><body><p>x</p></body></html>', "no viewport line"),
    "broken-word.html": ('<html><head>%s</head><body><div style="width:30px;'
                         'overflow-wrap:anywhere">Wednesday</div></body></html>' % VIEWPORT,
                         "words broken inside their letters: Wednesday"),
    # A month listed by days on a phone whose first week is boxed in, as a
    # style's .Events rule did to the row carrying the cells' class.
    "month-uneven.html": ('<html><head>%s<style>table.calendar, tbody, tr {display:block}'
                          ' td.events {display:block} tr.events {padding:6px}</style></head>'
                          '<body><table class="calendar"><tr class="events"><td class="events">'
                          '<div class="Date">1</div></td></tr><tr><td class="events">'
                          '<div class="Date">8</div></td></tr></table></body></html>' % VIEWPORT,
                          "days sit in boxes of different widths: day 8"),
    # A place kept on one line that runs past its day, as styles' .dt did.
    "month-spill.html@1280": ('<html><head>%s</head><body><table class="calendar" '
                              'style="table-layout:fixed;width:240px"><tr>'
                              '<td class="events" style="width:120px">'
                              '<div class="Date">1</div><span class="dt" style="white-space:'
                              'nowrap"><i>Footbridge by the old mill, Willow Park</i></span>'
                              '</td><td class="events">2</td></tr></table></body></html>'
                              % VIEWPORT, "a day's contents run out of it: span.dt of day 1"),
    # Without the script a click follows the link.
    "month-no-script.html": (month(script=False), "left the page for list.html"),
    # Details inside the cell, cut off by the cell, as before the mend
    # (the entry ignores the pointer, so the click cannot leave the page).
    "month-clipped.html@1280": (month(script=False,
                                 body_style="a.itr{pointer-events:none}",
                                 cell_style="overflow:hidden;position:relative"),
                           "cut off by td.events"),
}


def run(folder, pages):
    done = subprocess.run([sys.executable, TOOL, "--site", folder, "--page"] + pages,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=200)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def main():
    if not shutil.which("chromium"):
        print("FAIL chromium is not installed (scripts/install-deps.sh)")
        return 1
    work = tempfile.mkdtemp(prefix="layout-test-")
    passed = failed = 0

    def expect(ok, what, output=""):
        nonlocal passed, failed
        if ok:
            passed += 1
            print("ok", what)
        else:
            failed += 1
            print("FAIL", what)
            print(output)

    try:
        for name in ("popup.css", "popup.js"):
            shutil.copy(os.path.join(ROOT, "resources", "Config", name), work)
        with open(os.path.join(work, "list.html"), "w") as f:
            f.write("<html><body>list</body></html>")
        for name, html in PASSING.items():
            with open(os.path.join(work, name), "w") as f:
                f.write(html)
        for name, (html, _) in FAILING.items():
            with open(os.path.join(work, name.split("@")[0]), "w") as f:
                f.write(html)

        status, out = run(work, list(PASSING))
        expect(status == 0, "good pages exit 0", out)
        for name in PASSING:
            for width in (390, 1280):
                expect("ok %s at %d px" % (name, width) in out.splitlines(),
                       "%s passes at %d px" % (name, width), out)

        status, out = run(work, [n.split("@")[0] for n in FAILING] + list(PASSING))
        expect(status == 1, "faulty pages exit 1", out)
        lines = out.splitlines()
        for key, (_, text) in FAILING.items():
            name, _, width = key.partition("@")
            width = width or "390"
            line = next((l for l in lines if l.startswith("FAIL %s at %s px" % (name, width))), "")
            expect(text in line, "%s fails at %s px naming %r" % (name, width, text), out)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
