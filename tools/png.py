"""PNG files written with Python's zlib: 8-bit RGBA, each row stored with filter 0. Shared by the
generators in this folder."""
import struct
import zlib


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_rgba(width, height, pixel):
    """An RGBA picture; pixel(x, y) gives (r, g, b, a) with y counted from the top."""
    raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *pixel(x, y)) for x in range(width))
                   for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(raw, 9))
            + _chunk(b"IEND", b""))
