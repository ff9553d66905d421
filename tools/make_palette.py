#!/usr/bin/env python3
"""Writes demo/data/palette.bmp: the 8-bit palette of the 8-bit display mode.

The colour table holds a 6x6x6 colour cube (indices 0-215), a ramp of greys (216-253),
magenta at 254 -- the transparent colour of the 8-bit mode -- and white at 255. Nothing else in
the table lies near magenta, so that magenta in a loaded image finds index 254. The picture is
16 x 16 pixels, each the index of its own position, so the file also shows the whole palette.
"""
import sys

from bmp import bmp8, write

TRANSPARENT_INDEX = 254


def table():
    entries = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                colour = (r * 51, g * 51, b * 51)
                if r >= 4 and g == 0 and b >= 4:
                    # Magenta and its neighbours in the cube become dark greys instead.
                    colour = (r * 10, r * 10, r * 10)
                entries.append(colour)
    for i in range(216, 254):
        level = round((i - 216) * 255 / 37)
        entries.append((level, level, level))
    entries.append((255, 0, 255))
    entries.append((255, 255, 255))
    assert len(entries) == 256 and entries[TRANSPARENT_INDEX] == (255, 0, 255)
    return entries


def main(path):
    write(path, bmp8(16, 16, table(), lambda x, y: y * 16 + x))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo/data/palette.bmp")
