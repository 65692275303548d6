"""Shared pieces of the picture scripts: the browser that rasterizes our
drawings, and the file writers.

The drawings of the holiday, event, category and clip-art icons are small
SVG documents written in the scripts; the photos and backgrounds are
drawn by short canvas scripts. Chromium turns both into pixels: every
drawing is painted into a canvas of its exact size and handed back as a
PNG (with its alpha) or a JPEG, all in one headless run whose page dumps
the results into its DOM. Everything after that is the standard library:

    decode_png   PNG (8-bit RGB or RGBA, not interlaced) -> RGBA bytes
    encode_png   RGBA or RGB bytes -> PNG
    encode_gif   RGBA bytes -> GIF89a with one transparent index; partly
                 covered edge pixels keep their own colour (no matte), so a
                 picture stays clean on light and on dark cells
    encode_ico   RGBA images -> .ico with 32-bit BMP entries and AND masks

Needs Chromium (Debian package "chromium").
"""

import base64
import html
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_pictures import lzw  # noqa: E402  (the GIF LZW coder)

BROWSER_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--hide-scrollbars", "--force-device-scale-factor=1"]


def repo_root():
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        return os.path.abspath(sys.argv[1])
    return os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))


def browser():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("Chromium is needed to draw the pictures (apt-get install chromium)")


def _run(page_html, extra, budget_ms=20000):
    work = tempfile.mkdtemp(prefix="almanix-pictures-")
    try:
        page = os.path.join(work, "page.html")
        with open(page, "w", encoding="utf-8") as f:
            f.write(page_html)
        profile = os.path.join(work, "profile")
        os.mkdir(profile)
        done = subprocess.run(
            [browser()] + BROWSER_FLAGS + ["--user-data-dir=" + profile,
                                           "--virtual-time-budget=%d" % budget_ms]
            + extra(work) + ["file://" + page],
            check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return work, done.stdout.decode("utf-8", "replace")
    except BaseException:
        shutil.rmtree(work, ignore_errors=True)
        raise


# ---- drawing through the browser ----

_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body><pre id="out"></pre>
<script>
%(library)s
const jobs = %(jobs)s;
const out = [];
let left = jobs.length;
function finish() { if (--left === 0) document.getElementById('out').textContent = out.join('\\n'); }
function put(job, canvas) {
  const type = job.format === 'jpeg' ? 'image/jpeg' : 'image/png';
  out.push(job.key + '\\t' + canvas.toDataURL(type, job.quality || 0.85));
  finish();
}
for (const job of jobs) {
  const c = document.createElement('canvas');
  c.width = job.w; c.height = job.h;
  const g = c.getContext('2d');
  if (job.svg) {
    const img = new Image();
    img.onload = () => { g.drawImage(img, 0, 0, job.w, job.h); put(job, c); };
    img.onerror = () => { out.push(job.key + '\\tERROR'); finish(); };
    img.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(job.svg);
  } else {
    try { (new Function('g', 'w', 'h', 'lib', job.js))(g, job.w, job.h, window); put(job, c); }
    catch (e) { out.push(job.key + '\\tERROR ' + e); finish(); }
  }
}
if (!jobs.length) document.getElementById('out').textContent = '';
</script></body></html>
"""


def draw(jobs, library=""):
    """jobs: dicts with key, w, h and either svg (a whole SVG document) or js
    (the body of a function of the canvas context g, the size w, h); format
    "png" (default) or "jpeg" with quality. Returns {key: file bytes}."""
    results = {}
    # A few hundred drawings per page keep the dumped DOM small.
    for start in range(0, len(jobs), 150):
        batch = jobs[start:start + 150]
        page = _PAGE % dict(library=library, jobs=json.dumps(batch))
        work, dom = _run(page, lambda work: ["--dump-dom"])
        shutil.rmtree(work, ignore_errors=True)
        body = dom.split('<pre id="out">', 1)[-1].split("</pre>", 1)[0]
        for line in html.unescape(body).splitlines():
            key, _, value = line.partition("\t")
            if not value.startswith("data:"):
                raise RuntimeError("could not draw %s: %s" % (key, value))
            results[key] = base64.b64decode(value.split(",", 1)[1])
    missing = [j["key"] for j in jobs if j["key"] not in results]
    if missing:
        raise RuntimeError("the browser drew nothing for: " + ", ".join(missing))
    return results


def svg_doc(inner, size, view=32, extra_defs=""):
    """An SVG document of size x size pixels whose drawing uses a view x view grid."""
    if isinstance(size, tuple):
        w, h = size
    else:
        w = h = size
    if isinstance(view, tuple):
        vw, vh = view
    else:
        vw = vh = view
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %g %g">%s%s</svg>' % (w, h, vw, vh,
                                                 "<defs>%s</defs>" % extra_defs if extra_defs else "",
                                                 inner))


def screenshot(page_html, width, height):
    """A screenshot of a page (for the contact sheets); returns PNG bytes."""
    work, _ = _run(page_html, lambda work: [
        "--screenshot=" + os.path.join(work, "shot.png"),
        "--window-size=%d,%d" % (width, height)], budget_ms=5000)
    try:
        with open(os.path.join(work, "shot.png"), "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(work, ignore_errors=True)


# ---- PNG ----


def decode_png(data):
    """-> (width, height, RGBA bytes)."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat = 8, bytearray()
    width = height = colour_type = 0
    while pos < len(data):
        length, = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or interlace or colour_type not in (2, 6):
                raise ValueError("unexpected PNG format")
        elif kind == b"IDAT":
            idat += body
    bpp = 3 if colour_type == 2 else 4
    raw = zlib.decompress(bytes(idat))
    stride = width * bpp
    prev = bytearray(stride)
    out = bytearray()
    i = 0
    for _ in range(height):
        kind = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        if kind == 1:
            for x in range(bpp, stride):
                line[x] = (line[x] + line[x - bpp]) & 255
        elif kind == 2:
            for x in range(stride):
                line[x] = (line[x] + prev[x]) & 255
        elif kind == 3:
            for x in range(stride):
                a = line[x - bpp] if x >= bpp else 0
                line[x] = (line[x] + (a + prev[x]) // 2) & 255
        elif kind == 4:
            for x in range(stride):
                a = line[x - bpp] if x >= bpp else 0
                b = prev[x]
                c = prev[x - bpp] if x >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        if bpp == 4:
            out += line
        else:
            for x in range(width):
                out += line[x * 3:x * 3 + 3] + b"\xff"
        prev = line
    return width, height, bytes(out)


def _filtered_rows(width, height, pixels, bpp):
    """Each row with the PNG filter (none, Sub, Up or Paeth) whose output
    has the smallest sum of magnitudes, the usual choice of encoders."""
    stride = width * bpp
    prev = bytes(stride)
    out = bytearray()
    for y in range(height):
        line = pixels[y * stride:(y + 1) * stride]
        left = bytes(bpp) + line[:-bpp]
        up_left = bytes(bpp) + prev[:-bpp]
        candidates = [(0, bytes(line)),
                      (1, bytes((line[x] - left[x]) & 255 for x in range(stride))),
                      (2, bytes((line[x] - prev[x]) & 255 for x in range(stride)))]
        paeth = bytearray(stride)
        for x in range(stride):
            a, b, c = left[x], prev[x], up_left[x]
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            paeth[x] = (line[x] - (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        candidates.append((4, bytes(paeth)))
        kind, data = min(candidates, key=lambda kd: sum(v if v < 128 else 256 - v for v in kd[1]))
        out.append(kind)
        out += data
        prev = line
    return bytes(out)


def encode_png(width, height, pixels, alpha=True):
    """pixels: RGBA bytes (alpha=True) or RGB bytes."""
    raw = _filtered_rows(width, height, bytes(pixels), 4 if alpha else 3)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# ---- GIF ----


def _quantize(colours, limit):
    """Maps each colour to one of at most `limit` colours: coarser and
    coarser rounding until few enough remain."""
    step = 1
    while True:
        mapping = {c: tuple(min(255, (v + step // 2) // step * step) for v in c)
                   for c in colours} if step > 1 else {c: c for c in colours}
        if len(set(mapping.values())) <= limit:
            return mapping
        step *= 2


def encode_gif(width, height, rgba, threshold=128):
    """A GIF89a; pixels with alpha below the threshold are transparent
    (index 0); the rest keep their own colour."""
    pixels = []
    for i in range(width * height):
        r, g, b, a = rgba[i * 4:i * 4 + 4]
        pixels.append(None if a < threshold else (r, g, b))
    colours = sorted({p for p in pixels if p is not None})
    mapping = _quantize(colours, 255)
    palette = [(0, 0, 0)]
    lookup = {}
    indices = []
    for p in pixels:
        if p is None:
            indices.append(0)
            continue
        q = mapping[p]
        if q not in lookup:
            lookup[q] = len(palette)
            palette.append(q)
        indices.append(lookup[q])
    depth = max(1, (len(palette) - 1).bit_length())
    palette += [(0, 0, 0)] * ((1 << depth) - len(palette))
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    for rgb in palette:
        data += bytes(rgb)
    data += b"\x21\xF9\x04\x01\x00\x00\x00\x00"  # graphic control: index 0 transparent
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code_size = max(2, depth)
    stream = lzw(indices, min_code_size)
    data.append(min_code_size)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


def decode_gif_size(data):
    return struct.unpack("<HH", data[6:10])


# ---- ICO ----


def encode_ico(images):
    """images: list of (size, RGBA bytes), square; 32-bit BMP entries."""
    bodies = []
    for n, rgba in images:
        xor = bytearray()
        mask = bytearray()
        mask_row_bytes = ((n + 31) // 32) * 4
        for y in range(n - 1, -1, -1):  # bottom-up
            bitrow = bytearray(mask_row_bytes)
            for x in range(n):
                r, g, b, a = rgba[(y * n + x) * 4:(y * n + x) * 4 + 4]
                xor += bytes((b, g, r, a)) if a else b"\0\0\0\0"
                if a == 0:
                    bitrow[x // 8] |= 0x80 >> (x % 8)
            mask += bitrow
        header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0,
                             len(xor) + len(mask), 0, 0, 0, 0)
        bodies.append((n, header + bytes(xor) + bytes(mask)))
    data = bytearray(struct.pack("<HHH", 0, 1, len(bodies)))
    offset = 6 + 16 * len(bodies)
    for n, body in bodies:
        data += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    for _, body in bodies:
        data += body
    return bytes(data)


# ---- output ----


def write(path, data, quiet=False):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if not quiet:
        print(path)


def clear_folder(path, extensions):
    """Removes what an earlier run wrote (files with these endings) so
    renamed pictures leave nothing behind."""
    if not os.path.isdir(path):
        return
    for name in os.listdir(path):
        full = os.path.join(path, name)
        if os.path.isfile(full) and name.lower().endswith(extensions):
            os.remove(full)
