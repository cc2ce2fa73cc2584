#!/usr/bin/python3
"""Builds the shared art of the game from content/art into data/, and the contact sheet.

Usage: /usr/bin/python3 content/art/build.py <repository root>

SVG templates (content/art/svg) are filled with the palette and rasterised by rsvg-convert; states,
frames, atlases and the logo are composed with Pillow. Every output is written only from these sources,
without time stamps or other metadata, so a second run writes the same bytes.
"""

import math
import os
import re
import string
import subprocess
import sys
from io import BytesIO

from PIL import Image, ImageDraw, ImageEnhance, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from palette import PALETTE, mix, rgb  # noqa: E402

SVG = os.path.join(HERE, "svg")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
SS = 4  # supersampling factor for small pictures

# ---------------------------------------------------------------------------------------------------------
# Ball set. Row order in the atlas, file-name stem, emblem, body colour, what the kind stands for.
BALLS = [
    ("Coin", "coin", "gold", "money"),
    ("Gem", "gem", "sapphire", "money"),
    ("Apple", "apple", "cherry", "food"),
    ("Bread", "bread", "crust", "food"),
    ("Helmet", "helmet", "teal", "staff"),
    ("Person", "person", "rose", "staff"),
    ("Star", "star", "plum", "plain"),
    ("Leaf", "leaf", "leaf", "plain"),
    ("Multi", "sparkle", "cream", "multiball"),
    ("Crown", "crown", "navy", "finisher"),
]
FRAME = 48                       # one frame of the ball atlas, in texture pixels
COL_NORMAL, COL_SELECTED, COL_OVER = 0, 1, 2
COL_HINT = 3                     # three frames of the hint pulse
HINT_FRAMES = 3
COL_EXPLODE = 6                  # eight frames of the explosion
EXPLODE_FRAMES = 8
COL_EXTRA = 14                   # locks, boxes, marks and the chain arrow live from this column on
ATLAS_SIZE = (1024, 512)


def fail(msg):
    sys.stderr.write("build.py: %s\n" % msg)
    sys.exit(1)


# ---------------------------------------------------------------------------------------------------------
# Rasterising

def fill_template(text, extra=None):
    values = dict(PALETTE)
    if extra:
        values.update(extra)
    try:
        return string.Template(text).substitute(values)
    except KeyError as e:
        fail("template names an unknown colour or value %s" % e)


def read(name):
    with open(os.path.join(SVG, name), encoding="utf-8") as f:
        return f.read()


def rasterise(svg_text, w, h):
    """RGBA image of an SVG document at w x h pixels."""
    try:
        out = subprocess.run(["rsvg-convert", "-w", str(w), "-h", str(h), "-f", "png"],
                             input=svg_text.encode("utf-8"), capture_output=True, check=True).stdout
    except FileNotFoundError:
        fail("rsvg-convert is missing (install librsvg2-bin)")
    except subprocess.CalledProcessError as e:
        fail("rsvg-convert failed: %s" % e.stderr.decode("utf-8", "replace"))
    img = Image.open(BytesIO(out))
    img.load()
    return img.convert("RGBA")


def downsample(img, w, h):
    """Premultiplied resize, so transparent edges keep their colour."""
    return img.convert("RGBa").resize((w, h), Image.Resampling.LANCZOS).convert("RGBA")


def render_svg(name, w, h, extra=None, ss=SS):
    big = rasterise(fill_template(read(name), extra), w * ss, h * ss)
    return big if ss == 1 else downsample(big, w, h)


def inner_svg(text):
    """The children of the root <svg> element of a document (comments before it dropped)."""
    m = re.search(r"<svg\b[^>]*>(.*)</svg>", text, re.S)
    if not m:
        fail("no <svg> root in emblem")
    return m.group(1)


def save_png(img, path):
    """Writes a PNG without metadata; opaque pure black is nudged off the colour key."""
    img = img.convert("RGBA")
    px = img.load()
    w, h = img.size
    for y in range(h):
        for x in range(w):
            if px[x, y] == (0, 0, 0, 255):
                px[x, y] = (1, 1, 1, 255)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, "PNG", optimize=False, compress_level=9)


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


# ---------------------------------------------------------------------------------------------------------
# Balls

def ball_colours(base):
    return {
        "base": PALETTE.get(base, base),
        "light": mix(base, "#ffffff", 0.5),
        "dark": mix(base, "ink", 0.45),
    }


def render_ball(emblem, base, size):
    """The ball at SS times `size` pixels (callers downsample it)."""
    c = ball_colours(base)
    c["core"] = mix("plum", "ink", 0.45)  # the multiball's dark centre
    line = mix(base, "ink", 0.62)
    fill = "#fff6e3" if base != "cream" else "#ffffff"
    shade = mix(fill, base, 0.4) if base != "cream" else mix("honey", "cream", 0.35)
    etext = inner_svg(read(os.path.join("emblems", emblem + ".svg")))
    emb = string.Template(etext).substitute(fill=fill, shade=shade, line=line)
    emb_shadow = string.Template(etext).substitute(fill=c["dark"], shade=c["dark"], line=c["dark"])
    body_file = "multiball-body.svg" if emblem == "sparkle" else "ball-body.svg"
    body = fill_template(read(body_file), c)
    doc = fill_template(read("ball.svg"), dict(c, body=body, emblem=emb, emblem_shadow=emb_shadow))
    big = rasterise(doc, size * SS, size * SS)
    return big


def brighten(img, factor, sat=1.0):
    a = img.getchannel("A")
    rgbimg = img.convert("RGB")
    rgbimg = ImageEnhance.Brightness(rgbimg).enhance(factor)
    if sat != 1.0:
        rgbimg = ImageEnhance.Color(rgbimg).enhance(sat)
    out = rgbimg.convert("RGBA")
    out.putalpha(a)
    return out


def ring(size, radius, width, colour, alpha=255):
    """An antialiased ring centred in a square of `size` (given in big pixels)."""
    layer = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    c = size / 2
    d.ellipse((c - radius, c - radius, c + radius, c + radius), outline=rgb(colour) + (alpha,), width=width)
    return layer


def disc(size, radius, colour, alpha=255):
    layer = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    c = size / 2
    ImageDraw.Draw(layer).ellipse((c - radius, c - radius, c + radius, c + radius), fill=rgb(colour) + (alpha,))
    return layer


def scale_about_centre(img, s, dx=0.0, dy=0.0, angle=0.0):
    """img scaled by s about its centre, turned by angle degrees and moved by (dx, dy)."""
    w, h = img.size
    out = img.rotate(angle, resample=Image.Resampling.BICUBIC, center=(w / 2, h / 2)) if angle else img
    sw, sh = max(1, round(w * s)), max(1, round(h * s))
    small = out.convert("RGBa").resize((sw, sh), Image.Resampling.BICUBIC).convert("RGBA")
    canvas = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    canvas.alpha_composite(small, (round((w - sw) / 2 + dx), round((h - sh) / 2 + dy)))
    return canvas


def fade(img, alpha):
    a = img.getchannel("A").point(lambda v: round(v * alpha))
    out = img.copy()
    out.putalpha(a)
    return out


def sparkle(draw, cx, cy, r, colour, alpha):
    """A four-pointed sparkle."""
    k = r * 0.28
    pts = [(cx, cy - r), (cx + k, cy - k), (cx + r, cy), (cx + k, cy + k),
           (cx, cy + r), (cx - k, cy + k), (cx - r, cy), (cx - k, cy - k)]
    draw.polygon(pts, fill=rgb(colour) + (alpha,))


def ball_states(big):
    """Every frame of one ball, at FRAME pixels: [normal, selected, over, hint x3, explode x8]."""
    n = big.size[0]
    frames = []
    frames.append(big)
    # selected: brighter, with a gold rim
    sel = brighten(big, 1.14, 1.08)
    sel.alpha_composite(ring(n, n * 0.455, round(n * 0.05), "walnut"))
    sel.alpha_composite(ring(n, n * 0.45, round(n * 0.03), "honey"))
    frames.append(sel)
    # mouse over: a little lighter
    frames.append(brighten(big, 1.08, 1.04))
    # hint pulse: the ball brightens and a cream ring with a warm glow swells over its rim
    for i in range(HINT_FRAMES):
        t = (i + 1) / HINT_FRAMES
        f = brighten(big, 1.0 + 0.14 * t, 1.0 + 0.08 * t)
        f.alpha_composite(ring(n, n * 0.445, round(n * (0.03 + 0.025 * t)), "honey", round(255 * (0.5 + 0.5 * t))))
        f.alpha_composite(ring(n, n * 0.445, round(n * (0.012 + 0.012 * t)), "cream", round(255 * t)))
        frames.append(f)
    # explosion: a flash, then six shards flying apart with sparkles, fading out
    f0 = scale_about_centre(brighten(big, 1.25, 1.1), 1.03)
    frames.append(f0)
    flash = scale_about_centre(brighten(big, 1.45, 1.15), 1.06)
    burst = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    sparkle(ImageDraw.Draw(burst), n / 2, n / 2, n * 0.34, "cream", 235)
    flash.alpha_composite(burst.filter(ImageFilter.GaussianBlur(n * 0.01)))
    frames.append(flash)
    shards = 6
    offsets = [1.5, 3.0, 4.5, 6.0, 7.5, 9.0]
    scales = [0.95, 0.88, 0.80, 0.72, 0.64, 0.56]
    alphas = [1.0, 0.92, 0.78, 0.6, 0.4, 0.2]
    unit = n / FRAME
    for k in range(EXPLODE_FRAMES - 2):
        f = Image.new("RGBA", (n, n), (0, 0, 0, 0))
        for s in range(shards):
            a0 = -90 + 15 + s * 360 / shards
            a1 = a0 + 360 / shards
            mask = Image.new("L", (n, n), 0)
            ImageDraw.Draw(mask).pieslice((0, 0, n - 1, n - 1), a0, a1, fill=255)
            piece = Image.new("RGBA", (n, n), (0, 0, 0, 0))
            piece.paste(big, (0, 0), mask)
            mid = math.radians((a0 + a1) / 2)
            d = offsets[k] * unit
            turn = (8 + 6 * k) * (1 if s % 2 else -1)
            piece = scale_about_centre(piece, scales[k], math.cos(mid) * d, math.sin(mid) * d, turn)
            f.alpha_composite(fade(piece, alphas[k]))
        sp = Image.new("RGBA", (n, n), (0, 0, 0, 0))
        dr = ImageDraw.Draw(sp)
        for s in range(shards):
            ang = math.radians(-90 + s * 360 / shards)
            rad = (9 + 2.4 * k) * unit
            size = (3.6 - 0.45 * k) * unit
            colour = "cream" if s % 2 == 0 else "honey"
            sparkle(dr, n / 2 + math.cos(ang) * rad, n / 2 + math.sin(ang) * rad, size, colour,
                    round(255 * max(0.0, 1.0 - k / 6)))
        f.alpha_composite(sp)
        frames.append(f)
    return [downsample(fr, FRAME, FRAME) for fr in frames]


def build_balls(root, sheet):
    atlas = Image.new("RGBA", ATLAS_SIZE, (0, 0, 0, 0))
    rows = {}
    for row, (name, emblem, base, _kind) in enumerate(BALLS):
        big = render_ball(emblem, base, FRAME)
        frames = ball_states(big)
        assert len(frames) == COL_EXPLODE + EXPLODE_FRAMES
        for col, fr in enumerate(frames):
            atlas.alpha_composite(fr, (col * FRAME, row * FRAME))
        rows[name] = row
        sheet["ball_" + name] = frames[0]
    x0 = COL_EXTRA * FRAME
    extras = [
        ("lock1.svg", (x0, 0), (FRAME, FRAME)),
        ("lock2.svg", (x0 + FRAME, 0), (FRAME, FRAME)),
        ("box1.svg", (x0 + 2 * FRAME, 0), (FRAME, FRAME)),
        ("box2.svg", (x0 + 3 * FRAME, 0), (FRAME, FRAME)),
        ("mark-select.svg", (x0, FRAME), (FRAME, FRAME)),
        ("mark-hint.svg", (x0 + FRAME, FRAME), (FRAME, FRAME)),
        ("mark-finish.svg", (x0 + 2 * FRAME, FRAME), (FRAME, FRAME)),
        ("chain-arrow.svg", (x0, 2 * FRAME), (2 * FRAME, FRAME)),
    ]
    for name, pos, (w, h) in extras:
        img = render_svg(name, w, h)
        atlas.alpha_composite(img, pos)
        sheet[name[:-4]] = img
    save_png(atlas, os.path.join(root, "data/Textures/Balls/Balls.png"))
    sheet["atlas"] = atlas

    # Frame animations of every ball: the hint pulse (endless) and the explosion (one pass).
    for name, row in rows.items():
        y0, y1 = row * FRAME, (row + 1) * FRAME
        rect = lambda c: "%d %d %d %d" % (c * FRAME, y0, (c + 1) * FRAME, y1)
        pulse = [COL_HINT, COL_HINT + 1, COL_HINT + 2, COL_HINT + 1]
        lines = ['<?xml version="1.0" encoding="UTF-8"?>',
                 '<!-- %s ball: hint pulse, endless. -->' % name,
                 '<Animation speed="6">']
        for i, c in enumerate(pulse):
            lines.append('  <Frame tex_rect="%s" next_frame="%d"/>' % (rect(c), (i + 1) % len(pulse)))
        lines.append('</Animation>')
        write_text(os.path.join(root, "data/Textures/Balls/%sHint.xml" % name), "\n".join(lines) + "\n")
        lines = ['<?xml version="1.0" encoding="UTF-8"?>',
                 '<!-- %s ball: explosion, one pass, rests on its last frame. -->' % name,
                 '<Animation speed="2" animate_once="1">']
        for c in range(COL_EXPLODE, COL_EXPLODE + EXPLODE_FRAMES):
            lines.append('  <Frame tex_rect="%s"/>' % rect(c))
        lines.append('</Animation>')
        write_text(os.path.join(root, "data/Textures/Balls/%sExplode.xml" % name), "\n".join(lines) + "\n")


# ---------------------------------------------------------------------------------------------------------
# Common textures, menu art, icon

def build_common(root):
    path = os.path.join(root, "data/Textures/Common/Square.tga")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.new("RGBA", (16, 16), (255, 255, 255, 255)).save(path, "TGA", rle=False)


BUTTON_STATES = [
    # state, face top, face bottom, rim, gloss, shadow, sink
    ("normal", mix("honey", "cream", 0.25), "amber", "walnut", "cream", "walnut", 0),
    ("hover", mix("honey", "cream", 0.55), mix("amber", "honey", 0.5), "walnut", "#ffffff", "walnut", 0),
    ("pressed", "amber", mix("amber", "terracotta", 0.45), "ink", mix("honey", "cream", 0.3), "walnut", 2),
    ("disabled", mix("stone", "cream", 0.35), "stone", "stonedark", "cream", "stonedark", 0),
]


def build_menu(root, sheet):
    # Buttons: four states stacked 64 px apart in a 256 x 256 texture.
    buttons = Image.new("RGBA", (256, 256), (0, 0, 0, 0))
    for i, (state, top, bottom, rim, gloss, shadow, dy) in enumerate(BUTTON_STATES):
        img = render_svg("button.svg", 192, 48, {
            "top": PALETTE.get(top, top), "bottom": PALETTE.get(bottom, bottom), "rim": PALETTE[rim],
            "gloss": PALETTE.get(gloss, gloss),
            "shadow": PALETTE[shadow], "dy": str(dy)})
        buttons.alpha_composite(img, (0, 64 * i))
        sheet["button_" + state] = img
    save_png(buttons, os.path.join(root, "data/Textures/Menu/Button.png"))

    panel = render_svg("panel.svg", 128, 128)
    save_png(panel, os.path.join(root, "data/Textures/Menu/Panel.png"))
    sheet["panel"] = panel

    bg = render_svg("menu-background.svg", 800, 600, ss=1)
    bg = Image.alpha_composite(Image.new("RGBA", bg.size, rgb("peach") + (255,)), bg)
    save_png(bg, os.path.join(root, "data/Textures/Menu/Background.png"))
    sheet["background"] = bg

    logo = make_logo(512, 160)
    save_png(logo, os.path.join(root, "data/Textures/Menu/Logo.png"))
    sheet["logo"] = logo

    splash = make_splash(sheet)
    save_png(splash, os.path.join(root, "data/Textures/Menu/Splash.png"))
    sheet["splash"] = splash

    icon = make_icon(sheet)
    save_png(icon, os.path.join(root, "data/zerafine.png"))
    sheet["icon"] = icon


def gradient(w, h, top, bottom):
    g = Image.new("RGBA", (w, h))
    d = ImageDraw.Draw(g)
    a, b = rgb(top), rgb(bottom)
    for y in range(h):
        t = y / max(1, h - 1)
        d.line([(0, y), (w, y)], fill=tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3)) + (255,))
    return g


def make_logo(w, h):
    """The title "Zerafine": round bold letters in honey and amber, an ink outline, a soft drop shadow,
    each letter bobbing a little as if the word were a chain of balls."""
    s = 3
    W, H = w * s, h * s
    font = ImageFont.truetype(FONT_BOLD, 104 * s)
    text = "Zerafine"
    widths = [font.getlength(ch) for ch in text]
    spacing = -3 * s
    total = sum(widths) + spacing * (len(text) - 1)
    x = (W - total) / 2
    base_y = H * 0.5
    fill = Image.new("L", (W, H), 0)
    outline = Image.new("L", (W, H), 0)
    df, do = ImageDraw.Draw(fill), ImageDraw.Draw(outline)
    bob = [0, -5, 3, -4, 4, -3, 5, -2]
    for i, ch in enumerate(text):
        y = base_y + bob[i] * s
        do.text((x, y), ch, font=font, fill=255, anchor="lm", stroke_width=7 * s, stroke_fill=255)
        df.text((x, y), ch, font=font, fill=255, anchor="lm")
        x += widths[i] + spacing
    out = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    shadow = Image.new("RGBA", (W, H), rgb("walnut") + (0,))
    shadow.putalpha(outline.point(lambda v: round(v * 0.55)))
    shadow = shadow.filter(ImageFilter.GaussianBlur(3 * s))
    out.alpha_composite(shadow, (4 * s, 6 * s))
    ink = Image.new("RGBA", (W, H), rgb("ink") + (0,))
    ink.putalpha(outline)
    out.alpha_composite(ink)
    face = gradient(W, H, mix("honey", "cream", 0.45), "amber")
    # a lighter band on the top half of every letter: the light comes from the top-left
    band = gradient(W, H, "cream", "honey")
    face = Image.composite(band, face, Image.linear_gradient("L").resize((W, H)).point(lambda v: 255 if v < 100 else 0))
    face.putalpha(fill)
    out.alpha_composite(face)
    return downsample(out, w, h)


def make_splash(sheet):
    """The splash screen: sun rays on a warm ground, the logo, and the ball set in a row."""
    W, H = 800, 600
    img = gradient(W, H, "peach", "sunset")
    glow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    dr = ImageDraw.Draw(glow)
    cx, cy = W / 2, 250
    for i in range(24):
        a0 = math.radians(i * 15)
        a1 = math.radians(i * 15 + 7.5)
        r = 900
        dr.polygon([(cx, cy), (cx + r * math.cos(a0), cy + r * math.sin(a0)),
                    (cx + r * math.cos(a1), cy + r * math.sin(a1))], fill=rgb("cream") + (40,))
    img.alpha_composite(glow)
    halo = disc(1000, 300, "cream", 200).filter(ImageFilter.GaussianBlur(90))
    img.alpha_composite(halo.crop((100, 250, 900, 850)), (0, 0))
    logo = sheet["logo"].resize((640, 200), Image.Resampling.LANCZOS)
    img.alpha_composite(logo, (80, 150))
    names = [b[0] for b in BALLS[:8]]
    size = 56
    gap = 12
    x = (W - (len(names) * size + (len(names) - 1) * gap)) // 2
    for i, name in enumerate(names):
        ball = downsample(render_ball(BALLS[i][1], BALLS[i][2], size), size, size)
        y = 400 + (6 if i % 2 else 0)
        img.alpha_composite(ball, (x, y))
        x += size + gap
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT_BOLD, 20)
    text = "Link the balls, build the town"
    tw = d.textlength(text, font=font)
    d.text(((W - tw) / 2 + 1, 492), text, font=font, fill=rgb("cream"))
    d.text(((W - tw) / 2, 490), text, font=font, fill=rgb("walnut"))
    return img


def make_icon(sheet):
    """The window icon, 64 x 64: three balls on a warm rounded tile."""
    n = 64 * SS
    img = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    tile = gradient(n, n, mix("honey", "cream", 0.3), "amber")
    mask = Image.new("L", (n, n), 0)
    ImageDraw.Draw(mask).rounded_rectangle((2 * SS, 2 * SS, n - 2 * SS - 1, n - 2 * SS - 1), radius=13 * SS, fill=255)
    img.paste(tile, (0, 0), mask)
    ImageDraw.Draw(img).rounded_rectangle((2 * SS, 2 * SS, n - 2 * SS - 1, n - 2 * SS - 1), radius=13 * SS,
                                          outline=rgb("ink") + (255,), width=round(2.2 * SS))
    for (idx, x, y) in [(2, 3, 24), (1, 27, 24), (0, 15, 4)]:
        _name, emblem, base, _kind = BALLS[idx]
        ball = render_ball(emblem, base, 34)
        img.alpha_composite(ball, (x * SS, y * SS))
    return downsample(img, 64, 64)


# ---------------------------------------------------------------------------------------------------------
# Contact sheet

def label(draw, xy, text, size=15):
    font = ImageFont.truetype(FONT_BOLD, size)
    x, y = xy
    w = draw.textlength(text, font=font)
    draw.rounded_rectangle((x - 6, y - 3, x + w + 6, y + size + 5), radius=6,
                           fill=rgb("cream") + (225,), outline=rgb("walnut") + (255,))
    draw.text((x, y), text, font=font, fill=rgb("ink"))


def nine_slice(skin, w, h, c=32):
    """The panel skin stretched to w x h the way the GUI draws it: corners whole, borders and glass stretched."""
    out = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    S = skin.size[0]
    xs = [(0, c, 0, c), (c, S - c, c, w - c), (S - c, S, w - c, w)]
    for (sx0, sx1, dx0, dx1) in xs:
        for (sy0, sy1, dy0, dy1) in [(0, c, 0, c), (c, S - c, c, h - c), (S - c, S, h - c, h)]:
            part = skin.crop((sx0, sy0, sx1, sy1)).resize((dx1 - dx0, dy1 - dy0), Image.Resampling.BILINEAR)
            out.alpha_composite(part, (dx0, dy0))
    return out


def build_sheet(root, sheet):
    W, H = 1400, 1000
    img = sheet["background"].resize((1400, 1050), Image.Resampling.LANCZOS).crop((0, 0, W, H))
    veil = Image.new("RGBA", (W, H), rgb("cream") + (70,))
    img.alpha_composite(veil)
    d = ImageDraw.Draw(img)

    # the ball atlas at game size, one row per kind, with its columns named
    atlas = sheet["atlas"]
    ax, ay = 110, 60
    label(d, (20, 18), "Balls.png: normal, selected, mouse over, hint pulse x3, explosion x8")
    img.alpha_composite(Image.new("RGBA", (14 * FRAME + 8, len(BALLS) * FRAME + 8), rgb("parchment") + (170,)),
                        (ax - 4, ay - 4))
    img.alpha_composite(atlas.crop((0, 0, 14 * FRAME, len(BALLS) * FRAME)), (ax, ay))
    small = ImageFont.truetype(FONT_BOLD, 13)
    for row, (name, _e, _b, kind) in enumerate(BALLS):
        d.text((18, ay + row * FRAME + 8), name, font=small, fill=rgb("ink"))
        d.text((18, ay + row * FRAME + 24), kind, font=ImageFont.truetype(FONT, 12), fill=rgb("walnut"))

    # locks, boxes, marks and arrow
    ex, ey = 110 + 14 * FRAME + 30, 60
    label(d, (ex, 18), "Locks, boxes, marks")
    img.alpha_composite(Image.new("RGBA", (4 * FRAME + 16, 3 * FRAME + 16), rgb("parchment") + (170,)), (ex - 8, ey - 8))
    img.alpha_composite(atlas.crop((COL_EXTRA * FRAME, 0, (COL_EXTRA + 4) * FRAME, 3 * FRAME)), (ex, ey))

    # a little field at game size: locked and boxed balls, a chain with its marks and arrows
    fx, fy = ex, 260
    label(d, (fx, fy - 40), "At game size (44 px cells)")
    cell = 44
    cols, rows = 6, 5
    img.alpha_composite(Image.new("RGBA", (cols * cell + 12, rows * cell + 12), rgb("walnut") + (150,)), (fx - 6, fy - 6))
    img.alpha_composite(Image.new("RGBA", (cols * cell, rows * cell), rgb("parchment") + (230,)), (fx, fy))
    layout = [
        [0, 2, 4, 6, 1, 3],
        [0, 0, 0, 5, 7, 2],
        [6, 1, 0, 8, 4, 3],
        [2, 5, 7, 0, 9, 1],
        [4, 3, 1, 2, 6, 5],
    ]
    def frame_at(row, col):
        return atlas.crop((col * FRAME, row * FRAME, (col + 1) * FRAME, (row + 1) * FRAME))
    for r in range(rows):
        for c in range(cols):
            k = layout[r][c]
            ball = frame_at(k, COL_SELECTED if (r, c) in [(0, 0), (1, 0), (1, 1), (1, 2), (2, 2)] else COL_NORMAL)
            img.alpha_composite(downsample(ball, 40, 40), (fx + c * cell + 2, fy + r * cell + 2))
    extra = lambda i: atlas.crop(((COL_EXTRA + i) * FRAME, 0, (COL_EXTRA + i + 1) * FRAME, FRAME))
    img.alpha_composite(downsample(extra(0), cell, cell), (fx + 4 * cell, fy + 4 * cell))
    img.alpha_composite(downsample(extra(1), cell, cell), (fx + 5 * cell, fy + 1 * cell))
    img.alpha_composite(downsample(extra(2), cell, cell), (fx + 0 * cell, fy + 3 * cell))
    img.alpha_composite(downsample(extra(3), cell, cell), (fx + 5 * cell, fy + 3 * cell))
    mark = atlas.crop((COL_EXTRA * FRAME, FRAME, (COL_EXTRA + 1) * FRAME, 2 * FRAME))
    hint = atlas.crop(((COL_EXTRA + 1) * FRAME, FRAME, (COL_EXTRA + 2) * FRAME, 2 * FRAME))
    arrow = downsample(atlas.crop((COL_EXTRA * FRAME, 2 * FRAME, (COL_EXTRA + 2) * FRAME, 3 * FRAME)), 2 * cell, cell)
    path = [(0, 0), (1, 0), (1, 1), (1, 2), (2, 2)]
    for (r, c) in path:
        img.alpha_composite(downsample(mark, cell, cell), (fx + c * cell, fy + r * cell))
    for (r0, c0), (r1, c1) in zip(path, path[1:]):
        if r1 == r0:   # a step right, drawn from the earlier cell
            img.alpha_composite(arrow, (fx + c0 * cell, fy + r0 * cell))
        else:          # a step down, the arrow turned to point down over the two cells
            img.alpha_composite(arrow.rotate(-90, expand=True), (fx + c0 * cell, fy + r0 * cell))
    for (r, c) in [(3, 2), (4, 3)]:
        img.alpha_composite(downsample(hint, cell, cell), (fx + c * cell, fy + r * cell))

    # buttons, two by two
    by = 600
    label(d, (20, by - 40), "Button.png: normal, hover, pressed, disabled")
    font = ImageFont.truetype(FONT_BOLD, 18)
    for i, st in enumerate(["normal", "hover", "pressed", "disabled"]):
        b = sheet["button_" + st]
        x, y = 20 + (i % 2) * 210, by + (i // 2) * 60
        img.alpha_composite(b, (x, y))
        t = "Play" if st != "disabled" else "Locked"
        tw = d.textlength(t, font=font)
        colour = rgb("walnut") if st != "disabled" else rgb("stonedark")
        d.text((x + (192 - tw) / 2, y + 10 + (2 if st == "pressed" else 0)), t, font=font, fill=colour)

    # panel: the skin and the skin stretched
    py = 760
    label(d, (20, py - 30), "Panel.png (nine-slice, 32 px corners)")
    img.alpha_composite(sheet["panel"], (20, py))
    img.alpha_composite(nine_slice(sheet["panel"], 360, 220), (170, py))
    d.text((200, py + 28), "Options", font=ImageFont.truetype(FONT_BOLD, 24), fill=rgb("walnut"))
    for i in range(4):
        img.alpha_composite(downsample(frame_at(i * 2, COL_NORMAL), 40, 40), (205 + i * 75, py + 80))
    img.alpha_composite(downsample(sheet["button_normal"], 144, 36), (278, py + 160))
    d.text((322, py + 166), "Close", font=ImageFont.truetype(FONT_BOLD, 15), fill=rgb("walnut"))

    # logo, icon, square
    label(d, (560, 570), "Logo.png")
    img.alpha_composite(sheet["logo"], (560, 600))
    label(d, (560, 790), "zerafine.png (64, 32), Square.tga")
    img.alpha_composite(sheet["icon"], (560, 830))
    img.alpha_composite(downsample(sheet["icon"], 32, 32), (640, 846))
    d.rectangle((690, 853, 707, 870), outline=rgb("walnut"))
    img.alpha_composite(Image.new("RGBA", (16, 16), (255, 255, 255, 255)), (691, 854))

    # splash and background
    label(d, (1090, 18), "Splash.png")
    img.alpha_composite(downsample(sheet["splash"], 296, 222), (1090, 60))
    label(d, (1090, 300), "Background.png")
    img.alpha_composite(downsample(sheet["background"], 296, 222), (1090, 342))
    save_png(img.convert("RGB").convert("RGBA"), os.path.join(root, "content/contact-sheet.png"))


def main():
    if len(sys.argv) != 2:
        fail("usage: build.py <repository root>")
    root = os.path.abspath(sys.argv[1])
    if not os.path.isfile(FONT_BOLD):
        fail("DejaVu fonts are missing (install fonts-dejavu-core)")
    sheet = {}
    build_common(root)
    build_balls(root, sheet)
    build_menu(root, sheet)
    build_sheet(root, sheet)


if __name__ == "__main__":
    main()
