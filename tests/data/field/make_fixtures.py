#!/usr/bin/python3
"""Writes the fixture folder of the field tests: small flat textures and the graph bases that use
them (deterministic; run with /usr/bin/python3). Every picture is a plain square of one colour with
a darker rim, so that a pixel test can tell each one apart at a glance."""
import os
from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
TEX = os.path.join(HERE, "Textures")
BASES = os.path.join(HERE, "Settings", "Bases")
os.makedirs(TEX, exist_ok=True)
os.makedirs(BASES, exist_ok=True)

CELL = 8   # texture pixels per picture

BALLS = {1: (220, 60, 50), 2: (80, 180, 60), 3: (60, 110, 220), 4: (230, 200, 60),
         10: (200, 80, 200), 11: (210, 100, 210), 12: (220, 120, 220), 13: (230, 140, 230),
         14: (240, 160, 240), 50: (245, 245, 245), 60: (120, 70, 180)}
TILES = {1: (150, 120, 90), 2: (110, 150, 170), 3: (170, 110, 150), 4: (120, 170, 110), 9: (90, 90, 90)}


def darker(c):
    return tuple(int(v * 0.6) for v in c)


def strip(colours, name, inset=0):
    """One picture per colour, side by side; inset leaves a transparent margin (a lock over a ball)."""
    img = Image.new("RGBA", (CELL * len(colours), CELL), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for i, c in enumerate(colours):
        x = i * CELL
        d.rectangle([x + inset, inset, x + CELL - 1 - inset, CELL - 1 - inset], fill=c + (255,), outline=darker(c) + (255,))
    img.save(os.path.join(TEX, name), optimize=False)


def rect(i):
    return "%d 0 %d %d" % (i * CELL, (i + 1) * CELL, CELL)


def layer(texture, i):
    return '<Layer><graphics texture="Textures\\%s" tex_rect="%s"/></Layer>' % (texture, rect(i))


def base(name, entries):
    out = ['<?xml version="1.0" encoding="utf-8"?>', "<Base>"]
    for graph_type, states in entries:
        out.append('  <GraphObj graph_type="%d">' % graph_type)
        for state, body, extra in states:
            out.append('    <State name="%s"%s>%s</State>' % (state, extra, body))
        out.append("  </GraphObj>")
    out.append("</Base>")
    with open(os.path.join(BASES, name), "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")


ball_types = sorted(BALLS)
strip([BALLS[t] for t in ball_types], "Balls.png")
tile_types = sorted(TILES)
# Tiles: normal, dead (dark), glow (light) and time-out (white-ish) looks, one row each.
tile_img = Image.new("RGBA", (CELL * len(tile_types), CELL * 4), (0, 0, 0, 0))
td = ImageDraw.Draw(tile_img)
for i, t in enumerate(tile_types):
    c = TILES[t]
    looks = [c, darker(c), tuple(min(255, v + 70) for v in c), (235, 235, 225)]
    for row, look in enumerate(looks):
        td.rectangle([i * CELL, row * CELL, i * CELL + CELL - 1, row * CELL + CELL - 1], fill=look + (255,),
                     outline=darker(look) + (255,))
tile_img.save(os.path.join(TEX, "Tiles.png"), optimize=False)
strip([(200, 200, 210), (200, 90, 70)], "Locks.png", inset=2)
strip([(170, 120, 70), (130, 90, 50)], "Boxes.png")
strip([(120, 120, 130), (110, 110, 120), (100, 100, 110), (90, 90, 100), (80, 80, 90), (70, 70, 80)], "Walls.png")

ball_states = []
for i, t in enumerate(ball_types):
    lay = layer("Balls.png", i)
    ball_states.append((t, [("DEFAULT", lay, ""), ("CREATE", lay, ""), ("MOVE", lay, ""),
                            ("DEAD", lay + '<sound file="ball_pop"/>', ' expl_alias="ball_dead"'),
                            ("EXPLOSION", lay, ' expl_alias="ball_blast"'), ("SELECT", lay, "")]))
base("Balls.xml", ball_states)


def tile_layer(i, row):
    return '<Layer><graphics texture="Textures\\Tiles.png" tex_rect="%d %d %d %d"/></Layer>' % (
        i * CELL, row * CELL, (i + 1) * CELL, (row + 1) * CELL)


tiles = []
for i, t in enumerate(tile_types):
    states = [("DEFAULT", tile_layer(i, 0), "")]
    if t != 9:   # tile 9 has no death or glow: a level must not use it above the ground
        states.append(("DEAD", tile_layer(i, 1) + '<sound file="tile_clear"/>', ' expl_alias="tile_break"'))
        states.append(("GLOW", tile_layer(i, 2), ""))
    if t in (1, 2, 3):
        states.append(("TIME_OUT", tile_layer(i, 3), ""))
    tiles.append((t, states))
base("Tiles.xml", tiles)
for name, texture, count, alias in (("Locks.xml", "Locks.png", 2, "lock_break"), ("Boxes.xml", "Boxes.png", 2, "box_break"),
                                    ("Walls.xml", "Walls.png", 6, "wall_break")):
    base(name, [(t + 1, [("DEFAULT", layer(texture, t), ""), ("EXPLOSION", layer(texture, t), ' expl_alias="%s%d"' % (alias, t + 1))])
                for t in range(count)])
