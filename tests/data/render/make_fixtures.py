#!/usr/bin/python3
"""Writes the texture fixtures of the render tests (deterministic; run with /usr/bin/python3)."""
import os
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
TEX = os.path.join(HERE, "Textures")
os.makedirs(TEX, exist_ok=True)


def save(img, name):
    img.save(os.path.join(TEX, name), optimize=False)


# 4 x 2 pixels: the colour key cases and the gray formula case.
keyed = Image.new("RGBA", (4, 2))
keyed.putdata([
    (0, 0, 0, 255),        # opaque black: becomes transparent
    (1, 1, 1, 255),        # near black: kept
    (0, 0, 0, 128),        # half-transparent black: kept
    (255, 255, 255, 255),  # white: kept
    (200, 21, 10, 77),     # gray copy: blue 10, green 21 -> 15
    (10, 20, 30, 255),
    (255, 0, 0, 255),
    (0, 0, 255, 0),
])
save(keyed, "Keyed.png")

# The same picture as a TGA (no signature: the extension tells the decoder).
keyed.save(os.path.join(TEX, "Keyed.tga"))

# A 64 x 32 atlas of four 16 x 16 frames in the top row (red, green, blue, yellow with a white
# border) and a white block in the bottom half: the sprites of the pixel test.
atlas = Image.new("RGBA", (64, 32), (0, 0, 0, 0))
colours = [(220, 40, 40), (40, 200, 60), (50, 80, 230), (240, 210, 40)]
for i, c in enumerate(colours):
    for y in range(16):
        for x in range(16):
            border = x in (0, 15) or y in (0, 15)
            atlas.putpixel((i * 16 + x, y), (250, 250, 250, 255) if border else c + (255,))
for y in range(16, 32):
    for x in range(64):
        atlas.putpixel((x, y), (255, 255, 255, 255))
save(atlas, "Atlas.png")

# A white square (the fader's texture in the tests).
save(Image.new("RGBA", (8, 8), (255, 255, 255, 255)), "Square.png")

# Not an image at all.
with open(os.path.join(TEX, "Broken.png"), "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\nthis is not a picture")

# The fader's square at the path the game uses.
os.makedirs(os.path.join(TEX, "Common"), exist_ok=True)
Image.new("RGBA", (8, 8), (255, 255, 255, 255)).save(os.path.join(TEX, "Common", "Square.tga"))
