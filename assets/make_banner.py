#!/usr/bin/env python3
"""Draws the configuration dialog's banner: 421 x 37 pixels, 24-bit BMP.

Small flames lick up from the bottom edge of a dark ember band, with the logo's
flame and name on the left.
Deterministic: the same script gives the same bytes.
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter

# The logo's own drawing, so that banner and logo are one design.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "gen"))
from imaging import font, supersampled  # noqa: E402
from ui_pictures import paint_flame  # noqa: E402

WIDTH, HEIGHT = 421, 37


def fire_colour(heat):
    """Heat 0..1 to a fire colour: black-red embers, orange, yellow, white core (the icon's ramp)."""
    stops = [(0.0, (22, 6, 2)), (0.25, (120, 14, 0)), (0.5, (220, 60, 0)), (0.7, (255, 140, 10)),
             (0.88, (255, 220, 80)), (1.0, (255, 250, 220))]
    heat = max(0.0, min(1.0, heat))
    for (a, ca), (b, cb) in zip(stops, stops[1:]):
        if heat <= b:
            t = (heat - a) / (b - a)
            return tuple(int(round(ca[i] + (cb[i] - ca[i]) * t)) for i in range(3))
    return stops[-1][1]


def flame_height(x):
    """Height (0..1 of the banner) of the flame front at column x: several tongues of fixed phase."""
    h = 0.0
    for freq, amp, phase in ((0.045, 0.22, 0.3), (0.11, 0.16, 1.7), (0.23, 0.09, 4.1), (0.017, 0.12, 2.2)):
        h += amp * (0.5 + 0.5 * math.sin(x * freq + phase))
    return 0.18 + h


def draw_fire(img):
    px = img.load()
    for y in range(HEIGHT):
        v = (HEIGHT - 1 - y) / (HEIGHT - 1)  # 0 at the bottom, 1 at the top
        for x in range(WIDTH):
            # the flames fade out towards the text on the left so that it stays legible
            fade = min(1.0, max(0.25, (x - 120) / 140.0))
            front = flame_height(x) * fade
            heat = 0.0
            if v < front:
                heat = (1.0 - v / front) ** 0.8 * (0.55 + 0.45 * fade)
            base = 0.10 + 0.06 * (1.0 - v)
            px[x, y] = fire_colour(max(heat, base))


def draw_title(img):
    """The logo's flame and name, as the logo draws them, sized for the banner."""
    size = img.size
    emblem = supersampled(size, 4, lambda d, s: paint_flame(d, 17 * s, 34 * s, 20 * s, 32 * s, 5 * s))
    text = Image.new("RGBA", size, (0, 0, 0, 0))
    ImageDraw.Draw(text).text((34, 5), "Varnelle", font=font(21, bold=True), fill=(255, 247, 232, 255))
    rule = supersampled(size, 4, lambda d, s: d.rounded_rectangle(
        (35 * s, 30 * s, 119 * s, 31.5 * s), radius=s, fill=(255, 150, 40, 255)))
    shapes = Image.alpha_composite(Image.alpha_composite(emblem, text), rule)
    # A soft glow under the shapes, like light from the fire.
    glow_alpha = shapes.getchannel("A").filter(ImageFilter.GaussianBlur(3)).point(lambda a: a * 2 // 3)
    glow = Image.new("RGBA", size, (255, 110, 0, 0))
    glow.putalpha(glow_alpha)
    base = img.convert("RGBA")
    img.paste(Image.alpha_composite(Image.alpha_composite(base, glow), shapes).convert("RGB"))


def main(out):
    img = Image.new("RGB", (WIDTH, HEIGHT))
    draw_fire(img)
    draw_title(img)
    img.save(out, format="BMP")


if __name__ == "__main__":
    main(sys.argv[1])
