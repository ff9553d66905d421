"""BMP files as the engine reads them: the 14-byte file header, the 40-byte info header, rows
bottom-up, each padded to a multiple of four bytes. Shared by the generators in this folder."""
import struct


def _file(width, height, bits, colours, rows, resolution):
    pixels = b"".join(row + b"\0" * (-len(row) % 4) for row in rows)
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), resolution,
                       resolution, 0, 0)
    return header + info + colours + pixels


def bmp24(width, height, pixel):
    """A 24-bit picture; pixel(x, y) gives (r, g, b) with y counted from the top."""
    rows = (b"".join(struct.pack("BBB", b, g, r) for r, g, b in (pixel(x, y) for x in range(width)))
            for y in reversed(range(height)))
    return _file(width, height, 24, b"", rows, 2835)


def bmp8(width, height, table, index):
    """An 8-bit picture with the colour table of (r, g, b) entries; index(x, y) gives the entry of
    each pixel, y counted from the top."""
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in table)
    rows = (bytes(index(x, y) for x in range(width)) for y in reversed(range(height)))
    return _file(width, height, 8, colours, rows, 0)


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)
