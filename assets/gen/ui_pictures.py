"""The interface pictures: the logo, the backgrounds of the empty picture list
and the error-screen pictures, each text in its own language."""
import math
import os

from PIL import Image, ImageDraw, ImageFilter

from imaging import (draw_centered_lines, fit_text, font, smoothstep, supersampled, text_width,
                     vertical_gradient)
from languages import LANGUAGES, TEXTS

ADD_HINT, DROP_HINT = 52, 53
NOT_SUPPORTED, UPDATE_DRIVER = 45, 49

LIST_BOX_SIZE = (400, 212)     # the list box's client area, about 265 x 130 dialog units
ERROR_SIZE = (600, 300)        # within 640 x 480, drawn centred on black


def flame_polygon(cx, bottom, width, height, lean, steps=48):
    """Outline of a flame tongue: round at the base, a pointed tip leaning sideways."""
    left, right = [], []
    for i in range(steps + 1):
        t = i / steps
        half = width * 0.5 * math.sin(math.pi * min(1.0, 0.15 + t * 0.85)) ** 0.8 * (1 - t) ** 0.55
        half = max(half, 0.0)
        if t < 0.15:  # round base
            half = width * 0.5 * math.sqrt(max(0.0, 1 - ((0.15 - t) / 0.15) ** 2)) * 0.93
        sway = lean * t * t
        y = bottom - height * t
        left.append((cx - half + sway, y))
        right.append((cx + half + sway, y))
    return left + right[::-1]


def paint_flame(draw, cx, bottom, width, height, lean):
    layers = [((0.98, 1.00), (214, 52, 18, 255)),
              ((0.72, 0.80), (250, 128, 24, 255)),
              ((0.44, 0.55), (255, 206, 70, 255)),
              ((0.20, 0.30), (255, 246, 200, 255))]
    for (w, h), colour in layers:
        draw.polygon(flame_polygon(cx + (1 - w) * width * 0.08, bottom - (1 - w) * height * 0.16,
                                   width * w, height * h, lean * w), fill=colour)


def make_logo():
    """The product logo: a flame and the name, on a transparent background."""
    size = (172, 56)
    emblem = supersampled(size, 4, lambda d, s: paint_flame(d, 24 * s, 52 * s, 30 * s, 50 * s, 7 * s))

    text = Image.new("RGBA", size, (0, 0, 0, 0))
    fnt = font(30, bold=True)
    d = ImageDraw.Draw(text)
    d.text((46, 9), "Varnelle", font=fnt, fill=(255, 247, 232, 255))
    # A thin glowing rule under the name.
    rule = supersampled(size, 4, lambda dr, s: dr.rounded_rectangle(
        (47 * s, 44 * s, 166 * s, 46 * s), radius=s, fill=(255, 150, 40, 255)))

    # A soft dark halo keeps the name legible over bright flames.
    shapes = Image.alpha_composite(Image.alpha_composite(emblem, text), rule)
    halo_alpha = shapes.getchannel("A").filter(ImageFilter.MaxFilter(3)).filter(ImageFilter.GaussianBlur(2.2))
    halo = Image.new("RGBA", size, (20, 8, 0, 0))
    halo.putalpha(halo_alpha.point(lambda a: min(255, int(a * 0.75))))
    return Image.alpha_composite(halo, shapes)


def paint_picture_icon(draw, s, x, y):
    """A framed landscape photo with a round plus badge: 'add pictures'."""
    w, h = 70, 54
    draw.rounded_rectangle(((x + 3) * s, (y + 4) * s, (x + w + 3) * s, (y + h + 4) * s), radius=6 * s,
                           fill=(60, 90, 140, 50))
    draw.rounded_rectangle((x * s, y * s, (x + w) * s, (y + h) * s), radius=6 * s, fill=(255, 255, 255, 255),
                           outline=(120, 146, 190, 255), width=2 * s)
    ix0, iy0, ix1, iy1 = x + 6, y + 6, x + w - 6, y + h - 6
    draw.rectangle((ix0 * s, iy0 * s, ix1 * s, iy1 * s), fill=(170, 208, 245, 255))
    draw.ellipse(((ix1 - 16) * s, (iy0 + 5) * s, (ix1 - 6) * s, (iy0 + 15) * s), fill=(255, 214, 90, 255))
    draw.polygon([(ix0 * s, iy1 * s), ((ix0 + 18) * s, (iy0 + 16) * s), ((ix0 + 32) * s, iy1 * s)],
                 fill=(70, 140, 90, 255))
    draw.polygon([((ix0 + 20) * s, iy1 * s), ((ix0 + 38) * s, (iy0 + 22) * s), (ix1 * s, iy1 * s)],
                 fill=(46, 112, 72, 255))
    bx, by, r = x + w + 2, y + h - 2, 14
    draw.ellipse(((bx - r) * s, (by - r) * s, (bx + r) * s, (by + r) * s), fill=(40, 150, 80, 255),
                 outline=(255, 255, 255, 255), width=2 * s)
    draw.rounded_rectangle(((bx - 8) * s, (by - 2) * s, (bx + 8) * s, (by + 2) * s), radius=s,
                           fill=(255, 255, 255, 255))
    draw.rounded_rectangle(((bx - 2) * s, (by - 8) * s, (bx + 2) * s, (by + 8) * s), radius=s,
                           fill=(255, 255, 255, 255))


def paint_drop_frame(draw, s, box):
    """A dashed rounded frame: the place where files may be dropped."""
    x0, y0, x1, y1 = box
    colour = (150, 172, 210, 255)
    dash, gap = 9, 6
    r = 10
    # Straight dashed edges, solid rounded corners.
    for x in range(x0 + r, x1 - r, dash + gap):
        e = min(x + dash, x1 - r)
        draw.line((x * s, y0 * s, e * s, y0 * s), fill=colour, width=2 * s)
        draw.line((x * s, y1 * s, e * s, y1 * s), fill=colour, width=2 * s)
    for y in range(y0 + r, y1 - r, dash + gap):
        e = min(y + dash, y1 - r)
        draw.line((x0 * s, y * s, x0 * s, e * s), fill=colour, width=2 * s)
        draw.line((x1 * s, y * s, x1 * s, e * s), fill=colour, width=2 * s)
    for (cx, cy, start) in ((x0 + r, y0 + r, 180), (x1 - r, y0 + r, 270), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90)):
        draw.arc(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), start, start + 90, fill=colour,
                 width=2 * s)


def make_list_box_background(code):
    w, h = LIST_BOX_SIZE
    cjk = code == "jp"
    image = vertical_gradient((w, h), (250, 252, 255, 255), (228, 236, 248, 255))
    art = supersampled((w, h), 3, lambda d, s: (paint_drop_frame(d, s, (8, 8, w - 9, h - 9)),
                                                paint_picture_icon(d, s, w // 2 - 38, 24)))
    image = Image.alpha_composite(image, art)
    d = ImageDraw.Draw(image)
    title_font, title = fit_text(TEXTS[code][ADD_HINT], w - 48, [(1, range(19, 15, -1)), (2, range(17, 11, -1))],
                                 bold=True, cjk=cjk)
    y = draw_centered_lines(d, title, title_font, w / 2, 98, title_font.size + 6, (28, 52, 96, 255))
    body_font, body = fit_text(TEXTS[code][DROP_HINT], w - 72, [(2, range(15, 10, -1))], cjk=cjk)
    draw_centered_lines(d, body, body_font, w / 2, y + 8, body_font.size + 6, (70, 90, 124, 255))
    return image


def paint_warning(draw, s, cx, top, size):
    """An amber warning triangle with an exclamation mark."""
    h = size * math.sqrt(3) / 2
    pts = [(cx, top), (cx + size / 2, top + h), (cx - size / 2, top + h)]
    draw.polygon([(x * s, y * s) for x, y in pts], fill=(255, 176, 32, 255))
    # The outline starts mid-edge so that every corner gets a rounded joint.
    start = ((pts[1][0] + pts[2][0]) / 2, pts[1][1])
    outline = [start, pts[1], pts[0], pts[2], start]
    draw.line([(x * s, y * s) for x, y in outline], fill=(255, 176, 32, 255), width=int(5 * s), joint="curve")
    bar_w = size * 0.085
    draw.rounded_rectangle(((cx - bar_w) * s, (top + h * 0.32) * s, (cx + bar_w) * s, (top + h * 0.70) * s),
                           radius=bar_w * s, fill=(24, 16, 0, 255))
    dot = size * 0.075
    draw.ellipse(((cx - dot) * s, (top + h * 0.80 - dot) * s, (cx + dot) * s, (top + h * 0.80 + dot) * s),
                 fill=(24, 16, 0, 255))


def make_error_picture(code):
    w, h = ERROR_SIZE
    cjk = code == "jp"
    image = Image.new("RGBA", (w, h), (0, 0, 0, 255))
    d = ImageDraw.Draw(image)
    title_font, title = fit_text(TEXTS[code][NOT_SUPPORTED], w - 70, [(2, range(26, 15, -1))], bold=True,
                                 cjk=cjk)
    body_font, body = fit_text(TEXTS[code][UPDATE_DRIVER], w - 90, [(3, range(19, 12, -1))], cjk=cjk)
    title_step, body_step = title_font.size + 8, body_font.size + 8
    icon = 58
    content = icon + 22 + len(title) * title_step + 26 + len(body) * body_step
    top = (h - content) // 2
    art = supersampled((w, h), 3, lambda dr, s: paint_warning(dr, s, w / 2, top + 2, icon * 1.12))
    image = Image.alpha_composite(image, art)
    d = ImageDraw.Draw(image)
    y = draw_centered_lines(d, title, title_font, w / 2, top + icon + 22, title_step, (255, 255, 255, 255))
    rule_y = y + 10
    d.line((w / 2 - 120, rule_y, w / 2 + 120, rule_y), fill=(120, 82, 20, 255), width=1)
    draw_centered_lines(d, body, body_font, w / 2, rule_y + 16, body_step, (206, 206, 206, 255))
    return image.convert("RGB")


def generate(out_dir):
    make_logo().save(os.path.join(out_dir, "logo.png"), optimize=False)
    for code, stem in LANGUAGES:
        make_list_box_background(code).convert("RGB").save(os.path.join(out_dir, f"ListBox{stem}Fone.png"))
        make_error_picture(code).save(os.path.join(out_dir, f"{stem}ErrorFone.png"))
