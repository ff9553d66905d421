#!/usr/bin/env python3
"""Writes examples/starter/sprite.bmp: the starter's sprite, a 32 x 32 ball.

A 24-bit uncompressed BMP with the 40-byte info header, rows bottom-up, each padded to four
bytes. Everything around the ball is magenta (255, 0, 255), the engine's transparent colour, so
a keyed blit draws only the ball.
"""
import sys

from bmp import bmp24, write

SIZE = 32
MAGENTA = (255, 0, 255)


def pixel(x, y):
    # Distances in half pixels from the centre of the square, to the centre of the pixel.
    dx, dy = 2 * x + 1 - SIZE, 2 * y + 1 - SIZE
    d2 = dx * dx + dy * dy
    if d2 > (SIZE - 2) ** 2:
        return MAGENTA
    if d2 > (SIZE - 6) ** 2:
        return (120, 60, 0)            # rim
    hx, hy = dx + 10, dy + 10          # highlight up and to the left
    if hx * hx + hy * hy < 36:
        return (255, 255, 255)
    return (250, 190, 30)              # the ball


def main(path):
    write(path, bmp24(SIZE, SIZE, pixel))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/starter/sprite.bmp")
