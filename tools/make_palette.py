#!/usr/bin/env python3
"""Writes demo/data/palette.bmp: the 8-bit palette of the 8-bit display mode.

The colour table holds a 6x6x6 colour cube (indices 0-215), a ramp of greys (216-253),
magenta at 254 -- the transparent colour of the 8-bit mode -- and white at 255. Nothing else in
the table lies near magenta, so that magenta in a loaded image finds index 254. The picture is
16 x 16 pixels, each the index of its own position, so the file also shows the whole palette.
"""
import struct
import sys

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
    width = height = 16
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in table())
    pixels = b"".join(bytes(y * 16 + x for x in range(width)) for y in reversed(range(height)))
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 0, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + colours + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo/data/palette.bmp")
