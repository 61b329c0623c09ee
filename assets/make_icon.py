#!/usr/bin/env python3
"""Draws the saver's icon: a flame in a dark rounded tile, 16 to 256 pixels."""
import math
import sys

from PIL import Image

SIZE = 256


def flame_alpha(u, v):
    """Coverage of a teardrop flame with a licking tip; u in [-1, 1] across, v in [0, 1] upward."""
    if v < 0.0 or v > 1.0:
        return 0.0
    sway = 0.10 * math.sin(v * 5.0) * v
    half = 0.62 * math.sqrt(max(0.0, 1.0 - v)) * (0.55 + 0.45 * math.sin(min(v, 0.98) * math.pi * 0.9 + 0.35))
    d = abs(u - sway) - half
    return max(0.0, min(1.0, -d * 40.0))


def colour(heat):
    """Heat 0..1 to a fire colour, white-yellow core through orange to deep red."""
    stops = [(0.0, (120, 10, 0)), (0.35, (220, 50, 0)), (0.6, (255, 140, 10)), (0.85, (255, 220, 80)),
             (1.0, (255, 250, 220))]
    for (a, ca), (b, cb) in zip(stops, stops[1:]):
        if heat <= b:
            t = (heat - a) / (b - a)
            return tuple(int(ca[i] + (cb[i] - ca[i]) * t) for i in range(3))
    return stops[-1][1]


def draw():
    img = Image.new("RGBA", (SIZE, SIZE))
    px = img.load()
    r = 44.0
    for y in range(SIZE):
        for x in range(SIZE):
            # rounded tile
            dx = max(r - x, 0, x - (SIZE - 1 - r))
            dy = max(r - y, 0, y - (SIZE - 1 - r))
            inside = max(0.0, min(1.0, r - math.hypot(dx, dy) + 0.5))
            shade = 26 + int(24 * (1 - y / SIZE))
            base = (shade, shade // 2, shade // 3)
            u = (x - SIZE / 2) / (SIZE * 0.36)
            v = (SIZE * 0.9 - y) / (SIZE * 0.8)
            outer = flame_alpha(u, v)
            inner = flame_alpha(u * 1.7, v * 1.45 + 0.02)
            heat = 0.45 * outer + 0.55 * inner * (1.0 - 0.4 * v)
            c = colour(min(1.0, heat))
            a = outer
            rgb = tuple(int(base[i] * (1 - a) + c[i] * a) for i in range(3))
            px[x, y] = rgb + (int(255 * inside),)
    return img


def main(out):
    img = draw()
    img.save(out, format="ICO", sizes=[(16, 16), (24, 24), (32, 32), (48, 48), (64, 64), (128, 128), (256, 256)])


if __name__ == "__main__":
    main(sys.argv[1])
