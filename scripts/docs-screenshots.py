#!/usr/bin/python3
"""Makes the README's small pictures in docs/ from the system tests' screenshots.

Run `make test` first (the screenshots land in build/x64/screenshots or
build/screenshots), then: scripts/docs-screenshots.py [SCREENSHOT_FOLDER]"""
import os
import sys

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOCS = os.path.join(ROOT, "docs")
WIDTH = 400

# docs name -> the system test's screenshot it comes from
PICTURES = {
    "fire.png": "flames_0_a.png",
    "fireball.png": "flames_1_a.png",
    "detonation.png": "flames_2_a.png",
    "pictures-under-flames.png": "pictures-under-flames-1.png",
    "dialog-en.png": "dialog-en-crop.png",
    "dialog-ja.png": "dialog-jp-crop.png",
    "sparks.png": "sparks_flame_a.png",
    "blobs.png": "blobs_a.png",
    "desktop.png": "desktop_a.png",
}


def main():
    candidates = sys.argv[1:] or [os.path.join(ROOT, "build", "x64", "screenshots"),
                                  os.path.join(ROOT, "build", "screenshots")]
    source = next((c for c in candidates if os.path.isdir(c)), None)
    if source is None:
        sys.exit("docs-screenshots: no screenshot folder (run make test first): %s" % ", ".join(candidates))
    missing = [shot for shot in PICTURES.values() if not os.path.exists(os.path.join(source, shot))]
    if missing:
        sys.exit("docs-screenshots: missing in %s: %s" % (source, ", ".join(missing)))
    os.makedirs(DOCS, exist_ok=True)
    for name, shot in PICTURES.items():
        img = Image.open(os.path.join(source, shot)).convert("RGB")
        if img.size[0] > WIDTH:
            img = img.resize((WIDTH, round(img.size[1] * WIDTH / img.size[0])), Image.LANCZOS)
        # A palette of 256 colours keeps each file small; the flames lose nothing visible.
        img.quantize(256, method=Image.MEDIANCUT, dither=Image.NONE).save(os.path.join(DOCS, name), optimize=True)
        print("docs/%s from %s" % (name, shot))


if __name__ == "__main__":
    main()
