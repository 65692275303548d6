#!/usr/bin/env python3
"""Draws the program's icon at the usual hicolor sizes.

    tools/make_app_icons.py [repository root]

Reads resources/desktop/almanix.svg (the one drawing of the icon) and writes
resources/desktop/icons/<N>x<N>/almanix.png for N in 16 .. 256. Menus and
docks that cannot scale SVG pick the nearest of these; `cmake --install`
puts them under share/icons/hicolor. Chromium rasterizes them (picture_kit),
so the build itself needs no SVG renderer.
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_kit  # noqa: E402

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else picture_kit.repo_root()
    folder = os.path.join(root, "resources", "desktop")
    with open(os.path.join(folder, "almanix.svg"), encoding="utf-8") as f:
        drawing = f.read()
    jobs = []
    for size in SIZES:
        # The drawing keeps its viewBox; only its pixel size changes.
        svg = re.sub(r'width="\d+" height="\d+"',
                     'width="%d" height="%d"' % (size, size), drawing, count=1)
        jobs.append({"key": str(size), "w": size, "h": size, "svg": svg})
    pictures = picture_kit.draw(jobs)
    for size in SIZES:
        path = os.path.join(folder, "icons", "%dx%d" % (size, size), "almanix.png")
        picture_kit.write(path, pictures[str(size)])


if __name__ == "__main__":
    main()
