#!/usr/bin/env python3
"""Checks that the generated pages fit a phone and a desktop in every style.

    tools/check_page_layout.py [--cli PATH] [--only NAME ...] [--keep DIR]
    tools/check_page_layout.py --site FOLDER [--page NAME.html ...]

For every shipped style (and "Bare", a style with no rules for narrow
windows of its own, which leaves the work to the generated sheets) the
sample calendar is generated with almanix-cli, as make_style_snapshots.py
--generated does, and every page type is opened in headless Chromium at
390 x 844 (as a phone: touch, viewport line honoured) and at 1280 x 900.
A page fails when:

- it is wider than the window (it would scroll sideways), naming the
  widest element that sticks out;
- on a phone, it has no viewport line (a phone would lay it out 980 px
  wide and shrink it);
- a word of letters is broken over two lines ("Tuesd/ay");
- on a phone, the days of a month page, listed one under the other, do not
  all start at the same left edge with the same width;
- in a month grid, a day's picture or its time or place (`.dt`) reaches past
  the day's cell;
- on a month page, the details of an event do not open on a click (a tap
  on the phone) or on keyboard focus, or open with part of their box
  outside the window or cut off by an element that clips, or stay open
  after Escape.

--site checks the pages of one folder instead (all its pages, or those
named with --page), at both sizes. Exit status 0 when every page passed,
1 when one failed, 2 when Chromium or almanix-cli is missing.
"""

import argparse
import json
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import check_generated_pages as pages  # noqa: E402
import make_style_snapshots as snapshots  # noqa: E402

SIZES = [(390, 844, True), (1280, 900, False)]   # width, height, phone
SAMPLE_PAGES = ["April2025.html", "SmallApril2025.html", "Year.html", "EventList2025.html",
                "Events.html", "Calendar.html", "Small.html", "Scroller.html", "Link.html",
                "frame.html", "object.html"]
SETTLE = 0.4   # seconds given to a click, tap or key to take effect

# A style with the rules every Style.css starts with and nothing for narrow
# windows: what a person's own older style looks like.
BARE_STYLE = """<style type="text/css">
/*
[Backgrounds]
CaptionHeight=0
[Photos]
Position=AboveCaption
[Special]
DateFormat=Long
*/
Body {
background-color: #FFFFFF;
}
.Photo {
}
.Canvas {
width: 100%;
}
table.calendar {
width: 100%;
border-collapse: collapse;
}
.MonthCaption {
font-size: 16pt;
}
.Weekdays {
font-size: 10pt;
}
.Date {
font-size: 10pt;
}
.Holidays {
}
.Events {
}
A:Link {
color: #0000FF;
}
A:Visited {
}
A:Active {
}
A:Hover {
}
td.events { border: 1px solid #999999; overflow: hidden; height: 90px; }
</style>
"""

# Width of the page against the window, the widest element sticking out,
# the viewport line and words broken inside their letters.
LAYOUT_JS = r"""(() => {
  const root = document.documentElement;
  const vw = root.clientWidth;
  const out = {vw: vw, sw: Math.max(root.scrollWidth, document.body ? document.body.scrollWidth : 0),
               viewport: !!document.querySelector('meta[name="viewport" i]'),
               culprit: '', broken: []};
  const name = (el) => el.tagName.toLowerCase() + (el.id ? '#' + el.id : '') +
      (typeof el.className === 'string' && el.className.trim() ?
       '.' + el.className.trim().split(/\s+/).join('.') : '');
  if (out.sw > vw + 1) {
    let widest = null, right = vw;
    for (const el of document.body.querySelectorAll('*')) {
      const r = el.getBoundingClientRect();
      if (r.width > 0 && r.right + window.scrollX > right + 0.5) {
        const hidden = getComputedStyle(el).visibility === 'hidden';
        if (!hidden) { widest = el; right = r.right + window.scrollX; }
      }
    }
    if (widest) {
      const parent = widest.parentElement;
      out.culprit = name(widest) + (parent ? ' in ' + name(parent) : '') +
                    ' reaches ' + Math.round(right) + ' px';
    }
  }
  // A narrow month page lists its days one under the other: every day's box
  // starts at the same left edge and is as wide as the others.
  out.uneven = '';
  // Small calendars stay grids; a year page holds many of them.
  const grids = document.querySelectorAll('table.calendar');
  if (vw < 600 && grids.length === 1) {
    let first = null;
    for (const td of grids[0].querySelectorAll('td.events')) {
      const r = td.getBoundingClientRect();
      const display = getComputedStyle(td).display;
      if (r.width === 0 || display === 'none' || display === 'table-cell') continue;
      const date = td.querySelector('.Date');
      const day = date ? date.textContent.trim() : '?';
      if (!first) { first = {day: day, left: r.left, width: r.width}; continue; }
      if (Math.abs(r.left - first.left) > 1 || Math.abs(r.width - first.width) > 1) {
        out.uneven = 'day ' + day + ' at ' + Math.round(r.left) + ' px, ' + Math.round(r.width) +
                     ' px wide; day ' + first.day + ' at ' + Math.round(first.left) + ' px, ' +
                     Math.round(first.width) + ' px wide';
        break;
      }
    }
  }
  // In a month grid, a day's pictures and its times and places stay inside
  // the day (the details boxes hang outside on purpose).
  out.spills = '';
  if (grids.length === 1) {
    for (const td of grids[0].querySelectorAll('td.events')) {
      if (getComputedStyle(td).display !== 'table-cell') continue;
      const cell = td.getBoundingClientRect();
      for (const el of td.querySelectorAll('img, .dt')) {
        if (el.closest('.bpop, .bpopleft, .itr-float')) continue;
        const r = el.getBoundingClientRect();
        if (r.width > 0 && r.right > cell.right + 1) {
          const date = td.querySelector('.Date');
          out.spills = name(el) + ' of day ' + (date ? date.textContent.trim() : '?') +
                       ' reaches ' + Math.round(r.right - cell.right) + ' px past its cell';
          break;
        }
      }
      if (out.spills) break;
    }
  }
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  const range = document.createRange();
  for (let node = walker.nextNode(); node && out.broken.length < 3; node = walker.nextNode()) {
    const text = node.nodeValue;
    const re = /\p{L}{2,}/gu;
    let m;
    while ((m = re.exec(text)) && out.broken.length < 3) {
      range.setStart(node, m.index);
      range.setEnd(node, m.index + m[0].length);
      const tops = new Set();
      for (const r of range.getClientRects()) if (r.width > 0) tops.add(Math.round(r.top));
      if (tops.size > 1) out.broken.push(m[0]);
    }
  }
  return JSON.stringify(out);
})()"""

# Marks the entries with details the check opens: the first and the one
# furthest right (the one most likely to run off the window).
PICK_JS = r"""(() => {
  const spans = 'span.bpop, span.bpopleft, span.bpopupright, span.bpopupleft';
  const all = [...document.querySelectorAll('a.itr')].filter(a => a.querySelector(spans) &&
      a.getBoundingClientRect().width > 0);
  if (!all.length) return 0;
  let right = all[0];
  for (const a of all) if (a.getBoundingClientRect().right > right.getBoundingClientRect().right) right = a;
  all[0].setAttribute('data-layout-click', '');
  right.setAttribute('data-layout-focus', '');
  return all.length;
})()"""

# Scrolls an entry to the middle of the window and gives the point to tap.
AIM_JS = r"""((which) => {
  const a = document.querySelector('[data-layout-' + which + ']');
  a.scrollIntoView({block: 'center', inline: 'nearest'});
  const rects = a.getClientRects();
  const r = rects.length ? rects[0] : a.getBoundingClientRect();
  return JSON.stringify({x: r.left + Math.min(r.width / 2, 20), y: r.top + r.height / 2});
})"""

# The open details box, if any: where it is and what cuts it off.
OPEN_BOX_JS = r"""(() => {
  const spans = 'span.bpop, span.bpopleft, span.bpopupright, span.bpopupleft, div.itr-float';
  const box = [...document.querySelectorAll(spans)].find(el => {
    const s = getComputedStyle(el);
    const r = el.getBoundingClientRect();
    return s.display !== 'none' && s.visibility !== 'hidden' && !el.hidden && r.width > 0;
  });
  if (!box) return JSON.stringify({open: false});
  box.scrollIntoView({block: 'nearest', inline: 'nearest'});
  const r = box.getBoundingClientRect();
  const vw = document.documentElement.clientWidth, vh = window.innerHeight;
  const out = {open: true, left: r.left, right: r.right, top: r.top, bottom: r.bottom,
               vw: vw, vh: vh, clippedBy: ''};
  for (let p = box.parentElement; p && p !== document.documentElement; p = p.parentElement) {
    const s = getComputedStyle(p);
    if (s.overflowX !== 'visible' || s.overflowY !== 'visible') {
      const q = p.getBoundingClientRect();
      if (r.left < q.left - 0.5 || r.right > q.right + 0.5 || r.top < q.top - 0.5 ||
          r.bottom > q.bottom + 0.5) {
        out.clippedBy = p.tagName.toLowerCase() +
            (typeof p.className === 'string' && p.className ? '.' + p.className.split(/\s+/).join('.') : '') +
            ' (overflow ' + s.overflowX + '/' + s.overflowY + ')';
        break;
      }
    }
  }
  return JSON.stringify(out);
})()"""


class LayoutCheck(pages.PageCheck):
    """One page at one size: loads it as the page checker does, then measures."""

    def __init__(self, browser, path, folder, timeout, size):
        width, height, phone = size
        super().__init__(browser, path, folder, timeout, view=(width, height))
        self.phone = phone
        self.width = width

    def prepare(self, sid):
        if sid != getattr(self, "session", None) or not self.phone:
            return
        b = self.browser
        b.call("Emulation.setDeviceMetricsOverride",
               {"width": self.view[0], "height": self.view[1], "deviceScaleFactor": 2,
                "mobile": True}, session=sid)
        b.call("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1},
               session=sid)

    # The page checker calls this once the page has settled; the measuring
    # happens here, in the same tab.
    def take_screenshot(self, out):
        try:
            self.measure()
        except RuntimeError as e:
            self.fail("could not measure: %s" % e)

    def evaluate(self, expression):
        result = self.browser.call("Runtime.evaluate", {"expression": expression,
                                                        "returnByValue": True},
                                   session=self.session)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            raise RuntimeError(details.get("exception", {}).get("description")
                               or details.get("text", "exception"))
        return result.get("result", {}).get("value")

    def wait(self, seconds=SETTLE):
        end = time.monotonic() + seconds
        while time.monotonic() < end and self.left_for is None:
            self.browser.pump(end - time.monotonic())

    def measure(self):
        layout = json.loads(self.evaluate(LAYOUT_JS))
        if layout["sw"] > layout["vw"] + 1:
            self.fail("scrolls sideways: %d px wide in a %d px window%s" % (
                layout["sw"], layout["vw"],
                " (%s)" % layout["culprit"] if layout["culprit"] else ""))
        if self.phone and not layout["viewport"]:
            self.fail("no viewport line: a phone lays the page out 980 px wide")
        if layout["spills"]:
            self.fail("a day's contents run out of it: " + layout["spills"])
        if layout["uneven"]:
            self.fail("the month's days sit in boxes of different widths: " + layout["uneven"])
        if layout["broken"]:
            self.fail("words broken inside their letters: %s" % ", ".join(layout["broken"]))
        if self.evaluate(PICK_JS):
            self.check_details()

    def open_box(self):
        return json.loads(self.evaluate(OPEN_BOX_JS))

    def judge_box(self, how):
        box = self.open_box()
        if not box["open"]:
            self.fail("the details do not open on %s" % how)
            return False
        if box["clippedBy"]:
            self.fail("the details opened on %s are cut off by %s" % (how, box["clippedBy"]))
        elif (box["left"] < -0.5 or box["right"] > box["vw"] + 0.5 or box["top"] < -0.5
              or box["bottom"] > box["vh"] + 0.5):
            self.fail("the details opened on %s reach outside the window: "
                      "left %d, right %d, top %d, bottom %d in %d x %d" % (
                          how, box["left"], box["right"], box["top"], box["bottom"],
                          box["vw"], box["vh"]))
        return True

    def press_escape(self, how):
        for kind in ("rawKeyDown", "keyUp"):
            self.browser.call("Input.dispatchKeyEvent",
                              {"type": kind, "key": "Escape", "code": "Escape",
                               "windowsVirtualKeyCode": 27}, session=self.session)
        self.wait(0.1)
        if self.open_box()["open"]:
            self.fail("Escape leaves the details opened on %s open" % how)

    def check_details(self):
        b, s = self.browser, self.session
        how = "a tap" if self.phone else "a click"
        point = json.loads(self.evaluate(AIM_JS + "('click')"))
        x, y = point["x"], point["y"]
        if self.phone:
            b.call("Input.dispatchTouchEvent", {"type": "touchStart",
                                                "touchPoints": [{"x": x, "y": y}]}, session=s)
            b.call("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []},
                   session=s)
        else:
            b.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y}, session=s)
            for kind in ("mousePressed", "mouseReleased"):
                b.call("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y,
                                                    "button": "left", "clickCount": 1},
                       session=s)
        self.wait()
        if self.left_for is not None:
            self.fail("%s on an event left the page for %s instead of opening its details"
                      % (how, self.short(self.left_for)))
            return
        if self.judge_box(how):
            self.press_escape(how)

        self.evaluate("document.activeElement && document.activeElement.blur(), 0")
        if not self.phone:
            # The pointer, still over the first entry, would hold its
            # details open by hover.
            b.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": 0, "y": 0}, session=s)
        self.evaluate(AIM_JS + "('focus')")
        self.evaluate("document.querySelector('[data-layout-focus]').focus(), 0")
        self.wait(0.1)
        if self.judge_box("keyboard focus"):
            self.press_escape("keyboard focus")


def check_folder(browser, folder, names, label, timeout):
    """Checks the named pages of one folder at both sizes; the number that failed."""
    failed = 0
    for name in names:
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            continue
        for size in SIZES:
            check = LayoutCheck(browser, path, folder, timeout, size)
            try:
                check.run(screenshot="measure")
            except pages.BrowserGone as e:
                check.fail("browser failed: %s" % e)
            where = "%s%s at %d px" % (label, name, size[0])
            if check.left_for is not None and not check.failures:
                print("ok %s (goes on to %s)" % (where, check.short(check.left_for)))
            elif check.failures:
                failed += 1
                print("FAIL %s: %s" % (where, "; ".join(check.failures)))
            else:
                print("ok %s" % where)
    return failed


def style_names(styles_dir, only):
    names = sorted(n for n in os.listdir(styles_dir)
                   if os.path.isfile(os.path.join(styles_dir, n, "Style.css")))
    names.append("Bare")
    if only:
        unknown = [n for n in only if n not in names]
        if unknown:
            sys.exit("no such style: %s" % ", ".join(unknown))
        names = [n for n in names if n in only]
    return names


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", help="almanix-cli (default build/bin/almanix-cli)")
    parser.add_argument("--only", nargs="+", metavar="NAME", help="check only these styles")
    parser.add_argument("--keep", metavar="DIR", help="leave the generated sites in DIR")
    parser.add_argument("--site", metavar="FOLDER", help="check the pages of this folder")
    parser.add_argument("--page", nargs="+", metavar="NAME", help="with --site: these pages")
    parser.add_argument("--timeout", type=float, default=20, help="seconds for a page to settle")
    args = parser.parse_args()
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

    exe = pages.find_chromium(None)
    if not exe:
        print("chromium not found: apt-get install -y chromium", file=sys.stderr)
        return 2
    cli = None
    if not args.site:
        cli = os.path.abspath(args.cli or os.path.join(repo, "build", "bin", "almanix-cli"))
        if not os.access(cli, os.X_OK):
            print("%s is not there; build it or give --cli" % cli, file=sys.stderr)
            return 2

    started = time.monotonic()
    browser = pages.Chromium(exe)
    failed = checked = 0
    work = args.keep or tempfile.mkdtemp(prefix="page-layout-")
    try:
        try:
            browser.call("Browser.getVersion", timeout=pages.START_TIMEOUT)
        except pages.BrowserGone as e:
            print("Chromium did not start: %s\n%s" % (e, browser.log_tail()), file=sys.stderr)
            return 2
        if args.site:
            names = args.page or sorted(pages.pages_in(args.site))
            names = [os.path.basename(n) for n in names]
            failed = check_folder(browser, os.path.abspath(args.site), names, "", args.timeout)
            checked = len(names)
        else:
            shipped = os.path.join(repo, "resources", "Common", "Styles")
            bare = os.path.join(work, "bare-styles")
            os.makedirs(os.path.join(bare, "Bare"), exist_ok=True)
            with open(os.path.join(bare, "Bare", "Style.css"), "w", encoding="utf-8") as f:
                f.write(BARE_STYLE)
            for name in style_names(shipped, args.only):
                styles_dir = bare if name == "Bare" else shipped
                try:
                    site = snapshots.generate_with_style(cli, repo, styles_dir, name,
                                                         os.path.join(work, name))
                except snapshots.GeneratedFailure as e:
                    print("FAIL %s: %s" % (name, e))
                    failed += 1
                    continue
                failed += check_folder(browser, site, SAMPLE_PAGES, name + ": ", args.timeout)
                checked += 1
    finally:
        browser.close()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    print("checked %d %s in %.1f s, %d failed" % (
        checked, "pages" if args.site else "styles", time.monotonic() - started, failed))
    return 1 if failed or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
