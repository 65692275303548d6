#!/usr/bin/env python3
"""Paints the clip-art backgrounds and photo sets in resources/ClipArt/.

    tools/make_clipart.py [repository root]

Writes:

- ClipArt/Backgrounds/: tiles for the page, table, caption and cell
  backgrounds of a calendar style. Every tile repeats without a seam (the
  noise behind the textures wraps at the tile's edges, scattered motifs
  are painted again across each edge); the caption-*.png strips repeat
  across and are as tall as a tall caption;
- ClipArt/Photos/{Airshow,Nature,Ocean,Scenic}/: four pictures each,
  640 x 160 (the shape of the month picture in the shipped styles), painted
  from gradients, noise clouds, ridges, silhouettes and reflections.

The drawings are the canvas scripts in tools/clipart.js, run by Chromium
(picture_kit); the photos come back as JPEG (quality 0.8), the flat tiles
are written as PNG. File names are unique across the photo sets, since a
style names a month picture by file name only and the generator takes the
first set that has it.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_kit as kit  # noqa: E402

# file name -> (drawing, width, height)
BACKGROUNDS = {
    "paper.jpg": ("paper", 200, 200),
    "linen.jpg": ("linen", 160, 160),
    "parchment.jpg": ("parchment", 256, 256),
    "sky.jpg": ("sky", 256, 256),
    "dots.png": ("dots", 24, 24),
    "stripes.png": ("stripes", 32, 32),
    "grid.png": ("grid", 64, 64),
    "stars.png": ("stars", 128, 128),
    "leaves.png": ("leaves", 96, 96),
    "hearts.png": ("hearts", 48, 48),
    "caption-blue.png": ("caption_blue", 8, 96),
    "caption-green.png": ("caption_green", 8, 96),
    "caption-sunset.png": ("caption_sunset", 8, 96),
}

PHOTO_W, PHOTO_H = 640, 160
PHOTOS = {
    "Airshow": {"airshow-formation.jpg": "formation", "airshow-biplane.jpg": "biplane",
                "airshow-climb.jpg": "climb", "airshow-flypast.jpg": "flypast"},
    "Nature": {"nature-forest.jpg": "forest", "nature-meadow.jpg": "meadow",
               "nature-autumn.jpg": "autumn", "nature-lake.jpg": "lake"},
    "Ocean": {"ocean-sunset.jpg": "sunset", "ocean-waves.jpg": "waves",
              "ocean-sailboat.jpg": "sailboat", "ocean-beach.jpg": "beach"},
    "Scenic": {"scenic-desert.jpg": "desert", "scenic-city.jpg": "city",
               "scenic-winter.jpg": "winter", "scenic-aurora.jpg": "aurora"},
}


def library():
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "clipart.js"),
              encoding="utf-8") as f:
        return f.read()


def main():
    root = kit.repo_root()
    clipart = os.path.join(root, "resources", "ClipArt")
    jobs = []
    for name, (drawing, w, h) in BACKGROUNDS.items():
        jpeg = name.endswith(".jpg")
        jobs.append(dict(key="bg/" + name, w=w, h=h, js="lib.B.%s(g, w, h);" % drawing,
                         format="jpeg" if jpeg else "png", quality=0.86))
    for set_name, photos in PHOTOS.items():
        for name, drawing in photos.items():
            jobs.append(dict(key="%s/%s" % (set_name, name), w=PHOTO_W, h=PHOTO_H,
                             js="lib.P.%s(g, w, h);" % drawing, format="jpeg", quality=0.8))
    drawn = kit.draw(jobs, library())

    folder = os.path.join(clipart, "Backgrounds")
    kit.clear_folder(folder, (".jpg", ".png", ".gif"))
    for name in BACKGROUNDS:
        data = drawn["bg/" + name]
        if name.endswith(".png"):
            w, h, rgba = kit.decode_png(data)
            rgb = bytes(b for i, b in enumerate(rgba) if i % 4 != 3)
            data = kit.encode_png(w, h, rgb, alpha=False)
        kit.write(os.path.join(folder, name), data)
    for set_name, photos in PHOTOS.items():
        folder = os.path.join(clipart, "Photos", set_name)
        kit.clear_folder(folder, (".jpg", ".png", ".gif"))
        for name in photos:
            kit.write(os.path.join(folder, name), drawn["%s/%s" % (set_name, name)])


if __name__ == "__main__":
    main()
