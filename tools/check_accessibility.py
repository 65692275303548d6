#!/usr/bin/env python3
"""Runs axe-core on every page of a build folder in headless Chromium.

    tools/check_accessibility.py FOLDER [PAGE...] --axe AXE.min.js
                                 [--chromium PATH] [--timeout SECONDS]
                                 [--leave RULE]... [--report-only] [--details]
                                 [--dark]

Every *.html and *.htm page directly in FOLDER (or only the PAGEs named) is
opened from file: (as
tools/check_generated_pages.py opens it), and once it has settled axe-core
is run in it. A page fails on:

- an axe-core violation of impact "critical" or "serious" (the rule, its
  impact and the first element it names are printed), except those of the
  rules named by --leave, which are only counted;
- no lang attribute on its <html> element, or no title, or the bare
  "Calendar" of the shipped title text;
- a JSON-LD block (<script type="application/ld+json">) that does not parse,
  or an Event in it without name, startDate, endDate or url, or with a
  location that is not a named Place.

Pages that navigate themselves away (the redirect pages) are not audited.
Prints one line per page, then the violations counted by impact over all
pages, then "N passed, N failed". --report-only prints the same and exits 0,
for counting what a site had before a change. --details prints every element
of a critical or serious violation (with the colours and ratio axe-core
measured for a contrast finding). --dark opens the pages as a browser set
to a dark colour scheme does (a style's prefers-color-scheme rules apply).
Exit status 1 when a page
failed, 2 when Chromium or axe-core is missing.
"""

import argparse
import collections
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_generated_pages as pages  # noqa: E402

BLOCKING = ("critical", "serious")
EVENT_FIELDS = ("name", "startDate", "endDate", "url")

AUDIT = """
(async () => {
  const result = await axe.run(document, {resultTypes: ['violations']});
  return {
    violations: result.violations.map(v => ({
      id: v.id, impact: v.impact || 'minor', count: v.nodes.length,
      first: v.nodes.length ? v.nodes[0].target.join(' ') : '',
      nodes: v.nodes.map(n => ({target: n.target.join(' '),
                                 html: n.html.slice(0, 120),
                                 data: (n.any[0] && n.any[0].data) || null}))})),
    lang: document.documentElement.getAttribute('lang') || '',
    title: document.title.trim(),
    jsonld: Array.from(document.querySelectorAll('script[type="application/ld+json"]'))
                 .map(s => s.textContent),
  };
})()
"""


def json_ld_problems(blocks):
    """What is wrong with the page's JSON-LD blocks, as short texts."""
    problems = []
    for text in blocks:
        try:
            data = json.loads(text)
        except ValueError as e:
            problems.append("JSON-LD does not parse: %s" % e)
            continue
        items = data if isinstance(data, list) else data.get("@graph", [data])
        for item in items:
            if not isinstance(item, dict) or item.get("@type") != "Event":
                continue
            missing = [f for f in EVENT_FIELDS if not item.get(f)]
            # An event without a place has no location; one given is a Place.
            place = item.get("location")
            if place is not None and not (isinstance(place, dict) and place.get("name")):
                missing.append("location name")
            if missing:
                problem = "JSON-LD Event %r lacks %s" % (item.get("name", "?"), ", ".join(missing))
                if problem not in problems:
                    problems.append(problem)
    return problems


class AuditCheck(pages.PageCheck):
    """A page check that runs the audit while the page is still open."""

    def __init__(self, browser, path, folder, timeout, axe_source, dark=False):
        super().__init__(browser, path, folder, timeout)
        self.axe_source = axe_source
        self.dark = dark
        self.audit = None

    def prepare(self, sid):
        if self.dark and sid == getattr(self, "session", None):
            self.browser.call("Emulation.setEmulatedMedia", {
                "features": [{"name": "prefers-color-scheme", "value": "dark"}]}, session=sid)

    def take_screenshot(self, out):
        # PageCheck.run calls this once the page has settled and before it
        # closes the tab; the audit takes the picture's place.
        b, s = self.browser, self.session
        # axe-core fetches the style sheets again to read them, which file:
        # refuses; those are no faults of the page, whose own loads are done.
        failures_before = list(self.failures)
        try:
            self.run_audit(b, s)
        finally:
            self.failures = failures_before + [f for f in self.failures
                                               if f.startswith("axe-core")]

    def run_audit(self, b, s):
        b.call("Runtime.evaluate", {"expression": self.axe_source}, session=s, timeout=30)
        reply = b.call("Runtime.evaluate", {"expression": AUDIT, "awaitPromise": True,
                                            "returnByValue": True}, session=s, timeout=120)
        if "exceptionDetails" in reply:
            self.fail("axe-core failed: %s" % reply["exceptionDetails"].get("text", "?"))
            return
        self.audit = reply["result"]["value"]


def judge(check, leave):
    """The page's failures and its violations."""
    failures = list(check.failures)
    audit = check.audit
    if audit is None:
        return failures, []
    for v in audit["violations"]:
        if v["impact"] in BLOCKING and v["id"] not in leave:
            failures.append("%s %s (%d, first %s)" % (v["impact"], v["id"], v["count"],
                                                      v["first"]))
    if not audit["lang"]:
        failures.append("no lang on <html>")
    if not audit["title"] or audit["title"] == "Calendar":
        failures.append("title does not name the calendar: %r" % audit["title"])
    failures.extend(json_ld_problems(audit["jsonld"]))
    return failures, audit["violations"]


def print_details(violations):
    """One line per element of the page's critical and serious violations."""
    for v in violations:
        if v["impact"] not in BLOCKING:
            continue
        for n in v.get("nodes", []):
            d = n.get("data") or {}
            colours = ""
            if "contrastRatio" in d:
                colours = " %s on %s %.2f:1 (needs %s, %s %s)" % (
                    d.get("fgColor"), d.get("bgColor"), d.get("contrastRatio") or 0,
                    d.get("expectedContrastRatio"), d.get("fontSize"), d.get("fontWeight"))
            print("    %s %s%s  %s" % (v["id"], n["target"], colours, n["html"]))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("folder")
    ap.add_argument("pages", nargs="*", help="only these pages of FOLDER (default: all)")
    ap.add_argument("--axe", required=True, help="axe-core's axe.min.js")
    ap.add_argument("--chromium")
    ap.add_argument("--timeout", type=float, default=20)
    ap.add_argument("--leave", action="append", default=[], metavar="RULE",
                    help="count this axe-core rule's violations but do not fail on them")
    ap.add_argument("--report-only", action="store_true",
                    help="print the findings but exit 0")
    ap.add_argument("--dark", action="store_true",
                    help="open the pages in a dark colour scheme")
    ap.add_argument("--details", action="store_true",
                    help="print every element of a critical or serious violation")
    args = ap.parse_args()

    folder = os.path.abspath(args.folder)
    if not os.path.isfile(args.axe):
        print("FAIL: axe-core not found at %s (scripts/install-axe.sh installs it)" % args.axe)
        return 2
    with open(args.axe, encoding="utf-8") as f:
        axe_source = f.read()
    names = pages.pages_in(folder) if os.path.isdir(folder) else []
    if args.pages:
        missing = [p for p in args.pages if p not in names]
        if missing:
            print("FAIL: not pages of %s: %s" % (args.folder, ", ".join(missing)))
            return 1
        names = args.pages
    if not names:
        print("FAIL: no pages in %s" % args.folder)
        print("0 passed, 0 failed")
        return 1
    exe = pages.find_chromium(args.chromium)
    if not exe:
        print("FAIL: Chromium not found; scripts/install-deps.sh installs it")
        return 2

    started = time.monotonic()
    browser = pages.Chromium(exe)
    by_impact = collections.Counter()
    by_rule = collections.Counter()
    passed = failed = 0
    try:
        try:
            browser.call("Browser.getVersion", timeout=pages.START_TIMEOUT)
        except pages.BrowserGone as e:
            print("FAIL: Chromium (%s) did not start: %s" % (exe, e))
            return 2
        for name in names:
            check = AuditCheck(browser, os.path.join(folder, name), folder, args.timeout,
                               axe_source, args.dark)
            try:
                check.run(screenshot="audit")
            except pages.BrowserGone as e:
                check.fail("Chromium went away: %s" % e)
            if check.left_for is not None:
                failures, violations = list(check.failures), []
            else:
                failures, violations = judge(check, set(args.leave))
            for v in violations:
                by_impact[v["impact"]] += v["count"]
                by_rule[(v["impact"], v["id"])] += v["count"]
            if failures:
                failed += 1
                print("FAIL %s: %s" % (name, "; ".join(failures)))
            else:
                passed += 1
                print("ok %s" % name)
            if args.details:
                print_details(violations)
    finally:
        browser.close()
    print("violations by impact: " + ", ".join(
        "%s %d" % (k, by_impact.get(k, 0)) for k in ("critical", "serious", "moderate", "minor")))
    # Every rule, the ones that do not fail a page too, so a count that grows
    # shows where.
    for (impact, rule), n in sorted(by_rule.items()):
        print("  %s %s: %d" % (impact, rule, n))
    print("checked %d pages in %.1f s" % (len(names), time.monotonic() - started))
    print("%d passed, %d failed" % (passed, failed))
    if args.report_only:
        return 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
