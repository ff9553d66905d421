#!/usr/bin/env python3
"""Writes app/game.ico: the program's icon, one 32x32 image in 16 colours.

The picture is a dark square with a white frame and a diagonal bar in the scene's orange,
drawn here pixel by pixel so that the file can be made again byte for byte.
"""
import struct
import sys

SIZE = 32
# A 16-colour table: index 0 black, 1 white, 2 orange, 3 dark grey; the rest black.
COLOURS = [(0, 0, 0), (255, 255, 255), (251, 103, 4), (15, 15, 15)] + [(0, 0, 0)] * 12


def pixel(x, y):
    if x in (1, SIZE - 2) or y in (1, SIZE - 2):
        return 1
    if 4 <= x <= SIZE - 5 and abs(x - y) <= 2:
        return 2
    if 1 < x < SIZE - 2 and 1 < y < SIZE - 2:
        return 3
    return 0


def main(path):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in COLOURS)
    rows = []
    for y in reversed(range(SIZE)):  # bottom row first
        row = bytearray()
        for x in range(0, SIZE, 2):
            row.append((pixel(x, y) << 4) | pixel(x + 1, y))
        rows.append(bytes(row))
    xor_mask = b"".join(rows)
    and_mask = bytes(4 * SIZE)  # every pixel opaque; rows of 32 bits
    image = header + table + xor_mask + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "app/game.ico")
