"""The game's palette: every colour the art uses, by name (content/README.md shows the same table).

SVG templates in content/art/svg name these colours as ${name}; the Python generators use them through
`rgb()` and `mix()`. Nothing here is pure black: opaque 0xFF000000 is the texture loader's colour key.
"""

PALETTE = {
    # lines and darks
    "ink": "#2b1d14",         # outlines of everything (near-black, never pure black)
    "walnut": "#5b3720",      # secondary lines, wood grain, details
    "cocoa": "#7a4a2a",       # dark wood, tree trunks
    "pine": "#2f5a2a",        # outline of foliage
    # lights
    "cream": "#fff6e3",       # highlights, emblems, sun
    "parchment": "#f4e2bd",   # panel glass
    "peach": "#fbd3a4",       # sky, soft fills
    "sand": "#e8c98e",        # far hills, paths
    "wall": "#f0d2a8",        # house walls
    # warm accents
    "honey": "#f5c431",       # gold, selection, buttons
    "amber": "#e8962e",       # buttons, warm accents
    "sunset": "#f2a66a",      # sky, glows
    "terracotta": "#cf5a3c",  # roofs, strong lock
    "cherry": "#d8453a",      # apple ball
    "rose": "#e884a8",        # person ball, flowers
    "crust": "#a8683a",       # bread ball
    "gold": "#f0b429",        # coin ball
    # cool accents
    "plum": "#8a5cc7",        # star ball, finisher marks
    "navy": "#2c3e6b",        # crown ball
    "sapphire": "#3f7fd8",    # gem ball
    "teal": "#2aa198",        # helmet ball
    "leaf": "#5fae3e",        # leaf ball, meadows
    "meadow": "#a9c46a",      # far meadows
    "meadowlight": "#cfe08f", # lit meadow edges
    "moss": "#3d7a34",        # near hills, trees
    # neutrals
    "wood": "#c98b4f",        # crates, panel frame
    "woodlight": "#e2ad6e",   # lit wood
    "slate": "#6f7d8c",       # iron
    "steel": "#b4bec9",       # lit iron, chains
    "stone": "#b9ad9c",       # disabled button face
    "stonedark": "#8e8374",   # disabled button rim
}


def rgb(name_or_hex):
    """(r, g, b) of a palette name or a #rrggbb text."""
    h = PALETTE.get(name_or_hex, name_or_hex).lstrip("#")
    return tuple(int(h[i:i + 2], 16) for i in (0, 2, 4))


def hexof(c):
    return "#%02x%02x%02x" % tuple(c)


def mix(a, b, t):
    """The colour t of the way from a to b (names or hex texts), as #rrggbb."""
    ca, cb = rgb(a), rgb(b)
    return hexof(round(ca[i] + (cb[i] - ca[i]) * t) for i in range(3))
