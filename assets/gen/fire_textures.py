"""Textures of the flames: the colour ramp "Flame.tga" and the tileable noise volume
"NoiseVolume.dds". Deterministic: the same bytes on every run."""
import os
import random
import struct

VOLUME_SIZE = 64
RAMP_WIDTH, RAMP_HEIGHT = 256, 4

# Heat -> colour and opacity: transparent dark red at the tips, through red and
# orange to a yellow-white core.
RAMP = [
    (0.00, (0.25, 0.00, 0.00), 0.00),
    (0.10, (0.45, 0.03, 0.00), 0.20),
    (0.22, (0.72, 0.08, 0.00), 0.55),
    (0.36, (0.93, 0.22, 0.01), 0.85),
    (0.50, (1.00, 0.40, 0.04), 1.00),
    (0.66, (1.00, 0.60, 0.12), 1.00),
    (0.82, (1.00, 0.82, 0.34), 1.00),
    (1.00, (1.00, 0.96, 0.78), 1.00),
]


def _ramp_at(h):
    for (h0, c0, a0), (h1, c1, a1) in zip(RAMP, RAMP[1:]):
        if h <= h1:
            f = (h - h0) / (h1 - h0)
            f = f * f * (3 - 2 * f)  # smooth joints: no bands at the control points
            return [c0[i] + (c1[i] - c0[i]) * f for i in range(3)], a0 + (a1 - a0) * f
    return list(RAMP[-1][1]), RAMP[-1][2]


def flame_tga():
    row = bytearray()
    for x in range(RAMP_WIDTH):
        (r, g, b), a = _ramp_at(x / (RAMP_WIDTH - 1))
        row += bytes(round(max(0.0, min(1.0, v)) * 255) for v in (b, g, r, a))
    # Uncompressed true colour, 32 bits, origin top-left, 8 alpha bits.
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, RAMP_WIDTH, RAMP_HEIGHT, 32, 0x28)
    return header + bytes(row) * RAMP_HEIGHT


# ---- periodic fractal noise -------------------------------------------------
# A field on a periodic lattice is doubled in resolution by cubic B-spline
# subdivision, then the next, finer octave is added; after the last octave it is
# subdivided up to the volume size. Everything wraps, so the volume tiles.

def _subdivide_row(row):
    n = len(row)
    out = [0.0] * (2 * n)
    for j in range(n):
        a, b, c, d = row[j - 1], row[j], row[(j + 1) % n], row[(j + 2) % n]
        out[2 * j] = (a + 4.0 * b + c) / 6.0
        out[2 * j + 1] = (a + 23.0 * (b + c) + d) / 48.0
    return out


def _combine(rows, j):
    n = len(rows)
    a, b, c, d = rows[j - 1], rows[j], rows[(j + 1) % n], rows[(j + 2) % n]
    even = [(p + 4.0 * q + r) / 6.0 for p, q, r in zip(a, b, c)]
    odd = [(p + 23.0 * (q + r) + s) / 48.0 for p, q, r, s in zip(a, b, c, d)]
    return even, odd


def _subdivide_rows(rows):
    out = []
    for j in range(len(rows)):
        out.extend(_combine(rows, j))
    return out


def _subdivide(field):
    """field[z][y][x] of size n^3 -> (2n)^3."""
    field = [[_subdivide_row(row) for row in plane] for plane in field]
    field = [_subdivide_rows(plane) for plane in field]
    n = len(field)
    out = []
    for j in range(n):
        a, b, c, d = field[j - 1], field[j], field[(j + 1) % n], field[(j + 2) % n]
        out.append([[(p + 4.0 * q + r) / 6.0 for p, q, r in zip(ra, rb, rc)] for ra, rb, rc in zip(a, b, c)])
        out.append([[(p + 23.0 * (q + r) + s) / 48.0 for p, q, r, s in zip(ra, rb, rc, rd)]
                    for ra, rb, rc, rd in zip(a, b, c, d)])
    return out


def _lattice(rng, n, amplitude):
    return [[[rng.uniform(-amplitude, amplitude) for _ in range(n)] for _ in range(n)] for _ in range(n)]


def _fractal(rng, base, octaves, persistence, size):
    field = _lattice(rng, base, 1.0)
    amplitude = 1.0
    n = base
    for _ in range(octaves - 1):
        field = _subdivide(field)
        n *= 2
        amplitude *= persistence
        finer = _lattice(rng, n, amplitude)
        field = [[[v + w for v, w in zip(r, s)] for r, s in zip(p, q)] for p, q in zip(field, finer)]
    while n < size:
        field = _subdivide(field)
        n *= 2
    return [v for plane in field for row in plane for v in row]


def _to_bytes(values):
    """Centre on 128 with a fixed spread, so every channel has the same contrast."""
    count = len(values)
    mean = sum(values) / count
    deviation = (sum((v - mean) ** 2 for v in values) / count) ** 0.5 or 1.0
    scale = 0.2 * 255 / deviation
    return bytes(max(0, min(255, round(128 + (v - mean) * scale))) for v in values)


def _warped(base, warps, amount, size):
    """base sampled at p + amount * warps(p): trilinear, wrapping. The result
    tiles because base and warps do; the bent flow reads as turbulence."""
    n = size
    out = [0.0] * (n * n * n)
    wx, wy, wz = warps
    i = 0
    for z in range(n):
        for y in range(n):
            for x in range(n):
                fx = x + (wx[i] * amount)
                fy = y + (wy[i] * amount)
                fz = z + (wz[i] * amount)
                x0, y0, z0 = int(fx // 1), int(fy // 1), int(fz // 1)
                ax, ay, az = fx - x0, fy - y0, fz - z0
                x0 %= n; y0 %= n; z0 %= n
                x1, y1, z1 = (x0 + 1) % n, (y0 + 1) % n, (z0 + 1) % n
                r00, r01, r10, r11 = (z0 * n + y0) * n, (z0 * n + y1) * n, (z1 * n + y0) * n, (z1 * n + y1) * n
                c00 = base[r00 + x0] + (base[r00 + x1] - base[r00 + x0]) * ax
                c01 = base[r01 + x0] + (base[r01 + x1] - base[r01 + x0]) * ax
                c10 = base[r10 + x0] + (base[r10 + x1] - base[r10 + x0]) * ax
                c11 = base[r11 + x0] + (base[r11 + x1] - base[r11 + x0]) * ax
                c0 = c00 + (c01 - c00) * ay
                c1 = c10 + (c11 - c10) * ay
                out[i] = c0 + (c1 - c0) * az
                i += 1
    return out


def _normalised(values):
    count = len(values)
    mean = sum(values) / count
    deviation = (sum((v - mean) ** 2 for v in values) / count) ** 0.5 or 1.0
    return [(v - mean) / deviation for v in values]


def noise_channels(size=VOLUME_SIZE, seed=35):
    """R and B: turbulent (warped) fractal noise, G and A: plain fractal noise."""
    rng = random.Random(seed)
    plain = [_normalised(_fractal(rng, base, octaves, p, size))
             for base, octaves, p in [(4, 4, 0.7), (4, 4, 0.7), (2, 4, 0.6), (4, 4, 0.7), (2, 4, 0.6), (8, 3, 0.7)]]
    warp = (plain[2], plain[3], plain[4])
    amount = size * 0.09  # voxels per unit of warp field (one standard deviation)
    red = _warped(plain[0], warp, amount, size)
    blue = _warped(plain[1], (plain[4], plain[2], plain[3]), amount, size)
    return [_to_bytes(c) for c in (red, plain[5], blue, plain[3])]


def noise_volume_dds(size=VOLUME_SIZE):
    r, g, b, a = noise_channels(size)
    voxels = bytearray(4 * size ** 3)
    voxels[0::4], voxels[1::4], voxels[2::4], voxels[3::4] = b, g, r, a
    # The loader turns opaque black into transparent black (colour key); no voxel may be that.
    for i in range(0, len(voxels), 4):
        if voxels[i + 3] == 255 and voxels[i] == voxels[i + 1] == voxels[i + 2] == 0:
            voxels[i] = 1
    flags = 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x800000  # caps, height, width, pitch, pixel format, depth
    pixel_format = struct.pack("<II4sIIIII", 32, 0x41, b"\0\0\0\0", 32,
                               0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    header = struct.pack("<4sIIIIIII", b"DDS ", 124, flags, size, size, size * 4, size, 0)
    header += b"\0" * 44 + pixel_format
    header += struct.pack("<IIIII", 0x1000 | 0x8, 0x200000, 0, 0, 0)  # texture|complex, caps2 volume
    assert len(header) == 128
    return header + bytes(voxels)


def generate(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "Flame.tga"), "wb") as f:
        f.write(flame_tga())
    with open(os.path.join(out_dir, "NoiseVolume.dds"), "wb") as f:
        f.write(noise_volume_dds())


if __name__ == "__main__":
    import sys
    generate(sys.argv[1] if len(sys.argv) > 1 else ".")
