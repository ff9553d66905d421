#!/usr/bin/env python3
"""Writes examples/sprites/data/sprites.bmp: the sprite sheet of the sprites example.

Six cells of 32 x 32 side by side: a brick tile, a ball, a star, a ship, a gem and a face. The
first and the last fill their whole cell; the others stand on magenta, the transparent colour.
The file is 8-bit with the display's own palette as its colour table (made by make_palette.py),
and every pixel is one of that palette's colours, so the sheet looks the same at 8, 16 and 32
bits. Everything is drawn here pixel by pixel, so the file can be made again byte for byte.
"""
import math
import sys

from bmp import bmp8, write
from make_palette import TRANSPARENT_INDEX, table

CELL = 32
CELLS = 6


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
    if distance > 14:
        return KEY
    if distance > 13:
        return cube(1, 0, 0)
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


PAINTERS = [brick, ball, star, ship, gem, face]


def main(path):
    write(path, bmp8(CELL * CELLS, CELL, table(), lambda x, y: PAINTERS[x // CELL](x % CELL, y)))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/sprites/data/sprites.bmp")
