#!/usr/bin/env python3
"""Runs tools/check_generated_pages.py in real headless Chromium on pages made here.

A folder of small pages, each with one known fault or none, must give the
expected "ok"/"FAIL" line for each page and exit 1; the passing pages alone
must exit 0 and give a full-length screenshot; an empty folder must fail.
Prints one line per check and "N passed, N failed"; exit 0 only when all
passed. Fails at once when Chromium is missing (scripts/install-deps.sh
installs the Debian package chromium).
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "check_generated_pages.py")

BACKGROUND = (0x2A, 0x6F, 0x3C)

# Page -> None when it must pass, else text its FAIL line must hold.
PASSING = {
    "good.html": '<html><head><link rel="stylesheet" href="style.css">'
                 '<script src="app.js"></script></head>'
                 '<body><img src="pic.png" alt=""><p id="p">page</p></body></html>',
    "tall.html": '<html><head><style>body{margin:0;background:#%02x%02x%02x}</style></head>'
                 '<body><div style="height:2400px"></div></body></html>' % BACKGROUND,
    "framed-good.htm": '<html><body><iframe src="good.html"></iframe></body></html>',
    "redirect.html": '<html><head><script>window.onload = function () '
                     '{ window.location.replace("good.html"); };</script></head><body></body></html>',
    "meta-refresh.html": '<html><head><meta http-equiv="refresh" content="0; url=good.html">'
                         '</head><body>moving</body></html>',
}
FAILING = {
    "missing-image.html": ('<html><body><img src="nothere.png" alt=""></body></html>',
                           "net::ERR_FILE_NOT_FOUND nothere.png"),
    "missing-style.html": ('<html><head><link rel="stylesheet" href="absent.css"></head>'
                           '<body>x</body></html>', "net::ERR_FILE_NOT_FOUND absent.css"),
    "missing-script.html": ('<html><head><script src="absent.js"></script></head><body>x</body></html>',
                            "net::ERR_FILE_NOT_FOUND absent.js"),
    "missing-background.html": ('<html><head><link rel="stylesheet" href="bg.css"></head>'
                                '<body>x</body></html>', "net::ERR_FILE_NOT_FOUND gone.gif"),
    "script-error.html": ('<html><body><script>noSuchFunction();</script></body></html>',
                          "script error: Uncaught ReferenceError: noSuchFunction is not defined"),
    "late-error.html": ('<html><body onload="setTimeout(function () { null.x; }, 50)">x</body></html>',
                        "script error: Uncaught TypeError"),
    "rejection.html": ('<html><body><script>Promise.reject(new Error("nobody caught me"));'
                       '</script></body></html>', "Uncaught (in promise) Error: nobody caught me"),
    "redirect-missing.html": ('<html><head><script>window.onload = function () '
                              '{ window.location.replace("gone.html#M3D5"); };</script></head>'
                              '<body></body></html>', "redirect target missing: gone.html"),
    "framed-missing.htm": ('<html><body><iframe src="sub/inner.html"></iframe></body></html>',
                           "net::ERR_FILE_NOT_FOUND sub/lost.png"),
}

passed = failed = 0


def check(ok, what, detail=None):
    global passed, failed
    if ok:
        passed += 1
        print("ok     - " + what)
    else:
        failed += 1
        print("FAILED - " + what + ("  (%r)" % (detail,) if detail is not None else ""))


def png(width, height, rgb):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def read_png(path):
    """Width, height and a pixel getter for an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("unexpected PNG kind %d/%d/%d" % (depth, colour, interlace))
    bpp = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), w * bpp
    rows, prev = [], bytearray(stride)
    for y in range(h):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(line)
        prev = line
    return w, h, lambda x, y: tuple(rows[y][x * bpp:x * bpp + 3])


def lay_out(folder, pages):
    for name, text in pages.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write(text)
    files = {
        "style.css": "body{font:14px sans-serif;color:#222}\n",
        "bg.css": "body{background:url(gone.gif)}\n",
        "app.js": 'document.getElementById("p") || (document.title = "ran");\n',
        "notes.txt": "not a page\n",
        "sub/inner.html": '<html><body><img src="lost.png" alt=""></body></html>',
    }
    os.makedirs(os.path.join(folder, "sub"), exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write(text)
    with open(os.path.join(folder, "pic.png"), "wb") as f:
        f.write(png(24, 12, (200, 30, 30)))


def run(*args):
    r = subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True, timeout=240)
    return r.returncode, r.stdout + r.stderr


def show(out):
    # Indented, so the checker's own summary is not read as this test's.
    for line in out.splitlines():
        print("    | " + line)


def page_lines(out):
    lines = {}
    for line in out.splitlines():
        m = re.match(r"^(ok|FAIL) ([^:]+?)(?:: (.*))?$", line)
        if m:
            lines[m.group(2)] = (m.group(1), m.group(3) or "")
    return lines


def main():
    if not shutil.which("chromium"):
        print("FAILED - chromium is not installed: run scripts/install-deps.sh "
              "(Debian package chromium)")
        print("0 passed, 1 failed")
        return 1

    with tempfile.TemporaryDirectory(prefix="almanix-page-check-") as tmp:
        mixed = os.path.join(tmp, "mixed")
        os.makedirs(mixed)
        lay_out(mixed, dict(PASSING, **{n: t for n, (t, _) in FAILING.items()}))
        rc, out = run(mixed)
        show(out)
        lines = page_lines(out)
        expected = set(PASSING) | set(FAILING)
        check(set(lines) == expected, "every page directly in the folder is checked, nothing else",
              sorted(set(lines) ^ expected))
        for name in sorted(PASSING):
            check(lines.get(name, ("",))[0] == "ok", "%s passes" % name, lines.get(name))
        for name, (_, reason) in sorted(FAILING.items()):
            got = lines.get(name, ("", ""))
            check(got[0] == "FAIL" and reason in got[1], "%s fails with '%s'" % (name, reason), got)
        check(rc == 1, "a folder with failing pages exits 1", rc)
        check("\n%d passed, %d failed\n" % (len(PASSING), len(FAILING)) in "\n" + out,
              "summary counts the pages")

        good = os.path.join(tmp, "good")
        os.makedirs(good)
        lay_out(good, PASSING)
        shot = os.path.join(tmp, "tall.png")
        rc, out = run(good, "--screenshot", "tall.html", shot)
        show(out)
        check(rc == 0, "a folder of good pages exits 0", rc)
        try:
            w, h, pixel = read_png(shot)
            check(w == 1280, "screenshot is 1280 pixels wide", w)
            check(h == 2400, "screenshot covers the full 2400-pixel page", h)
            check(pixel(10, 2300) == BACKGROUND, "screenshot shows the page below the viewport",
                  pixel(10, 2300))
        except (OSError, ValueError, UnboundLocalError) as e:
            check(False, "screenshot is a readable PNG", str(e))

        rc, out = run(good, "--screenshot", "absent.html", shot)
        check(rc == 2 and "not a page" in out, "a screenshot of an unknown page is refused", (rc, out))

        empty = os.path.join(tmp, "empty")
        os.makedirs(empty)
        rc, out = run(empty)
        check(rc == 1 and "no .html or .htm pages" in out, "a folder with no pages fails", (rc, out))

    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
