#!/usr/bin/env python3
"""Opens every page of a build folder in headless Chromium and fails on script a stranger put there.

    tools/check_hostile_pages.py FOLDER [--chromium PATH] [--timeout SECONDS]

Meant for a calendar generated from hostile files (CSV, iCalendar): their
texts and links must reach the pages as plain text and harmless links. Every
*.html and *.htm file directly in FOLDER is opened from file: in its own tab
(with the Chromium driver of tools/check_generated_pages.py), and these count
as failures of that page:

- a script that runs a dialog: alert, confirm or prompt (the hostile texts
  use them), in the page or any of its frames, during the load or the quiet
  spell after it;
- an event-handler attribute (onload, onerror, onmouseover, ...) anywhere in
  the DOM, its frames included, other than the program's own ones listed in
  OWN_HANDLERS;
- a javascript: address in href, src, action, formaction or data, other
  than the program's own toolbar and back links listed in OWN_SCRIPT_LINKS.

Script errors and missing files are not judged here (tools/check_generated_pages.py
does that). Besides the pages, rss.xml must parse as XML, and rss.xml and
ical.ics (when present) must hold no control character other than tab, CR
and LF.

One line per page or file, "ok NAME" or "FAIL NAME: reason; reason", then
"N passed, N failed". Exit status 0 only when everything passed; 2 when
Chromium could not be started.
"""

import argparse
import os
import re
import sys
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_generated_pages as pages  # noqa: E402

BINDING = "almanixScriptRan"

# Installed in every frame before its own scripts: the dialogs report to the
# checker instead of opening.
HOOK = """(() => {
  const ran = (kind, what) => { try { window.%s(kind + ": " + String(what)); } catch (e) {} };
  window.alert = (m) => { ran("alert", m); };
  window.confirm = (m) => { ran("confirm", m); return false; };
  window.prompt = (m) => { ran("prompt", m); return null; };
})();""" % BINDING

# The handlers the program writes itself (attribute name, value pattern).
OWN_HANDLERS = [
    ("onload", re.compile(r"^CurrMonth\(\);return false;$")),
    ("onclick", re.compile(r"^return popUp\('[^'\"<>]*'\)$")),
]
OWN_SCRIPT_LINKS = [re.compile(r"^javascript: self\.close \(\)$"),   # list's back link
                    re.compile(r"^javascript:print\(\)$"),           # toolbar: print
                    re.compile(r"^javascript:load\(\)$")]            # toolbar: mail

# Walks the document and its same-origin frames; returns what it found.
DOM_SCAN = r"""(() => {
  const found = [];
  const urlAttrs = ["href", "src", "action", "formaction", "data"];
  const walk = (doc, where) => {
    for (const el of doc.querySelectorAll("*")) {
      for (const a of el.attributes) {
        const name = a.name.toLowerCase();
        if (name.startsWith("on")) {
          found.push(["handler", where, el.tagName.toLowerCase(), name, a.value]);
        } else if (urlAttrs.includes(name) && /^[\s\u0000-\u001f]*javascript:/i.test(a.value)) {
          found.push(["link", where, el.tagName.toLowerCase(), name, a.value]);
        }
      }
      if (el.tagName === "IFRAME" || el.tagName === "FRAME") {
        try { if (el.contentDocument) walk(el.contentDocument, where + " > frame"); } catch (e) {}
      }
    }
  };
  walk(document, "page");
  return found;
})()"""


class HostileCheck(pages.PageCheck):
    def on_event(self, method, p, session):
        if method == "Runtime.bindingCalled" and p.get("name") == BINDING:
            self.fail("script ran: %s" % p.get("payload", "")[:120])
            return
        if method == "Page.javascriptDialogOpening":
            self.fail("script ran: %s: %s" % (p.get("type", "dialog"), p.get("message", "")[:120]))
            try:
                self.browser.call("Page.handleJavaScriptDialog", {"accept": True}, session=session,
                                  timeout=5)
            except Exception:
                pass
            return
        super().on_event(method, p, session)

    def prepare(self, sid):
        for m, params in (("Runtime.addBinding", {"name": BINDING}),
                          ("Page.enable", None),
                          ("Page.addScriptToEvaluateOnNewDocument", {"source": HOOK})):
            try:
                self.browser.call(m, params, session=sid)
            except RuntimeError:
                pass    # not every kind of target has every domain

    def judge(self, scan):
        for kind, where, tag, name, value in scan or []:
            if kind == "handler" and any(name == own and pattern.match(value)
                                         for own, pattern in OWN_HANDLERS):
                continue
            if kind == "link" and any(p.match(value) for p in OWN_SCRIPT_LINKS):
                continue
            what = "event handler" if kind == "handler" else "script link"
            self.fail("%s in the DOM (%s): <%s %s=%s>" % (what, where, tag, name,
                                                          ascii(value[:80])))


def check_feed_files(folder):
    """Returns [(name, failures)] for rss.xml and ical.ics."""
    results = []
    bad = re.compile(rb"[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]|\xc2[\x80-\x9f]")
    for name in ("rss.xml", "ical.ics"):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            continue
        failures = []
        with open(path, "rb") as f:
            data = f.read()
        m = bad.search(data)
        if m:
            line = data.count(b"\n", 0, m.start()) + 1
            failures.append("control character %r on line %d" % (m.group(0), line))
        if name == "rss.xml":
            try:
                ElementTree.fromstring(data)
            except ElementTree.ParseError as e:
                failures.append("not well-formed XML: %s" % e)
        results.append((name, failures))
    return results


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("folder", help="the folder whose pages are checked")
    ap.add_argument("--chromium", help="the Chromium to run (default: chromium on PATH)")
    ap.add_argument("--timeout", type=float, default=20,
                    help="seconds a page may take to settle (default 20)")
    args = ap.parse_args()

    folder = os.path.abspath(args.folder)
    if not os.path.isdir(folder):
        print("FAIL: %s is not a folder" % args.folder)
        return 2
    names = pages.pages_in(folder)
    if not names:
        print("FAIL: no .html or .htm pages in %s" % args.folder)
        return 1
    exe = pages.find_chromium(args.chromium)
    if not exe:
        print("FAIL: Chromium not found (%s); the Debian package chromium provides it "
              "(scripts/install-deps.sh installs it)" % (args.chromium or "chromium on PATH"))
        return 2

    passed = failed = 0
    for name, failures in check_feed_files(folder):
        if failures:
            failed += 1
            print("FAIL %s: %s" % (name, "; ".join(failures)), flush=True)
        else:
            passed += 1
            print("ok %s" % name, flush=True)

    started = time.monotonic()
    browser = pages.Chromium(exe)
    try:
        try:
            browser.call("Browser.getVersion", timeout=pages.START_TIMEOUT)
        except pages.BrowserGone as e:
            print("FAIL: Chromium (%s) did not start: %s" % (exe, e))
            print(browser.log_tail())
            return 2
        for name in names:
            check = HostileCheck(browser, os.path.join(folder, name), folder, args.timeout)
            try:
                check.run(evaluate=DOM_SCAN)
                check.judge(check.evaluated)
            except pages.BrowserGone as e:
                check.fail("browser failed: %s" % e)
            # Only the hostile-content verdicts count here.
            check.failures = [f for f in check.failures
                              if f.startswith(("script ran", "event handler", "script link",
                                               "browser failed", "evaluate", "page did not load",
                                               "the page crashed"))]
            if check.failures:
                failed += 1
                print("FAIL %s: %s" % (name, "; ".join(check.failures)), flush=True)
            else:
                passed += 1
                print("ok %s" % name, flush=True)
            if browser.proc.poll() is not None:
                print(browser.log_tail())
                failed += 1
                break
    finally:
        browser.close()
    print("checked %d pages in %.1f s" % (len(names), time.monotonic() - started))
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
