#!/usr/bin/env python3
"""Draws the configuration dialog's banner: 421 x 37 pixels, 24-bit BMP.

Small flames lick up from the bottom edge of a dark ember band, with the saver's
name in warm light on the left and the flame mark of the icon beside it.
Deterministic: the same script gives the same bytes.
"""
import math
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

WIDTH, HEIGHT = 421, 37
FONT_PATHS = ["/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
              "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"]


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


def flame_mark(size):
    """The icon's teardrop flame, as an RGBA image of the given height."""
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    px = img.load()
    for y in range(size):
        for x in range(size):
            u = (x - size / 2) / (size * 0.62)
            v = (size * 0.95 - y) / (size * 0.9)
            if v < 0 or v > 1:
                continue
            sway = 0.10 * math.sin(v * 5.0) * v
            half = 0.62 * math.sqrt(max(0.0, 1.0 - v)) * (0.55 + 0.45 * math.sin(min(v, 0.98) * math.pi * 0.9 + 0.35))
            a = max(0.0, min(1.0, -(abs(u - sway) - half) * 12.0))
            if a <= 0:
                continue
            inner = max(0.0, 1.0 - abs(u - sway) / max(half, 1e-3))
            c = fire_colour(0.55 + 0.45 * inner * (1.0 - 0.5 * v))
            px[x, y] = c + (int(255 * a),)
    return img


def draw_title(img):
    font = None
    for path in FONT_PATHS:
        try:
            font = ImageFont.truetype(path, 22)
            break
        except OSError:
            continue
    if font is None:
        font = ImageFont.load_default()
    mark = flame_mark(31)
    img.paste(mark, (8, 3), mark)
    text = "Varnelle"
    # a soft glow under the letters, like light from the fire
    glow = Image.new("L", img.size, 0)
    ImageDraw.Draw(glow).text((44, 5), text, font=font, fill=255)
    glow = glow.filter(ImageFilter.GaussianBlur(3))
    glow_colour = Image.new("RGB", img.size, (255, 110, 0))
    img.paste(glow_colour, (0, 0), glow.point(lambda a: a * 2 // 3))
    ImageDraw.Draw(img).text((44, 5), text, font=font, fill=(255, 236, 190))


def main(out):
    img = Image.new("RGB", (WIDTH, HEIGHT))
    draw_fire(img)
    draw_title(img)
    img.save(out, format="BMP")


if __name__ == "__main__":
    main(sys.argv[1])
