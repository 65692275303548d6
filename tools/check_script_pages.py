#!/usr/bin/env python3
"""Checks the scroller and overlay scripts in a real browser.

    tools/check_script_pages.py --node-modules DIR [--out DIR] [--docs]
                                [--chromium PATH]

Lays out a small published calendar the way a generation run does: the
scroller assets with a scroller.js filled with the six sample items (no event
is flagged for the scroller), the generated scroller.css with the default
colours, the overlay files, a month page whose links carry the overlay
suffix, the event list page and the year page they open, and a picture.
Then it drives headless Chromium through playwright-core (DIR is a
node_modules folder holding it, for example after
`npm install playwright-core` in /tmp/pw: --node-modules /tmp/pw/node_modules)
and prints one line per check and "N passed, N failed" at the end. The exit
status is 0 only when every check passed.

The pages are served from 127.0.0.1 on a free port, so the framed page is of
the same site; one check loads the year page from file:, where the frame
counts as another site, to try the message path that closes the box.

--out keeps the pages and screenshots (default: a temporary folder);
--docs also copies the two screenshots to docs/scripts-overlay.png and
docs/scripts-scroller.png.
"""

import argparse
import datetime
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_pictures as mp  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
RES = os.path.join(ROOT, "resources")

SHORT = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
LONG = ["January", "February", "March", "April", "May", "June", "July", "August",
        "September", "October", "November", "December"]

LIST_WIDTH, LIST_HEIGHT = 500, 500          # List.Width, List.Height defaults
YEAR_WIDTH = 3 * 200 + 100                  # Year_CalPerRow x Small.Width + 100
SPEED = 65                                  # Scroll.Speed default


def list_text(s):
    return s.replace('"', "").replace(",", " ")


def thick(cls, width=LIST_WIDTH + 10, height=LIST_HEIGHT):
    return ('?KeepThis=true&TB_iframe=true&height=%d&width=%d" class="%s"'
            % (height, width, cls))


def julian(dt):
    serial = (dt - datetime.datetime(1899, 12, 30)).total_seconds() / 86400.0
    return serial + 2415019


def scroller_js(now):
    lines = ["var item = new Array();"]
    for k in range(6):
        d = now + datetime.timedelta(days=k)
        hour = d.hour % 12 or 12
        time = "%d:%02d%s" % (hour, d.minute, "am" if d.hour < 12 else "pm")
        text = list_text("EXAMPLE EVENT<br />%s. %d - %s" % (SHORT[d.month - 1], d.day, time))
        link = "%s%d.html" % (LONG[d.month - 1], d.year)
        lines.append('item[%d]= ["blank.jpg","%s","%s","_top","%d"];'
                     % (k, text, link, round(julian(d))))
    with open(os.path.join(RES, "Scroller", "scroller.js"), encoding="utf-8") as f:
        template = f.read()
    return "\n".join(lines) + "\n" + template + "var speed=%d;\n" % (130 - SPEED)


def scroller_css(b="#FFFFFF", f="#FFFFFF"):
    return "\n".join([
        "body{background:" + b + ";color:#fff;overflow:visible;border:0;font:14px Arial,Helvetica,sans-serif;margin:0;padding:0}",
        "img{border:0;margin:0;padding:0}",
        "ul,ol,li{margin-top:0}",
        "div.eventitem{background:" + f + "; border:2px solid #2f4151;color:#091925;display:block;float:left;font-size:11px;font-weight:bold;height:125px;margin:9px 3px;padding:0;position:relative;text-align:center;width:130px}",
        "div.eventitem p{margin:0 auto;padding:0 0 5px 7px;text-align:center}",
        "img.imgarr{cursor:pointer}",
        "#container{height:133px;margin:0 auto;overflow:hidden;padding:5px 0 0 0;position:relative;width:700px}",
        "#container #div0 img,#container #div1 img,#container #div2 img{border:0;display:block;margin:0;padding:0}",
        "#div0{float:left;height:133px;left:-700px;margin:0;padding:0;position:absolute;text-align:right;top:0px;width:700px}",
        "#div1{float:left;height:133px;margin:0;padding:0;position:absolute;top:0px}",
        "#div2{float:left;height:133px;margin:0;padding:0;position:absolute;top:0px;width:700px}",
        "#eventscoller{height:163px;left:0px;position:absolute;top:0px;width:781px}",
        "div.eventitem a:link,div.eventitem a:visited{color:#091925;text-decoration:none}",
    ]) + "\n"


THICK_HEAD = ('<link rel="stylesheet" href="thickbox.css" type="text/css" media="screen" />\n'
              '<script type="text/javascript" src="jquery.js"></script>\n'
              '<script type="text/javascript" src="thickbox.js"></script>\n')

PAGE_STYLE = """<style>
body{font:14px Arial,Helvetica,sans-serif;margin:16px;color:#222}
table.cal{border-collapse:collapse}
table.cal td{border:1px solid #99a;width:110px;height:70px;vertical-align:top;padding:3px}
.Date{font-weight:bold}
a.itr{display:block;font-size:12px;color:#124}
.ActionBar a{padding:3px 8px;border:1px solid #99a;border-radius:3px;text-decoration:none}
</style>
"""


def month_page(year, month):
    days = ""
    for day in range(1, 15):
        events = ""
        if day in (3, 5, 11):
            events = ('<a  href="EventList%d.html#M%dD%d%s  target="_top" >'
                      '<span class="dt">9:00 am&nbsp;</span>Meeting %d</a>'
                      % (year, month, day, thick("itr thickbox"), day))
        days += ('<td valign="top" class="events"><a href="EventList%d.html#M%dD%d%s  target="_top"  >'
                 '<div class="Date" >%d<br /></div></a>%s</td>\n'
                 % (year, month, day, thick("thickbox"), day, events))
        if day % 7 == 0:
            days += "</tr><tr>\n"
    return ("<html><head>\n<title>%s %d</title>\n" % (LONG[month - 1], year) + THICK_HEAD + PAGE_STYLE +
            "</head><body>\n<h2>%s %d</h2>\n" % (LONG[month - 1], year) +
            '<table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0><tr>\n'
            '<td ><a align=right alt="List View"  href="EventList%d.html%s border=0 > &nbsp;List&nbsp;</a></td>\n'
            % (year, thick("thickbox")) +
            '<td ><a align=right alt="Year" target=_top href="Year.html%s border=0 >&nbsp;Year&nbsp;</a></td>\n'
            % thick("thickbox", width=YEAR_WIDTH) +
            '<td ><a class="thickbox" id="piclink" title="Picture of the week" href="picture.gif">&nbsp;Picture&nbsp;</a></td>\n'
            '<td ><a id="plain" href="Year.html">&nbsp;Plain link&nbsp;</a></td>\n'
            "</tr></table>\n"
            '<table class="cal"><tr>\n' + days + "</tr></table>\n</body></html>\n")


def event_list(year, month):
    rows = ""
    for day in range(1, 29):
        rows += ('<a name="M%dD%d"></a><h3 id="h%d">%s %d, %d</h3>\n<p>%s</p>\n'
                 % (month, day, day, LONG[month - 1], day, year,
                    "9:00 am Meeting %d" % day if day in (3, 5, 11) else "No events."))
    return ("<html><head><title>Event list %d</title>\n"
            '<style>body{font:14px Arial,sans-serif;margin:12px;background:#f6f7f9}'
            'h3{margin:14px 0 2px;color:#2f4151}</style>\n</head><body>\n'
            "<h2>Events %d</h2>\n" % (year, year) + rows +
            '<p><a id="last" href="#M%dD1">Back to the top</a></p>\n</body></html>\n' % month)


def year_page(year):
    return ("<html><head><title>Year %d</title>\n" % year + THICK_HEAD +
            "<style>body{font:14px Arial,sans-serif;margin:12px}</style>\n"
            "</head><body>\n<h2>%d</h2>\n<p>Twelve small months would be here.</p>\n"
            '<p><a id="jan" href="January%d.html" target="_top">January</a></p>\n'
            "</body></html>\n" % (year, year))


def picture_gif():
    def draw(c):
        c.paint(mp.rounded_rect(0, 0, 160, 160), (0x8C, 0xC4, 0xFF))
        c.paint(lambda x, y: (x - 112) ** 2 + (y - 44) ** 2 <= 20 ** 2, (0xFF, 0xD0, 0x40))
        c.paint(lambda x, y: (x - 60) ** 2 + (y - 190) ** 2 <= 95 ** 2, (0x4C, 0x9A, 0x50))
        c.paint(lambda x, y: (x - 150) ** 2 + (y - 200) ** 2 <= 80 ** 2, (0x3A, 0x80, 0x44))
    return mp.gif(mp.render(draw, 160, 1))


def lay_out(out):
    now = datetime.datetime.now().replace(second=0, microsecond=0)
    year, month = now.year, now.month
    for name in ("lbtn.gif", "rbtn.gif", "Scroller.html", "blank.jpg"):
        shutil.copy(os.path.join(RES, "Scroller", name), out)
    for name in ("thickbox.js", "thickbox.css", "jquery.js", "loading.gif"):
        shutil.copy(os.path.join(RES, "thickbox", name), out)
    files = {
        "scroller.js": scroller_js(now),
        "scroller.css": scroller_css(),
        "month.html": month_page(year, month),
        "EventList%d.html" % year: event_list(year, month),
        "Year.html": year_page(year),
    }
    for name, text in files.items():
        with open(os.path.join(out, name), "w", encoding="utf-8") as f:
            f.write(text)
    with open(os.path.join(out, "picture.gif"), "wb") as f:
        f.write(picture_gif())
    return year, month


DRIVER = r"""
const { chromium } = require('playwright-core');
const [,, base, fileBase, outDir, exe, year, month] = process.argv;
const W = %(w)d, H = %(h)d, YW = %(yw)d;
let passed = 0, failed = 0;
function check(ok, what, detail) {
  if (ok) { passed++; console.log('ok     - ' + what); }
  else { failed++; console.log('FAILED - ' + what + (detail !== undefined ? '  (' + JSON.stringify(detail) + ')' : '')); }
}
const sleep = ms => new Promise(r => setTimeout(r, ms));
const state = page => page.evaluate(() => {
  const root = document.querySelector('.tbx-root');
  const f = root && root.querySelector('iframe');
  const body = root && root.querySelector('.tbx-body');
  const a = document.activeElement;
  return {
    open: !!root,
    locked: document.documentElement.classList.contains('tbx-open'),
    src: f ? f.getAttribute('src') : null,
    w: body ? body.getBoundingClientRect().width : 0,
    h: body ? body.getBoundingClientRect().height : 0,
    box: root ? (r => ({ x: r.x + r.width / 2, y: r.y + r.height / 2 }))(root.querySelector('.tbx-box').getBoundingClientRect()) : null,
    focus: a ? (a.className || a.tagName) + (a.id ? '#' + a.id : '') : null,
    focusHref: a ? a.getAttribute('href') : null,
    inBox: !!(root && root.contains(a)),
  };
});
const stripX = page => page.evaluate(() => {
  const t = getComputedStyle(document.getElementById('div1')).transform;
  return t === 'none' ? 0 : -new DOMMatrix(t).m41;
});

(async () => {
  const browser = await chromium.launch({ executablePath: exe,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const errors = [];
  page.on('pageerror', e => errors.push(String(e)));

  // ---- overlay ----
  await page.goto(base + 'month.html');
  check(await page.evaluate(() => !!window.AlmanixOverlay && !!window.jQuery), 'thickbox.js and jquery.js load');

  const dateLink = `a[href^="EventList${year}.html#M${month}D5?"]`;
  await page.click(dateLink);
  let s = await state(page);
  check(s.open && s.locked, 'date link opens the box and locks the page scroll', s);
  check(s.src === `EventList${year}.html#M${month}D5`, 'frame shows the page at its anchor, without the box parameters', s.src);
  check(Math.round(s.w) === W && Math.round(s.h) === H, `frame is ${W} x ${H}`, [s.w, s.h]);
  check(s.focus === 'tbx-close' && s.inBox, 'focus moves to the close button', s.focus);
  const c = s.box;
  check(Math.abs(c.x - 500) <= 1 && Math.abs(c.y - 350) <= 1, 'box is centred', c);
  await page.waitForSelector('.tbx-frame.tbx-ready');
  const frame = page.frames().find(f => f.url().includes('EventList'));
  const scrolled = frame ? await frame.evaluate(() => window.scrollY) : 0;
  check(scrolled > 0, 'framed page scrolled to the day anchor', scrolled);
  await page.screenshot({ path: outDir + '/overlay.png' });
  await page.keyboard.press('Tab');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Tab');
  s = await state(page);
  check(s.inBox, 'Tab keeps the focus inside the box', s.focus);
  await page.keyboard.press('Escape');
  s = await state(page);
  check(!s.open && !s.locked, 'Escape closes the box', s);
  check(s.focusHref && s.focusHref.startsWith(`EventList${year}.html#M${month}D5?`), 'focus is back on the link', s.focusHref);

  await page.click(`a.itr.thickbox[href*="D11?"]`);
  await page.waitForSelector('.tbx-frame.tbx-ready');
  s = await state(page);
  check(s.open && s.src === `EventList${year}.html#M${month}D11`, 'event link (class "itr thickbox") opens the box', s.src);
  await page.mouse.click(8, 8);
  s = await state(page);
  check(!s.open, 'a click on the backdrop closes the box', s);
  check(s.focusHref && s.focusHref.includes('D11?'), 'focus back on the event link', s.focusHref);

  await page.click(`a[href^="EventList${year}.html?KeepThis"]`);
  await page.waitForSelector('.tbx-frame.tbx-ready');
  s = await state(page);
  check(s.src === `EventList${year}.html`, 'toolbar list link opens the list', s.src);
  await page.mouse.click(s.box.x, s.box.y);
  s = await state(page);
  check(s.open, 'a click inside the frame does not close the box');
  await page.keyboard.press('Escape');
  s = await state(page);
  check(!s.open, 'Escape pressed inside the framed page (same site) closes the box', s);

  await page.click('a[href^="Year.html?KeepThis"]');
  s = await state(page);
  check(s.src === 'Year.html' && Math.round(s.w) === Math.min(YW, 1000 - 32), 'year link opens Year.html at its width', [s.src, s.w]);
  await page.click('.tbx-close');
  s = await state(page);
  check(!s.open, 'the close button closes the box', s);

  await page.click('#piclink');
  await page.waitForSelector('.tbx-picture.tbx-ready');
  const pic = await page.evaluate(() => { const i = document.querySelector('.tbx-picture'); return [i.naturalWidth, document.querySelector('.tbx-caption').textContent]; });
  check(pic[0] === 160 && pic[1] === 'Picture of the week', 'a link without TB_iframe shows its picture with the title as caption', pic);
  await page.keyboard.press('Escape');
  check(!(await state(page)).open, 'Escape closes the picture');

  const popup = page.context().waitForEvent('page', { timeout: 1500 }).catch(() => null);
  await page.click(dateLink, { modifiers: ['Control'] });
  check(!(await state(page)).open, 'a Ctrl-click is left to the browser');
  const other = await popup; if (other) await other.close();

  await page.setViewportSize({ width: 420, height: 360 });
  await page.click(dateLink);
  s = await state(page);
  check(s.w <= 420 - 32 && s.h <= 360 - 32 - 34 + 1, 'the box shrinks to fit a small window', [s.w, s.h]);
  await page.keyboard.press('Escape');
  await page.setViewportSize({ width: 1000, height: 700 });

  // The year page loaded from file: the frame is another site, so only the
  // message from the framed page's own copy of thickbox.js can close the box.
  const fpage = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  await fpage.goto(fileBase + 'month.html');
  await fpage.click('a[href^="Year.html?KeepThis"]');
  await fpage.waitForSelector('.tbx-frame.tbx-ready');
  check(await fpage.evaluate(() => document.querySelector('.tbx-frame').contentDocument === null),
        'the file: frame is of another origin (its document cannot be reached)');
  const yf = fpage.frames().find(f => f.url().endsWith('Year.html'));
  await yf.click('h2');
  await fpage.keyboard.press('Escape');
  await sleep(200);
  s = await state(fpage);
  check(!s.open, 'Escape inside a framed page of another origin closes the box (message)', s);
  await fpage.close();

  // ---- scroller ----
  const sp = await browser.newPage({ viewport: { width: 795, height: 177 } });
  sp.on('pageerror', e => errors.push(String(e)));
  await sp.goto(base + 'Scroller.html');
  await sp.mouse.move(790, 172);
  const boxes = await sp.evaluate(() => {
    const all = [...document.querySelectorAll('#div1 .eventitem')];
    const real = all.filter(b => !b.hasAttribute('aria-hidden'));
    return { all: all.length, real: real.length, text: real[0].querySelector('p').innerHTML,
             href: real[0].querySelector('a').getAttribute('href'), target: real[0].querySelector('a').target,
             img: real[0].querySelector('img').naturalWidth, width: real[0].getBoundingClientRect().width };
  });
  check(boxes.real === 6 && boxes.all >= 12, 'six sample boxes and a copy for the loop', boxes);
  check(/^EXAMPLE EVENT<br>[A-Z][a-z]{2}\. \d+ - \d+:\d\d[ap]m$/.test(boxes.text), 'box text from the item', boxes.text);
  check(boxes.target === '_top' && /^[A-Z][a-z]+\d{4}\.html$/.test(boxes.href), 'box links to the month page in _top', [boxes.href, boxes.target]);
  check(boxes.img === 120, 'blank.jpg decodes (120 px wide)', boxes.img);
  await sleep(300);
  let x0 = await stripX(sp); await sleep(1000); let x1 = await stripX(sp);
  const rate = x1 - x0;
  check(rate > 10 && rate < 22, `strip moves left at about 1000/${130 - %(speed)d} px a second`, rate);
  await sp.mouse.move(400, 80);
  await sleep(150);
  x0 = await stripX(sp); await sleep(700); x1 = await stripX(sp);
  check(Math.abs(x1 - x0) < 0.01, 'strip stops under the mouse', [x0, x1]);
  await sp.click('#scrollnext');
  await sleep(700);
  const after = await stripX(sp);
  check(Math.abs(after - Math.round(after / 140) * 140) < 0.5 && after > x1, 'right button steps to the next box edge', [x1, after]);
  await sp.click('#scrollprev'); await sleep(700);
  const back = await stripX(sp);
  check(Math.abs((after - back) - 140) < 0.5 || Math.abs((after - back) + 840 - 140) < 0.5, 'left button steps one box back', [after, back]);
  await sp.mouse.move(790, 172);
  await sleep(150);
  x0 = await stripX(sp); await sleep(500); x1 = await stripX(sp);
  check(x1 !== x0, 'strip moves again when the mouse leaves', [x0, x1]);
  await sp.keyboard.press('Tab');
  await sp.keyboard.press('Tab');
  const focusBox = await sp.evaluate(() => { const a = document.activeElement; const b = a.closest('.eventitem'); const r = b && b.getBoundingClientRect(); const v = document.getElementById('container').getBoundingClientRect(); return r ? [r.left >= v.left - 0.5 && r.right <= v.right + 0.5, r.left, v.left] : null; });
  check(focusBox && focusBox[0], 'a box with the keyboard focus is in view', focusBox);
  await sp.evaluate(() => document.activeElement.blur());
  await sp.screenshot({ path: outDir + '/scroller-raw.png' });

  await sp.emulateMedia({ reducedMotion: 'reduce' });
  await sleep(100);
  x0 = await stripX(sp); await sleep(700); x1 = await stripX(sp);
  check(x0 === x1, 'with reduced motion the strip stands still', [x0, x1]);
  await sp.click('#scrollnext');
  const jumped = await stripX(sp);
  check(Math.abs(jumped - Math.round(jumped / 140) * 140) < 0.5 && jumped !== x1, 'with reduced motion a step jumps at once', [x1, jumped]);
  await sp.emulateMedia({ reducedMotion: 'no-preference' });

  // A still picture for the docs: boxes aligned to the frame's edge.
  const shot = await browser.newPage({ viewport: { width: 795, height: 177 } });
  await shot.emulateMedia({ reducedMotion: 'reduce' });
  await shot.goto(base + 'Scroller.html');
  await shot.mouse.move(790, 172);
  await shot.screenshot({ path: outDir + '/scroller.png' });

  check(errors.length === 0, 'no script errors', errors);
  await browser.close();
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})().catch(e => { console.log('FAILED - driver: ' + e); console.log(`${passed} passed, ${failed + 1} failed`); process.exit(1); });
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--node-modules", required=True,
                    help="a node_modules folder that holds playwright-core")
    ap.add_argument("--out", help="folder for the pages and screenshots")
    ap.add_argument("--docs", action="store_true", help="copy the screenshots into docs/")
    ap.add_argument("--chromium", default=shutil.which("chromium") or "/usr/bin/chromium")
    args = ap.parse_args()

    out = os.path.abspath(args.out) if args.out else tempfile.mkdtemp(prefix="almanix-scripts-")
    os.makedirs(out, exist_ok=True)
    year, month = lay_out(out)
    driver = os.path.join(out, "check.js")
    with open(driver, "w", encoding="utf-8") as f:
        f.write(DRIVER % {"w": LIST_WIDTH + 10, "h": LIST_HEIGHT, "yw": YEAR_WIDTH, "speed": SPEED})

    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=out))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = "http://127.0.0.1:%d/" % server.server_address[1]
    env = dict(os.environ, NODE_PATH=os.path.abspath(args.node_modules))
    try:
        rc = subprocess.call(["node", driver, base, "file://" + out + "/", out,
                              args.chromium, str(year), str(month)], env=env, timeout=300)
    finally:
        server.shutdown()
    print("pages and screenshots: " + out)
    if args.docs and rc == 0:
        for name in ("overlay", "scroller"):
            dest = os.path.join(ROOT, "docs", "scripts-%s.png" % name)
            shutil.copy(os.path.join(out, name + ".png"), dest)
            print(dest)
    return rc


if __name__ == "__main__":
    sys.exit(main())
