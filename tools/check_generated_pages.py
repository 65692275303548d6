#!/usr/bin/env python3
"""Opens every page of a build folder in headless Chromium and reports load errors.

    tools/check_generated_pages.py FOLDER [--screenshot PAGE.html OUT.png]
                                   [--chromium PATH] [--timeout SECONDS]

Every *.html and *.htm file directly in FOLDER (not in its subfolders) is
opened from file: in its own tab, and these count as failures of that page:

- a sub-resource (picture, style sheet, script, frame, font, ...) that does
  not load: net::ERR_FILE_NOT_FOUND and other network errors, or an HTTP
  status of 400 or more;
- an uncaught JavaScript exception or unhandled promise rejection, in the
  page or in one of its frames, during the load or the short quiet spell
  after it;
- the page itself failing to load, the tab crashing, or the page not
  settling within --timeout seconds.

Loads cancelled by the browser (a page that navigates away stops its own
pending loads) are not failures.

A page that navigates itself away (a redirect page calling
window.location.replace on load, a meta refresh) is judged on what went
wrong before it left, and on its target: a file: target must exist on disk.
The target page is not loaded here; when it is a page of FOLDER it gets its
own check. A target on another scheme (http:, https:) is not checked.

One line per page, "ok NAME" or "FAIL NAME: reason; reason", then the time
taken and "N passed, N failed". The exit status is 0 only when every page
passed (and there was at least one); 2 when Chromium could not be started.

--screenshot PAGE.html OUT.png also saves a PNG of that page of FOLDER:
1280 x 1600 viewport, the full length of the page.

Chromium (the Debian package chromium, /usr/bin/chromium) is driven through
the DevTools protocol over --remote-debugging-pipe, with the Python standard
library only. It runs with --headless=new and --no-sandbox, so it works as
root and without a display.
"""

import argparse
import base64
import fcntl
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

VIEW_WIDTH, VIEW_HEIGHT = 1280, 1600
QUIET = 0.3          # seconds without network or script activity after load
START_TIMEOUT = 30   # seconds for Chromium to answer its first command


class BrowserGone(Exception):
    pass


class Chromium:
    """One headless Chromium; CDP messages are NUL-terminated JSON on fds 3 and 4."""

    def __init__(self, exe):
        self.profile = tempfile.mkdtemp(prefix="almanix-pages-")
        self.log_path = os.path.join(self.profile, "chromium.log")
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()

        def wire_fds():
            # Move the two pipe ends to 3 and 4 in the child; copy them above
            # 10 first so that neither is clobbered if it already sits on 3 or 4.
            a = fcntl.fcntl(to_child_r, fcntl.F_DUPFD, 10)
            b = fcntl.fcntl(from_child_w, fcntl.F_DUPFD, 10)
            os.dup2(a, 3)
            os.dup2(b, 4)

        args = [exe, "--headless=new", "--no-sandbox", "--disable-gpu",
                "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
                "--no-first-run", "--no-default-browser-check",
                "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--disable-extensions", "--disable-default-apps",
                "--mute-audio", "--hide-scrollbars", "--disable-dev-shm-usage",
                "--window-size=%d,%d" % (VIEW_WIDTH, VIEW_HEIGHT), "about:blank"]
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log,
                                         stderr=log, preexec_fn=wire_fds, close_fds=False)
        os.close(to_child_r)
        os.close(from_child_w)
        self.inbox = queue.Queue()
        self.next_id = 0
        self.handlers = {}   # sessionId -> callable(method, params)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        buf = b""
        while True:
            try:
                data = os.read(self.from_child, 1 << 16)
            except OSError:
                data = b""
            if not data:
                self.inbox.put(None)
                return
            buf += data
            *messages, buf = buf.split(b"\0")
            for m in messages:
                self.inbox.put(json.loads(m))

    def _dispatch(self, msg):
        handler = self.handlers.get(msg.get("sessionId"))
        if handler:
            handler(msg["method"], msg.get("params", {}), msg.get("sessionId"))

    def pump(self, timeout):
        """Handles events for up to timeout seconds; returns after the first one."""
        try:
            msg = self.inbox.get(timeout=max(timeout, 0))
        except queue.Empty:
            return
        if msg is None:
            self.inbox.put(None)
            raise BrowserGone("Chromium closed the connection")
        if "method" in msg:
            self._dispatch(msg)

    def call(self, method, params=None, session=None, timeout=15):
        self.next_id += 1
        msg = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            msg["sessionId"] = session
        data = json.dumps(msg).encode() + b"\0"
        try:
            while data:
                data = data[os.write(self.to_child, data):]
        except OSError as e:
            raise BrowserGone("cannot write to Chromium: %s" % e)
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise BrowserGone("no answer to %s within %d s" % (method, timeout))
            try:
                reply = self.inbox.get(timeout=left)
            except queue.Empty:
                continue
            if reply is None:
                self.inbox.put(None)
                raise BrowserGone("Chromium closed the connection")
            if "method" in reply:
                self._dispatch(reply)
            elif reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError("%s: %s" % (method, reply["error"].get("message")))
                return reply.get("result", {})

    def log_tail(self, lines=15):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return ""

    def close(self):
        try:
            self.call("Browser.close", timeout=5)
        except Exception:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        for fd in (self.to_child, self.from_child):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)


def strip_fragment(url):
    return urllib.parse.urldefrag(url)[0]


class PageCheck:
    """Opens one page in a new tab and collects what went wrong."""

    def __init__(self, browser, path, folder, timeout, view=(VIEW_WIDTH, VIEW_HEIGHT)):
        self.browser = browser
        self.view = view          # viewport width and height, CSS pixels
        self.path = path
        self.folder = folder
        self.timeout = timeout
        self.url = "file://" + urllib.request.pathname2url(path)
        self.failures = []
        self.requests = {}        # requestId -> url
        self.pending = set()
        self.sessions = set()
        self.loaded = False
        self.left_for = None      # where the page navigated itself to
        self.crashed = False
        self.last_activity = time.monotonic()
        self.main_frame = None
        self.main_loader = None
        self.evaluated = None     # what run's evaluate expression returned

    def short(self, url):
        """A resource's name as the reader of the folder knows it."""
        if url.startswith("file://"):
            p = urllib.request.url2pathname(urllib.parse.urlsplit(url).path)
            rel = os.path.relpath(p, self.folder)
            return p if rel.startswith("..") else rel
        return url if len(url) <= 120 else url[:117] + "..."

    def fail(self, text):
        if text not in self.failures:
            self.failures.append(text)

    def on_event(self, method, p, session):
        self.last_activity = time.monotonic()
        if self.left_for is not None:
            return
        if method == "Network.requestWillBeSent":
            rid = p["requestId"]
            if (p.get("type") == "Document" and p.get("frameId") == self.main_frame
                    and self.main_loader and p.get("loaderId") != self.main_loader):
                self.leave(p["request"]["url"])
                return
            self.requests[rid] = p["request"]["url"]
            self.pending.add(rid)
        elif method == "Network.responseReceived":
            status = p["response"].get("status", 0)
            url = p["response"].get("url", "")
            if status >= 400 and not url.startswith("data:"):
                self.fail("HTTP %d %s" % (status, self.short(url)))
        elif method == "Network.loadingFinished":
            self.pending.discard(p["requestId"])
        elif method == "Network.loadingFailed":
            rid = p["requestId"]
            self.pending.discard(rid)
            if p.get("canceled"):
                return
            url = self.requests.get(rid, "?")
            reason = p.get("blockedReason") or p.get("errorText") or "failed"
            if rid == self.main_loader:
                self.fail("page did not load: %s" % reason)
            else:
                self.fail("%s %s" % (reason, self.short(url)))
        elif method == "Runtime.exceptionThrown":
            d = p["exceptionDetails"]
            text = (d.get("exception") or {}).get("description") or d.get("text", "exception")
            text = text.splitlines()[0] if text else "exception"
            if d.get("text") and d["text"] not in text:
                text = d["text"] + " " + text
            where = d.get("url") or (self.url if not d.get("scriptId") else "")
            place = " (%s:%d)" % (self.short(where), d.get("lineNumber", 0) + 1) if where else ""
            self.fail("script error: %s%s" % (text, place))
        elif method == "Page.loadEventFired" and session == self.session:
            self.loaded = True
        elif method == "Page.frameRequestedNavigation":
            if p.get("frameId") == self.main_frame and p.get("disposition", "currentTab") == "currentTab":
                if strip_fragment(p["url"]) != strip_fragment(self.url):
                    self.leave(p["url"])
        elif method == "Page.frameNavigated":
            f = p["frame"]
            if (f["id"] == self.main_frame and self.main_loader
                    and f.get("loaderId") != self.main_loader):
                self.leave(f["url"])
        elif method in ("Inspector.targetCrashed", "Target.targetCrashed"):
            self.crashed = True
            self.fail("the page crashed")
        elif method == "Target.attachedToTarget":
            self.attach_child(p["sessionId"])
        elif method == "Target.detachedFromTarget":
            self.browser.handlers.pop(p.get("sessionId"), None)

    def leave(self, url):
        self.left_for = url
        if url.startswith("file:"):
            target = urllib.request.url2pathname(urllib.parse.urlsplit(url).path)
            if not os.path.isfile(target):
                self.fail("redirect target missing: %s" % self.short(url))

    def attach_child(self, sid):
        # Frames in another renderer and workers have their own session; their
        # loads and errors belong to this page all the same.
        self.sessions.add(sid)
        self.browser.handlers[sid] = self.on_event
        auto = {"autoAttach": True, "waitForDebuggerOnStart": True, "flatten": True}
        for m, params in (("Network.enable", None), ("Runtime.enable", None),
                          ("Target.setAutoAttach", auto)):
            try:
                self.browser.call(m, params, session=sid)
            except RuntimeError:
                pass    # not every kind of target has every domain
        self.prepare(sid)
        try:
            self.browser.call("Runtime.runIfWaitingForDebugger", session=sid)
        except RuntimeError:
            pass

    def prepare(self, sid):
        """Set-up of a page or frame session before its document loads (none here)."""

    def settled(self):
        if self.left_for is not None or self.crashed:
            return True
        return (self.loaded and not self.pending
                and time.monotonic() - self.last_activity >= QUIET)

    def run(self, screenshot=None, evaluate=None):
        b = self.browser
        target = b.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        try:
            self.session = b.call("Target.attachToTarget",
                                  {"targetId": target, "flatten": True})["sessionId"]
            s = self.session
            b.handlers[s] = self.on_event
            for m in ("Page.enable", "Network.enable", "Runtime.enable", "Inspector.enable"):
                b.call(m, session=s)
            b.call("Network.setCacheDisabled", {"cacheDisabled": True}, session=s)
            b.call("Emulation.setDeviceMetricsOverride",
                   {"width": self.view[0], "height": self.view[1], "deviceScaleFactor": 1,
                    "mobile": False}, session=s)
            b.call("Target.setAutoAttach", {"autoAttach": True, "waitForDebuggerOnStart": True,
                                            "flatten": True}, session=s)
            self.main_frame = b.call("Page.getFrameTree", session=s)["frameTree"]["frame"]["id"]
            self.prepare(s)
            nav = b.call("Page.navigate", {"url": self.url}, session=s)
            self.main_loader = nav.get("loaderId")
            if nav.get("errorText"):
                self.fail("page did not load: %s" % nav["errorText"])
                return
            deadline = time.monotonic() + self.timeout
            while not self.settled():
                left = deadline - time.monotonic()
                if left <= 0:
                    waiting = sorted(self.short(self.requests[r]) for r in self.pending)
                    self.fail("did not finish loading within %g s%s" % (
                        self.timeout, " (waiting for %s)" % ", ".join(waiting) if waiting else ""))
                    break
                b.pump(min(left, QUIET))
            if screenshot and self.left_for is None and not self.crashed:
                self.take_screenshot(screenshot)
            # After the screenshot, so that what the expression adds to the
            # page is not in the picture.
            if evaluate and self.left_for is None and not self.crashed:
                result = b.call("Runtime.evaluate", {"expression": evaluate,
                                                     "returnByValue": True}, session=s)
                if "exceptionDetails" in result:
                    self.fail("evaluate: %s" % result["exceptionDetails"].get("text", "exception"))
                else:
                    self.evaluated = result.get("result", {}).get("value")
        finally:
            for sid in self.sessions | {getattr(self, "session", None)}:
                b.handlers.pop(sid, None)
            try:
                b.call("Target.closeTarget", {"targetId": target})
            except RuntimeError:
                pass

    def take_screenshot(self, out):
        b, s = self.browser, self.session
        size = b.call("Page.getLayoutMetrics", session=s)["cssContentSize"]
        clip = {"x": 0, "y": 0, "scale": 1,
                "width": max(self.view[0], int(size["width"] + 0.5)),
                "height": max(self.view[1], int(size["height"] + 0.5))}
        shot = b.call("Page.captureScreenshot", {"format": "png", "clip": clip,
                                                 "captureBeyondViewport": True},
                      session=s, timeout=60)
        with open(out, "wb") as f:
            f.write(base64.b64decode(shot["data"]))


def pages_in(folder):
    return sorted(n for n in os.listdir(folder)
                  if n.lower().endswith((".html", ".htm"))
                  and os.path.isfile(os.path.join(folder, n)))


def find_chromium(given):
    if given:
        return given if os.access(given, os.X_OK) else None
    for name in ("chromium", "chromium-browser"):
        found = shutil.which(name)
        if found:
            return found
    return None


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("folder", help="the folder whose pages are checked")
    ap.add_argument("--screenshot", nargs=2, metavar=("PAGE", "OUT"),
                    help="also save a PNG of PAGE (a file name in FOLDER) to OUT")
    ap.add_argument("--chromium", help="the Chromium to run (default: chromium on PATH)")
    ap.add_argument("--timeout", type=float, default=20,
                    help="seconds a page may take to settle (default 20)")
    args = ap.parse_args()

    folder = os.path.abspath(args.folder)
    if not os.path.isdir(folder):
        print("FAIL: %s is not a folder" % args.folder)
        return 2
    pages = pages_in(folder)
    shot_page, shot_out = (args.screenshot or (None, None))
    if shot_page and shot_page not in pages:
        print("FAIL: %s is not a page of %s" % (shot_page, args.folder))
        return 2
    if not pages:
        print("FAIL: no .html or .htm pages in %s" % args.folder)
        print("0 passed, 0 failed")
        return 1
    exe = find_chromium(args.chromium)
    if not exe:
        print("FAIL: Chromium not found (%s); the Debian package chromium provides it "
              "(scripts/install-deps.sh installs it)" % (args.chromium or "chromium on PATH"))
        return 2

    started = time.monotonic()
    browser = Chromium(exe)
    try:
        try:
            browser.call("Browser.getVersion", timeout=START_TIMEOUT)
        except BrowserGone as e:
            print("FAIL: Chromium (%s) did not start: %s" % (exe, e))
            print(browser.log_tail())
            return 2
        passed = failed = 0
        for name in pages:
            check = PageCheck(browser, os.path.join(folder, name), folder, args.timeout)
            try:
                check.run(os.path.abspath(shot_out) if name == shot_page else None)
            except BrowserGone as e:
                check.fail("browser failed: %s" % e)
            if check.failures:
                failed += 1
                print("FAIL %s: %s" % (name, "; ".join(check.failures)), flush=True)
            else:
                passed += 1
                print("ok %s" % name, flush=True)
            if browser.proc.poll() is not None:
                rest = pages[pages.index(name) + 1:]
                for other in rest:
                    print("FAIL %s: not checked, Chromium exited" % other)
                failed += len(rest)
                print(browser.log_tail())
                break
    finally:
        browser.close()
    took = time.monotonic() - started
    if shot_out and os.path.isfile(shot_out):
        print("screenshot: %s" % shot_out)
    print("checked %d pages in %.1f s" % (passed + failed, took))
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
