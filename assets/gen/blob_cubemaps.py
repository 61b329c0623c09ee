"""Blobs_0.blb .. Blobs_3.blb: the environment cube maps that light the blobs,
one look per map name: 0 "Solar", 1 "Earth", 2 "RGB", 3 "Caramel"."""
import math
import os

from PIL import Image

from imaging import cube_direction, smoothstep, write_dds_cube

SAMPLE = 48   # computed per face, then enlarged smoothly: the maps hold soft light only
FACE = 128


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def add(a, b, k=1.0):
    return tuple(x + y * k for x, y in zip(a, b))


def normalise(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


SUN = normalise((0.35, 0.45, 0.82))


def solar(d):
    """A low sun in a glowing orange sky over a dark red sea."""
    x, y, z = d
    g = max(dot(d, SUN), 0.0)
    if y >= 0:
        sky = mix((1.0, 0.55, 0.18), (0.28, 0.10, 0.32), smoothstep(0.0, 0.75, y))
        streak = 0.5 + 0.5 * math.sin(x * 7.0 + math.sin(z * 5.0) * 1.7 + y * 11.0)
        sky = mix(sky, (0.55, 0.18, 0.16), 0.35 * streak * smoothstep(0.05, 0.2, y) * (1 - smoothstep(0.3, 0.6, y)))
    else:
        sky = mix((0.55, 0.20, 0.08), (0.08, 0.02, 0.03), smoothstep(0.0, 0.5, -y))
        sky = add(sky, (1.0, 0.5, 0.15), 0.5 * g ** 6)
    sky = add(sky, (1.0, 0.62, 0.25), 0.9 * g ** 8)
    return add(sky, (1.0, 0.95, 0.75), 3.0 * g ** 300)


def earth(d):
    """Blue sky with fair-weather clouds over green and brown fields."""
    x, y, z = d
    if y >= 0:
        sky = mix((0.80, 0.88, 0.96), (0.16, 0.40, 0.82), smoothstep(0.0, 0.6, y))
        u, v = x / (y + 0.25), z / (y + 0.25)
        cloud = (math.sin(u * 3.1 + math.sin(v * 2.3)) + math.sin(v * 3.7 + 1.3 + math.sin(u * 1.9))
                 + 0.5 * math.sin(u * 7.3 + v * 5.1)) / 2.5
        sky = mix(sky, (0.97, 0.97, 0.98), smoothstep(0.25, 0.75, cloud) * smoothstep(0.02, 0.15, y))
        return add(sky, (1.0, 0.95, 0.8), 2.0 * max(dot(d, SUN), 0.0) ** 200)
    u, v = x / (-y + 0.05), z / (-y + 0.05)
    field = 0.5 + 0.5 * math.sin(u * 1.7 + math.sin(v * 1.3) * 2.0) * math.sin(v * 2.1 + 0.7)
    ground = mix((0.42, 0.32, 0.18), (0.22, 0.44, 0.16), smoothstep(0.3, 0.7, field))
    return mix((0.72, 0.80, 0.86), ground, smoothstep(0.0, 0.25, -y))


RGB_LIGHTS = [(normalise((1.0, 0.4, 0.3)), (1.0, 0.12, 0.08)),
              (normalise((-0.7, 0.5, 0.6)), (0.1, 1.0, 0.2)),
              (normalise((-0.2, 0.3, -1.0)), (0.15, 0.3, 1.0))]


def rgb(d):
    """Three coloured studio lights, red, green and blue, in a dark room."""
    colour = (0.03, 0.03, 0.04)
    for direction, light in RGB_LIGHTS:
        g = max(dot(d, direction), 0.0)
        colour = add(colour, light, 1.1 * g ** 3 + 1.5 * g ** 60)
    floor = smoothstep(0.0, 0.6, -d[1])
    return mix(colour, (0.02, 0.02, 0.02), 0.6 * floor)


def caramel(d):
    """Warm marbled swirls of toffee, amber and cream."""
    x, y, z = d
    v = math.sin(6.0 * (x + 0.6 * y) + 2.5 * math.sin(4.0 * z + 2.0 * y) + 1.5 * math.sin(5.0 * y - x))
    t = 0.5 + 0.5 * v
    if t < 0.5:
        colour = mix((0.30, 0.14, 0.05), (0.82, 0.46, 0.14), t / 0.5)
    else:
        colour = mix((0.82, 0.46, 0.14), (1.0, 0.90, 0.70), (t - 0.5) / 0.5)
    light = 0.65 + 0.45 * max(y, 0.0) + 0.5 * max(dot(d, SUN), 0.0) ** 20
    return tuple(c * light for c in colour)


LOOKS = [solar, earth, rgb, caramel]


def to_byte(c):
    c = max(0.0, min(1.0, c))
    return round(255 * c)


def face_image(look, face):
    image = Image.new("RGBA", (SAMPLE, SAMPLE))
    pixels = []
    for j in range(SAMPLE):
        t = (j + 0.5) / SAMPLE * 2 - 1
        for i in range(SAMPLE):
            s = (i + 0.5) / SAMPLE * 2 - 1
            r, g, b = look(cube_direction(face, s, t))
            pixels.append((to_byte(r), to_byte(g), to_byte(b), 255))
    image.putdata(pixels)
    return image.resize((FACE, FACE), Image.BICUBIC)


def generate(out_dir):
    for index, look in enumerate(LOOKS):
        faces = [face_image(look, face) for face in range(6)]
        write_dds_cube(os.path.join(out_dir, f"Blobs_{index}.blb"), faces)
