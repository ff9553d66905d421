#!/usr/bin/env python3
"""Writes examples/sprites/data/sprites.png: the sprite sheet of the sprites example.

Seven cells of 32 x 32 side by side: a brick tile, a ball, a star, a ship, a gem, a face and a
fish. The brick tile and the face fill their whole cell; the others stand on pixels of alpha 0,
and the ball's rim fades out through alpha, which the loader turns into holes below one half.
The file is RGBA, and every colour is one of the display's palette (made by make_palette.py), so
the sheet looks the same at 8, 16 and 32 bits. Everything is drawn here pixel by pixel, so the
file can be made again byte for byte.
"""
import math
import sys

from bmp import write
from make_palette import TRANSPARENT_INDEX, table
from png import png_rgba

CELL = 32
CELLS = 7


def cube(r, g, b):
    """The palette index of a colour of the 6x6x6 cube, each level 0 to 5 (0, 51, ... 255)."""
    assert not (r >= 4 and g == 0 and b >= 4), "magenta's neighbours are not in the palette"
    return r * 36 + g * 6 + b


KEY = TRANSPARENT_INDEX


def brick(x, y):
    mortar = cube(3, 3, 3)
    if y % 8 == 7:
        return mortar
    shift = 0 if (y // 8) % 2 == 0 else 8
    if (x + shift) % 16 == 15:
        return mortar
    return cube(4, 2, 1) if y % 8 == 0 or (x + shift) % 16 == 0 else cube(3, 1, 0)


def ball(x, y):
    dx, dy = x - 15.5, y - 15.5
    distance = math.hypot(dx, dy)
    if distance > 15:
        return KEY
    if distance > 13:
        # A rim that fades out: its outer half is more transparent than opaque.
        return cube(1, 0, 0), round(255 * (15 - distance) / 2)
    # Light from the upper left: brighter where the surface faces it.
    light = (-dx - dy) / 28 + (1 - distance / 14) * 0.6
    ramp = [cube(2, 0, 0), cube(3, 0, 0), cube(4, 0, 0), cube(5, 0, 0), cube(5, 2, 2), cube(5, 4, 4)]
    return ramp[max(0, min(len(ramp) - 1, int((light + 0.6) * 3.2)))]


def inside(points, x, y):
    """Even-odd rule: is the point inside the polygon?"""
    result = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


STAR = [(15.5 + (14 if i % 2 == 0 else 6) * math.sin(i * math.pi / 5),
         16.5 - (14 if i % 2 == 0 else 6) * math.cos(i * math.pi / 5)) for i in range(10)]


def star(x, y):
    if not inside(STAR, x + 0.5, y + 0.5):
        return KEY
    # A darker rim: any neighbour outside the star.
    for ox, oy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
        if not inside(STAR, x + 0.5 + ox, y + 0.5 + oy):
            return cube(5, 3, 0)
    return cube(5, 5, 0)


def ship(x, y):
    # A rocket pointing up: a nose cone, a body, a window, two fins and a flame.
    if 4 <= y <= 23 and abs(x - 15.5) <= 5 and (y >= 10 or abs(x - 15.5) <= (y - 3) * 0.85):
        if 11 <= y <= 16 and abs(x - 15.5) <= 2.5:
            return cube(0, 2, 5)
        return cube(5, 5, 5) if x < 15 else cube(3, 3, 4)
    if 18 <= y <= 26 and 5.5 <= abs(x - 15.5) <= 5.5 + (y - 17) * 0.9:
        return cube(5, 0, 0)
    if 24 <= y <= 30 and abs(x - 15.5) <= (31 - y) * 0.6:
        return cube(5, 5, 0) if abs(x - 15.5) < 1.5 else cube(5, 3, 0)
    return KEY


def gem(x, y):
    dx, dy = x - 15.5, y - 15.5
    if abs(dx) / 13 + abs(dy) / 15 > 1:
        return KEY
    if abs(dx) / 13 + abs(dy) / 15 > 0.85:
        return cube(0, 2, 1)
    if dx < 0 and dy < 0:
        return cube(3, 5, 4)
    return cube(0, 5, 2) if dx < 0 or dy < 0 else cube(0, 3, 1)


def face(x, y):
    if x in (0, CELL - 1) or y in (0, CELL - 1):
        return cube(5, 5, 5)
    dx, dy = x - 15.5, y - 15.5
    if math.hypot(dx, dy) > 12:
        return cube(0, 0, 3)
    if math.hypot(abs(dx) - 4.5, dy + 4) < 2:
        return cube(0, 0, 0)
    if 3 <= dy <= 7 and abs(dx) <= 7 and abs(math.hypot(dx, dy + 1) - 7) < 1.2:
        return cube(0, 0, 0)
    return cube(5, 5, 0)


def fish(x, y):
    # A fish swimming right, so that a mirrored copy shows which way it was turned.
    dx, dy = x - 17.5, y - 15.5
    if (dx / 11) ** 2 + (dy / 7) ** 2 <= 1:
        if math.hypot(x - 23.5, y - 13.5) < 1.6:
            return cube(0, 0, 0)
        return cube(5, 3, 0) if dy < 2 else cube(5, 4, 2)
    if 1 <= x <= 8 and abs(dy) <= (9 - x) * 0.9 and abs(dy) >= (x - 1) * 0.6 - 0.5:
        return cube(5, 2, 0)
    return KEY


PAINTERS = [brick, ball, star, ship, gem, face, fish]
COLOURS = table()


def rgba(x, y):
    painted = PAINTERS[x // CELL](x % CELL, y)
    index, alpha = painted if isinstance(painted, tuple) else (painted, 255)
    if index == KEY:
        return 0, 0, 0, 0
    return COLOURS[index] + (alpha,)


def main(path):
    write(path, png_rgba(CELL * CELLS, CELL, rgba))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/sprites/data/sprites.png")
