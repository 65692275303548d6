#!/usr/bin/env python3
"""Checks the embed code Link.html offers and "Add to my calendar" in Chromium.

    tools/check_embedding.py [--cli PATH] [--style NAME] [--keep DIR]

The sample calendar is generated with almanix-cli, its address set to a
web server this check starts on 127.0.0.1. A second server, on "localhost"
(another site, so the frame runs in a process of its own as on the web),
serves host pages: a short page of someone else's with one of the codes
Link.html offers for a frame that fits its page (the large calendar, the
small calendar, the event list), taken from Link.html's text boxes as a
person would copy them. Each host page is opened at 390 x 844 as a phone
and at 1280 x 900. A host page fails when:

- it scrolls sideways, or the frame is not as wide as the space it is in;
- the calendar in the frame scrolls, sideways or up and down (its height
  did not follow), or the frame kept the fixed height of the code (no
  height arrived).

Then, on a month page and on the year's event list:

- every event's details (opened as popup.js opens them on a click) have
  the three "Add to my calendar" links: the event's .ics file, which must
  exist, Google Calendar and Outlook on the web, with their fields;
- every event of the list has the links, and its .ics file exists;
- the Google and Outlook addresses addlinks.js makes are byte for byte the
  ones worked out here from the page's data, and for the events this check
  adds (texts with quotes, markup, "</script>", a line break, U+2028) the
  ones worked out from what was entered and the local time in TZ;
- every file in events/ is read by python3-icalendar (Debian's python3)
  as one event with a summary and a start.

Exit status 0 when all passed, 1 when one failed, 2 when Chromium or
almanix-cli is missing.
"""

import argparse
import datetime
import functools
import html
import html.parser
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import check_generated_pages as pages  # noqa: E402
import check_page_layout as layout  # noqa: E402
import make_style_snapshots as snapshots  # noqa: E402

SYSTEM_PYTHON = "/usr/bin/python3"   # the one with python3-icalendar
MONTH_PAGE = "April2025.html"
LIST_PAGE = "EventList2025.html"
FRAMED = ("Calendar.html", "Small.html", "Events.html")
HEIGHT_WAIT = 3.0   # seconds for the frame's height to arrive after the load

HOST_PAGE = """<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Riverside news</title>
<link rel="icon" href="data:,">
<style>body { margin: 0; padding: 0 12px; font-family: sans-serif; }</style>
</head><body>
<h1>Riverside news</h1>
<p>What is on at the club:</p>
%s
<p id="after">Our thanks to every volunteer.</p>
</body></html>
"""

HOST_JS = r"""(() => {
  const f = document.querySelector('iframe');
  const r = f.getBoundingClientRect();
  const body = getComputedStyle(document.body);
  return JSON.stringify({width: r.width, height: r.height,
      room: document.body.clientWidth - parseFloat(body.paddingLeft) - parseFloat(body.paddingRight)});
})()"""

FRAME_JS = r"""(() => {
  const s = document.scrollingElement || document.documentElement;
  return JSON.stringify({url: location.href, ih: innerHeight, iw: innerWidth,
                         sh: s.scrollHeight, sw: s.scrollWidth});
})()"""

# Opens each event's details the way a click does and lists the links of
# "Add to my calendar" in the box; the "..." of a busy day is no event.
POPUPS_JS = r"""(() => {
  const spans = 'span.bpop, span.bpopleft, span.bpopupright, span.bpopupleft';
  const out = [];
  for (const a of document.querySelectorAll('a.itr')) {
    const span = a.querySelector(spans);
    if (!span) continue;
    const own = [...a.childNodes].filter(n => n !== span).map(n => n.textContent).join('').trim();
    if (own === '...') continue;
    a.click();
    const box = document.querySelector('div.itr-float');
    const links = box && !box.hidden ? [...box.querySelectorAll('span.AddToCalendar a')] : [];
    const data = span.querySelector('span.AddToCalendar');
    out.push({entry: own.slice(0, 40), links: links.map(l => l.href),
              raw: links.map(l => l.getAttribute('href')),
              labels: links.map(l => [l.textContent, l.getAttribute('aria-label')]),
              e: data && data.getAttribute('data-e'), t: data && data.getAttribute('data-t')});
    document.body.click();
  }
  return JSON.stringify(out);
})()"""

# Walks the first event's details by keyboard as popup.js routes Tab:
# focus on the entry opens them, Tab goes into their links, Tab from the
# last goes on past the entry, Shift+Tab from the first comes back, and
# Escape inside closes them and returns to the entry.
KEYS_JS = r"""(() => {
  const spans = 'span.bpop, span.bpopleft, span.bpopupright, span.bpopupleft';
  const entry = [...document.querySelectorAll('a.itr')].find(a =>
      a.querySelector(spans) && a.querySelector('span.AddToCalendar'));
  if (!entry) return JSON.stringify({problem: 'no entry with Add to my calendar'});
  const tab = (shift) => document.activeElement.dispatchEvent(new KeyboardEvent('keydown',
      {key: 'Tab', shiftKey: !!shift, bubbles: true, cancelable: true}));
  const box = () => document.querySelector('div.itr-float');
  const inBox = () => box() && !box().hidden && box().contains(document.activeElement);
  const steps = [];
  entry.focus();
  steps.push(['focus opens the details', !!box() && !box().hidden]);
  tab(false);
  steps.push(['Tab reaches the first link', inBox() && document.activeElement.tagName === 'A']);
  tab(true);
  steps.push(['Shift+Tab returns to the entry', document.activeElement === entry]);
  tab(false);
  const links = box().querySelectorAll('a[href]');
  links[links.length - 1].focus();
  tab(false);
  steps.push(['Tab from the last link leaves the box',
              !inBox() && document.activeElement !== entry]);
  entry.focus();
  tab(false);
  document.activeElement.dispatchEvent(new KeyboardEvent('keydown',
      {key: 'Escape', bubbles: true, cancelable: true}));
  steps.push(['Escape closes and returns to the entry',
              box().hidden && document.activeElement === entry]);
  return JSON.stringify({failed: steps.filter(s => !s[1]).map(s => s[0]), steps: steps.length});
})()"""

LIST_JS = r"""(() => {
  const spans = [...document.querySelectorAll('span.AddToCalendar')];
  return JSON.stringify({
    events: document.querySelectorAll('td[class^="ListEvent"] b > font[size="+1"]').length,
    links: spans.map(s => [...s.querySelectorAll('a')].map(a => a.href)),
    made: spans.map(s => ({e: s.getAttribute('data-e'), t: s.getAttribute('data-t'),
        raw: [...s.querySelectorAll('a')].map(a => a.getAttribute('href')),
        labels: [...s.querySelectorAll('a')].map(a => [a.textContent, a.getAttribute('aria-label')])}))
  });
})()"""

# Events with texts that HTML, scripts and addresses give a meaning to,
# added to the sample before it is generated: summary, description,
# location, the local start and end (None: all day).
HOSTILE = [
    ("Fish & \"Chips\" 'n' </script>\u2028(*!) 1 < 2 caf\u00e9", "50% off? Bring </script> & cash",
     "Hall A&B; \"back\" door", (2025, 4, 12, 18, 30), (2025, 4, 12, 20, 0)),
    # A line break in the details ends a month page's pop-up early (the old
    # pages did so as well), so this one lies outside the month checked.
    ("Night </b>watch", "Lamps\r\nand boots", "", (2025, 11, 2, 0, 30), (2025, 11, 2, 2, 15)),
    ("All-day \u2029 'fair'", "x\ty", "", (2025, 4, 30, 0, 0), None),
]

READ_ICS = r"""
import sys, icalendar
for path in sys.argv[1:]:
    try:
        cal = icalendar.Calendar.from_ical(open(path, 'rb').read())
        events = cal.walk('VEVENT')
        ok = len(events) == 1 and events[0].get('summary') and events[0].get('dtstart')
        print(path, 'ok' if ok else 'has %d events' % len(events))
    except Exception as e:
        print(path, 'does not parse:', str(e).splitlines()[0] if str(e) else type(e).__name__)
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """A web server for the folder on 127.0.0.1 in a thread of its own."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def fitting_codes(link_page):
    """The codes of Link.html's text boxes that fit the frame, as copied."""
    with open(link_page, encoding="utf-8", errors="replace") as f:
        text = f.read()
    boxes = re.findall(r"<TEXTAREA[^>]*>(.*?)</TEXTAREA>", text, re.S | re.I)
    return [html.unescape(b).strip() for b in boxes if "calendar-height" in b]


class FramedCheck(layout.LayoutCheck):
    """A host page at one size: the layout check, then the frame's fit."""

    def __init__(self, browser, url, folder, timeout, size, fixed_height):
        super().__init__(browser, os.path.join(folder, "host.html"), folder, timeout, size)
        self.url = url
        self.fixed_height = fixed_height
        self.contexts = {}   # frame id -> (session, execution context id)
        self.result = None

    def on_event(self, method, p, session):
        if method == "Runtime.executionContextCreated":
            ctx = p["context"]
            aux = ctx.get("auxData") or {}
            if aux.get("isDefault") and aux.get("frameId") != self.main_frame:
                self.contexts[aux.get("frameId")] = (session, ctx["id"])
        super().on_event(method, p, session)

    def take_screenshot(self, out):
        super().take_screenshot(out)
        try:
            self.check_frame()
        except RuntimeError as e:
            self.fail("could not measure the frame: %s" % e)

    def frame_metrics(self):
        for sid, ctx in list(self.contexts.values())[::-1]:
            result = self.browser.call("Runtime.evaluate", {
                "expression": FRAME_JS, "returnByValue": True, "contextId": ctx},
                session=sid or self.session)
            if "exceptionDetails" not in result and "result" in result:
                value = result["result"].get("value")
                if value:
                    return json.loads(value)
        return None

    def check_frame(self):
        # The height comes by message after the calendar's load; give it time.
        end = time.monotonic() + HEIGHT_WAIT
        while True:
            host = json.loads(self.evaluate(HOST_JS))
            inner = self.frame_metrics()
            if inner and abs(host["height"] - self.fixed_height) > 1 and inner["sh"] <= inner["ih"] + 1:
                break
            if time.monotonic() >= end:
                break
            self.browser.pump(0.2)
        self.result = (host, inner)
        if host["width"] < host["room"] - 1:
            self.fail("the frame is %d px wide in %d px of room" % (host["width"], host["room"]))
        if not inner:
            self.fail("the calendar in the frame could not be reached")
            return
        if abs(host["height"] - self.fixed_height) <= 1:
            self.fail("the frame kept the code's fixed height of %d px" % self.fixed_height)
        if inner["sh"] > inner["ih"] + 1:
            self.fail("the calendar scrolls in its frame: %d px of content, %d px of frame (%s)" % (
                inner["sh"], inner["ih"], inner["url"]))
        if inner["sw"] > inner["iw"] + 1:
            self.fail("the calendar scrolls sideways in its frame: %d px in %d px (%s)" % (
                inner["sw"], inner["iw"], inner["url"]))


def check_hosts(browser, site, host_dir, timeout):
    failed = 0
    codes = fitting_codes(os.path.join(site, "Link.html"))
    found = {}
    for code in codes:
        src = re.search(r'<iframe src="([^"]+)"', code)
        height = re.search(r"height:(\d+)px", code)
        if src and height:
            found[src.group(1).rsplit("/", 1)[-1]] = (code, int(height.group(1)))
    for name in FRAMED:
        if name not in found:
            print("FAIL Link.html: no code that fits the page for %s" % name)
            failed += 1
    host_server = serve(host_dir)
    try:
        for name, (code, fixed) in sorted(found.items()):
            host = "host-" + name
            with open(os.path.join(host_dir, host), "w", encoding="utf-8") as f:
                f.write(HOST_PAGE % code)
            url = "http://localhost:%d/%s" % (host_server.server_address[1], host)
            for size in layout.SIZES:
                check = FramedCheck(browser, url, host_dir, timeout, size, fixed)
                try:
                    check.run(screenshot="measure")
                except pages.BrowserGone as e:
                    check.fail("browser failed: %s" % e)
                where = "%s framed in a host page at %d px" % (name, size[0])
                if check.failures:
                    failed += 1
                    print("FAIL %s: %s" % (where, "; ".join(check.failures)))
                else:
                    host, inner = check.result
                    print("ok %s: frame %d x %d px (code: %d px), showing %s" % (
                        where, host["width"], host["height"], fixed,
                        inner["url"].rsplit("/", 1)[-1]))
    finally:
        host_server.shutdown()
    return failed


def local_file(site, url):
    if not url.startswith("file:"):
        return None
    return urllib.request.url2pathname(urllib.parse.urlsplit(url).path)


def link_problems(site, links):
    """What is wrong with one event's three links; empty when nothing."""
    if len(links) != 3:
        return ["%d links instead of 3" % len(links)]
    problems = []
    ics, google, outlook = links
    path = local_file(site, ics)
    if not ics.endswith(".ics") or not path or not os.path.isfile(path):
        problems.append("no calendar file at %s" % ics)
    g = urllib.parse.urlsplit(google)
    gq = urllib.parse.parse_qs(g.query)
    if (g.netloc != "calendar.google.com" or gq.get("action") != ["TEMPLATE"] or not gq.get("text")
            or not re.fullmatch(r"\d{8}(T\d{6}Z)?/\d{8}(T\d{6}Z)?", (gq.get("dates") or [""])[0])):
        problems.append("Google link without its fields: %s" % google)
    o = urllib.parse.urlsplit(outlook)
    oq = urllib.parse.parse_qs(o.query)
    if (o.netloc != "outlook.live.com" or not oq.get("subject") or not oq.get("startdt")
            or not oq.get("enddt")):
        problems.append("Outlook link without its fields: %s" % outlook)
    return problems


def pct(text):
    """Percent-encoding as the pages use it: all but letters, digits, "-_.~"."""
    return urllib.parse.quote(text.encode("utf-8"), safe="")


def addresses(name, details, place, when):
    """The Google and Outlook addresses of an entry. when: "yyyymmdd" for an
    all-day event, else (start, end) as "yyyymmddThhmm00Z" stamps."""
    if isinstance(when, str):
        day = datetime.date(int(when[:-4]), int(when[-4:-2]), int(when[-2:]))
        after = day + datetime.timedelta(days=1)
        dates = when + "/" + after.strftime("%Y%m%d")
        times = "&startdt=%s&enddt=%s&allday=true" % (day.isoformat(), after.isoformat())
    else:
        dates = "%s/%s" % when
        iso = ["%s-%s-%sT%s:%s:%sZ" % (w[0:4], w[4:6], w[6:8], w[9:11], w[11:13], w[13:15])
               for w in when]
        times = "&startdt=%s&enddt=%s&allday=false" % (pct(iso[0]), pct(iso[1]))
    return ["https://calendar.google.com/calendar/render?action=TEMPLATE&text=" + pct(name) +
            "&dates=" + dates + "&details=" + pct(details) + "&location=" + pct(place),
            "https://outlook.live.com/calendar/0/deeplink/compose?path=%2Fcalendar%2Faction%2F"
            "compose&rru=addevent&subject=" + pct(name) + times + "&body=" + pct(details) +
            "&location=" + pct(place)]


def data_when(t):
    """data-t ("yyyymmdd", or "yyyymmddThhmm+minutes") as addresses() takes it."""
    if re.fullmatch(r"\d{8}", t):
        return t
    m = re.fullmatch(r"(\d{8}T\d{4})([+-]\d+)", t)
    start = datetime.datetime.strptime(m.group(1), "%Y%m%dT%H%M")
    end = start + datetime.timedelta(minutes=int(m.group(2)))
    return (m.group(1) + "00Z", end.strftime("%Y%m%dT%H%M00Z"))


class PageTexts(html.parser.HTMLParser):
    """Each event's texts as the page's own parse gives them: data-e -> (name,
    details, place), from the first span.AddToCalendar that carries them."""

    def __init__(self, path):
        super().__init__(convert_charrefs=True)
        self.texts = {}
        with open(path, encoding="utf-8") as f:
            self.feed(f.read())
        self.close()

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "span" and "data-n" in a and a.get("data-e") not in self.texts:
            self.texts[a["data-e"]] = (a["data-n"], a.get("data-d") or "", a.get("data-l") or "")


def local_stamp(parts):
    """A local time (y, m, d, h, min) in UTC as "yyyymmddThhmm00Z", by mktime under TZ."""
    utc = time.gmtime(time.mktime(tuple(parts) + (0, 0, 0, -1)))
    return time.strftime("%Y%m%dT%H%M00Z", utc)


def made_problems(site, page, made):
    """Where the addresses the script made differ from those worked out here,
    and where a label differs from what the page always said."""
    texts = PageTexts(os.path.join(site, page)).texts
    hostile = {h[0].strip(): h for h in HOSTILE}
    problems = []
    checked = added = 0
    for m in made:
        if not m.get("e") or not m.get("t") or m["e"] not in texts:
            problems.append("entry without its data: %r" % m)
            continue
        name, details, place = texts[m["e"]]
        want = addresses(name, details, place, data_when(m["t"]))
        if m["raw"][1:] != want:
            problems.append("%s: made %s, want %s" % (name[:30], m["raw"][1:], want))
        if m["labels"] != [["iCalendar", name + ": iCalendar"], ["Google", name + ": Google Calendar"],
                           ["Outlook", name + ": Outlook"]]:
            problems.append("%s: labels %s" % (name[:30], m["labels"]))
        checked += 1
        if name in hostile:
            h = hostile[name]
            when = (h[3][0] * 10000 + h[3][1] * 100 + h[3][2]) if h[4] is None else None
            want = addresses(h[0].strip(), h[1].strip(), h[2].strip(),
                             str(when) if when else (local_stamp(h[3]), local_stamp(h[4])))
            if m["raw"][1:] != want:
                problems.append("%s as entered: made %s, want %s" % (name[:30], m["raw"][1:], want))
            added += 1
    return checked, added, problems


def evaluate_page(browser, site, name, expression, timeout):
    check = pages.PageCheck(browser, os.path.join(site, name), site, timeout)
    check.run(evaluate=expression)
    return check


def check_add_links(browser, site, timeout):
    failed = 0
    check = evaluate_page(browser, site, MONTH_PAGE, POPUPS_JS, timeout)
    entries = json.loads(check.evaluated) if check.evaluated else []
    problems = list(check.failures)
    if not entries:
        problems.append("no event details to open")
    for e in entries:
        for p in link_problems(site, e["links"]):
            problems.append("%s: %s" % (e["entry"], p))
    checked, added, made = made_problems(site, MONTH_PAGE, entries)
    problems.extend(made)
    if added < 2:
        problems.append("%d of the added events' details seen" % added)
    if problems:
        failed += 1
        print("FAIL %s details: %s" % (MONTH_PAGE, "; ".join(problems[:6])))
    else:
        print("ok %s: the details of %d events offer Add to my calendar, their addresses "
              "as worked out here" % (MONTH_PAGE, len(entries)))

    check = evaluate_page(browser, site, MONTH_PAGE, KEYS_JS, timeout)
    keys = json.loads(check.evaluated) if check.evaluated else {"problem": "nothing evaluated"}
    problems = list(check.failures) + ([keys["problem"]] if "problem" in keys else keys["failed"])
    if problems:
        failed += 1
        print("FAIL %s keyboard: %s" % (MONTH_PAGE, "; ".join(problems[:6])))
    else:
        print("ok %s: the details' links are reached by Tab and left by Tab, Shift+Tab and Escape"
              % MONTH_PAGE)

    check = evaluate_page(browser, site, LIST_PAGE, LIST_JS, timeout)
    data = json.loads(check.evaluated) if check.evaluated else {"events": 0, "links": []}
    problems = list(check.failures)
    if data["events"] == 0 or data["events"] != len(data["links"]):
        problems.append("%d events, %d with Add to my calendar" % (data["events"], len(data["links"])))
    for links in data["links"]:
        problems.extend(link_problems(site, links))
    checked, added, made = made_problems(site, LIST_PAGE, data.get("made", []))
    problems.extend(made)
    if added != len(HOSTILE):
        problems.append("%d of the %d added events seen" % (added, len(HOSTILE)))
    if problems:
        failed += 1
        print("FAIL %s: %s" % (LIST_PAGE, "; ".join(problems[:6])))
    else:
        print("ok %s: all %d events offer Add to my calendar, their addresses as worked out "
              "here" % (LIST_PAGE, data["events"]))

    folder = os.path.join(site, "events")
    files = sorted(os.path.join(folder, n) for n in os.listdir(folder)) if os.path.isdir(folder) else []
    if not files:
        print("FAIL events/: no calendar files")
        return failed + 1
    out = subprocess.run([SYSTEM_PYTHON, "-c", READ_ICS] + files, capture_output=True, text=True)
    bad = [line for line in out.stdout.splitlines() if not line.endswith(" ok")]
    if out.returncode != 0 or bad or len(out.stdout.splitlines()) != len(files):
        failed += 1
        print("FAIL events/: %s" % ("; ".join(bad[:5]) or out.stderr.strip().splitlines()[-1:]))
    else:
        print("ok events/: %d files, each one event to python3-icalendar" % len(files))
    return failed


def generate(cli, repo, style, work, address):
    site = snapshots.generate_with_style(cli, repo, os.path.join(repo, "resources", "Common", "Styles"),
                                         style, work)
    # The site again, now with the address the host pages' frames load.
    calendar = os.path.join(work, "club.cal")
    root = os.path.join(work, "root")
    for summary, description, location, start, end in HOSTILE:
        words = ["event", "add", "--category", "1", "--summary", summary, "--start",
                 "%04d-%02d-%02d %02d:%02d" % start]
        if end:
            words += ["--end", "%04d-%02d-%02d %02d:%02d" % end]
        else:
            words += ["--allday"]
        if description:
            words += ["--description", description]
        if location:
            words += ["--location", location]
        snapshots.run_cli(cli, root, calendar, *words)
    snapshots.run_cli(cli, root, calendar, "favorite", "set", snapshots.SAMPLE_FAVORITE,
                      "Publish.URL=" + address)
    snapshots.run_cli(cli, root, calendar, "generate", snapshots.SAMPLE_FAVORITE, "--out", site)
    return site


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", help="almanix-cli (default build/bin/almanix-cli)")
    parser.add_argument("--style", default="Default", help="the style to generate with")
    parser.add_argument("--keep", metavar="DIR", help="leave the site and host pages in DIR")
    parser.add_argument("--timeout", type=float, default=20, help="seconds for a page to settle")
    args = parser.parse_args()
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    exe = pages.find_chromium(None)
    if not exe:
        print("chromium not found: apt-get install -y chromium", file=sys.stderr)
        return 2
    cli = os.path.abspath(args.cli or os.path.join(repo, "build", "bin", "almanix-cli"))
    if not os.access(cli, os.X_OK):
        print("%s is not there; build it or give --cli" % cli, file=sys.stderr)
        return 2

    started = time.monotonic()
    work = args.keep or tempfile.mkdtemp(prefix="embedding-")
    site_dir = os.path.join(work, "site-work")
    host_dir = os.path.join(work, "host")
    os.makedirs(host_dir, exist_ok=True)
    # The server first, so that its port is known to the site's address.
    site_server = None
    browser = None
    failed = 0
    try:
        # generate_with_style writes the site into site-work/site.
        site_server = serve(os.path.join(site_dir, "site"))
        address = "http://127.0.0.1:%d/Calendar.html" % site_server.server_address[1]
        try:
            site = generate(cli, repo, args.style, site_dir, address)
        except snapshots.GeneratedFailure as e:
            print("FAIL generating the sample: %s" % e)
            return 1
        browser = pages.Chromium(exe)
        try:
            browser.call("Browser.getVersion", timeout=pages.START_TIMEOUT)
        except pages.BrowserGone as e:
            print("Chromium did not start: %s\n%s" % (e, browser.log_tail()), file=sys.stderr)
            return 2
        failed += check_hosts(browser, site, host_dir, args.timeout)
        failed += check_add_links(browser, site, args.timeout)
    finally:
        if browser:
            browser.close()
        if site_server:
            site_server.shutdown()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    print("checked in %.1f s, %d failed" % (time.monotonic() - started, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
