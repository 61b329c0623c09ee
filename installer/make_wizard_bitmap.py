"""Draws the picture on the left of the setup's welcome and finish pages:
164 x 314 pixels (the wizard's size at 96 dpi), flames rising from the bottom
into a night sky, saved as a 24-bit BMP."""
import math
import random
import sys

from PIL import Image, ImageDraw, ImageFilter

WIDTH, HEIGHT = 164, 314


def flame_intensity(x, y):
    """0..1 heat at a pixel: a few tongues swaying upward from the floor."""
    height = 1.0 - y / HEIGHT                     # 0 at the bottom, 1 at the top
    heat = 0.0
    for centre, reach, phase in ((0.30, 0.55, 0.0), (0.55, 0.72, 1.7), (0.78, 0.48, 3.1), (0.12, 0.35, 4.4)):
        sway = 0.06 * math.sin(height * 9.0 + phase) * height
        width = 0.20 * max(0.0, 1.0 - height / reach)
        dx = abs(x / WIDTH - centre - sway)
        if width > 0.0 and dx < width:
            heat = max(heat, (1.0 - dx / width) * (1.0 - height / reach) ** 0.6)
    return min(1.0, heat * 1.4)


def heat_colour(t):
    """Black through red and orange to a pale yellow core."""
    r = min(1.0, t * 2.2)
    g = min(1.0, max(0.0, t * 2.0 - 0.55))
    b = min(1.0, max(0.0, t * 3.0 - 2.2))
    return int(r * 255), int(g * 235), int(b * 200)


def draw():
    img = Image.new("RGB", (WIDTH, HEIGHT))
    px = img.load()
    for y in range(HEIGHT):
        sky = y / HEIGHT
        for x in range(WIDTH):
            base = (int(10 + 20 * sky), int(8 + 6 * sky), int(30 - 14 * sky))
            flame = heat_colour(flame_intensity(x, y))
            px[x, y] = tuple(max(a, b) for a, b in zip(base, flame))
    img = img.filter(ImageFilter.GaussianBlur(1.2))
    sparks = ImageDraw.Draw(img)
    rng = random.Random(7)  # the same picture on every build
    for i in range(28):
        sx = rng.uniform(0.1, 0.9) * WIDTH
        sy = rng.uniform(0.12, 0.6) * HEIGHT
        size = rng.choice((1, 1, 2))
        sparks.ellipse((sx, sy, sx + size, sy + size), fill=(255, rng.randint(120, 200), 70))
    return img


if __name__ == "__main__":
    draw().save(sys.argv[1], format="BMP")
