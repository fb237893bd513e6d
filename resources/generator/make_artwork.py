#!/usr/bin/python3
# Remake the artwork with `/usr/bin/python3 resources/generator/make_artwork.py` (needs python3-pil); the outputs are committed, the build never runs this.
"""Draws the window background and the application icon.

Everything is drawn with Pillow only (no numpy, no SVG renderer needed), from a
fixed random seed, so running it again gives the same files.  The icon's SVG
and its PNG renderings come from the same list of polygons.
"""

import math
import os
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)  # resources/

W, H = 800, 600
NAVY = (3, 0, 67)  # the window colour around the picture

# Where the program puts its own widgets over the picture (client-area pixels).
LABEL_BOX = (72, 8, 612, 35)        # yellow title label
TOOLBAR_BOX = (8, 64, 593, 97)      # row of buttons
EDIT_BOX = (104, 104, 529, 433)     # light green editing area
FRAME_BOX = (96, 98, 537, 440)      # our frame around the editing area
COLUMN_RIGHT = 95                   # section column lives in x 0..95

SECTIONS = ["Úvodník", "Zprávy", "Recenze", "Rozhovor",
            "Povídky", "Hry", "Internet", "Dopisy"]

FONT_DIRS = ["/usr/share/fonts/truetype/dejavu",
             "/usr/share/fonts/truetype/liberation2",
             "/usr/share/fonts/truetype/liberation"]


def font(name, size):
    for d in FONT_DIRS:
        p = os.path.join(d, name)
        if os.path.exists(p):
            # basic layout: same glyph placement whether or not libraqm is present
            return ImageFont.truetype(p, size, layout_engine=ImageFont.Layout.BASIC)
    raise SystemExit("font not found: " + name)


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------------------
# Compositing helpers
# ---------------------------------------------------------------------------

def screen_layer(base, draw_fn, blur=0):
    """Draws light on a black layer and screens it over the base (light only adds)."""
    layer = Image.new("RGB", base.size, (0, 0, 0))
    draw_fn(ImageDraw.Draw(layer), layer)
    if blur:
        layer = layer.filter(ImageFilter.GaussianBlur(blur))
    return ImageChops.screen(base, layer)


def over_layer(base, draw_fn, blur=0):
    """Draws on a transparent layer and lays it over the base."""
    layer = Image.new("RGBA", base.size, (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(layer), layer)
    if blur:
        layer = layer.filter(ImageFilter.GaussianBlur(blur))
    out = base.convert("RGBA")
    out.alpha_composite(layer)
    return out.convert("RGB")


def glow(base, cx, cy, r, color, blur=None):
    """Soft round glow: a disc blurred into a Gaussian spot, screened on."""
    def d(dr, _):
        dr.ellipse((cx - r, cy - r, cx + r, cy + r), fill=color)
    return screen_layer(base, d, blur if blur is not None else r * 0.9)


def vertical_gradient(w, h, stops):
    """stops: list of (position 0..1, rgb(a)) pairs."""
    img = Image.new("RGBA", (1, h))
    for y in range(h):
        t = y / max(1, h - 1)
        for i in range(len(stops) - 1):
            p0, c0 = stops[i]
            p1, c1 = stops[i + 1]
            if p0 <= t <= p1:
                c = mix(c0, c1, (t - p0) / max(1e-9, p1 - p0))
                break
        else:
            c = stops[-1][1]
        if len(c) == 3:
            c = c + (255,)
        img.putpixel((0, y), c)
    return img.resize((w, h))


def rounded_mask(w, h, radius, scale=4):
    m = Image.new("L", (w * scale, h * scale), 0)
    ImageDraw.Draw(m).rounded_rectangle((0, 0, w * scale - 1, h * scale - 1),
                                        radius=radius * scale, fill=255)
    return m.resize((w, h), Image.LANCZOS)


# ---------------------------------------------------------------------------
# Background pieces
# ---------------------------------------------------------------------------

def base_gradient():
    """Deep navy at the edges, brighter blue pools of light inside."""
    sw, sh = 200, 150
    small = Image.new("RGB", (sw, sh))
    pools = [  # centre x, y, radius, strength (full-size pixels)
        (660, 250, 380, 0.85),
        (300, 300, 330, 0.55),
        (180, 560, 300, 0.55),
        (560, 560, 260, 0.45),
    ]
    dark = (4, 4, 62)
    mid = (16, 52, 148)
    light = (48, 120, 215)
    px = []
    for j in range(sh):
        for i in range(sw):
            x = (i + 0.5) * W / sw
            y = (j + 0.5) * H / sh
            keep = 1.0
            for cx, cy, r, s in pools:
                d2 = ((x - cx) ** 2 + (y - cy) ** 2) / (r * r)
                keep *= 1.0 - s * math.exp(-d2 * 1.6)
            t = 1.0 - keep
            c = mix(dark, mid, clamp(t * 1.25)) if t < 0.8 else mix(mid, light, (t - 0.8) / 0.2)
            # a little violet towards the bottom left, cyan towards the top right
            v = clamp((y / H) * (1 - x / W))
            c = (c[0] + int(14 * v), c[1], c[2] + int(8 * v))
            px.append(c)
    small.putdata(px)
    return small.resize((W, H), Image.BICUBIC)


def light_beams(img):
    """Wide, faint shafts of light falling from the top right."""
    def d(dr, _):
        ox, oy = 760, -40
        for ang, spread, val in [(118, 5, 26), (131, 3.5, 20), (143, 6, 22), (158, 3, 16), (104, 2.5, 14)]:
            a0 = math.radians(ang - spread)
            a1 = math.radians(ang + spread)
            far = 1200
            dr.polygon([(ox, oy),
                        (ox + far * math.cos(a0), oy + far * math.sin(a0)),
                        (ox + far * math.cos(a1), oy + far * math.sin(a1))],
                       fill=(int(val * 0.6), int(val * 0.9), val))
    return screen_layer(img, d, blur=18)


def light_waves(img):
    """Thin glowing curves sweeping across the lower part, like streaks of light."""
    def curve_points(y0, amp, freq, phase, x0=-20, x1=W + 20):
        pts = []
        for x in range(x0, x1 + 1, 4):
            y = y0 + amp * math.sin(freq * x / W * 2 * math.pi + phase) + (x - 400) * 0.08
            pts.append((x, y))
        return pts

    waves = [
        (520, 28, 1.1, 0.3, (70, 140, 230), 2),
        (540, 22, 1.3, 1.4, (60, 110, 220), 1),
        (565, 30, 0.9, 2.4, (90, 160, 240), 1),
        (488, 18, 1.6, 4.0, (50, 100, 200), 1),
    ]
    for y0, amp, fr, ph, col, wdt in waves:
        pts = curve_points(y0, amp, fr, ph)
        img = screen_layer(img, lambda dr, _: dr.line(pts, fill=tuple(c // 2 for c in col), width=wdt + 6), blur=6)
        img = screen_layer(img, lambda dr, _: dr.line(pts, fill=col, width=wdt), blur=0.6)
    return img


def bubble_sprite(r, opacity):
    """A soap-bubble: almost clear body, brighter iridescent rim, specular highlights."""
    s = int(math.ceil(2 * r + 4))
    c = s / 2.0
    cyan = (150, 220, 255)
    violet = (200, 170, 255)
    px = []
    for y in range(s):
        for x in range(s):
            dx = x + 0.5 - c
            dy = y + 0.5 - c
            dd = math.hypot(dx, dy)
            d = dd / r
            edge = clamp(r - dd + 0.5)
            if edge <= 0:
                px.append((0, 0, 0, 0))
                continue
            body = 0.07 + 0.16 * d ** 2 + 0.62 * d ** 10
            t = clamp(0.5 + 0.5 * (dx - dy) / (r * 1.2))
            col = mix(cyan, violet, t)
            px.append(col + (int(255 * clamp(body * edge * opacity)),))
    spr = Image.new("RGBA", (s, s))
    spr.putdata(px)

    hl = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    dr = ImageDraw.Draw(hl)
    # curved window reflection hugging the upper left rim, with a soft spot inside it
    inset = 0.14 * r
    dr.arc((c - r + inset, c - r + inset, c + r - inset, c + r - inset), 195, 265,
           fill=(255, 255, 255, int(200 * opacity)), width=max(1, int(0.12 * r)))
    hx, hy, hr = c - 0.40 * r, c - 0.42 * r, 0.16 * r
    dr.ellipse((hx - hr, hy - hr * 0.75, hx + hr, hy + hr * 0.75),
               fill=(255, 255, 255, int(110 * opacity)))
    # tiny secondary sparkle
    sx, sy, sr = c - 0.12 * r, c - 0.68 * r, max(1.0, 0.06 * r)
    dr.ellipse((sx - sr, sy - sr, sx + sr, sy + sr), fill=(255, 255, 255, int(200 * opacity)))
    # reflected crescent, bottom right
    w = max(1, int(0.07 * r))
    inset = 0.16 * r
    dr.arc((c - r + inset, c - r + inset, c + r - inset, c + r - inset), 15, 85,
           fill=(220, 245, 255, int(120 * opacity)), width=w)
    hl = hl.filter(ImageFilter.GaussianBlur(max(0.6, r * 0.06)))
    spr.alpha_composite(hl)
    return spr


def in_box(x, y, box, pad=0):
    return box[0] - pad <= x <= box[2] + pad and box[1] - pad <= y <= box[3] + pad


def bubbles(img, rng):
    """Bubbles float in the free areas: the right side, the bottom, a few faint ones elsewhere."""
    out = img.convert("RGBA")
    placed = []
    # hand-placed large ones give the composition its weight, random ones fill in
    fixed = [(680, 330, 62, 0.95), (598, 470, 38, 0.9), (742, 505, 30, 0.85),
             (640, 170, 24, 0.8), (455, 530, 34, 0.85), (250, 500, 22, 0.75),
             (760, 140, 16, 0.7)]
    for b in fixed:
        placed.append(b)
    tries = 0
    while len(placed) < 44 and tries < 5000:
        tries += 1
        r = rng.choice([3, 4, 5, 6, 7, 8, 9, 11, 13, 15, 18])
        x = rng.uniform(0, W)
        y = rng.uniform(45, H)
        if in_box(x, y, FRAME_BOX, r + 6):
            continue
        if y < 56 + r:                                  # keep the title banner clean
            continue
        if in_box(x, y, (0, 56, 600, 104), r):         # hidden behind the buttons anyway
            continue
        if x < COLUMN_RIGHT + r + 4 and r > 6:          # only small ones near the section titles
            continue
        if any(math.hypot(x - px, y - py) < r + pr + 6 for px, py, pr, _ in placed):
            continue
        op = rng.uniform(0.45, 0.85) * (0.55 if x < COLUMN_RIGHT + 10 else 1.0)
        placed.append((x, y, r, op))
    for x, y, r, op in placed:
        spr = bubble_sprite(r, op)
        out.alpha_composite(spr, (int(round(x - spr.width / 2)), int(round(y - spr.height / 2))))
    return out.convert("RGB")


def lens_flare(img):
    """A light glinting on the banner's lower rule, with its star, streak and a chain of ghosts."""
    sx, sy = 705, 50
    # broad warm-white halo and bright core
    img = glow(img, sx, sy, 110, (24, 50, 105), blur=60)
    img = glow(img, sx, sy, 40, (110, 150, 220), blur=26)
    img = glow(img, sx, sy, 9, (255, 255, 255), blur=5)
    img = glow(img, sx, sy, 3, (255, 255, 255), blur=1.2)

    def star(dr, _):
        for ang, length, val in [(90, 42, 170), (45, 34, 120), (135, 34, 120),
                                 (22, 26, 90), (112, 26, 90), (158, 26, 90), (68, 26, 90)]:
            a = math.radians(ang)
            dx, dy = math.cos(a) * length, math.sin(a) * length
            dr.line((sx - dx, sy - dy, sx + dx, sy + dy), fill=(val, val, 255), width=2)
    img = screen_layer(img, star, blur=1.6)

    # long horizontal streak running along the rule
    def streak(dr, layer):
        for x in range(W):
            t = 1 - abs(x - sx) / (420.0 if x < sx else 160.0)
            if t <= 0:
                continue
            v = int(230 * t ** 2.5)
            dr.point((x, sy), fill=(v // 2, v * 3 // 4, v))
            dr.point((x, sy - 1), fill=(v // 5, v // 4, v // 3))
            dr.point((x, sy + 1), fill=(v // 5, v // 4, v // 3))
    img = screen_layer(img, streak, blur=0.8)

    # ghosts along the line from the source through the picture's centre
    cx, cy = 400, 300
    vx, vy = cx - sx, cy - sy
    ghosts = [  # t along the axis, radius, colour, kind
        (0.24, 9, (60, 110, 60), "disc"),
        (0.36, 19, (22, 40, 72), "hex"),
        (0.44, 5, (130, 110, 60), "disc"),
        (0.56, 32, (34, 44, 95), "ring"),
        (1.62, 12, (46, 34, 80), "hex"),
        (1.72, 28, (26, 40, 80), "ring"),
        (1.87, 6, (40, 90, 100), "disc"),
    ]
    for t, r, col, kind in ghosts:
        gx, gy = sx + vx * t, sy + vy * t
        if kind == "disc":
            img = glow(img, gx, gy, r, col, blur=r * 0.35)
        elif kind == "hex":
            pts = [(gx + r * math.cos(math.radians(30 + 60 * k)),
                    gy + r * math.sin(math.radians(30 + 60 * k))) for k in range(6)]
            img = screen_layer(img, lambda dr, _: dr.polygon(pts, fill=col), blur=1.4)
            img = screen_layer(img, lambda dr, _: dr.line(pts + [pts[0]], fill=tuple(min(255, v + 20) for v in col), width=1), blur=0.8)
        else:  # ring: faint fill and a brighter rim
            img = screen_layer(img, lambda dr, _: dr.ellipse((gx - r, gy - r, gx + r, gy + r), fill=tuple(v // 2 for v in col)), blur=2)
            img = screen_layer(img, lambda dr, _: dr.ellipse((gx - r, gy - r, gx + r, gy + r), outline=col, width=3), blur=2)
    return img


def sparkles(img):
    """Small four-pointed glints scattered over the free areas."""
    spots = [(585, 120, 14), (790, 240, 10), (530, 580, 12), (430, 472, 9), (160, 590, 8),
             (715, 585, 11), (650, 420, 8)]
    for x, y, s in spots:
        def d(dr, _, x=x, y=y, s=s):
            dr.line((x - s, y, x + s, y), fill=(150, 190, 255), width=1)
            dr.line((x, y - s, x, y + s), fill=(150, 190, 255), width=1)
        img = screen_layer(img, d, blur=0.7)
        img = glow(img, x, y, 2.5, (220, 235, 255), blur=1.5)
    return img


def title_banner(img):
    """Dark band across the top, behind the program's yellow title, with a glowing lower edge."""
    band_h = 50
    band = vertical_gradient(W, band_h, [(0.0, (2, 2, 40, 235)), (0.55, (8, 16, 78, 215)),
                                         (1.0, (14, 34, 110, 200))])
    # fade the band out to the right so the light source shows through
    fade = Image.new("L", (W, 1))
    for x in range(W):
        fade.putpixel((x, 0), int(255 * (1 - 0.55 * smoothstep(630, 790, x))))
    fade = fade.resize((W, band_h))
    band.putalpha(ImageChops.multiply(band.getchannel("A"), fade))
    out = img.convert("RGBA")
    out.alpha_composite(band, (0, 0))
    img = out.convert("RGB")

    # glowing rule along the banner's lower edge, brightest towards the right
    def rule(dr, _):
        for x in range(W):
            t = 0.35 + 0.65 * smoothstep(0, 760, x)
            dr.point((x, band_h), fill=(int(70 * t), int(150 * t), int(255 * t)))
            dr.point((x, band_h + 1), fill=(int(30 * t), int(70 * t), int(150 * t)))
    img = screen_layer(img, rule, blur=0.5)
    img = screen_layer(img, lambda dr, _: dr.line((0, band_h, W, band_h), fill=(20, 50, 110), width=5), blur=4)
    # a faint thin rule at the very top
    img = screen_layer(img, lambda dr, _: dr.line((0, 2, W, 2), fill=(18, 40, 90), width=1), blur=0.5)
    return img


def emblem(img):
    """Small glossy sphere with an S at the top left, the magazine's badge."""
    cx, cy, r = 36, 25, 19
    img = glow(img, cx, cy, r + 6, (20, 60, 140), blur=8)
    scale = 4
    s = (2 * r + 2) * scale
    sph = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    px = []
    c = s / 2
    for y in range(s):
        for x in range(s):
            dx, dy = (x + 0.5 - c) / (r * scale), (y + 0.5 - c) / (r * scale)
            d = math.hypot(dx, dy)
            if d > 1:
                px.append((0, 0, 0, 0))
                continue
            # lit from the top left, deep blue at the rim
            lit = clamp(1 - math.hypot(dx + 0.35, dy + 0.45) * 0.8)
            col = mix((10, 30, 110), (90, 170, 255), lit)
            col = mix(col, (150, 220, 255), 0.5 * d ** 6)
            px.append(col + (255,))
    sph.putdata(px)
    hl = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    ImageDraw.Draw(hl).ellipse((c - 0.62 * r * scale, c - 0.88 * r * scale,
                                c + 0.42 * r * scale, c - 0.2 * r * scale),
                               fill=(255, 255, 255, 120))
    hl = hl.filter(ImageFilter.GaussianBlur(2.5 * scale))
    sph.alpha_composite(hl)
    f = font("DejaVuSerif-BoldItalic.ttf", int(26 * scale))
    td = ImageDraw.Draw(sph)
    td.text((c + 2 * scale, c + 2 * scale), "S", font=f, anchor="mm", fill=(0, 10, 50, 160))
    td.text((c, c), "S", font=f, anchor="mm", fill=(245, 250, 255, 255))
    sph = sph.resize((2 * r + 2, 2 * r + 2), Image.LANCZOS)
    out = img.convert("RGBA")
    out.alpha_composite(sph, (cx - r - 1, cy - r - 1))
    return out.convert("RGB")


def logo(img):
    """The magazine's name at the top right, clear of the program's title label."""
    f = font("DejaVuSerif-BoldItalic.ttf", 30)
    text = "Sklipek"
    x1 = W - 14
    baseline = 32
    # soft blue glow under the lettering
    img = screen_layer(img, lambda dr, _: dr.text((x1, baseline), text, font=f, anchor="rs",
                                                  fill=(40, 110, 230)), blur=6)
    # lettering with a vertical white-to-ice gradient
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).text((x1, baseline), text, font=f, anchor="rs", fill=255)
    shadow = mask.filter(ImageFilter.GaussianBlur(1.2))
    out = img.convert("RGBA")
    sh = Image.new("RGBA", (W, H), (0, 5, 30, 0))
    sh.putalpha(shadow.point(lambda v: int(v * 0.8)))
    out.alpha_composite(sh, (1, 2))
    grad = vertical_gradient(W, H, [(0.0, (255, 255, 255)), (0.045, (235, 245, 255)),
                                    (0.07, (150, 205, 255)), (1.0, (150, 205, 255))])
    grad.putalpha(mask)
    out.alpha_composite(grad)
    img = out.convert("RGB")
    # subtitle under the name
    f2 = font("DejaVuSans.ttf", 10)
    img = over_layer(img, lambda dr, _: dr.text((x1 - 2, baseline + 13), "elektronický časopis",
                                                font=f2, anchor="rs", fill=(0, 5, 35, 200)), blur=1.2)
    img = over_layer(img, lambda dr, _: dr.text((x1 - 3, baseline + 12), "elektronický časopis",
                                                font=f2, anchor="rs", fill=(190, 220, 255, 255)))
    return img


def toolbar_shelf(img):
    """A slightly darker shelf for the row of buttons, so the gaps between them look intended."""
    x0, y0, x1, y1 = 2, 58, 600, 101
    m = rounded_mask(x1 - x0, y1 - y0, 8)
    shelf = Image.new("RGBA", m.size, (2, 6, 45, 0))
    shelf.putalpha(m.point(lambda v: int(v * 0.55)))
    out = img.convert("RGBA")
    out.alpha_composite(shelf.filter(ImageFilter.GaussianBlur(2)), (x0, y0))
    return out.convert("RGB")


def section_column(img):
    """Column of the magazine's sections down the left edge."""
    top = 104
    # darker glassy strip with a light line on its right side
    strip = vertical_gradient(COLUMN_RIGHT + 1, H - top, [(0.0, (4, 10, 60, 150)), (1.0, (4, 6, 50, 190))])
    out = img.convert("RGBA")
    out.alpha_composite(strip, (0, top))
    img = out.convert("RGB")

    def edge(dr, _):
        for y in range(top, H):
            t = smoothstep(top, top + 60, y) * (1 - 0.6 * smoothstep(420, H, y))
            dr.point((COLUMN_RIGHT, y), fill=(int(60 * t), int(130 * t), int(230 * t)))
    img = screen_layer(img, edge, blur=0.6)
    img = screen_layer(img, lambda dr, _: dr.line((COLUMN_RIGHT, top + 40, COLUMN_RIGHT, H - 60), fill=(10, 30, 70), width=6), blur=5)

    f = font("DejaVuSansCondensed-Bold.ttf", 14)
    tab_x0, tab_x1, tab_h = 7, COLUMN_RIGHT - 7, 28
    y = 118
    step = 56
    for name in SECTIONS:
        w = tab_x1 - tab_x0
        m = rounded_mask(w, tab_h, 13)
        body = vertical_gradient(w, tab_h, [(0.0, (80, 150, 240, 200)), (0.5, (30, 80, 180, 200)),
                                            (0.52, (18, 56, 150, 210)), (1.0, (30, 90, 190, 215))])
        body.putalpha(ImageChops.multiply(body.getchannel("A"), m))
        # thin light rim
        rim = Image.new("RGBA", (w, tab_h), (170, 215, 255, 0))
        inner = rounded_mask(w - 2, tab_h - 2, 12)
        ring = m.copy()
        ring.paste(ImageChops.subtract(m.crop((1, 1, w - 1, tab_h - 1)), inner), (1, 1))
        rim.putalpha(ring.point(lambda v: int(v * 0.55)))
        # gloss on the upper half
        gloss = vertical_gradient(w, tab_h, [(0.0, (255, 255, 255, 70)), (0.48, (255, 255, 255, 18)),
                                             (0.5, (255, 255, 255, 0)), (1.0, (255, 255, 255, 0))])
        gloss.putalpha(ImageChops.multiply(gloss.getchannel("A"), inner.resize((w, tab_h))))
        # soft shadow under the tab
        img = over_layer(img, lambda dr, _: dr.rounded_rectangle((tab_x0 + 1, y + 3, tab_x1 + 1, y + tab_h + 3),
                                                                 radius=13, fill=(0, 0, 20, 150)), blur=3)
        out = img.convert("RGBA")
        out.alpha_composite(body, (tab_x0, y))
        out.alpha_composite(gloss, (tab_x0, y))
        out.alpha_composite(rim, (tab_x0, y))
        td = ImageDraw.Draw(out)
        cx = (tab_x0 + tab_x1) / 2
        cy = y + tab_h / 2 + 1
        td.text((cx + 1, cy + 1), name, font=f, anchor="mm", fill=(0, 8, 40, 200))
        td.text((cx, cy), name, font=f, anchor="mm", fill=(242, 248, 255, 255))
        img = out.convert("RGB")
        y += step
    return img


def text_frame(img):
    """Framed panel around the editing area: soft shadow and glow, bevelled blue rim."""
    x0, y0, x1, y1 = FRAME_BOX
    # shadow falling down and right
    img = over_layer(img, lambda dr, _: dr.rounded_rectangle((x0 + 3, y0 + 5, x1 + 6, y1 + 8), radius=6,
                                                             fill=(0, 0, 15, 190)), blur=7)
    # cool glow around it
    img = screen_layer(img, lambda dr, _: dr.rounded_rectangle((x0 - 1, y0 - 1, x1 + 1, y1 + 1), radius=6,
                                                               outline=(40, 110, 220), width=4), blur=7)
    ring_w = x1 - x0 + 1
    ring_h = y1 - y0 + 1
    m = rounded_mask(ring_w, ring_h, 5)
    metal = vertical_gradient(ring_w, ring_h, [(0.0, (190, 225, 255)), (0.08, (90, 150, 230)),
                                               (0.5, (40, 90, 190)), (0.92, (70, 130, 220)),
                                               (1.0, (150, 200, 255))])
    metal.putalpha(m)
    out = img.convert("RGBA")
    out.alpha_composite(metal, (x0, y0))
    dr = ImageDraw.Draw(out)
    dr.rounded_rectangle((x0, y0, x1, y1), radius=5, outline=(6, 14, 60, 255), width=1)
    # inner light line, then a dark well the editing area sits in
    ix0, iy0, ix1, iy1 = x0 + 4, y0 + 4, x1 - 4, y1 - 3
    dr.rectangle((ix0, iy0, ix1, iy1), outline=(205, 235, 255, 255), fill=(6, 16, 64, 255))
    dr.rectangle((ix0 + 1, iy0 + 1, ix1 - 1, iy1 - 1), outline=(2, 6, 36, 255))
    # corner studs
    for cx, cy in [(x0 + 2, y0 + 2), (x1 - 2, y0 + 2), (x0 + 2, y1 - 2), (x1 - 2, y1 - 2)]:
        dr.ellipse((cx - 1, cy - 1, cx + 1, cy + 1), fill=(235, 248, 255, 255))
    return out.convert("RGB")


def dither(img, rng, amount=3):
    """Fine deterministic grain so the gentle gradients do not band after JPEG."""
    noise = Image.frombytes("L", (W, H), bytes(128 + rng.randint(-amount, amount) for _ in range(W * H)))
    plus = noise.point(lambda v: max(0, v - 128))
    minus = noise.point(lambda v: max(0, 128 - v))
    img = ImageChops.add(img, Image.merge("RGB", (plus, plus, plus)))
    return ImageChops.subtract(img, Image.merge("RGB", (minus, minus, minus)))


def edge_blend(img, band=14):
    """Melt the outermost pixels into the window's navy so the picture has no hard border."""
    m = Image.new("L", (W, H), 0)
    dr = ImageDraw.Draw(m)
    for i in range(band):
        v = int(255 * (1 - (i + 0.5) / band) ** 2.2)
        dr.rectangle((i, i, W - 1 - i, H - 1 - i), outline=v)
    return Image.composite(Image.new("RGB", (W, H), NAVY), img, m)


def make_background(path):
    rng = random.Random(1998)
    img = base_gradient()
    img = light_beams(img)
    img = glow(img, 640, 300, 170, (22, 45, 95), blur=90)
    img = light_waves(img)
    img = bubbles(img, rng)
    img = sparkles(img)
    img = title_banner(img)
    img = lens_flare(img)
    img = emblem(img)
    img = logo(img)
    img = toolbar_shelf(img)
    img = section_column(img)
    img = text_frame(img)
    img = dither(img, rng)
    img = edge_blend(img)
    img.save(path, "JPEG", quality=90, dpi=(96, 96), progressive=False,
             optimize=True, subsampling=0)


# ---------------------------------------------------------------------------
# Icon: a sheet of paper with a folded corner and a serif capital A
# ---------------------------------------------------------------------------

# Drawing space is 256 x 256 units; the sheet's edges fall on whole pixels at 16, 32 and 48 px.
PAPER_L, PAPER_T, PAPER_R, PAPER_B = 32, 16, 224, 240
FOLD = 64  # size of the folded corner


def paper_outline(w):
    """The sheet's outline inset by w (w = 0 is the outer edge)."""
    k = w * (math.sqrt(2) - 1)
    f = PAPER_R - FOLD
    return [(PAPER_L + w, PAPER_T + w), (f - k, PAPER_T + w), (PAPER_R - w, PAPER_T + FOLD + k),
            (PAPER_R - w, PAPER_B - w), (PAPER_L + w, PAPER_B - w)]


def fold_outline(w):
    """The folded-over corner triangle inset by w."""
    f = PAPER_R - FOLD
    q = w * (1 + math.sqrt(2))
    return [(f + w, PAPER_T + q), (f + w, PAPER_T + FOLD - w), (PAPER_R - q, PAPER_T + FOLD - w)]


def letter_a(bold):
    """Serif capital A as a few overlapping polygons (their union is the glyph).

    bold > 0 thickens the hairlines and serifs for the smallest sizes, where the
    classic contrast would vanish into grey.
    """
    base = 204          # baseline
    top = 74            # apex
    thin = 11 + bold    # hairline (left stem) width along x
    thick = 27 + bold * 0.5
    serif_h = 8 + bold * 0.6
    # right (thick) stem: from the apex down to the right foot
    rs = [(118, top), (118 + thick - 6, top), (174 + thick / 2, base), (174 - thick / 2, base)]
    # left (hairline) stem
    ls = [(121, top + 6), (121 + thin * 0.6, top + 20), (86 + thin / 2, base), (86 - thin / 2, base)]
    # crossbar
    bar_t = 152
    cb = [(100, bar_t), (162, bar_t), (162, bar_t + 9 + bold * 0.5), (100, bar_t + 9 + bold * 0.5)]
    # flat apex with a small overhang to the left
    ap = [(108, top), (140 - 2, top), (132, top + 8), (112, top + 6)]
    # foot serifs with a little bracket
    lf = [(66, base - serif_h), (106, base - serif_h), (106, base), (66, base)]
    rf = [(148, base - serif_h), (202, base - serif_h), (202, base), (148, base)]
    lb = [(76, base - serif_h), (96, base - serif_h), (86 + thin / 2 + 2, base - serif_h - 9),
          (86 - thin / 2 - 1, base - serif_h - 9)]
    rb = [(156, base - serif_h), (194, base - serif_h), (174 + thick / 2 + 2, base - serif_h - 11),
          (174 - thick / 2 - 2, base - serif_h - 11)]
    shift_x = -4  # optical centring on the sheet
    return [[(x + shift_x, y) for x, y in poly] for poly in (rs, ls, cb, ap, lf, rf, lb, rb)]


INK = (16, 16, 16)
PAPER = (255, 255, 255)
EDGE = (88, 96, 112)
FOLD_FILL = (214, 220, 230)
SHADOW = (0, 0, 0)


def icon_parts(px_size):
    """What to draw for one pixel size: list of (polygon points, rgb, alpha), painted in order."""
    unit = 256.0 / px_size
    # outline one device pixel wide at small sizes, a little more when large
    w = max(unit, 3.0) if px_size < 128 else 3.0
    bold = 10 if px_size <= 16 else 7 if px_size <= 24 else 3 if px_size <= 32 else 0
    parts = []
    if px_size >= 48:
        # flat offset shadow: plain SVG renderers (Qt's among them) ignore blur filters
        parts.append(([(x + 6, y + 6) for x, y in paper_outline(0)], SHADOW, 0.10))
        parts.append(([(x + 3, y + 3) for x, y in paper_outline(0)], SHADOW, 0.14))
    parts.append((paper_outline(0), EDGE, 1.0))
    parts.append((paper_outline(w), PAPER, 1.0))
    parts.append((fold_outline(0), EDGE, 1.0))
    parts.append((fold_outline(w), FOLD_FILL, 1.0))
    for poly in letter_a(bold):
        parts.append((poly, INK, 1.0))
    return parts


def render_icon(px_size):
    ss = 16 if px_size <= 64 else 4
    big = px_size * ss
    k = big / 256.0
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    for poly, rgb, alpha in icon_parts(px_size):
        pts = [(x * k, y * k) for x, y in poly]
        layer = Image.new("RGBA", (big, big), (0, 0, 0, 0))
        ImageDraw.Draw(layer).polygon(pts, fill=rgb + (int(round(255 * alpha)),))
        img.alpha_composite(layer)
    return img.resize((px_size, px_size), Image.LANCZOS)


def svg_icon():
    def path(poly):
        return "M" + " L".join("%g,%g" % (round(x, 2), round(y, 2)) for x, y in poly) + " Z"

    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" version="1.1" width="256" height="256" viewBox="0 0 256 256">',
             '  <title>Borovka editor</title>']
    for poly, rgb, alpha in icon_parts(256):
        fill = "#%02x%02x%02x" % rgb
        opacity = ' fill-opacity="%g"' % alpha if alpha < 1 else ""
        lines.append('  <path d="%s" fill="%s"%s/>' % (path(poly), fill, opacity))
    lines.append('</svg>')
    return "\n".join(lines) + "\n"


def make_icons():
    with open(os.path.join(OUT, "icon.svg"), "w", encoding="utf-8") as f:
        f.write(svg_icon())
    for s in (16, 22, 24, 32, 48, 64, 128, 256):
        d = os.path.join(OUT, "icons", "hicolor", "%dx%d" % (s, s), "apps")
        os.makedirs(d, exist_ok=True)
        render_icon(s).save(os.path.join(d, "borovka-editor.png"), optimize=True)
    render_icon(32).save(os.path.join(OUT, "icon-32.png"), optimize=True)


if __name__ == "__main__":
    make_background(os.path.join(OUT, "background.jpg"))
    make_icons()
