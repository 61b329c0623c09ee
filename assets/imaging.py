"""Helpers shared by the archive generators: fonts, text layout, and writers
for the texture files the saver loads through D3DX (TGA, DDS cube, DDS volume)."""
import math
import re
import struct

from PIL import Image, ImageDraw, ImageFont

# Fonts from Debian packages: fonts-liberation (Latin, Cyrillic) and
# fonts-noto-cjk (Japanese; face 0 of the collection is the JP variant).
_FONT_FILES = {
    ("latin", "regular"): ("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", 0),
    ("latin", "bold"): ("/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf", 0),
    ("cjk", "regular"): ("/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc", 0),
    ("cjk", "bold"): ("/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc", 0),
}


def font(size, bold=False, cjk=False):
    path, index = _FONT_FILES[("cjk" if cjk else "latin", "bold" if bold else "regular")]
    return ImageFont.truetype(path, size, index=index)


def text_width(fnt, text):
    return fnt.getlength(text)


# Characters that must not begin a line in Japanese text.
_NO_LINE_START = set("、。，．・ー）」』】〕！？：；")


def _tokens(text, cjk):
    if not cjk:
        return re.findall(r"\S+|\s+", text)
    # Japanese: break after a particle or a comma, so that phrases stay whole.
    return re.findall(r"\s+|[^\sはをがのにでとや、。]+[はをがのにでとや、。]*|[はをがのにでとや、。]+", text)


def wrap(text, fnt, max_width, cjk=False):
    """Greedy line breaking by measured width; returns the lines."""
    lines, line = [], ""
    for token in _tokens(text, cjk):
        candidate = line + token
        if line and not token.isspace() and text_width(fnt, candidate.rstrip()) > max_width:
            if cjk and token in _NO_LINE_START and len(line) > 1:
                # Take the last character of the line along instead.
                lines.append(line[:-1].rstrip())
                line = line[-1] + token
            else:
                lines.append(line.rstrip())
                line = token.lstrip()
        else:
            line = candidate
    if line.strip():
        lines.append(line.strip())
    return lines


def balanced_wrap(text, fnt, max_width, cjk=False):
    """As wrap, with the same number of lines, but lines as even as possible."""
    lines = wrap(text, fnt, max_width, cjk)
    low, high = 1, int(max_width)
    while low < high:
        mid = (low + high) // 2
        if len(wrap(text, fnt, mid, cjk)) <= len(lines):
            high = mid
        else:
            low = mid + 1
    return wrap(text, fnt, high, cjk)


def fit_text(text, max_width, layouts, bold=False, cjk=False):
    """The first (line count, sizes) layout in which the text fits, trying each
    layout's sizes from the first; returns the font and the balanced lines."""
    for max_lines, sizes in layouts:
        for size in sizes:
            fnt = font(size, bold, cjk)
            if len(wrap(text, fnt, max_width, cjk)) <= max_lines:
                return fnt, balanced_wrap(text, fnt, max_width, cjk)
    return fnt, balanced_wrap(text, fnt, max_width, cjk)


def draw_centered_lines(draw, lines, fnt, centre_x, top, line_height, fill):
    """Draws lines centred on centre_x; returns the y below the last line."""
    y = top
    for line in lines:
        w = text_width(fnt, line)
        draw.text((centre_x - w / 2, y), line, font=fnt, fill=fill)
        y += line_height
    return y


def supersampled(size, scale, paint):
    """Calls paint(draw, scale) on an RGBA canvas scale times larger and returns
    it reduced to size, so edges come out smooth."""
    big = Image.new("RGBA", (size[0] * scale, size[1] * scale), (0, 0, 0, 0))
    paint(ImageDraw.Draw(big), scale)
    return big.resize(size, Image.LANCZOS)


def vertical_gradient(size, top, bottom):
    w, h = size
    column = Image.new("RGBA", (1, h))
    for y in range(h):
        t = y / max(h - 1, 1)
        column.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return column.resize((w, h))


def smoothstep(e0, e1, x):
    t = min(max((x - e0) / (e1 - e0), 0.0), 1.0)
    return t * t * (3 - 2 * t)


# ---- texture files -------------------------------------------------------------------------

def write_tga(path, image):
    """32-bit uncompressed TGA with its origin at the top left (descriptor 0x28)."""
    image = image.convert("RGBA")
    w, h = image.size
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 32, 0x28)
    with open(path, "wb") as f:
        f.write(header)
        f.write(image.tobytes("raw", "BGRA"))


_DDSD_CAPS, _DDSD_HEIGHT, _DDSD_WIDTH, _DDSD_PITCH = 0x1, 0x2, 0x4, 0x8
_DDSD_PIXELFORMAT, _DDSD_MIPMAPCOUNT, _DDSD_DEPTH = 0x1000, 0x20000, 0x800000
_DDPF_ALPHAPIXELS, _DDPF_RGB = 0x1, 0x40
_DDSCAPS_COMPLEX, _DDSCAPS_TEXTURE = 0x8, 0x1000
_DDSCAPS2_CUBEMAP_ALL_FACES = 0x200 | 0xFC00
_DDSCAPS2_VOLUME = 0x200000


def _dds_header(width, height, depth, flags, caps, caps2):
    pixel_format = struct.pack("<II4sIIIII", 32, _DDPF_RGB | _DDPF_ALPHAPIXELS, b"\0\0\0\0", 32,
                               0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    header = struct.pack("<IIIIIII", 124,
                         _DDSD_CAPS | _DDSD_HEIGHT | _DDSD_WIDTH | _DDSD_PITCH | _DDSD_PIXELFORMAT
                         | _DDSD_MIPMAPCOUNT | flags,
                         height, width, width * 4, depth, 1)
    header += b"\0" * 44 + pixel_format + struct.pack("<IIIII", caps, caps2, 0, 0, 0)
    assert len(header) == 124
    return b"DDS " + header


def write_dds_cube(path, faces):
    """A8R8G8B8 cube map, one mip level. faces: six square RGBA images in the
    order +X, -X, +Y, -Y, +Z, -Z."""
    assert len(faces) == 6
    size = faces[0].size[0]
    with open(path, "wb") as f:
        f.write(_dds_header(size, size, 0, 0, _DDSCAPS_TEXTURE | _DDSCAPS_COMPLEX, _DDSCAPS2_CUBEMAP_ALL_FACES))
        for face in faces:
            assert face.size == (size, size)
            f.write(face.convert("RGBA").tobytes("raw", "BGRA"))


def write_dds_volume(path, width, height, depth, bgra_bytes):
    """A8R8G8B8 volume texture, one mip level; slices follow each other, rows top first."""
    assert len(bgra_bytes) == width * height * depth * 4
    with open(path, "wb") as f:
        f.write(_dds_header(width, height, depth, _DDSD_DEPTH, _DDSCAPS_TEXTURE | _DDSCAPS_COMPLEX,
                            _DDSCAPS2_VOLUME))
        f.write(bgra_bytes)


def cube_direction(face, s, t):
    """Direction through the point (s, t) in [-1, 1] of a Direct3D cube face
    (s grows to the right, t downwards)."""
    x, y, z = [(1, -t, -s), (-1, -t, s), (s, 1, t), (s, -1, -t), (s, -t, 1), (-s, -t, -1)][face]
    n = math.sqrt(x * x + y * y + z * z)
    return x / n, y / n, z / n
