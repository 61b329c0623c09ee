"""Particle.tga: the sprite of one spark, a soft round glow. It is white: each
spark takes its colour from its vertex, and sparks are blended additively, so
the colour channels fall to black where the alpha does."""
import math
import os

from PIL import Image

from imaging import smoothstep, write_tga

SIZE = 64


def spark_intensity(r):
    core = math.exp(-(r / 0.16) ** 2)
    glow = 0.55 * math.exp(-(r / 0.45) ** 2)
    return min(1.0, core + glow) * (1 - smoothstep(0.8, 1.0, r))


def generate(out_dir):
    image = Image.new("RGBA", (SIZE, SIZE))
    half = SIZE / 2
    pixels = []
    for y in range(SIZE):
        for x in range(SIZE):
            r = math.hypot(x + 0.5 - half, y + 0.5 - half) / half
            v = round(255 * spark_intensity(r))
            pixels.append((v, v, v, v))
    image.putdata(pixels)
    write_tga(os.path.join(out_dir, "Particle.tga"), image)
