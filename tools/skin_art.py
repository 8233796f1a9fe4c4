#!/usr/bin/env python3
"""Draws the skin pictures (skin/img/*.png) and the program icon (res/orvane.ico).

Every picture is drawn as vector shapes at eight times its size and reduced
with premultiplied alpha, so edges are smooth at the size the skins use. The
palette is the skins' own: the accent blues 02E1EF and 0FB4FF on the window
background 0C181E.

usage: skin_art.py    (from anywhere; writes into the repository)
"""
import io
import math
import pathlib
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

REPO = pathlib.Path(__file__).resolve().parent.parent
IMG = REPO / "skin" / "img"
ICON = REPO / "res" / "orvane.ico"

SS = 8  # supersampling factor

CYAN = (2, 225, 239)
BLUE = (15, 180, 255)
GLYPH = (168, 186, 195)      # icons inside the edit boxes
MENU_GLYPH = (214, 226, 232)  # icons of the account menu

ICON_SIZES = [16, 20, 24, 32, 40, 48, 60, 64, 72, 80, 96, 128, 256]


# ---------------------------------------------------------------- helpers

class Canvas:
    """An RGBA drawing surface SS times larger than the picture."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.w, self.h = width, height
        self.image = Image.new("RGBA", (width * SS, height * SS), fill)
        self.draw = ImageDraw.Draw(self.image)

    def pts(self, points):
        return [(x * SS, y * SS) for x, y in points]

    def box(self, x0, y0, x1, y1):
        return [x0 * SS, y0 * SS, x1 * SS, y1 * SS]

    def line(self, points, color, width, caps=True):
        self.draw.line(self.pts(points), fill=color, width=round(width * SS), joint="curve")
        if caps:
            r = width * SS / 2
            for x, y in self.pts(points):
                self.draw.ellipse([x - r, y - r, x + r, y + r], fill=color)

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        self.draw.ellipse(self.box(cx - r, cy - r, cx + r, cy + r), fill=fill, outline=outline,
                          width=round(width * SS) if outline else 0)

    def arc(self, cx, cy, r, start, end, color, width):
        self.draw.arc(self.box(cx - r, cy - r, cx + r, cy + r), start, end, fill=color, width=round(width * SS))

    def polygon(self, points, fill):
        self.draw.polygon(self.pts(points), fill=fill)

    def rounded(self, x0, y0, x1, y1, radius, fill=None, outline=None, width=1.0):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius * SS, fill=fill, outline=outline,
                                    width=round(width * SS) if outline else 0)

    def over(self, layer):
        self.image = Image.alpha_composite(self.image, layer)
        self.draw = ImageDraw.Draw(self.image)

    def result(self):
        small = self.image.convert("RGBa").resize((self.w, self.h), Image.LANCZOS)
        return small.convert("RGBA")


def mask_of(canvas_size, shape):
    """An L mask drawn by shape(ImageDraw) on a canvas of the given size."""
    mask = Image.new("L", canvas_size, 0)
    shape(ImageDraw.Draw(mask))
    return mask


def linear_gradient(size, top, bottom, horizontal=False):
    """A gradient image from `top` to `bottom` colours (RGBA tuples)."""
    w, h = size
    steps = w if horizontal else h
    strip = Image.new("RGBA", (steps, 1) if horizontal else (1, steps))
    for i in range(steps):
        t = i / max(1, steps - 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        strip.putpixel((i, 0) if horizontal else (0, i), c)
    return strip.resize(size, Image.BILINEAR)


def radial_glow(size, center, radius, color, strength):
    """A soft round glow of `color` fading out at `radius`."""
    w, h = size
    glow = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(glow)
    cx, cy = center
    rings = 64
    for i in range(rings, 0, -1):
        t = i / rings
        r = radius * t
        level = round(255 * strength * (1 - t) ** 2)
        d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=level)
    glow = glow.filter(ImageFilter.GaussianBlur(radius / 24))
    layer = Image.new("RGBA", (w, h), color + (0,))
    layer.putalpha(glow)
    return layer


def fill_shape(canvas, fill_image, shape):
    """Paints fill_image (canvas-sized RGBA) through the mask drawn by shape."""
    mask = mask_of(canvas.image.size, shape)
    layer = Image.new("RGBA", canvas.image.size, (0, 0, 0, 0))
    layer.paste(fill_image, (0, 0), mask)
    canvas.over(layer)


def star(cx, cy, r, rotation=-90.0):
    """The five points and five inner corners of a star, pointing at rotation."""
    points = []
    for i in range(10):
        radius = r if i % 2 == 0 else r * 0.382
        angle = math.radians(rotation + i * 36)
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


# ---------------------------------------------------------------- the mark

def draw_cube(canvas, cx, cy, r, gap):
    """The product mark: a box seen from above, three shaded faces."""
    c30 = math.cos(math.radians(30))
    top = (cx, cy - r)
    ur = (cx + r * c30, cy - r / 2)
    lr = (cx + r * c30, cy + r / 2)
    bottom = (cx, cy + r)
    ll = (cx - r * c30, cy + r / 2)
    ul = (cx - r * c30, cy - r / 2)
    center = (cx, cy)
    size = canvas.image.size
    faces = [
        ([top, ur, center, ul], (150, 250, 255, 255), (2, 225, 239, 255)),
        ([ul, center, bottom, ll], (15, 180, 255, 255), (12, 128, 226, 255)),
        ([center, ur, lr, bottom], (10, 112, 214, 255), (8, 64, 150, 255)),
    ]
    for points, c0, c1 in faces:
        ys = [p[1] for p in points]
        gradient = Image.new("RGBA", size, (0, 0, 0, 0))
        band = linear_gradient((size[0], max(1, round((max(ys) - min(ys)) * SS))), c0, c1)
        gradient.paste(band, (0, round(min(ys) * SS)))
        fill_shape(canvas, gradient, lambda d, p=points: d.polygon(canvas.pts(p), fill=255))
    if gap > 0:
        # Hairlines between the faces keep the three faces apart at small sizes.
        erase = Image.new("L", size, 0)
        d = ImageDraw.Draw(erase)
        w = max(1, round(gap * SS))
        for a, b in ((center, ul), (center, ur), (center, bottom)):
            d.line(canvas.pts([a, b]), fill=255, width=w)
        alpha = ImageChops.subtract(canvas.image.getchannel("A"), erase)
        canvas.image.putalpha(alpha)
        canvas.draw = ImageDraw.Draw(canvas.image)


def mark(size, tile):
    """The mark alone (tile False) or on the program's dark rounded tile."""
    c = Canvas(size, size)
    if tile:
        inset = size * 0.03
        radius = size * 0.22
        body = linear_gradient((size * SS, size * SS), (27, 52, 63, 255), (9, 19, 24, 255))
        fill_shape(c, body, lambda d: d.rounded_rectangle(
            c.box(inset, inset, size - inset, size - inset), radius * SS, fill=255))
        glow = radial_glow((size * SS, size * SS), (size * SS / 2, size * SS * 0.46), size * SS * 0.5, BLUE, 0.55)
        clip = mask_of(c.image.size, lambda d: d.rounded_rectangle(
            c.box(inset, inset, size - inset, size - inset), radius * SS, fill=255))
        glow.putalpha(ImageChops.multiply(glow.getchannel("A"), clip))
        c.over(glow)
        if size >= 32:
            c.rounded(inset, inset, size - inset, size - inset, radius,
                      outline=(90, 140, 160, 110), width=max(0.6, size / 96))
        draw_cube(c, size / 2, size / 2, size * 0.31, max(0.5, size / 40))
    else:
        draw_cube(c, size / 2, size / 2, size * 0.47, max(0.6, size / 26))
    return c.result()


# ---------------------------------------------------------------- pictures

def background():
    """img/bk.png: the main window, 390 x 480, opaque."""
    w, h = 390, 480
    base = linear_gradient((w, h), (16, 33, 41, 255), (10, 20, 25, 255))
    base = Image.alpha_composite(base, radial_glow((w, h), (330, -30), 360, BLUE, 0.22))
    base = Image.alpha_composite(base, radial_glow((w, h), (-40, 520), 330, CYAN, 0.10))
    # A faint contour pattern in the top right corner, like a map of hills.
    lines = Image.new("RGBA", (w * 4, h * 4), (0, 0, 0, 0))
    d = ImageDraw.Draw(lines)
    for i in range(9):
        r = (70 + i * 34) * 4
        cx, cy = 400 * 4, -20 * 4
        alpha = max(0, 26 - i * 3)
        d.ellipse([cx - r * 1.25, cy - r, cx + r * 1.25, cy + r], outline=(120, 210, 240, alpha), width=4)
    lines = lines.convert("RGBa").resize((w, h), Image.LANCZOS).convert("RGBA")
    base = Image.alpha_composite(base, lines)
    return base.convert("RGB").convert("RGBA")


def close_icon():
    c = Canvas(24, 24)
    c.line([(7.5, 7.5), (16.5, 16.5)], MENU_GLYPH + (255,), 1.7)
    c.line([(16.5, 7.5), (7.5, 16.5)], MENU_GLYPH + (255,), 1.7)
    return c.result()


def min_icon():
    c = Canvas(20, 20)
    c.line([(5.5, 10), (14.5, 10)], MENU_GLYPH + (255,), 1.7)
    return c.result()


def head_icon():
    """img/head.png: the account button, a round portrait."""
    c = Canvas(24, 24)
    disc = linear_gradient((24 * SS, 24 * SS), (36, 200, 250, 255), (10, 96, 200, 255))
    fill_shape(c, disc, lambda d: d.ellipse(c.box(1, 1, 23, 23), fill=255))
    person = Image.new("RGBA", c.image.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(person)
    d.ellipse(c.box(8.2, 5.2, 15.8, 12.8), fill=(255, 255, 255, 245))
    d.ellipse(c.box(4.5, 14.2, 19.5, 27), fill=(255, 255, 255, 245))
    clip = mask_of(c.image.size, lambda m: m.ellipse(c.box(1, 1, 23, 23), fill=255))
    person.putalpha(ImageChops.multiply(person.getchannel("A"), clip))
    c.over(person)
    c.circle(12, 12, 11.2, outline=(210, 240, 255, 150), width=0.8)
    return c.result()


def user_glyph(size, color):
    """A person outline: head and shoulders."""
    c = Canvas(size, size)
    k = size / 18
    c.circle(9 * k, 6.2 * k, 3.3 * k, outline=color, width=1.5 * k)
    c.arc(9 * k, 17.3 * k, 6.6 * k, 180, 360, color, 1.5 * k)
    c.line([(2.4 * k, 17.2 * k), (15.6 * k, 17.2 * k)], color, 1.5 * k)
    return c.result()


def lock_glyph():
    """img/pwd.png: a padlock."""
    c = Canvas(18, 18)
    color = GLYPH + (255,)
    c.arc(9, 7.2, 3.6, 180, 360, color, 1.5)
    c.line([(5.4, 7.2), (5.4, 8.6)], color, 1.5, caps=False)
    c.line([(12.6, 7.2), (12.6, 8.6)], color, 1.5, caps=False)
    c.rounded(3.2, 8.2, 14.8, 16.4, 1.8, outline=color, width=1.5)
    c.circle(9, 11.6, 1.2, fill=color)
    c.line([(9, 12), (9, 13.8)], color, 1.2)
    return c.result()


def china_flag():
    """img/flag.png: the flag beside "+86", 26 x 18."""
    w, h = 26, 18
    c = Canvas(w, h)
    c.rounded(0.5, 0.5, w - 0.5, h - 0.5, 2, fill=(222, 41, 16, 255))
    unit = (h - 1) / 20
    ox, oy = 0.5, 0.5
    yellow = (255, 222, 0, 255)
    c.polygon(star(ox + 5 * unit, oy + 5 * unit, 3 * unit), yellow)
    for sx, sy in ((10, 2), (12, 4), (12, 7), (10, 9)):
        toward = math.degrees(math.atan2(5 - sy, 5 - sx))
        c.polygon(star(ox + sx * unit, oy + sy * unit, 1.05 * unit, toward), yellow)
    shade = Image.new("RGBA", c.image.size, (0, 0, 0, 0))
    ImageDraw.Draw(shade).rounded_rectangle(c.box(0.5, 0.5, w - 0.5, h - 0.5), 2 * SS,
                                            outline=(0, 0, 0, 60), width=SS)
    c.over(shade)
    return c.result()


def game_picture():
    """img/game.png: the game's emblem, 80 x 80, opaque."""
    n = 80
    c = Canvas(n, n, (20, 5, 8, 255))
    c.over(radial_glow(c.image.size, (n * SS / 2, n * SS * 0.42), n * SS * 0.75, (150, 24, 24), 0.95))
    c.over(radial_glow(c.image.size, (n * SS / 2, n * SS * 0.40), n * SS * 0.38, (255, 120, 40), 0.35))
    gold_hi, gold_lo = (255, 236, 160, 255), (176, 118, 36, 255)
    gold = linear_gradient(c.image.size, gold_hi, gold_lo)
    # Ring.
    fill_shape(c, gold, lambda d: (d.ellipse(c.box(9, 9, 71, 71), fill=255),
                                   d.ellipse(c.box(12.2, 12.2, 67.8, 67.8), fill=0)))
    # Sword behind the letter.
    steel = linear_gradient(c.image.size, (240, 244, 250, 255), (120, 130, 145, 255), horizontal=True)
    fill_shape(c, steel, lambda d: d.polygon(c.pts([(40, 6), (42.6, 14), (42.6, 58), (37.4, 58), (37.4, 14)]),
                                             fill=255))
    fill_shape(c, gold, lambda d: (d.rounded_rectangle(c.box(29, 57, 51, 61), 1.5 * SS, fill=255),
                                   d.rectangle(c.box(38.4, 61, 41.6, 70), fill=255),
                                   d.ellipse(c.box(37.2, 69, 42.8, 74.6), fill=255)))
    # The letter M, heavy serif shapes with a dark outline.
    m = [(19, 58), (19, 55), (22, 54), (22, 30), (19, 28), (19, 25), (31, 25), (40, 44), (49, 25), (61, 25),
         (61, 28), (58, 30), (58, 54), (61, 55), (61, 58), (46, 58), (46, 55), (49, 54), (49, 38), (40, 56),
         (31, 38), (31, 54), (34, 55), (34, 58)]
    outline = Image.new("RGBA", c.image.size, (0, 0, 0, 0))
    ImageDraw.Draw(outline).polygon(c.pts(m), fill=(40, 8, 6, 255))
    outline = outline.filter(ImageFilter.MaxFilter(2 * SS + 1))
    c.over(outline)
    fill_shape(c, gold, lambda d: d.polygon(c.pts(m), fill=255))
    # Embers.
    for x, y, r in ((16, 18, 0.9), (63, 15, 0.7), (68, 62, 1.0), (12, 64, 0.7), (58, 70, 0.6), (24, 70, 0.5)):
        c.over(radial_glow(c.image.size, (x * SS, y * SS), r * 6 * SS, (255, 170, 70), 0.9))
    return c.result().convert("RGB").convert("RGBA")


def menu_background():
    """img/menubk.png: the account menu, 110 x 185, with a pointer at the top
    towards the account button and transparent rounded corners."""
    w, h, arrow = 110, 185, 7
    tip_x = 28
    c = Canvas(w, h)
    shape = [(tip_x - arrow, arrow), (tip_x, 0.6), (tip_x + arrow, arrow)]
    fill = linear_gradient(c.image.size, (30, 52, 62, 250), (19, 35, 43, 250))
    fill_shape(c, fill, lambda d: (d.rounded_rectangle(c.box(0.5, arrow, w - 0.5, h - 0.5), 6 * SS, fill=255),
                                   d.polygon(c.pts(shape), fill=255)))
    edge = (77, 104, 116, 255)
    frame = Image.new("RGBA", c.image.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(frame)
    d.rounded_rectangle(c.box(0.5, arrow, w - 0.5, h - 0.5), 6 * SS, outline=edge, width=SS)
    d.line(c.pts([shape[0], shape[1], shape[2]]), fill=edge, width=SS, joint="curve")
    # Open the frame where the pointer joins the panel.
    d.line(c.pts([(tip_x - arrow + 1.2, arrow + 0.5), (tip_x + arrow - 1.2, arrow + 0.5)]),
           fill=(0, 0, 0, 0), width=SS * 2)
    c.over(frame)
    inner = Image.new("RGBA", c.image.size, (0, 0, 0, 0))
    ImageDraw.Draw(inner).line(c.pts([(8, arrow + 1.5), (w - 8, arrow + 1.5)]), fill=(255, 255, 255, 22), width=SS)
    c.over(inner)
    return c.result()


def globe_icon():
    c = Canvas(20, 20)
    line, accent = MENU_GLYPH + (255,), BLUE + (255,)
    c.circle(10, 10, 7.4, outline=line, width=1.4)
    c.draw.ellipse(c.box(6.6, 2.6, 13.4, 17.4), outline=accent, width=round(1.2 * SS))
    c.line([(3, 10), (17, 10)], accent, 1.2)
    c.line([(4.2, 6.3), (15.8, 6.3)], accent, 1.0)
    c.line([(4.2, 13.7), (15.8, 13.7)], accent, 1.0)
    return c.result()


def group_icon():
    c = Canvas(20, 20)
    line, accent = MENU_GLYPH + (255,), BLUE + (255,)
    c.circle(13.2, 6.6, 2.5, outline=accent, width=1.3)
    c.arc(13.2, 15.6, 5.0, 200, 340, accent, 1.3)
    c.circle(7.6, 7.6, 2.9, outline=line, width=1.4)
    c.arc(7.6, 17.4, 5.8, 180, 360, line, 1.4)
    c.line([(1.8, 17.4), (13.4, 17.4)], line, 1.4)
    return c.result()


def help_icon():
    c = Canvas(20, 20)
    line, accent = MENU_GLYPH + (255,), BLUE + (255,)
    c.circle(10, 10, 7.4, outline=line, width=1.4)
    c.arc(10, 7.9, 2.7, 190, 400, accent, 1.5)
    c.line([(11.9, 9.85), (10, 11.0), (10, 12.0)], accent, 1.5)
    c.circle(10, 14.6, 1.0, fill=accent)
    return c.result()


def signout_icon():
    c = Canvas(20, 20)
    line, accent = MENU_GLYPH + (255,), BLUE + (255,)
    c.line([(11, 5), (11, 3.6), (3.6, 3.6), (3.6, 16.4), (11, 16.4), (11, 15)], line, 1.4)
    c.line([(7.5, 10), (17, 10)], accent, 1.5)
    c.line([(13.8, 6.8), (17, 10), (13.8, 13.2)], accent, 1.5)
    return c.result()


def download_icon():
    """img/zy.png: the resources mark, an arrow into a tray."""
    c = Canvas(20, 20)
    line, accent = MENU_GLYPH + (255,), BLUE + (255,)
    c.line([(10, 2.8), (10, 12)], accent, 1.6)
    c.line([(6.2, 8.6), (10, 12.4), (13.8, 8.6)], accent, 1.6)
    c.line([(3.4, 12.6), (3.4, 16.4), (16.6, 16.4), (16.6, 12.6)], line, 1.4)
    return c.result()


PICTURES = {
    "bk.png": background,
    "close.png": close_icon,
    "min.png": min_icon,
    "head.png": head_icon,
    "ico.png": lambda: user_glyph(18, GLYPH + (255,)),
    "flag.png": china_flag,
    "pwd.png": lock_glyph,
    "orv.png": lambda: mark(26, tile=False),
    "zy.png": download_icon,
    "game.png": game_picture,
    "menubk.png": menu_background,
    "ico_website.png": globe_icon,
    "ico_qq.png": group_icon,
    "ico_help.png": help_icon,
    "ico_signout.png": signout_icon,
}


# ---------------------------------------------------------------- icon file

def icon_entry(image):
    """One image of the .ico: a 32-bit DIB with its mask, or PNG at 256."""
    size = image.width
    if size >= 256:
        out = io.BytesIO()
        image.save(out, "PNG", optimize=True)
        return out.getvalue()
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b, a = image.getpixel((x, y))
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            if image.getpixel((x, y))[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + b"".join(rows) + bytes(mask)


def write_icon(path):
    images = [mark(size, tile=True) for size in ICON_SIZES]
    entries = [icon_entry(image) for image in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for image, data in zip(images, entries):
        dim = image.width if image.width < 256 else 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(bytes(out))


def main(argv):
    if argv:
        sys.exit(__doc__)
    IMG.mkdir(parents=True, exist_ok=True)
    for name, draw in PICTURES.items():
        draw().save(IMG / name, "PNG", optimize=True)
    write_icon(ICON)


if __name__ == "__main__":
    main(sys.argv[1:])
