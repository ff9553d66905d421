#!/usr/bin/env python3
"""Writes the bricks game's data files in examples/bricks/data/: the sprite sheet bricks.bmp and
the sounds paddle.wav, brick.wav, wall.wav, lose.wav and level.wav.

Every pixel and sample is computed here from a formula, so the files can be made again byte for
byte:

    tools/make_bricks.py            (from the repository's top directory)

The sheet is a 24-bit BMP, 512 x 64, on magenta (255, 0, 255), the colour the engine keys out at
every depth. Its top row holds seven brick tiles of 56 x 20, one every 64 pixels: red, orange,
yellow, green, blue, silver and cracked silver. Below them, at y = 32, the paddle (96 x 16, at
x = 0) and the ball (12 x 12, at x = 104). The edges are hard: a pixel is magenta or opaque, so
no pink fringe shows around a sprite. The sounds are 16-bit mono 22050 Hz with the canonical
44-byte header.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bmp import bmp24  # noqa: E402
from make_wavs import wav, write  # noqa: E402

WIDTH, HEIGHT = 512, 64
KEY = (255, 0, 255)
BRICK_W, BRICK_H, BRICK_STEP = 56, 20, 64
BRICK_COLOURS = [(220, 40, 40), (240, 140, 30), (235, 210, 50), (60, 185, 70), (50, 120, 230),
                 (175, 180, 195), (175, 180, 195)]
PADDLE = (0, 32, 96, 16)
BALL = (104, 32, 12, 12)
RATE = 22050


def mix(colour, other, amount):
    return tuple(int(round(c + (o - c) * amount)) for c, o in zip(colour, other))


CRACK = [(18, 2, 25, 7), (25, 7, 21, 12), (21, 12, 28, 17), (25, 7, 35, 10), (21, 12, 15, 15)]


def near_segment(x, y, x1, y1, x2, y2):
    """True when pixel (x, y) lies within half a pixel of the segment."""
    length2 = (x2 - x1) ** 2 + (y2 - y1) ** 2
    t = max(0.0, min(1.0, ((x - x1) * (x2 - x1) + (y - y1) * (y2 - y1)) / length2))
    return math.hypot(x - x1 - t * (x2 - x1), y - y1 - t * (y2 - y1)) < 0.6


def brick(x, y, colour, cracked):
    """One pixel of a brick tile: a raised block lit from the top left, corners cut."""
    if (x in (0, BRICK_W - 1)) and (y in (0, BRICK_H - 1)):
        return KEY
    if x < 2 or y < 2:
        return mix(colour, (255, 255, 255), 0.45)
    if x >= BRICK_W - 2 or y >= BRICK_H - 2:
        return mix(colour, (0, 0, 0), 0.45)
    # A soft shine across the upper half, darker towards the bottom.
    shade = 0.25 * (1 - y / (BRICK_H / 2)) if y < BRICK_H / 2 else -0.15 * (y / BRICK_H - 0.5)
    face = mix(colour, (255, 255, 255), shade) if shade > 0 else mix(colour, (0, 0, 0), -shade)
    if cracked and any(near_segment(x, y, *segment) for segment in CRACK):
        return mix(colour, (0, 0, 0), 0.6)
    return face


def paddle(x, y):
    """The paddle: a capsule, red caps and a metallic middle, lit from above."""
    w, h = PADDLE[2], PADDLE[3]
    r = h / 2
    cx = min(max(x + 0.5, r), w - r)
    if math.hypot(x + 0.5 - cx, y + 0.5 - r) > r - 0.3:
        return KEY
    light = 0.55 + 0.45 * math.cos((y + 0.5 - h * 0.35) / h * math.pi)
    base = (210, 50, 45) if x < 14 or x >= w - 14 else (150, 170, 200)
    if x in (14, w - 15):
        return (40, 40, 50)
    return tuple(min(255, int(c * light + 40 * light * light)) for c in base)


def ball(x, y):
    """The ball: a white sphere lit from the top left."""
    size = BALL[2]
    r = size / 2
    dx, dy = (x + 0.5 - r) / r, (y + 0.5 - r) / r
    d2 = dx * dx + dy * dy
    if d2 > 0.97:
        return KEY
    dz = math.sqrt(max(0.0, 1 - d2))
    lambert = max(0.0, (-dx * 0.5 - dy * 0.6 + dz * 0.62) / 0.94)
    level = 0.45 + 0.55 * lambert
    return tuple(min(255, int(c * level)) for c in (250, 250, 255))


def sheet_pixel(x, y):
    tile, tx = divmod(x, BRICK_STEP)
    if y < BRICK_H and tile < len(BRICK_COLOURS) and tx < BRICK_W:
        return brick(tx, y, BRICK_COLOURS[tile], tile == 6)
    for (sx, sy, w, h), draw in ((PADDLE, paddle), (BALL, ball)):
        if sx <= x < sx + w and sy <= y < sy + h:
            return draw(x - sx, y - sy)
    return KEY


def sheet():
    return bmp24(WIDTH, HEIGHT, sheet_pixel)


def envelope(i, count, decay):
    """A 2 ms attack, then an exponential fall with the given time constant in seconds."""
    attack = min(1.0, i / (0.002 * RATE))
    return attack * math.exp(-i / (decay * RATE)) * (1 - i / count)


def note(frequency, seconds, decay, harmonics=((1, 1.0),), volume=0.6):
    count = int(seconds * RATE)
    return [(volume * envelope(i, count, decay) *
             sum(a * math.sin(2 * math.pi * frequency * k * i / RATE) for k, a in harmonics),)
            for i in range(count)]


def sweep(start, end, seconds, volume=0.5):
    """A falling tone with a wobble, for a lost ball."""
    count = int(seconds * RATE)
    frames, phase = [], 0.0
    for i in range(count):
        t = i / count
        frequency = start * (end / start) ** t * (1 + 0.04 * math.sin(2 * math.pi * 9 * i / RATE))
        phase += 2 * math.pi * frequency / RATE
        value = math.sin(phase) + 0.3 * math.sin(3 * phase)
        frames.append((volume * envelope(i, count, seconds) * value,))
    return frames


def sounds():
    arpeggio = []
    for frequency in (523.25, 659.25, 783.99, 1046.5):
        arpeggio += note(frequency, 0.13, 0.08, ((1, 1.0), (2, 0.25)), 0.5)
    return {
        "paddle.wav": note(330, 0.09, 0.035, ((1, 1.0), (3, 0.3), (5, 0.1))),
        "brick.wav": note(990, 0.07, 0.02, ((1, 1.0), (2, 0.3))),
        "wall.wav": note(180, 0.045, 0.015, ((1, 1.0), (3, 0.2)), 0.5),
        "lose.wav": sweep(520, 110, 0.7),
        "level.wav": arpeggio,
    }


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data = os.path.join(top, "examples", "bricks", "data")
    write(os.path.join(data, "bricks.bmp"), sheet())
    for name, frames in sounds().items():
        write(os.path.join(data, name), wav(1, RATE, 16, frames))


if __name__ == "__main__":
    sys.exit(main())
