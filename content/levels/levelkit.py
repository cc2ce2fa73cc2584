"""What an episode's module uses to draw its levels: see content/levels/generate for the characters of
the field and overlay pictures."""


def level(name, field, overlay=None, types=5, bonus_types=0, bonus=0, forced=30, lock=(0, 0), box=(0, 0),
          time=None, moves=None, rim=False):
    """rim: the cells at the edge of the picture keep one tile layer less, so the outline shows."""
    return dict(name=name, field=field, overlay=overlay, types=types, bonus_types=bonus_types, bonus=bonus,
                forced=forced, lock=lock, box=box, time=time, moves=moves, rim=rim)
